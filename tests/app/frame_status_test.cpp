// The status bar's progress against its estimate, one tick at a time.
#include <gtest/gtest.h>

#include "app/frame/progress_status.h"
#include "engine/frame/cregistry.h"

namespace {

void Tick(CProgressStatus& status, int times) {
    for (int i = 0; i < times; ++i) status.OnTimer();
}

TEST(FrameStatus, InquiryRunsAgainstTheDefaultEstimateAndWrapsOnceExceeded) {
    CProgressStatus status;
    status.StartInquiry();
    EXPECT_TRUE(status.TimerActive());
    status.OnTimer();
    EXPECT_EQ(status.Position(), 0);
    EXPECT_EQ(status.StatusText(), "Inquiry Running ...");
    status.OnTimer();
    EXPECT_EQ(status.Position(), 5);
    Tick(status, 18);  // 20 ticks
    EXPECT_EQ(status.Position(), 95);
    status.OnTimer();  // the 21st: the estimate is used up
    EXPECT_EQ(status.Position(), 0);
    Tick(status, 4);  // 25 ticks: counting on
    EXPECT_EQ(status.Position(), 20);
    // Stopped after the estimate was exceeded: 100 for a tick, then "Ready".
    status.Stop();
    status.OnTimer();
    EXPECT_EQ(status.Position(), 100);
    status.OnTimer();
    EXPECT_EQ(status.Position(), 0);
    EXPECT_EQ(status.StatusText(), "Ready");
    EXPECT_EQ(status.GetMode(), CProgressStatus::kIdle);
}

TEST(FrameStatus, StopGoesToReadyDirectlyOnlyWhenUnderTwoTicksPassed) {
    CProgressStatus status;
    status.StartConnecting();
    status.OnTimer();
    EXPECT_EQ(status.StatusText(), "Connecting ...");
    status.Stop();
    status.OnTimer();
    EXPECT_EQ(status.StatusText(), "Ready");
    EXPECT_EQ(status.Position(), 0);

    status.StartInquiry();
    Tick(status, 5);
    EXPECT_EQ(status.Position(), 20);
    status.Stop();
    status.OnTimer();
    EXPECT_EQ(status.Position(), 100);
    EXPECT_EQ(status.StatusText(), "Inquiry Running ...");
    status.OnTimer();
    EXPECT_EQ(status.StatusText(), "Ready");
}

TEST(FrameStatus, EstimateComesFromTheRegistry) {
    CRegistry().WriteValueDword(L"ElapsedTimeConnecting", 4);
    CProgressStatus status;
    status.StartConnecting();
    Tick(status, 2);
    EXPECT_EQ(status.Position(), 25);
    Tick(status, 3);  // the 5th tick: 4 seconds are over
    EXPECT_EQ(status.Position(), 0);
}

}  // namespace
