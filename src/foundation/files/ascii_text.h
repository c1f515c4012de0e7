#pragma once

// ASCII-only text helpers: names and settings compare their Latin letters only.

#include <string>
#include <string_view>

namespace myr {

constexpr bool isAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool isAsciiLetterOrDigit(char c) { return isAsciiLetter(c) || isAsciiDigit(c); }
// The blanks of settings text: space, tab and carriage return.
constexpr bool isAsciiBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
// The value of a hexadecimal digit of either case; -1 for any other byte.
constexpr int hexDigitValue(char c) {
  if (isAsciiDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
inline constexpr char kLowerHexDigits[] = "0123456789abcdef";

// Without leading and trailing spaces, tabs and carriage returns (the blanks of settings text).
std::string_view trimBlanks(std::string_view text);
std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);

}  // namespace myr
