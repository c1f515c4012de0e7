// Replies completed exactly once from any thread, and file operations on worker threads.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "foundation/commands/command.h"
#include "foundation/commands/file_operations.h"
#include "foundation/commands/reply.h"

namespace myr::commands {
namespace {

// Collects what the bridge would send and what it would log.
class RecordingChannel final : public ReplyChannel {
 public:
  void deliver(std::string json) override {
    const std::lock_guard lock(mutex_);
    delivered_.push_back(std::move(json));
    changed_.notify_all();
  }
  void misuse(std::string what) override {
    const std::lock_guard lock(mutex_);
    misuses_.push_back(std::move(what));
  }
  std::vector<std::string> waitForDeliveries(std::size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [&] { return delivered_.size() >= count; });
    return delivered_;
  }
  std::vector<std::string> misuses() {
    const std::lock_guard lock(mutex_);
    return misuses_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> delivered_;
  std::vector<std::string> misuses_;
};

class Commands : public ::testing::Test {
 protected:
  std::shared_ptr<RecordingChannel> channel = std::make_shared<RecordingChannel>();
  Reply replyTo(double id) { return Reply(id, channel); }
};

TEST_F(Commands, AReplyCompletesOnceWhicheverThreadAndCopyDoesIt) {
  Reply reply = replyTo(3);
  std::thread([copy = reply]() mutable { copy.result(json::Value::object()); }).join();
  reply.error("late");
  EXPECT_EQ(channel->waitForDeliveries(1), std::vector<std::string>{R"({"id":3,"ok":true,"result":{}})"});
  EXPECT_EQ(channel->misuses(), std::vector<std::string>{"request 3 was answered twice"});
}

TEST_F(Commands, AReplyDroppedUnansweredFailsTheRequestAndIsReported) {
  { Reply forgotten = replyTo(4.5); }
  EXPECT_EQ(channel->waitForDeliveries(1),
            std::vector<std::string>{
                R"({"id":4.5,"ok":false,"error":"Internal error: the command ended without an answer."})"});
  EXPECT_EQ(channel->misuses(), std::vector<std::string>{"request 4.5 was never answered"});
}

TEST_F(Commands, CompleteSendsTheValueOrTheErrorSentence) {
  replyTo(1).complete(json::Value("ok"));
  replyTo(2).complete(Error{"Close the game first: it may be writing the memory card.", 5});
  EXPECT_EQ(channel->waitForDeliveries(2),
            (std::vector<std::string>{
                R"({"id":1,"ok":true,"result":"ok"})",
                R"({"id":2,"ok":false,"error":"Close the game first: it may be writing the memory card."})"}));
}

TEST_F(Commands, FindsOnlyTheExactName) {
  int called = 0;
  const CommandList list{{"saves", [&](const json::Value&, Reply reply) { ++called, reply.result(1); }}};
  for (const char* other : {"Saves", "saves ", "save", ""}) {
    EXPECT_EQ(findCommand(list, other), nullptr) << other;
  }
  ASSERT_NE(findCommand(list, "saves"), nullptr);
  (*findCommand(list, "saves"))(json::Value(), replyTo(1));
  EXPECT_EQ(called, 1);
}

TEST_F(Commands, ASecondExclusiveOperationIsRefusedAtOnceAndNeverRuns) {
  FileOperations operations;
  std::promise<void> release;
  operations.start(replyTo(1), true, [held = release.get_future().share()]() -> Result<json::Value> {
    held.wait();
    return json::Value("first");
  });
  EXPECT_TRUE(operations.busy());
  bool secondRan = false;
  operations.start(replyTo(2), true, [&]() -> Result<json::Value> {
    secondRan = true;
    return json::Value();
  });
  EXPECT_EQ(channel->waitForDeliveries(1),
            std::vector<std::string>{R"({"id":2,"ok":false,"error":"Another file operation is still running."})"});
  // Work that does not change files runs beside it.
  operations.start(replyTo(3), false, []() -> Result<json::Value> { return json::Value("listing"); });
  EXPECT_EQ(channel->waitForDeliveries(2).back(), R"({"id":3,"ok":true,"result":"listing"})");
  release.set_value();
  EXPECT_EQ(channel->waitForDeliveries(3).back(), R"({"id":1,"ok":true,"result":"first"})");
  EXPECT_FALSE(secondRan);
}

// The page may start the next exclusive operation as soon as it hears of the last one's end.
TEST_F(Commands, TheBusyFlagIsClearedBeforeTheReplyIsSent) {
  FileOperations operations;
  std::promise<bool> busyWhenDelivered;
  class Probe final : public ReplyChannel {
   public:
    Probe(FileOperations& operations, std::promise<bool>& seen) : operations_(operations), seen_(seen) {}
    void deliver(std::string) override { seen_.set_value(operations_.busy()); }
    void misuse(std::string) override {}

   private:
    FileOperations& operations_;
    std::promise<bool>& seen_;
  };
  operations.start(Reply(1, std::make_shared<Probe>(operations, busyWhenDelivered)), true,
                   []() -> Result<json::Value> { return json::Value(); });
  EXPECT_FALSE(busyWhenDelivered.get_future().get());
}

TEST_F(Commands, WorkFailuresAndExceptionsBecomeTheError) {
  FileOperations operations;
  operations.start(replyTo(1), true, []() -> Result<json::Value> { return Error{"The card is full."}; });
  channel->waitForDeliveries(1);
  operations.start(replyTo(2), true, []() -> Result<json::Value> { throw std::runtime_error("disk gone"); });
  EXPECT_EQ(channel->waitForDeliveries(2),
            (std::vector<std::string>{R"({"id":1,"ok":false,"error":"The card is full."})",
                                      R"({"id":2,"ok":false,"error":"disk gone"})"}));
  EXPECT_FALSE(operations.busy());
}

}  // namespace
}  // namespace myr::commands
