#include "core/current_directory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/temp_directory.h"

class ApplyWorkingDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RecordedReports.clear();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.MsgFileAccess = "Error accessing file/directory: %s";
    directory_.Write("start/keep", "");
    directory_.Write("work/keep", "");
    start_ = (directory_.path() / "start").string();
    work_ = (directory_.path() / "work").string();
    StartDirectory = start_;
  }
  std::filesystem::path Current() { return std::filesystem::current_path(); }

  ScopedTempDirectory directory_{"workdir"};
  std::string start_;
  std::string work_;
};

TEST_F(ApplyWorkingDirectoryTest, ReturnsToStartDirectoryOnlyBeforeInvocation) {
  LaunchConfig.ReturnToStartDirectory = true;
  LaunchConfig.WorkingDirectory = work_;
  EXPECT_TRUE(ApplyWorkingDirectory(false));
  EXPECT_TRUE(std::filesystem::equivalent(Current(), start_));
  EXPECT_TRUE(ApplyWorkingDirectory(true));
  EXPECT_TRUE(std::filesystem::equivalent(Current(), work_));
}

TEST_F(ApplyWorkingDirectoryTest, EmptyWorkingDirectoryChangesNothing) {
  EXPECT_TRUE(ApplyWorkingDirectory(false));
  EXPECT_TRUE(std::filesystem::equivalent(Current(), directory_.path()));
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(ApplyWorkingDirectoryTest, MissingDirectoryGivesSystemTextThenFileAccess) {
  LaunchConfig.WorkingDirectory = (directory_.path() / "missing").string();
  FakeSystemError.Text = "not there";
  EXPECT_FALSE(ApplyWorkingDirectory(false));
  ASSERT_EQ(RecordedReports.size(), 2u);
  EXPECT_EQ(RecordedReports[0].Text, "not there");
  EXPECT_EQ(RecordedReports[1].Text,
            "Error accessing file/directory: " + LaunchConfig.WorkingDirectory);
}
