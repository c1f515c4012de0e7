#pragma once

// The disc image as the page handles it: "disc" reports the state and starts the extraction of
// the game's files when due, "chooseIso" and a dropped image store a new image.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "disc/disc_check_win.h"
#include "disc/extraction_status.h"
#include "foundation/commands/command.h"
#include "foundation/error.h"
#include "foundation/json/json.h"
#include "foundation/modal_ui.h"

namespace myr::disc {

// What the disc commands need of the launcher that owns them.
class DiscHost {
 public:
  virtual ~DiscHost() = default;
  virtual const std::filesystem::path& gameFolder() const = 0;
  virtual ImageSources imageSources() const = 0;
  virtual ModalUi& modalUi() = 0;
  // Game.Iso in myr.ini: whether the settings take the value, and writing it.
  virtual bool isAllowedImageSetting(const std::string& value) const = 0;
  virtual Status storeImageSetting(const std::string& value) = 0;
  // An accepted image: its art becomes the window's icons where it has any.
  virtual void imageStored(const std::filesystem::path& image) = 0;
  // Any thread, for as long as anything may post: hands one serialised event to the page.
  virtual std::function<bool(std::string)> poster() = 0;
};

class DiscCommands {
 public:
  explicit DiscCommands(DiscHost& host) : host_(host) {}
  DiscCommands(const DiscCommands&) = delete;
  DiscCommands& operator=(const DiscCommands&) = delete;

  // "chooseIso" and "disc".
  commands::CommandList commands();

  // The disc state, with an extraction started when the image is good and its files are not
  // unpacked; forced starts one even after a failed run on the same image.
  json::Value refreshDiscState(bool forced);
  // {"accepted", "error", "path", "disc"} for an image the player chose or dropped.
  json::Value storeImagePath(const std::filesystem::path& path);
  json::Value discState() const;
  bool extracting() const { return extraction_->snapshot().running; }

 private:
  void startWorker(const std::filesystem::path& image);
  void chooseIso(commands::Reply reply);

  DiscHost& host_;
  // Shared with the extraction worker, which the launcher does not wait for.
  std::shared_ptr<ExtractionStatus> extraction_ = std::make_shared<ExtractionStatus>();
};

}  // namespace myr::disc
