// Sidecars of saves and of kept-aside system saves: any text adds either no member or exactly
// the listing's members with their types, and the result writes as JSON that parses back.

#include <cstdint>
#include <string_view>

#include "foundation/json/json.h"
#include "fuzz_check.h"
#include "saves/save_data.h"

namespace {

void checkWritable(const myr::json::Value& value) { fuzzCheck(myr::json::parse(myr::json::write(value)).has_value()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  myr::json::Value save;
  save.set("slot", 1);
  myr::saves::addSaveSidecarMembers(save, text);
  const std::size_t members = save.members().size();
  fuzzCheck(members == 1 || members == 5);
  if (members == 5) {
    fuzzCheck(save.get("place").isString() && save.get("playTime").isNumber() && save.get("quil").isNumber());
    for (const myr::json::Value& member : save.get("party").items()) {
      fuzzCheck(member.members().size() == 2 && member.get("name").isString() && member.get("level").isNumber());
    }
  }
  checkWritable(save);

  myr::json::Value kept;
  kept.set("file", "system-card-x.parked");
  myr::saves::addKeptAsideSidecarMembers(kept, text);
  fuzzCheck(kept.members().size() == 1 ||
            (kept.members().size() == 3 && kept.get("card").isString() && kept.get("cardModified").isString()));
  checkWritable(kept);
  return 0;
}
