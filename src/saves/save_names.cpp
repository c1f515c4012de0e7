#include "saves/save_names.h"

#include <array>

#include "foundation/files/file_names.h"

namespace myr::saves {

bool isSaveDataFileName(std::string_view name) {
  static constexpr std::array<std::string_view, 6> kEndings{".myrsave", ".myrsave.bak", ".json",
                                                            ".png",     ".png.bak",     ".parked"};
  if (!isSafeFileName(name)) {
    return false;
  }
  if (name == "import.marker") {
    return true;
  }
  for (const std::string_view ending : kEndings) {
    if (name.ends_with(ending)) {
      return true;
    }
  }
  return false;
}

bool isTemporaryName(std::string_view name) { return name.ends_with(".tmp") || name.ends_with(".import-tmp"); }

bool isKeptAsideName(std::string_view name) {
  const bool knownPrefix =
      name.starts_with("system-card-") || (name.size() >= 27 && name.starts_with("system-before-swap-"));
  return name.size() > 19 && name.size() <= 80 && knownPrefix && name.ends_with(".parked") &&
         name.find("..") == std::string_view::npos && hasOnlyNameBytes(name, "-._");
}

json::Value statesJson(const std::vector<StateFile>& states) {
  json::Value list = json::Value::array();
  for (const StateFile& state : states) {
    json::Value entry;
    entry.set("name", state.name)
        .set("bytes", static_cast<double>(state.bytes))
        .set("modified", static_cast<double>(state.modifiedMs));
    list.push(std::move(entry));
  }
  return list;
}

}  // namespace myr::saves
