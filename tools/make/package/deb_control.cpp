// The texts of a .deb that corvane-make writes besides the application's files.
#include "tools/make/package/deb_control.h"

#include "runtime/java_version.h"

namespace {

bool IsPackageCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// A value of a desktop entry: backslashes escaped, control characters made blanks.
std::string DesktopValue(const std::string& text) {
  std::string value;
  for (const char c : text) {
    if (c == '\\') value += '\\';
    value += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  return value;
}

}  // namespace

std::string DebControlText(const DebControlFields& fields) {
  std::string text = "Package: " + fields.Package + "\nVersion: " + fields.Version +
                     "\nArchitecture: " + fields.Architecture +
                     "\nMaintainer: " + fields.Maintainer +
                     "\nInstalled-Size: " + fields.InstalledSizeKb + "\n";
  if (!fields.Depends.empty()) text += "Depends: " + fields.Depends + "\n";
  text += "Section: " + fields.Section + "\nPriority: optional\n";
  if (!fields.Homepage.empty()) text += "Homepage: " + fields.Homepage + "\n";
  return text + "Description: " + fields.Synopsis + "\n " + fields.Extended + "\n";
}

std::string DebianPackageName(const std::string& name) {
  std::string package;
  for (const char c : name) {
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    if (IsPackageCharacter(lower)) {
      package += lower;
    } else if (!package.empty() && package.back() != '-') {
      package += '-';
    }
  }
  // A name starts with a letter or digit (and "app++" keeps its pluses).
  const std::size_t first = package.find_first_not_of("+-.");
  const std::size_t last = package.find_last_not_of("-.");
  package = first == std::string::npos ? std::string() : package.substr(first, last - first + 1);
  return package.size() < 2 ? std::string() : package;
}

std::string JavaRuntimeDependency(const std::string& minimum) {
  JavaVersion version;
  if (minimum.empty() || !ParseJavaVersion(minimum.c_str(), &version)) {
    return "default-jre-headless | java-runtime-headless";
  }
  return "default-jre-headless | java" + std::to_string(version.Parts[0]) + "-runtime-headless";
}

std::string MaintainerScript(const std::string& which, const std::string& unit, bool start) {
  const std::string quoted = "'" + unit + "'";
  std::string script = "#!/bin/sh\nset -e\n";
  if (which == "postinst") {
    script +=
        "if [ \"$1\" = configure ] || [ \"$1\" = abort-upgrade ] || "
        "[ \"$1\" = abort-deconfigure ] || [ \"$1\" = abort-remove ]; then\n"
        "\t# Enabled at the first installation; an upgrade keeps what the administrator chose.\n"
        "\tdeb-systemd-helper unmask " +
        quoted +
        " >/dev/null || true\n"
        "\tif deb-systemd-helper --quiet was-enabled " +
        quoted +
        "; then\n"
        "\t\tdeb-systemd-helper enable " +
        quoted +
        " >/dev/null || true\n"
        "\telse\n"
        "\t\tdeb-systemd-helper update-state " +
        quoted +
        " >/dev/null || true\n"
        "\tfi\n";
    if (start) {
      script +=
          "\tif [ -z \"${DPKG_ROOT:-}\" ] && [ -d /run/systemd/system ]; then\n"
          "\t\tsystemctl --system daemon-reload >/dev/null || true\n"
          "\t\tif [ -n \"$2\" ]; then action=restart; else action=start; fi\n"
          "\t\tdeb-systemd-invoke \"$action\" " +
          quoted +
          " >/dev/null || true\n"
          "\tfi\n";
    }
    script += "fi\n";
  } else if (which == "prerm") {
    script +=
        "if [ -z \"${DPKG_ROOT:-}\" ] && [ \"$1\" = remove ] && [ -d /run/systemd/system ]; then\n"
        "\tdeb-systemd-invoke stop " +
        quoted +
        " >/dev/null || true\n"
        "fi\n";
  } else {
    script +=
        "if [ -z \"${DPKG_ROOT:-}\" ] && [ \"$1\" = remove ] && [ -d /run/systemd/system ]; then\n"
        "\tsystemctl --system daemon-reload >/dev/null || true\n"
        "fi\n"
        "if [ \"$1\" = remove ] && command -v deb-systemd-helper >/dev/null; then\n"
        "\tdeb-systemd-helper mask " +
        quoted +
        " >/dev/null || true\n"
        "fi\n"
        "if [ \"$1\" = purge ] && command -v deb-systemd-helper >/dev/null; then\n"
        "\tdeb-systemd-helper purge " +
        quoted +
        " >/dev/null || true\n"
        "\tdeb-systemd-helper unmask " +
        quoted +
        " >/dev/null || true\n"
        "fi\n";
  }
  return script;
}

std::string DesktopEntryText(const std::string& name, const std::string& comment,
                             const std::string& exec, const std::string& icon) {
  std::string text = "[Desktop Entry]\nType=Application\nName=" + DesktopValue(name) +
                     "\nComment=" + DesktopValue(comment) + "\nExec=" + exec + "\n";
  if (!icon.empty()) text += "Icon=" + icon + "\n";
  return text + "Terminal=false\nCategories=Utility;\n";
}
