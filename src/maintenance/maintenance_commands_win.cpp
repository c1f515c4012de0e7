#include "maintenance/maintenance_commands_win.h"

#include <filesystem>
#include <utility>

#include "foundation/environment_win.h"
#include "foundation/files/win_text.h"
#include "maintenance/folders_win.h"
#include "maintenance/shader_cache_win.h"
#include "maintenance/shortcuts_win.h"
#include "maintenance/support_report_win.h"

namespace myr::maintenance {
namespace {

void cmdCacheInfo(MaintenanceHost& host, commands::Reply reply) {
  // Measuring gets in no other operation's way, so it runs even beside an exclusive one.
  host.fileOperations().start(std::move(reply), false, [data = dataFolder(host.gameFolder())]() -> Result<json::Value> {
    return cacheInfo(data);
  });
}

void cmdClearCache(MaintenanceHost& host, commands::Reply reply) {
  // Checked once: a game started afterwards keeps its open files, which are then counted as failures.
  if (!host.runningGuard().empty()) {
    reply.error("Close the game first: it keeps the shader cache open.");
    return;
  }
  host.fileOperations().start(std::move(reply), true,
                              [data = dataFolder(host.gameFolder())] { return clearCache(data); });
}

void cmdOpen(MaintenanceHost& host, const json::Value& args, commands::Reply reply) {
  if (const Status opened = openGamePath(args.get("what").asString(), host); !opened) {
    reply.error(opened.error().message);
    return;
  }
  reply.result(json::Value::object());
}

void cmdShortcut(MaintenanceHost& host, const json::Value& args, commands::Reply reply) {
  const Result<std::filesystem::path> file =
      createDesktopShortcut(args.get("kind").asString() == "play", host.gameFolder(), knownFolderPath(FOLDERID_Desktop));
  if (!file) {
    reply.error(file.error().message);
    return;
  }
  json::Value result = json::Value::object();
  result.set("path", toUtf8(file->native()));
  reply.result(std::move(result));
}

void cmdReport(MaintenanceHost& host, commands::Reply reply) {
  const Result<std::filesystem::path> report = writeSupportReport(host, localTimeNow());
  if (!report) {
    reply.error(report.error().message);
    return;
  }
  reply.result(json::Value::object().set("path", toUtf8(report->native())));
}

}  // namespace

commands::CommandList maintenanceCommands(MaintenanceHost& host) {
  return {
      {"cacheInfo", [&host](const json::Value&, commands::Reply reply) { cmdCacheInfo(host, std::move(reply)); }},
      {"clearCache", [&host](const json::Value&, commands::Reply reply) { cmdClearCache(host, std::move(reply)); }},
      {"open", [&host](const json::Value& args, commands::Reply reply) { cmdOpen(host, args, std::move(reply)); }},
      {"shortcut",
       [&host](const json::Value& args, commands::Reply reply) { cmdShortcut(host, args, std::move(reply)); }},
      {"report", [&host](const json::Value&, commands::Reply reply) { cmdReport(host, std::move(reply)); }},
  };
}

}  // namespace myr::maintenance
