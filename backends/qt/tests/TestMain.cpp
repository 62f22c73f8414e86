// The test program holds one QApplication for all its tests, made only when a display opens.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "backends/qt/QtApplication.h"
#include "backends/qt/tests/QtTestSupport.h"

bool gHaveDisplay = false;

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // The tests look at the windows through X11.
  qputenv("QT_QPA_PLATFORM", "xcb");
  TQtApplication::ConfigureEnvironment();

  static int qtArgc = 1;
  std::unique_ptr<QApplication> application;
  if (!testing::GTEST_FLAG(list_tests) && TQtApplication::DisplayAvailable()) {
    application = std::make_unique<QApplication>(qtArgc, argv);
    gHaveDisplay = true;
  }
  return RUN_ALL_TESTS();
}
