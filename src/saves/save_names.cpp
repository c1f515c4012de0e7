#include "saves/save_names.h"

#include <array>

#include "foundation/files/file_names.h"

namespace myr {
namespace {

bool isAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool onlyBytes(std::string_view name, std::string_view punctuation) {
  for (const char c : name) {
    if (!isAsciiLetterOrDigit(c) && punctuation.find(c) == std::string_view::npos) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool isStateFileName(std::string_view name) {
  // A device name such as nul.state would let a restore write into a device instead of a file.
  return name.size() >= 7 && name.size() <= 64 && name.front() != '.' && name.ends_with(".state") &&
         onlyBytes(name, " -._") && isSafeFileName(name);
}

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

bool isKeptAsideName(std::string_view name) {
  const bool knownPrefix =
      name.starts_with("system-card-") || (name.size() >= 27 && name.starts_with("system-before-swap-"));
  return name.size() > 19 && name.size() <= 80 && knownPrefix && name.ends_with(".parked") &&
         name.find("..") == std::string_view::npos && onlyBytes(name, "-._");
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

}  // namespace myr
