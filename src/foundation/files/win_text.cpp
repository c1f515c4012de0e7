#include "foundation/files/win_text.h"

#include <windows.h>

#include <climits>
#include <memory>
#include <stdexcept>

#include "foundation/files/utf8.h"

namespace myr {
namespace {

// The conversion calls count in int; refuse rather than truncate silently.
int conversionLength(std::size_t length) {
  if (length > static_cast<std::size_t>(INT_MAX)) {
    throw std::length_error("Text is too long to convert.");
  }
  return static_cast<int>(length);
}

std::wstring multiByteToWide(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return {};
  const int inLength = conversionLength(bytes.size());
  const int outLength = MultiByteToWideChar(codePage, 0, bytes.data(), inLength, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(outLength), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), inLength, wide.data(), outLength);
  return wide;
}

struct LocalFreeDeleter {
  void operator()(wchar_t* text) const noexcept { LocalFree(text); }
};
using LocalText = std::unique_ptr<wchar_t, LocalFreeDeleter>;

std::wstring systemMessage(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  const LocalText owner(buffer);
  if (length == 0 || buffer == nullptr) return {};
  return std::wstring(buffer, length);
}

}  // namespace

std::wstring toWide(std::string_view utf8) { return multiByteToWide(CP_UTF8, utf8); }

std::string toUtf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int inLength = conversionLength(wide.size());
  const int outLength = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(outLength), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, utf8.data(), outLength, nullptr, nullptr);
  return utf8;
}

std::string localTextToUtf8(std::string_view bytes) {
  if (isUtf8(bytes)) return std::string(bytes);
  return toUtf8(multiByteToWide(CP_ACP, bytes));
}

std::string systemErrorText(unsigned long code) {
  std::wstring message = systemMessage(code);
  const std::size_t end = message.find_last_not_of(L"\r\n .");
  message.erase(end == std::wstring::npos ? 0 : end + 1);
  // A message of nothing but punctuation would leave the player with no words.
  if (message.empty()) return "error " + std::to_string(code);
  return toUtf8(message);
}

std::string pathError(const std::filesystem::path& path, unsigned long code) {
  return toUtf8(path.native()) + ": " + systemErrorText(code);
}

}  // namespace myr
