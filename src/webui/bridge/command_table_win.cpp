#include "webui/bridge/command_table.h"

#include <array>

#include "webui/bridge/page_commands.h"

namespace myr::bridge {
namespace {

constexpr std::array kCommands{
    CommandEntry{"keepOpen", cmdKeepOpen},
    CommandEntry{"quit", cmdQuit},
    CommandEntry{"ready", cmdReady},
};

}  // namespace

std::span<const CommandEntry> commandTable() { return kCommands; }

CommandHandler findCommand(std::string_view name) {
  for (const CommandEntry& entry : kCommands) {
    if (entry.name == name) {
      return entry.handler;
    }
  }
  return nullptr;
}

}  // namespace myr::bridge
