#pragma once

#include <gtest/gtest.h>

#include "core/report.h"
#include "tests/fakes/recorded_reports.h"

/// Starts each case with no recorded report, a window run and no system error, and
/// leaves the run mode as a window run.
class RecordedReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    RunMode = RunModeKind::Window;
    FakeSystemError = FakeSystemErrorState();
  }
  void TearDown() override { RunMode = RunModeKind::Window; }
};
