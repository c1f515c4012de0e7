#include "foundation/commands/command.h"

namespace myr::commands {

const Handler* findCommand(std::span<const Command> commands, std::string_view name) {
  for (const Command& command : commands) {
    if (command.name == name) {
      return &command.handler;
    }
  }
  return nullptr;
}

}  // namespace myr::commands
