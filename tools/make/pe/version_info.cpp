#include "tools/make/pe/version_info.h"

#include <vector>

#include "tools/make/pe/string_table.h"

namespace {

constexpr std::uint32_t FixedFileInfoSignature = 0xFEEF04BDu;
constexpr std::uint32_t OperatingSystemWindowsNt = 0x00040004u;
constexpr std::uint32_t FileTypeApplication = 1;

// One node of the version tree: a header (length, value length, type), its key,
// its value and its children, each piece aligned to 4 bytes.
struct VersionNode {
  std::u16string Key;
  std::string Value;
  std::uint32_t ValueLength = 0;  // in words for text values, in bytes otherwise
  bool Text = false;
  std::vector<VersionNode> Children;
};

void PadTo4(std::string* bytes) {
  while (bytes->size() % 4 != 0) *bytes += '\0';
}

std::string Serialize(const VersionNode& node) {
  std::string bytes(6, '\0');
  for (char16_t c : node.Key) AppendLe(&bytes, c, 2);
  AppendLe(&bytes, 0, 2);
  PadTo4(&bytes);
  bytes += node.Value;
  for (const VersionNode& child : node.Children) {
    PadTo4(&bytes);
    bytes += Serialize(child);
  }
  WriteLe(&bytes, 0, static_cast<std::uint32_t>(bytes.size()), 2);
  WriteLe(&bytes, 2, node.ValueLength, 2);
  WriteLe(&bytes, 4, node.Text ? 1 : 0, 2);
  return bytes;
}

VersionNode TextNode(const std::string& key, const std::string& value) {
  VersionNode node;
  node.Key = WidenUtf8(key);
  node.Text = true;
  const std::u16string wide = WidenUtf8(value);
  for (char16_t c : wide) AppendLe(&node.Value, c, 2);
  AppendLe(&node.Value, 0, 2);
  node.ValueLength = static_cast<std::uint32_t>(wide.size() + 1);
  return node;
}

VersionNode Block(const std::string& key, std::vector<VersionNode> children) {
  VersionNode node;
  node.Key = WidenUtf8(key);
  node.Text = true;
  node.Children = std::move(children);
  return node;
}

std::uint32_t High(const unsigned numbers[4]) { return (numbers[0] << 16) | numbers[1]; }
std::uint32_t Low(const unsigned numbers[4]) { return (numbers[2] << 16) | numbers[3]; }

}  // namespace

std::string BuildVersionInfo(const VersionSettings& version) {
  VersionNode root;
  root.Key = u"VS_VERSION_INFO";
  const std::uint32_t fixed[13] = {FixedFileInfoSignature,
                                   0x00010000u,
                                   High(version.FileVersion),
                                   Low(version.FileVersion),
                                   High(version.ProductVersion),
                                   Low(version.ProductVersion),
                                   0x3Fu,  // every flag is meaningful, none set
                                   0,
                                   OperatingSystemWindowsNt,
                                   FileTypeApplication,
                                   0,
                                   0,
                                   0};
  for (std::uint32_t word : fixed) AppendLe(&root.Value, word, 4);
  root.ValueLength = static_cast<std::uint32_t>(root.Value.size());

  std::vector<VersionNode> strings;
  for (const auto& [key, value] : version.Strings) strings.push_back(TextNode(key, value));
  root.Children.push_back(Block("StringFileInfo", {Block("040904B0", strings)}));

  VersionNode translation;
  translation.Key = u"Translation";
  AppendLe(&translation.Value, 0x0409, 2);
  AppendLe(&translation.Value, 0x04B0, 2);
  translation.ValueLength = 4;
  root.Children.push_back(Block("VarFileInfo", {translation}));
  return Serialize(root);
}

void SetVersionInfo(ResourceTree* tree, const std::string& resource) {
  tree->erase(ResourceKey(ResourceTypeVersion));
  (*tree)[ResourceKey(ResourceTypeVersion)][ResourceKey(1)][VersionLanguage] =
      ResourceData{resource, 0};
}
