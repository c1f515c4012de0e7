#include <gtest/gtest.h>

#include "disc/extraction_status.h"

namespace myr::disc {
namespace {

TEST(ExtractionStatus, OneRunAtATimeAndNoBlindRetries) {
  ExtractionStatus status;
  EXPECT_TRUE(status.tryStart(L"a.iso", false, 11));
  EXPECT_FALSE(status.tryStart(L"b.iso", true, 11));
  status.progress(6, 11, "OV_MAIN_ONE_US.OVL");
  ExtractionSnapshot running = status.snapshot();
  EXPECT_TRUE(running.running);
  EXPECT_EQ(running.done, 6);
  EXPECT_EQ(running.name, "OV_MAIN_ONE_US.OVL");

  status.finish(Error{"OV_MAIN_ONE_US.OVL differs"});
  const ExtractionSnapshot failed = status.snapshot();
  EXPECT_FALSE(failed.running);
  EXPECT_EQ(failed.done, 6);
  EXPECT_EQ(failed.name, "");
  EXPECT_EQ(failed.error, "OV_MAIN_ONE_US.OVL differs");

  EXPECT_FALSE(status.tryStart(L"a.iso", false, 11));
  EXPECT_TRUE(status.tryStart(L"a.iso", true, 11));
  EXPECT_EQ(status.snapshot().error, "");
  status.finish(Error{"again"});
  EXPECT_TRUE(status.tryStart(L"b.iso", false, 11));
  status.finish({});
  const ExtractionSnapshot succeeded = status.snapshot();
  EXPECT_EQ(succeeded.done, 11);
  EXPECT_EQ(succeeded.total, 11);
  EXPECT_EQ(succeeded.error, "");
}

TEST(ExtractionStatus, AnAbandonedStartCanBeTriedAgain) {
  ExtractionStatus status;
  ASSERT_TRUE(status.tryStart(L"a.iso", false, 11));
  status.abandonStart();
  EXPECT_FALSE(status.snapshot().running);
  EXPECT_TRUE(status.tryStart(L"a.iso", false, 11));
}

}  // namespace
}  // namespace myr::disc
