#pragma once

// A command of the page: its name and its handler. Each subsystem lists its own commands next to
// the logic they drive; the launcher puts the lists together into the bridge's table.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/commands/reply.h"
#include "foundation/json/json.h"

namespace myr::commands {

// Runs on the UI thread and completes the reply exactly once, before returning or later.
using Handler = std::function<void(const json::Value& args, Reply reply)>;

struct Command {
  std::string name;
  Handler handler;
};

using CommandList = std::vector<Command>;

// Exact, case-sensitive match of the whole name; null when unknown.
const Handler* findCommand(std::span<const Command> commands, std::string_view name);

}  // namespace myr::commands
