#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace myr {

// UTF-8 to UTF-16; malformed bytes become U+FFFD.
std::wstring toWide(std::string_view utf8);
// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string toUtf8(std::wstring_view wide);
// Text a foreign program wrote, in UTF-8 or in the system's ANSI code page.
// Valid UTF-8 comes back unchanged; anything else is read as ANSI. Never fails.
std::string localTextToUtf8(std::string_view bytes);

// The system's message for a Windows error code, without trailing blanks,
// full stops and line ends; "error <code>" when the system has none.
std::string systemErrorText(unsigned long code);
// "<path>: <system message>", the wording of every file-system failure.
std::string pathError(const std::filesystem::path& path, unsigned long code);

}  // namespace myr
