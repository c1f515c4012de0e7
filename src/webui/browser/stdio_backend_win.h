#pragma once

#include <memory>

#include "foundation/log_sink.h"
#include "webui/browser/browser_win.h"
#include "webui/browser/ui_thread_queue_win.h"

namespace myr::browser {

// A headless page on standard input and output: each input line is a string message from
// the page, each JSON text posted to the page is one output line. Lines of the form
// {"$navigate":"<uri>"} and {"$crash":"browser"|"render"} drive navigation and process
// failures; the end of input is the page asking to close. A failure of its reader goes to log.
std::unique_ptr<Engine> makeStdioEngine(std::shared_ptr<UiThreadQueue> queue, LogSink& log);

}  // namespace myr::browser
