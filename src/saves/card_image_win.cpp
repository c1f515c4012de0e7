#include "saves/card_image_win.h"

#include <windows.h>

#include <optional>

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "saves/card_layout.h"

namespace myr::saves {
namespace {

constexpr UINT kShiftJisCodePage = 932;

std::u16string decodeShiftJis(std::string_view bytes) {
  const int length =
      MultiByteToWideChar(kShiftJisCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  MultiByteToWideChar(kShiftJisCodePage, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
  return std::u16string(wide.begin(), wide.end());
}

// The text unchanged when the system cannot map it.
std::u16string toHalfWidth(std::u16string_view text) {
  const std::wstring wide(text.begin(), text.end());
  const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_HALFWIDTH, wide.c_str(), static_cast<int>(wide.size()),
                                   nullptr, 0, nullptr, nullptr, 0);
  if (length <= 0) return std::u16string(text);
  std::wstring mapped(static_cast<std::size_t>(length), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_HALFWIDTH, wide.c_str(), static_cast<int>(wide.size()), mapped.data(),
                    length, nullptr, nullptr, 0) != length) {
    return std::u16string(text);
  }
  return std::u16string(mapped.begin(), mapped.end());
}

}  // namespace

CardText systemCardText() {
  return CardText{decodeShiftJis, toHalfWidth, [](std::string_view bytes) { return localTextToUtf8(bytes); }};
}

CardSummary readCardSummary(const std::filesystem::path& path) {
  const Result<std::string> image = readFileLimited(path, card::kImageBytes);
  if (!image) {
    CardSummary unread;
    unread.error = image.error().message;
    return unread;
  }
  return summarizeCardImage(*image, systemCardText());
}

}  // namespace myr::saves
