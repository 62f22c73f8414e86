#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "backends/x11/X11Display.h"
#include "backends/x11/tests/TestClient.h"
#include "platform/Exception.h"

namespace {

using ::testing::HasSubstr;

TEST(X11DisplayTest, missingDisplay_raisesAClearError) {
  try {
    TX11Display display(":9999");
    FAIL() << "opened a display that does not exist";
  } catch (const Exception& error) {
    EXPECT_THAT(error.Message(), HasSubstr("Cannot open X display \":9999\""));
  }
}

TEST(X11DisplayTest, failedRequest_isRecordedForItsConnectionOnly) {
  TTestClient probe;
  if (!probe.Connected()) GTEST_SKIP() << "no X display";
  TX11Display display;
  TX11Display other;

  TX11ErrorTrap trap(display);
  TX11ErrorTrap otherTrap(other);
  XMapWindow(display.Handle(), 0x1FFFFFFF);  // no such window: Xlib's default would exit here

  EXPECT_TRUE(trap.SyncFailed());
  EXPECT_THAT(trap.ErrorText(), HasSubstr("BadWindow"));
  EXPECT_FALSE(otherTrap.SyncFailed());
  // A trap set afterwards starts clean.
  TX11ErrorTrap later(display);
  XSync(display.Handle(), False);
  EXPECT_FALSE(later.SyncFailed());
}

}  // namespace
