#include "service/systemd_unit.h"

#include <gtest/gtest.h>

TEST(SystemdUnitTest, QuotesAWordSoThatSystemdReadsItBack) {
  const struct {
    const char* Word;
    const char* Quoted;
  } rows[] = {
      {"/opt/quillmark/quillmark", "/opt/quillmark/quillmark"},
      {"/srv/my app/quillmark", "\"/srv/my app/quillmark\""},
      // Specifiers and variables would be expanded: doubled, quoted or not.
      {"/srv/100%/$HOME", "/srv/100%%/$$HOME"},
      {"/srv/a \"b\"\\c", "\"/srv/a \\\"b\\\"\\\\c\""},
      {"/srv/tab\there", "\"/srv/tab\\x09here\""},
      {"/srv/a;b=Zo\xc3\xab", "\"/srv/a;b=Zo\xc3\xab\""},
      {"", "\"\""},
  };
  for (const auto& row : rows) EXPECT_EQ(QuoteSystemdWord(row.Word), row.Quoted) << row.Word;
}

TEST(SystemdUnitTest, TakesOnlyNamesThatMakeAUnit) {
  EXPECT_TRUE(IsSystemdUnitName("Quillmark"));
  EXPECT_TRUE(IsSystemdUnitName("quill-mark_2.service:x"));
  for (const char* name : {"", "Quill mark", "quill@", "quill/mark", "Zo\xc3\xab"}) {
    EXPECT_FALSE(IsSystemdUnitName(name)) << name;
  }
  EXPECT_FALSE(IsSystemdUnitName(std::string(250, 'q')));
}

TEST(SystemdUnitTest, WritesTheServiceTheSettingsDescribe) {
  LaunchConfigRecord config;
  config.ServiceName = "Quillmark";
  config.ServiceSwitch = "-startlauncherinservicemode";
  config.ServiceDescription = "Serves 100% of the notes\n";
  config.ServiceStopTimeout = 20;
  config.ServiceRestartSeconds = 10;
  EXPECT_EQ(SystemdUnitText(config, "/opt/quill mark/quillmark"),
            "[Unit]\n"
            "Description=Serves 100%% of the notes\n"
            "\n"
            "[Service]\n"
            "Type=notify\n"
            "ExecStart=\"/opt/quill mark/quillmark\" -startlauncherinservicemode\n"
            "TimeoutStopSec=30\n"
            "Restart=on-failure\n"
            "RestartSec=10\n"
            "\n"
            "[Install]\n"
            "WantedBy=multi-user.target\n");

  // No restart, started on demand only, and the name where no description is given.
  config.ServiceDescription.clear();
  config.ServiceRestartSeconds = 0;
  config.ManualServiceStart = true;
  EXPECT_EQ(SystemdUnitText(config, "/opt/q/q"),
            "[Unit]\nDescription=Quillmark\n\n[Service]\nType=notify\n"
            "ExecStart=/opt/q/q -startlauncherinservicemode\nTimeoutStopSec=30\n");
}
