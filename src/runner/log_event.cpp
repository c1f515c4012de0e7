#include "runner/log_event.h"

#include <utility>

namespace myr::runner {

std::optional<json::Value> takeLogEvent(LogQueue& queue) {
  LogQueue::Batch batch = queue.take(kLinesPerLogEvent);
  if (batch.lines.empty() && batch.dropped == 0) return std::nullopt;
  json::Value lines = json::Value::array();
  lines.items().reserve(batch.lines.size());
  for (std::string& line : batch.lines) {
    lines.push(std::move(line));
  }
  json::Value data = json::Value::object();
  data.set("lines", std::move(lines));
  data.set("dropped", static_cast<double>(batch.dropped));
  return data;
}

}  // namespace myr::runner
