#include "runner/play_refusal.h"

namespace myr::runner {

std::string playRefusal(const json::Value& discState) {
  // Readers of json::Value give false and "" for missing members and other kinds.
  if (!discState.get("ok").asBool()) {
    return "The disc image is not ready: " + discState.get("error").asString();
  }
  if (!discState.get("discFolder").asString().empty()) return {};
  const json::Value& extract = discState.get("extract");
  if (extract.get("running").asBool()) {
    return "The game's files are still being copied from the disc image.";
  }
  const std::string& error = extract.get("error").asString();
  if (!error.empty()) return "The game's files are missing: " + error;
  return "The game's files are missing: choose your disc image on the Play page.";
}

}  // namespace myr::runner
