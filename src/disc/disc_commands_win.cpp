#include "disc/disc_commands_win.h"

#include <exception>
#include <thread>
#include <utility>

#include "disc/disc_state_win.h"
#include "disc/extraction_win.h"
#include "disc/game_files.h"
#include "foundation/commands/reply.h"
#include "foundation/files/win_text.h"

namespace myr::disc {
namespace {

void postEvent(const std::function<bool(std::string)>& post, json::Value data) {
  post(json::write(commands::eventMessage("discExtract", std::move(data))));
}

json::Value progressEvent(int index, int count, std::string_view name) {
  json::Value data;
  data.set("running", true).set("done", index).set("total", count).set("name", std::string(name));
  return data;
}

json::Value endEvent(const Status& outcome) {
  json::Value data;
  data.set("running", false).set("ok", outcome.ok()).set("error", outcome ? std::string() : outcome.error().message);
  return data;
}

// The worker's whole run; a thread entry, so nothing escapes it.
void runExtraction(const std::filesystem::path& image, const std::filesystem::path& target,
                   const std::shared_ptr<ExtractionStatus>& status, const std::function<bool(std::string)>& post) {
  Status outcome;
  try {
    const Result<ExtractionOutcome> extracted =
        extractGameFiles(image, target, kGameFileTable, [&](int index, int count, std::string_view name) {
          status->progress(index, count, std::string(name));
          postEvent(post, progressEvent(index, count, name));
        });
    if (!extracted) {
      outcome = extracted.error();
    }
  } catch (const std::exception& e) {
    outcome = Error{std::string("The game's files could not be extracted: ") + e.what()};
  } catch (...) {
    outcome = Error{"The game's files could not be extracted."};
  }
  status->finish(outcome);
  postEvent(post, endEvent(outcome));
}

}  // namespace

commands::CommandList DiscCommands::commands() {
  return {
      {"chooseIso", [this](const json::Value&, commands::Reply reply) { chooseIso(std::move(reply)); }},
      {"disc",
       [this](const json::Value& args, commands::Reply reply) {
         const json::Value& retry = args.get("retry");
         reply.result(refreshDiscState(retry.isBool() && retry.asBool()));
       }},
  };
}

json::Value DiscCommands::discState() const {
  return buildDiscState(host_.gameFolder(), host_.imageSources(), *extraction_);
}

json::Value DiscCommands::refreshDiscState(bool forced) {
  json::Value state = discState();
  if (!(state.get("ok").isBool() && state.get("ok").asBool()) || !state.get("discFolder").asString().empty()) {
    return state;
  }
  const std::wstring image = toWide(state.get("iso").asString());
  if (!extraction_->tryStart(image, forced, static_cast<int>(kGameFileTable.size()))) {
    return state;
  }
  startWorker(image);
  return discState();
}

void DiscCommands::startWorker(const std::filesystem::path& image) {
  try {
    std::thread([image, target = host_.gameFolder() / L"disc", status = extraction_, post = host_.poster()] {
      runExtraction(image, target, status, post);
    }).detach();
  } catch (...) {
    extraction_->abandonStart();
    throw;
  }
}

json::Value DiscCommands::storeImagePath(const std::filesystem::path& path) {
  const std::string value = toUtf8(path.wstring());
  const DiscCheck check = checkDiscImage(path);
  std::string error = check.error;
  if (error.empty() && check.serial != kSupportedSerial) {
    error = "This is " + check.serial + ", not the USA release (QXUS-40404) the port runs.";
  }
  if (error.empty() && !host_.isAllowedImageSetting(value)) {
    error = "The path cannot be stored in myr.ini (it must be absolute, at most 1024 bytes, without \").";
  }
  if (error.empty()) {
    if (const Status written = host_.storeImageSetting(value); !written) {
      error = "myr.ini could not be written: " + written.error().message;
    }
  }
  if (error.empty()) {
    host_.imageStored(path);
  }
  json::Value result;
  result.set("accepted", error.empty()).set("error", error).set("path", value);
  result.set("disc", refreshDiscState(error.empty()));
  return result;
}

void DiscCommands::chooseIso(commands::Reply reply) {
  ModalUi::FileChoice choice;
  choice.title = L"Choose your Myrrowen (USA) disc image";
  choice.types = {{L"Disc images (*.iso)", L"*.iso"}, {L"All files", L"*.*"}};
  choice.startFolder = defaultImagePath(host_.imageSources(), host_.gameFolder()).path.parent_path();
  const std::optional<std::filesystem::path> chosen = host_.modalUi().chooseFile(choice);
  if (!chosen) {
    json::Value cancelled;
    cancelled.set("cancelled", true);
    reply.result(std::move(cancelled));
    return;
  }
  reply.result(storeImagePath(*chosen));
}

}  // namespace myr::disc
