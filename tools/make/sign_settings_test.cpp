#include "tools/make/sign_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tools/make/config_file.h"

namespace {

TEST(ReadSignSettings, NamesFileLineAndKeyOfEveryBadValueWithoutRepeatingAPassword) {
  const struct {
    const char* Table;
    const char* Error;
  } cases[] = {
      {"certificate = \"\"", "app.toml:2: sign.certificate: must not be empty"},
      {"password-env = \"s3cret!\"",
       "app.toml:2: sign.password-env: must be the name of an environment variable (letters, "
       "digits and _) that holds the password, never the password itself"},
      {"timestamp = [\"http://a.example\", \"ftp://b.example\"]",
       "app.toml:2: sign.timestamp: \"ftp://b.example\" is not an http:// or https:// address"},
      {"key = \"file\"", "app.toml:2: sign.key: unknown key"},
  };
  for (const auto& c : cases) {
    MakeConfig config;
    std::string error;
    EXPECT_FALSE(
        ParseMakeConfig(std::string("[sign]\n") + c.Table + "\n", "app.toml", &config, &error));
    EXPECT_EQ(error, c.Error);
  }
}

TEST(ReadSignSettings, LaterFilesReplaceTheKeysTheySetAndPathsFollowTheirFile) {
  MakeConfig config;
  std::string error;
  ASSERT_TRUE(
      ParseMakeConfig("[sign]\ncertificate = \"keys/code.p12\"\npassword-env = \"SIGN_PASSWORD\"\n"
                      "timestamp = \"http://one.example\"\ndescription = \"Tool\"\n",
                      "base/app.toml", &config, &error))
      << error;
  ASSERT_TRUE(ParseMakeConfigOver(
      "[sign]\ntimestamp = [\"https://two.example\", \"http://three.example\"]\n"
      "osslsigncode = \"bin/osslsigncode\"\n",
      "ci/release.toml", &config, &error))
      << error;
  const SignSettings& sign = config.Sign;
  EXPECT_TRUE(sign.Present);
  EXPECT_EQ(std::filesystem::path(sign.Certificate), std::filesystem::path("base/keys/code.p12"));
  EXPECT_EQ(sign.PasswordEnv, "SIGN_PASSWORD");
  EXPECT_EQ(sign.Description, "Tool");
  EXPECT_EQ(sign.Timestamps,
            (std::vector<std::string>{"https://two.example", "http://three.example"}));
  EXPECT_EQ(std::filesystem::path(sign.Osslsigncode), std::filesystem::path("ci/bin/osslsigncode"));
}

}  // namespace
