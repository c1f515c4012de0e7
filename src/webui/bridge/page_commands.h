#pragma once

#include "foundation/json/json.h"

namespace myr::bridge {

// The page's answers to "closeRequested" and its signal that it has finished drawing.
void cmdKeepOpen(double id, const json::Value& args);
void cmdQuit(double id, const json::Value& args);
void cmdReady(double id, const json::Value& args);

}  // namespace myr::bridge
