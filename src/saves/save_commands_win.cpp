#include "saves/save_commands_win.h"

#include <utility>

#include "foundation/environment_win.h"
#include "saves/backup_sets_win.h"
#include "saves/card_format_win.h"
#include "saves/restore_win.h"
#include "saves/save_data.h"
#include "saves/save_listing_win.h"
#include "saves/save_names.h"
#include "saves/system_swap_win.h"
#include "saves/thumbnails_win.h"

namespace myr::saves {
namespace {

using commands::Reply;

std::string stringArgument(const json::Value& args, const char* name) {
  const json::Value& value = args.get(name);
  return value.isString() ? value.asString() : std::string();
}

// True (and the reply sent) while the game may be writing a card.
bool refusedWhileGameRuns(const SavesHost& host, Reply& reply) {
  const std::string guard = host.runningGuard();
  if (!guard.empty()) {
    reply.error(guard);
  }
  return !guard.empty();
}

// Exclusive work on the saves, refused at once while the game runs.
void startGuarded(SavesHost& host, Reply reply, commands::FileOperations::Work work) {
  if (!refusedWhileGameRuns(host, reply)) {
    host.fileOperations().start(std::move(reply), true, std::move(work));
  }
}

}  // namespace

commands::CommandList saveCommands(SavesHost& host) {
  return {
      {"saves",
       [&host](const json::Value&, Reply reply) {
         const std::string format = saveFormatFrom(getEnvUtf8(L"ZEVR_SAVE_FORMAT"), host.saveFormatSetting());
         host.fileOperations().start(
             std::move(reply), false,
             [folder = host.gameFolder(), format, locked = host.runningGuard()]() -> Result<json::Value> {
               return listSaves(folder, format, locked);
             });
       }},
      {"backup",
       [&host](const json::Value&, Reply reply) {
         startGuarded(host, std::move(reply), [folder = host.gameFolder()] { return backupNow(folder); });
       }},
      {"formatCard",
       [&host](const json::Value& args, Reply reply) {
         const int slot = cardSlotArgument(args.get("slot"));
         startGuarded(host, std::move(reply),
                      [folder = host.gameFolder(), slot] { return formatCardNow(folder, slot); });
       }},
      {"restore",
       [&host](const json::Value& args, Reply reply) {
         if (refusedWhileGameRuns(host, reply)) {
           return;
         }
         Result<std::filesystem::path> set = findBackupSet(host.gameFolder(), stringArgument(args, "name"));
         if (!set) {
           reply.error(set.error().message);
           return;
         }
         host.fileOperations().start(
             std::move(reply), true,
             [folder = host.gameFolder(), set = std::move(set).value()] { return restoreNow(folder, set); });
       }},
      {"settleRestore",
       [&host](const json::Value& args, Reply reply) {
         const std::string action = stringArgument(args, "action");
         if (!isSettleAction(action)) {
           reply.error("The action must be \"finish\" or \"undo\".");
           return;
         }
         startGuarded(host, std::move(reply),
                      [folder = host.gameFolder(), action] { return settleRestoreNow(folder, action); });
       }},
      {"thumb", [&host](const json::Value& args,
                        Reply reply) { reply.complete(saveThumbnail(host.gameFolder(), args.get("slot"))); }},
      {"swapSystem",
       [&host](const json::Value& args, Reply reply) {
         if (refusedWhileGameRuns(host, reply)) {
           return;
         }
         const std::string file = stringArgument(args, "file");
         if (!isKeptAsideName(file)) {
           reply.error("That is not a kept-aside system file.");
           return;
         }
         host.fileOperations().start(std::move(reply), true,
                                     [folder = host.gameFolder(), file] { return swapSystemNow(folder, file); });
       }},
  };
}

}  // namespace myr::saves
