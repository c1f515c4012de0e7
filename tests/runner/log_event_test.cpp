#include "runner/log_event.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "runner/game_output.h"

namespace myr::runner {
namespace {

std::vector<json::Value> takeAll(LogQueue& queue) {
  std::vector<json::Value> events;
  while (std::optional<json::Value> event = takeLogEvent(queue)) {
    events.push_back(std::move(*event));
  }
  return events;
}

std::vector<std::string> numberedLines(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("line " + std::to_string(i));
  return lines;
}

TEST(LogEvents, FloodBetweenTwoTakesKeepsTheNewest4000) {
  LogQueue queue;
  for (std::string& line : numberedLines(5000)) queue.push(std::move(line));
  const std::vector<json::Value> events = takeAll(queue);
  ASSERT_EQ(events.size(), 10u);
  std::vector<std::string> received;
  for (std::size_t i = 0; i < events.size(); ++i) {
    EXPECT_EQ(events[i].members().front().first, "lines");
    EXPECT_EQ(events[i].get("dropped").asNumber(-1), i == 0 ? 1000 : 0);
    const std::vector<json::Value>& lines = events[i].get("lines").items();
    EXPECT_LE(lines.size(), kLinesPerLogEvent);
    for (const json::Value& line : lines) received.push_back(line.asString());
  }
  const std::vector<std::string> all = numberedLines(5000);
  EXPECT_EQ(received, std::vector<std::string>(all.begin() + 1000, all.end()));
}

std::string unchanged(std::string_view bytes) { return std::string(bytes); }

// Batches larger than the queue skip the lines it would drop at once, and still count them.
TEST(LogQueue, PushingAllAtOnceEqualsPushingOneByOne) {
  for (const std::size_t batch : {1u, 7u, 40u, 41u, 4000u, 4001u, 9000u}) {
    LogQueue single;
    LogQueue batched;
    const std::vector<std::string> lines = numberedLines(9000);
    const std::vector<std::string_view> views(lines.begin(), lines.end());
    for (const std::string& line : lines) single.push(line);
    for (std::size_t start = 0; start < lines.size(); start += batch) {
      pushLogLines(batched, std::span(views).subspan(start, std::min(batch, lines.size() - start)), &unchanged);
    }
    EXPECT_EQ(batched.tail(), single.tail()) << batch;
    const LogQueue::Batch expected = single.take(LogQueue::kMaxPending);
    const LogQueue::Batch got = batched.take(LogQueue::kMaxPending);
    EXPECT_EQ(got.lines, expected.lines) << batch;
    EXPECT_EQ(got.dropped, expected.dropped) << batch;
  }
}

}  // namespace
}  // namespace myr::runner
