#include "disc/disc_state_win.h"

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"

namespace fs = std::filesystem;

namespace myr::disc {
namespace {

json::Value extractionJson(const ExtractionSnapshot& snapshot) {
  json::Value extract = json::Value::object();
  extract.set("running", snapshot.running);
  extract.set("done", snapshot.done);
  extract.set("total", snapshot.total);
  extract.set("name", snapshot.name);
  extract.set("error", snapshot.error);
  return extract;
}

std::string finalError(const DiscCheck& check) {
  if (!check.error.empty() || check.serial == kSupportedSerial) return check.error;
  return "This is " + check.serial + ". The port runs the USA release, " + std::string(kSupportedSerial) + ".";
}

}  // namespace

json::Value buildDiscState(const fs::path& gameFolder, const ImageSources& sources,
                           const ExtractionStatus& extraction) {
  const ImageLocation image = defaultImagePath(sources, gameFolder);
  json::Value state = json::Value::object();
  state.set("iso", toUtf8(image.path.native()));
  state.set("source", image.source);
  state.set("gameExe", fileStatus(gameFolder / L"myr.exe").exists);
  state.set("discFolder", toUtf8(findDiscFolder(gameFolder).native()));
  state.set("extract", extractionJson(extraction.snapshot()));
  if (image.path.empty()) {
    state.set("exists", false);
    state.set("ok", false);
    state.set("error", "No disc image chosen.");
    return state;
  }
  const DiscCheck check = checkDiscImage(image.path);
  const std::string error = finalError(check);
  state.set("exists", check.exists);
  state.set("size", static_cast<double>(check.size));
  state.set("serial", check.serial);
  state.set("volume", check.volume);
  state.set("ok", error.empty());
  state.set("error", error);
  return state;
}

}  // namespace myr::disc
