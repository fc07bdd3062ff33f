#include "tools/make/pe/manifest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

bool Holds(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(BuildManifest, DefaultIsTheGenericLaunchersManifest) {
  std::ifstream file(CORVANE_SOURCE_DIR "/resources/corvane.manifest", std::ios::binary);
  ASSERT_TRUE(file);
  std::ostringstream shipped;
  shipped << file.rdbuf();
  EXPECT_EQ(BuildManifest(ManifestSettings()), shipped.str());
}

TEST(BuildManifest, DeclaresEachOptionOnlyWhenAskedFor) {
  for (const char* level : ExecutionLevels) {
    for (int options = 0; options < 4; ++options) {
      ManifestSettings settings;
      settings.ExecutionLevel = level;
      settings.DpiAware = (options & 1) != 0;
      settings.Utf8 = (options & 2) != 0;
      const std::string xml = BuildManifest(settings);
      EXPECT_TRUE(Holds(xml, "<requestedExecutionLevel level=\"" + std::string(level) +
                                 "\" uiAccess=\"false\"/>"))
          << xml;
      EXPECT_TRUE(Holds(xml, "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"));
      EXPECT_EQ(Holds(xml, ">true</dpiAware>"), settings.DpiAware) << xml;
      EXPECT_EQ(Holds(xml, ">UTF-8</activeCodePage>"), settings.Utf8) << xml;
      EXPECT_TRUE(Holds(xml, ">true</longPathAware>")) << xml;
    }
  }
}

TEST(SetManifest, ReplacesEveryManifest) {
  ResourceTree tree;
  tree[ResourceKey(ResourceTypeManifest)][ResourceKey(1)][1033] = ResourceData{"old", 0};
  tree[ResourceKey(ResourceTypeManifest)][ResourceKey(2)][0] = ResourceData{"old", 0};
  SetManifest(&tree, "new");
  const ResourceNames& names = tree[ResourceKey(ResourceTypeManifest)];
  ASSERT_EQ(names.size(), 1u);
  ASSERT_EQ(names.at(ResourceKey(1)).size(), 1u);
  EXPECT_EQ(names.at(ResourceKey(1)).at(ManifestLanguage).Bytes, "new");
}

}  // namespace
