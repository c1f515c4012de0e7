// myr.ini text: reading never fails, and writing an entry keeps the text stable on a second write
// and keeps every line that does not set the entry's key.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_text.h"

namespace {

const myr::SettingEntry kEntries[] = {{"Display", "Scale", "5"},
                                      {"Audio", "Mute", "1"},
                                      {"Pad1", "Cross", "Keyboard/X;SDL-0/FaceSouth"},
                                      {"Launcher", "Theme", "dark"}};

void check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

bool setsKey(std::string_view line, const std::string& key) {
  const std::size_t equals = line.find('=');
  return equals != std::string_view::npos && line.substr(0, equals).find(key) != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const myr::SettingEntry& entry = kEntries[data[0] % std::size(kEntries)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  myr::IniDocument document;
  myr::readSettingsText(text, document);

  const std::string once = myr::applySettingEntries(text, {entry});
  check(myr::applySettingEntries(once, {entry}) == once);

  const std::vector<std::string> after = myr::splitSettingsLines(once);
  std::size_t at = 0;
  for (const std::string& line : myr::splitSettingsLines(text)) {
    if (setsKey(line, entry.key)) {
      continue;
    }
    while (at < after.size() && after[at] != line) {
      ++at;
    }
    check(at < after.size());
    ++at;
  }
  return 0;
}
