#include <gtest/gtest.h>

#include "platform/win32/logoff_handler.h"

TEST(LogoffControlHandler, KeepsTheServiceThroughALogoffOnly) {
  EXPECT_EQ(LogoffControlHandler(CTRL_LOGOFF_EVENT), TRUE);
  for (DWORD passedOn : {CTRL_C_EVENT, CTRL_BREAK_EVENT, CTRL_CLOSE_EVENT, CTRL_SHUTDOWN_EVENT}) {
    EXPECT_EQ(LogoffControlHandler(passedOn), FALSE) << passedOn;
  }
}
