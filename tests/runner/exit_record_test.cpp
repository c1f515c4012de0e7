#include "runner/exit_record.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runner/play_refusal.h"

namespace myr::runner {
namespace {

struct CodeCase {
  std::uint32_t code;
  bool stopped;
  const char* message;
  bool fail;
};

TEST(ExitRecord, MessagesAndFailureByCode) {
  const CodeCase cases[] = {
      {0, false, "", false},
      {1, false, "myr.exe stopped with an error. The log has the details.", true},
      {2, false, "myr.exe could not find the game's files or the disc image. The log has the details.", true},
      {3, false, "myr.exe ended with code 0x00000003.", true},
      {0xC0000005, false, "myr.exe crashed (access violation, 0xC0000005).", true},
      {0xC000007B, false, "A DLL next to myr.exe is not a 64-bit Windows DLL (0xC000007B).", true},
      {0xC00000FD, false, "myr.exe crashed (stack overflow, 0xC00000FD).", true},
      {0xC0000135, false,
       "A DLL myr.exe needs is missing (0xC0000135): install the Microsoft Visual C++ Redistributable (x64) "
       "and keep pcsx2gs.dll and SDL3.dll next to myr.exe.",
       true},
      {0xC0000142, false, "A DLL of myr.exe failed to start (0xC0000142).", true},
      {0xC0000409, false, "myr.exe stopped itself (fail-fast, 0xC0000409).", true},
      {0xDEADBEEF, false, "myr.exe ended with code 0xDEADBEEF.", true},
      {1, true, "Stopped from the launcher.", false},
      {0xC0000005, true, "Stopped from the launcher.", false},
      {0, true, "Stopped from the launcher.", false},
  };
  for (const CodeCase& c : cases) {
    const json::Value record = buildExitRecord({c.code, 0, c.stopped, {}});
    EXPECT_EQ(record.get("code").asNumber(-1), static_cast<double>(c.code)) << c.code;
    EXPECT_EQ(record.get("message").asString(), c.message) << c.code;
    EXPECT_EQ(record.get("fail").asBool(), c.fail) << c.code;
  }
}

TEST(ExitRecord, MembersInOrderWithSecondsRoundedDown) {
  const json::Value record = buildExitRecord({0xC0000005, 61999, false, {"starting", "error: no pad"}});
  EXPECT_EQ(json::write(record),
            R"({"code":3221225477,"seconds":61,"message":"myr.exe crashed (access violation, 0xC0000005).",)"
            R"("fail":true,"detail":"error: no pad","tail":["starting","error: no pad"]})");
}

TEST(ExitRecord, DetailIsTheLastErrorOrFatalLine) {
  EXPECT_EQ(failureDetail({"error: first", "ok", "fatal: second", "later"}), "fatal: second");
  EXPECT_EQ(failureDetail({"fatal: first", "error: second"}), "error: second");
  EXPECT_EQ(failureDetail({"Error: capital", "FATAL: loud", " error: indented", "error without colon"}), "");
  EXPECT_EQ(failureDetail({}), "");
}

TEST(ExitRecord, StartFailureRecord) {
  EXPECT_EQ(json::write(startFailureRecord("The game is already running.")),
            R"({"fail":true,"message":"The game is already running.","code":-1,"seconds":0})");
}

struct DiscCase {
  const char* state;
  const char* refusal;
};

TEST(PlayRefusal, FollowsTheDiscState) {
  const DiscCase cases[] = {
      {R"({"ok":true,"discFolder":"C:\\game\\disc"})", ""},
      {R"({"ok":false,"error":"No disc image is chosen."})", "The disc image is not ready: No disc image is chosen."},
      {R"({"ok":"true","discFolder":"x"})", "The disc image is not ready: "},
      {R"([1])", "The disc image is not ready: "},
      {R"({"ok":true,"discFolder":"","extract":{"running":true,"error":"old"}})",
       "The game's files are still being copied from the disc image."},
      {R"({"ok":true,"extract":{"running":false,"error":"disc\\SLUS.BIN: bad digest"}})",
       "The game's files are missing: disc\\SLUS.BIN: bad digest"},
      {R"({"ok":true,"discFolder":"","extract":{"running":false,"error":""}})",
       "The game's files are missing: choose your disc image on the Play page."},
  };
  for (const DiscCase& c : cases) {
    const std::optional<json::Value> state = json::parse(c.state);
    ASSERT_TRUE(state) << c.state;
    EXPECT_EQ(playRefusal(*state), c.refusal) << c.state;
  }
}

}  // namespace
}  // namespace myr::runner
