// GoogleTest main for window tests that read what the X server holds: titles and window
// manager hints reach only a real platform window. CTest runs this under a private Xvfb.
#include <gtest/gtest.h>

#include "app/application.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  testing::InitGoogleTest(&argc, argv);
  brisvel::Application application(argc, argv);
  return RUN_ALL_TESTS();
}
