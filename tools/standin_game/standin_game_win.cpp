// A stand-in for the game executable myr.exe, for tests and the demo game folder. It does what
// its environment tells it, in this order:
//
//   (always)             prints "standin: NAME=value" for every variable whose name begins with ZEVR_
//                        (ZEVR_STATE_LOAD_AT and the settings the launcher passes on)
//   STANDIN_PRINT_HEX    prints these bytes, given as hex digits ("636166E90D0A": "caf\xE9\r\n")
//   STANDIN_LINES        prints this many lines "line <n>", counting from 0 ...
//   STANDIN_LINE_BYTES   ... each padded with "." to this many bytes before its line feed
//   STANDIN_STDERR_TEXT  prints this text and a line feed to standard error
//   STANDIN_RAW_BYTES    prints this many letters (a to z, again and again) without a line feed
//   STANDIN_FLOOD_BYTES  prints this many bytes of short numbered lines as fast as it can ...
//   STANDIN_FLOOD_FILE   ... into this file instead of standard output
//   STANDIN_FLOOD_RATE   ... or at no more than this many bytes per second
//   STANDIN_WRITE_FILE   writes STANDIN_WRITE_TEXT into this file (relative: to the current folder),
//                        making its folders first, as the game makes its save folder
//   STANDIN_HEIR_SLEEP_MS starts a copy of itself that inherits its output and only sleeps this
//                        many milliseconds, and prints "standin: heir <process id>"
//   STANDIN_SLEEP_MS     sleeps this many milliseconds
//   STANDIN_EXIT_CODE    ends with this code: decimal or 0x hex, any 32-bit value (default 0)
//
// Output goes out as raw bytes, without the C runtime's text translation.

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace {

std::wstring variable(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

std::uint64_t number(const wchar_t* name, std::uint64_t fallback) {
  const std::wstring text = variable(name);
  if (text.empty()) return fallback;
  return std::wcstoull(text.c_str(), nullptr, 0);
}

std::string utf8(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr, nullptr);
  return text;
}

void writeAll(HANDLE target, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(target, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return;
    bytes.remove_prefix(written);
  }
}

void echoGameVariables(HANDLE out) {
  wchar_t* block = GetEnvironmentStringsW();
  for (const wchar_t* entry = block; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
    if (std::wstring_view(entry).starts_with(L"ZEVR_")) writeAll(out, "standin: " + utf8(entry) + "\n");
  }
  FreeEnvironmentStringsW(block);
}

std::string fromHex(const std::wstring& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes += static_cast<char>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16));
  }
  return bytes;
}

void printLines(HANDLE out, std::uint64_t count, std::uint64_t width) {
  std::string block;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::string line = "line " + std::to_string(i);
    if (line.size() < width) line.resize(width, '.');
    block += line;
    block += '\n';
    if (block.size() >= 65536) writeAll(out, std::exchange(block, {}));
  }
  writeAll(out, block);
}

void printRaw(HANDLE out, std::uint64_t count) {
  std::string block;
  for (std::uint64_t i = 0; i < count; ++i) {
    block += static_cast<char>('a' + i % 26);
    if (block.size() >= 65536) writeAll(out, std::exchange(block, {}));
  }
  writeAll(out, block);
}

// Lines of 64 bytes, "flood <12 digits> <letters and digits>", written in blocks as large as a
// game's buffered output would be; made without formatting calls so that the writing, not the
// making, is what takes the time.
void flood(HANDLE out, std::uint64_t total, std::uint64_t bytesPerSecond) {
  constexpr std::size_t kBlock = 64 * 1024;
  constexpr std::size_t kNumberAt = 6;
  constexpr std::size_t kDigits = 12;
  std::string line = "flood 000000000000 abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGH\n";
  std::string block;
  block.reserve(kBlock + line.size());
  const ULONGLONG start = GetTickCount64();
  for (std::uint64_t sent = 0, n = 0; sent < total; ++n) {
    std::uint64_t value = n;
    for (std::size_t digit = kNumberAt + kDigits; digit-- > kNumberAt; value /= 10) {
      line[digit] = static_cast<char>('0' + value % 10);
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(line.size(), total - sent));
    block.append(line, 0, take);
    sent += take;
    if (block.size() >= kBlock) {
      writeAll(out, std::exchange(block, {}));
      if (bytesPerSecond > 0) {
        const ULONGLONG due = start + sent * 1000 / bytesPerSecond;
        if (const ULONGLONG now = GetTickCount64(); due > now) Sleep(static_cast<DWORD>(due - now));
      }
    }
  }
  writeAll(out, block);
}

}  // namespace

// A process of the game's that outlives it, holding its output open.
void startHeir(HANDLE out, std::uint64_t sleepMs) {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" heir " + std::to_wstring(sleepMs);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(exe, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &created)) {
    return;
  }
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  writeAll(out, "standin: heir " + std::to_string(created.dwProcessId) + "\n");
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring_view(argv[1]) == L"heir") {
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return 0;
  }
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  echoGameVariables(out);
  if (const std::uint64_t sleepMs = number(L"STANDIN_HEIR_SLEEP_MS", 0); sleepMs > 0) startHeir(out, sleepMs);
  writeAll(out, fromHex(variable(L"STANDIN_PRINT_HEX")));
  printLines(out, number(L"STANDIN_LINES", 0), number(L"STANDIN_LINE_BYTES", 0));
  if (const std::wstring text = variable(L"STANDIN_STDERR_TEXT"); !text.empty()) {
    writeAll(GetStdHandle(STD_ERROR_HANDLE), utf8(text) + "\n");
  }
  printRaw(out, number(L"STANDIN_RAW_BYTES", 0));
  if (const std::uint64_t bytes = number(L"STANDIN_FLOOD_BYTES", 0); bytes > 0) {
    const std::wstring path = variable(L"STANDIN_FLOOD_FILE");
    const std::uint64_t rate = number(L"STANDIN_FLOOD_RATE", 0);
    if (path.empty()) {
      flood(out, bytes, rate);
    } else {
      const HANDLE file =
          CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      flood(file, bytes, rate);
      CloseHandle(file);
    }
  }
  if (const std::wstring path = variable(L"STANDIN_WRITE_FILE"); !path.empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    writeAll(file, utf8(variable(L"STANDIN_WRITE_TEXT")));
    CloseHandle(file);
  }
  Sleep(static_cast<DWORD>(number(L"STANDIN_SLEEP_MS", 0)));
  ExitProcess(static_cast<UINT>(number(L"STANDIN_EXIT_CODE", 0)));
}
