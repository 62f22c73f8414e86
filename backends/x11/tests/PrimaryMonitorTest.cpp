#include <gtest/gtest.h>

#include "backends/x11/PrimaryMonitor.h"
#include "backends/x11/tests/Printers.h"

namespace {

const TRect kRoot{0, 0, 3200, 1200};
const TMonitor kLeft{{0, 0, 1920, 1200}, false, {11}};
const TMonitor kRight{{1920, 0, 3200, 1024}, false, {12}};

struct TChoiceCase {
  const char* name;
  std::vector<TMonitor> monitors;
  unsigned long primaryOutput;
  TRect expected;
};

TEST(PrimaryMonitorTest, choosesTheMonitorThatStandsForThePrimaryScreen) {
  TMonitor rightPrimary = kRight;
  rightPrimary.primary = true;
  TMonitor emptyPrimary{{0, 0, 0, 0}, true, {13}};
  const TChoiceCase cases[] = {
      {"marked primary", {kLeft, rightPrimary}, 0, kRight.bounds},
      {"showing the primary output", {kLeft, kRight}, 12, kRight.bounds},
      {"none named: the one at the origin", {kRight, kLeft}, 0, kLeft.bounds},
      {"unknown primary output", {kRight, kLeft}, 99, kLeft.bounds},
      {"a primary without area is passed over", {emptyPrimary, kRight, kLeft}, 13, kLeft.bounds},
      {"none at the origin: the root", {kRight}, 0, kRoot},
      {"no monitors: the root", {}, 0, kRoot},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ChoosePrimaryScreen(c.monitors, c.primaryOutput, kRoot), c.expected) << c.name;
  }
}

}  // namespace
