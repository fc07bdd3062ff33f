#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/launch_config.h"
#include "runtime/no_runtime_report.h"
#include "runtime/runtime_location.h"
#include "tests/fakes/recorded_reports.h"
#include "tests/temp_directory.h"

// The runtime search against the real registry. The keys are written below
// HKEY_LOCAL_MACHINE by the fixture and deleted again afterwards; a machine that already
// has any of them is left alone and the tests are skipped.

namespace {

const char* const Jre = "Software\\JavaSoft\\Java Runtime Environment";
const char* const IbmJre = "Software\\IBM\\Java2 Runtime Environment";
const char* const Jdk = "Software\\JavaSoft\\Java Development Kit";
const char* const IbmJdk = "Software\\IBM\\Java Development Kit";
const char* const Vendors[] = {"Software\\JavaSoft", "Software\\IBM"};

bool KeyExists(const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class RegistryRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* key : {Jre, IbmJre, Jdk, IbmJdk}) {
      if (KeyExists(key)) GTEST_SKIP() << key << " exists on this machine";
    }
    for (const char* vendor : Vendors) {
      if (!KeyExists(vendor)) createdVendors_.push_back(vendor);
    }
    RecordedReports.clear();
    LaunchConfig = LaunchConfigRecord();
    LaunchConfig.JniVersion = 0x00010004;
    LaunchConfig.MsgNoRuntime =
        "Unable to locate suitable Java Runtime Environment on this machine.";
    std::memset(RegistryJavaHome, 0, sizeof RegistryJavaHome);
    cleanUp_ = true;
  }

  void TearDown() override {
    if (!cleanUp_) return;
    for (const char* key : {Jre, IbmJre, Jdk, IbmJdk}) RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    for (const std::string& vendor : createdVendors_) {
      RegDeleteKeyA(HKEY_LOCAL_MACHINE, vendor.c_str());
    }
    for (const char* key : {Jre, IbmJre, Jdk, IbmJdk}) EXPECT_FALSE(KeyExists(key)) << key;
  }

  // Writes the value `name` of type `type` with `size` bytes of `data` to `path`,
  // creating the key.
  void SetValue(const std::string& path, const char* name, DWORD type, const void* data,
                DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS)
        << path;
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  void SetString(const std::string& path, const char* name, const std::string& text) {
    SetValue(path, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
  }
  void AddVersion(const std::string& key, const std::string& version, const std::string& home,
                  const std::string& library) {
    const std::string path = key + "\\" + version;
    SetString(path, "Description", "registered by a test");  // makes the key without JavaHome
    if (!home.empty()) SetString(path, "JavaHome", home);
    if (!library.empty()) SetString(path, "RuntimeLib", library);
  }

  std::string Absolute(const std::string& name) { return (temp_.path() / name).string(); }
  std::string Touch(const std::string& name) {
    temp_.Write(name, "library");
    return Absolute(name);
  }

  ScopedTempDirectory temp_{"registry"};
  std::vector<std::string> createdVendors_;
  bool cleanUp_ = false;
};

TEST_F(RegistryRuntimeTest, CurrentVersionWithRuntimeLibIsFound) {
  LaunchConfig.RuntimeSearchMode = 2;
  LaunchConfig.RuntimeLibrary = "j2re1.4.1_02\\bin\\client\\jvm.dll";
  const std::string library = Touch("jre14\\bin\\client\\jvm.dll");
  SetString(Jre, "CurrentVersion", "1.4");
  AddVersion(Jre, "1.4", Absolute("jre14"), library);

  ASSERT_TRUE(LocateRuntime());
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, library);
  EXPECT_EQ(std::string(RegistryJavaHome), Absolute("jre14"));
  EXPECT_TRUE(RecordedReports.empty());
}

TEST_F(RegistryRuntimeTest, RejectedCurrentVersionFallsBackToEnumeratedSubkeys) {
  LaunchConfig.RuntimeSearchMode = 6;
  SetString(Jre, "CurrentVersion", "1.4");
  AddVersion(Jre, "1.3.1", Absolute("old"), Touch("old\\jvm.dll"));
  AddVersion(Jre, "1.4", Absolute("current"), Absolute("current\\missing.dll"));
  Touch("current\\jre\\bin\\client\\jvm.dll");  // not used: RuntimeLib names a missing file
  AddVersion(Jre, "1.5", Absolute("next"), "");
  const std::string server = Touch("next\\jre\\bin\\server\\jvm.dll");

  ASSERT_TRUE(LocateRuntime());
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, server);
  EXPECT_EQ(std::string(RegistryJavaHome), Absolute("next"));
}

TEST_F(RegistryRuntimeTest, DevelopmentKitsComeFirstWithMode7) {
  LaunchConfig.RuntimeSearchMode = 7;
  SetString(Jre, "CurrentVersion", "1.4");
  AddVersion(Jre, "1.4", "", Touch("runtime.dll"));
  AddVersion(IbmJdk, "1.4.2", "", Touch("kit.dll"));

  ASSERT_TRUE(LocateRuntime());
  EXPECT_EQ(LaunchConfig.RuntimeLibrary, Absolute("kit.dll"));

  // Mode 2 reads the runtime environment keys only.
  LaunchConfig.RuntimeSearchMode = 2;
  char result[RuntimePathSize];
  ASSERT_TRUE(SearchRegistryRuntime(result, sizeof result));
  EXPECT_EQ(std::string(result), Absolute("runtime.dll"));
}

TEST_F(RegistryRuntimeTest, ValueTypesAndSizes) {
  const std::string path = std::string(Jre) + "\\1.4";
  SetValue(path, "Expand", REG_EXPAND_SZ, "%JAVA_HOME%\\x", 14);
  const DWORD number = 4;
  SetValue(path, "Number", REG_DWORD, &number, sizeof number);
  SetValue(path, "Unterminated", REG_SZ, "abcd", 4);

  char buffer[32];
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, path.c_str(), "Expand", buffer, 32), 0);
  EXPECT_STREQ(buffer, "%JAVA_HOME%\\x");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, path.c_str(), "Number", buffer, 32), 1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, path.c_str(), "Missing", buffer, 32), 1);
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, path.c_str(), "Unterminated", buffer, 5),
            0);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, path.c_str(), "Unterminated", buffer, 4),
            1);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, path.c_str(), "Expand", buffer, 8), 1);
  std::strcpy(buffer, "kept");
  EXPECT_EQ(ReadRegistryString(RegistryRoot::LocalMachine, "Software\\JavaSoft\\None", "Expand",
                               buffer, 32),
            -1);
  EXPECT_STREQ(buffer, "kept");
}

TEST_F(RegistryRuntimeTest, NothingRegisteredEndsInOneReport) {
  LaunchConfig.RuntimeSearchMode = 4;
  AddVersion(Jdk, "1.2.2", Absolute("old"), Touch("old.dll"));

  EXPECT_FALSE(LocateRuntime());
  ASSERT_EQ(RecordedReports.size(), 1u);
  // Version 1.2 was seen and passed over: the report names it on a line of its own.
  EXPECT_EQ(RecordedReports[0].Text,
            LaunchConfig.MsgNoRuntime + "\n" + RejectedRuntimesHint + "\n- Java 1.2.2 at HKLM\\" +
                Jdk + "\\1.2.2: fails the version test against JNI version 0x00010004");
  EXPECT_STREQ(RegistryJavaHome, "");
}

}  // namespace
