#pragma once

#include <span>
#include <string_view>

#include "foundation/json/json.h"

namespace myr::bridge {

// Answers with exactly one reply, before returning or later from a worker.
using CommandHandler = void (*)(double id, const json::Value& args);

struct CommandEntry {
  std::string_view name;
  CommandHandler handler;
};

std::span<const CommandEntry> commandTable();
// Exact, case-sensitive match of the whole name; null when unknown.
CommandHandler findCommand(std::string_view name);

}  // namespace myr::bridge
