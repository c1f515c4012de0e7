#include "saves/save_data.h"

#include <cstdio>
#include <cstdlib>

#include "foundation/bytes/base64.h"

namespace myr::saves {
namespace {

constexpr std::string_view kListedPrefix = "save-";
constexpr std::string_view kListedSuffix = ".myrsave";
constexpr std::size_t kListedNameBytes = 16;
constexpr std::size_t kParkedSuffixBytes = 7;  // ".parked"
constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1A\n";
constexpr std::size_t kShortestPicture = 64;
constexpr std::size_t kShortestSystemSave = 64;
constexpr std::string_view kSystemSaveHeader{"MYRSAVE\0", 8};
constexpr int kLastSlot = 999;

std::optional<json::Value> parseObject(std::string_view text) {
  std::optional<json::Value> value = json::parse(text);
  if (!value || !value->isObject()) {
    return std::nullopt;
  }
  return value;
}

json::Value stringOrEmpty(const json::Value& value) { return value.isString() ? value.asString() : std::string(); }

json::Value numberOr(const json::Value& value, double fallback) { return value.asNumber(fallback); }

json::Value partyJson(const json::Value& party) {
  json::Value list = json::Value::array();
  if (!party.isArray()) {
    return list;
  }
  for (const json::Value& member : party.items()) {
    json::Value entry;
    entry.set("name", stringOrEmpty(member.get("name"))).set("level", numberOr(member.get("level"), 0));
    list.push(std::move(entry));
  }
  return list;
}

}  // namespace

bool isListedSaveName(std::string_view name) {
  return name.size() == kListedNameBytes && name.starts_with(kListedPrefix) && name.ends_with(kListedSuffix);
}

int saveSlotNumber(std::string_view listedName) {
  const std::string digits(listedName.substr(kListedPrefix.size(), 3));
  return static_cast<int>(std::strtol(digits.c_str(), nullptr, 10));
}

std::string saveSidecarName(std::string_view listedName) {
  return std::string(listedName.substr(0, listedName.size() - kListedSuffix.size())) + ".json";
}

std::string keptAsideSidecarName(std::string_view keptAsideName) {
  return std::string(keptAsideName.substr(0, keptAsideName.size() - kParkedSuffixBytes)) + ".json";
}

void addSaveSidecarMembers(json::Value& save, std::string_view sidecarText) {
  const std::optional<json::Value> sidecar = parseObject(sidecarText);
  if (!sidecar) {
    return;
  }
  save.set("place", stringOrEmpty(sidecar->get("place")))
      .set("playTime", numberOr(sidecar->get("play_time_seconds"), -1))
      .set("quil", numberOr(sidecar->get("quil"), -1))
      .set("party", partyJson(sidecar->get("party")));
}

void addKeptAsideSidecarMembers(json::Value& keptAside, std::string_view sidecarText) {
  const std::optional<json::Value> sidecar = parseObject(sidecarText);
  if (!sidecar) {
    return;
  }
  keptAside.set("card", stringOrEmpty(sidecar->get("card")))
      .set("cardModified", stringOrEmpty(sidecar->get("card_entry_modified")));
}

std::string saveFormatFrom(std::string_view environmentValue, std::string_view iniValue) {
  if (!environmentValue.empty()) {
    return environmentValue == "myrsave" ? "myrsave" : "card";
  }
  return iniValue == "card" ? "card" : "myrsave";
}

bool hasSystemSaveHeader(std::string_view bytes) {
  return bytes.size() >= kShortestSystemSave && bytes.starts_with(kSystemSaveHeader);
}

std::string parkedSystemSaveName(const std::tm& utcTime, int attempt) {
  char text[64];
  std::snprintf(text, sizeof text, "system-before-swap-%04d%02d%02dT%02d%02d%02dZ", utcTime.tm_year + 1900,
                utcTime.tm_mon + 1, utcTime.tm_mday, utcTime.tm_hour, utcTime.tm_min, utcTime.tm_sec);
  std::string name = text;
  if (attempt > 1) {
    name += '-';
    name += std::to_string(attempt);
  }
  return name + ".parked";
}

std::optional<int> thumbnailSlot(const json::Value& slot) {
  const double number = slot.isNumber() ? slot.asNumber(-1) : -1;
  if (!(number >= 0 && number <= kLastSlot) || number != static_cast<int>(number)) {
    return std::nullopt;
  }
  return static_cast<int>(number);
}

std::string thumbnailFileName(int slot) {
  char name[32];
  std::snprintf(name, sizeof name, "save-%03d.png", slot);
  return name;
}

json::Value thumbnailJson(const std::optional<std::string>& fileBytes) {
  json::Value reply = json::Value::object();
  if (fileBytes && fileBytes->size() >= kShortestPicture && fileBytes->starts_with(kPngSignature)) {
    reply.set("png", encodeBase64(*fileBytes));
  }
  return reply;
}

}  // namespace myr::saves
