#include "testjvm_support.h"

int TestJvmSupportAnswer(void) { return TESTJVM_SUPPORT_ANSWER; }
