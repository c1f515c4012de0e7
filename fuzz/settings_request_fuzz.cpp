// The page's saveSettings and savePad requests, and init's members for any myr.ini text: whatever
// comes in, only values the file may hold are ever handed to the writer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "settings/schema.h"
#include "settings/settings_commands.h"

namespace {

using namespace myr::settings;

bool allWritable(const std::vector<SettingEntry>& entries) {
  for (const SettingEntry& entry : entries) {
    if (!isAllowedSetting(entry.section, entry.key, entry.value)) {
      return false;
    }
  }
  return true;
}

void checkRequest(std::string_view text) {
  const std::optional<myr::json::Value> args = myr::json::parse(text);
  if (!args) {
    return;
  }
  if (const myr::Result<PageSettings> page = pageSettings(*args)) {
    fuzzCheck(allWritable(page->entries));
    for (const SettingEntry& entry : page->entries) {
      fuzzCheck(entry.section != "Pad1" && !(entry.section == "Game" && entry.key == "Iso"));
    }
  } else {
    fuzzCheck(page.error().message.size() <= std::string_view("Not a setting the launcher may write: ").size() + 64);
  }
  if (const myr::Result<std::vector<SettingEntry>> buttons = padButtonEntries(*args)) {
    fuzzCheck(buttons->size() == 24 && allWritable(*buttons));
  }
}

void checkDocument(std::string_view text) {
  IniDocument document;
  readSettingsText(text, document);
  fuzzCheck(allWritable(padOptionEntries(document)) && allWritable(fastLoadMigration(document)));
  fuzzCheck(settingsObject(document).members().size() == SettingsSchema.size());
  fuzzCheck(padObject(document, false).members().size() == 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkRequest(text);
  checkDocument(text);
  return 0;
}
