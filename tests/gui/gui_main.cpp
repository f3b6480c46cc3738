// GoogleTest main for window tests: one QApplication under the offscreen platform.
#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  brisvel::Application application(argc, argv);
  return RUN_ALL_TESTS();
}
