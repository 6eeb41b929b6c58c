// The window tests need one QApplication for the whole program; under CTest
// they run on the offscreen platform, so no display is needed, and a box
// nobody answers fails the test instead of waiting.
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/common/ModalGuard.h"
#include "tests/common/TestEnv.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testenv::UsePrivateEnvironment();
  QApplication app(argc, argv);
  testenv::GuardAgainstUnansweredModals([](const QString& what) { ADD_FAILURE() << what.toStdString(); });
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
