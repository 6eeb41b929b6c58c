// A box that nobody answers fails the test that meets it, and is closed, so
// the test goes on instead of waiting for a person.
#include "tests/common/ModalGuard.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QMessageBox>

namespace {

TEST(ModalGuardTest, AnUnansweredBoxFailsTheTestWithItsTextAndIsClosed) {
  EXPECT_NONFATAL_FAILURE(
      {
        QMessageBox box(QMessageBox::Question, "Replace?", "The table holds rows.",
                        QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.exec(), QMessageBox::No);
      },
      "unanswered message box \"Replace?\": The table holds rows.");
}

}  // namespace
