// The app tests run headless, on Qt's offscreen platform, under one QApplication that lives on
// main's stack: Qt must be gone before the program's static objects are.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
