#pragma once

// What a memory card image holds, read from one snapshot of its bytes. The reader is tolerant:
// whatever it cannot understand becomes the summary's error text, never an exception, and no
// input makes it read outside the image or walk a chain for ever.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace myr::saves {

struct CardSave {
  std::string folder;    // UTF-8
  std::string title;     // first line of the icon.sys title, empty when unknown
  std::string subtitle;  // second line
  std::string modified;  // the card's own time text, empty when invalid
  std::uint64_t bytes = 0;
};

struct CardSummary {
  bool formatted = false;
  bool blank = false;  // never formatted: the first page is erased
  std::uint64_t freeBytes = 0;
  std::uint64_t capacityBytes = 0;
  std::vector<CardSave> saves;
  std::string error;  // why the card could not be read (fully); empty otherwise
};

// The text conversions of the system, passed in so that the reader itself stays portable.
struct CardText {
  // Shift-JIS (code page 932) to UTF-16.
  std::function<std::u16string(std::string_view)> decodeShiftJis;
  // Full-width characters to their half-width forms (the invariant locale's mapping).
  std::function<std::u16string(std::u16string_view)> toHalfWidth;
  // A name the game wrote: UTF-8 stays as it is, other bytes are read in the system's code page.
  std::function<std::string(std::string_view)> localText;
};

// The summary of a whole image file's bytes; the caller reports failures to read the file.
CardSummary summarizeCardImage(std::string_view image, const CardText& text);

// The modified time of a 512-byte directory entry as "YYYY-MM-DDThh:mm:ss+09:00" (the console
// keeps Japan Standard Time), or empty when a field is out of range.
std::string cardTimestamp(std::string_view entry);

// A title from icon.sys as UTF-8: cut at the first NUL, decoded, full-width Latin letters,
// digits and blanks made ASCII, trailing blanks removed.
std::string cardTitleText(std::string_view shiftJis, const CardText& text);

}  // namespace myr::saves
