#pragma once

#include <string>

/// The fields of a .deb's control file that corvane-make writes.
struct DebControlFields {
  std::string Package;
  std::string Version;
  std::string Architecture;
  std::string Maintainer;
  std::string InstalledSizeKb;
  std::string Depends;
  std::string Section;
  std::string Homepage;  // left out when empty
  std::string Synopsis;  // the first line of Description
  std::string Extended;  // the lines below it, one paragraph
};

/// The control file: one field a line, the extended description indented by a blank.
std::string DebControlText(const DebControlFields& fields);

/// The package name for the product `name`: lower case, every run of characters
/// outside a-z, 0-9, '+', '-' and '.' one '-'; a letter or digit first, no '-' or '.'
/// last. Empty when fewer than two characters are left.
std::string DebianPackageName(const std::string& name);

/// The dependency on an installed Java runtime for RuntimeMinVersion `minimum`:
/// "default-jre-headless | java17-runtime-headless" for "17" (and "17.0.2"),
/// java8-runtime-headless for "1.8", java-runtime-headless without a minimum.
std::string JavaRuntimeDependency(const std::string& minimum);

/// A maintainer script ("postinst", "prerm" or "postrm") that enables, starts, stops
/// and forgets the systemd `unit` ("App.service") through deb-systemd-helper and
/// deb-systemd-invoke, as Debian's packages do: without systemd running (or into
/// another root, DPKG_ROOT) it only records the enabling. With `start` false the unit
/// is neither started nor restarted.
std::string MaintainerScript(const std::string& which, const std::string& unit, bool start);

/// A desktop entry for the program at `exec` (a path that needs no quoting), named
/// `name`, described by `comment`, with the theme icon `icon` (none when empty).
std::string DesktopEntryText(const std::string& name, const std::string& comment,
                             const std::string& exec, const std::string& icon);
