#include "tools/make/package/deb_control.h"

#include <gtest/gtest.h>

TEST(DebControlTest, PackageNamesAreWhatDebianTakes) {
  const struct {
    const char* Name;
    const char* Package;
  } rows[] = {
      {"Quillmark", "quillmark"},
      {"Quill Mark Server 2", "quill-mark-server-2"},
      {"  Zo\xc3\xab's app++ ", "zo-s-app++"},
      {".net-tool.", "net-tool"},
      {"-", ""},
      {"Q", ""},
  };
  for (const auto& row : rows) EXPECT_EQ(DebianPackageName(row.Name), row.Package) << row.Name;
}

TEST(DebControlTest, AnInstalledJavaOfTheLeastVersionIsNeeded) {
  EXPECT_EQ(JavaRuntimeDependency("17.0.2"), "default-jre-headless | java17-runtime-headless");
  EXPECT_EQ(JavaRuntimeDependency("1.8"), "default-jre-headless | java8-runtime-headless");
  EXPECT_EQ(JavaRuntimeDependency(""), "default-jre-headless | java-runtime-headless");
}
