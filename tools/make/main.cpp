// corvane-make: turns a configuration file, the application's artwork and the
// generic launcher of a target into the application's own launcher.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/tool_output.h"
#include "tools/make/bundle/make_bundle.h"
#include "tools/make/bundle/one_file.h"
#include "tools/make/bundle_settings.h"
#include "tools/make/config_file.h"
#include "tools/make/make_launcher.h"
#include "tools/make/package/code_signing.h"
#include "tools/make/package/make_installer.h"

namespace {

const char Usage[] =
    "usage: corvane-make --config FILE.toml [--config MORE.toml ...]\n"
    "                    --target win32|win64|linux\n"
    "                    --launcher GENERIC-LAUNCHER --output FILE\n"
    "                    [--icon FILE.ico] [--bitmap FILE.bmp] [--sign CERTIFICATE.p12]\n"
    "                    [--one-file [--input DIR]]\n"
    "       corvane-make --keys\n"
    "       corvane-make ... --bundle DIR [--runtime IMAGE | --jdk JDK [--jmods DIR]]\n"
    "                    [--input DIR] [--archive]\n"
    "       corvane-make ... --installer FILE.msi|FILE.deb [--runtime IMAGE | --jdk JDK ...]\n"
    "\n"
    "Writes FILE: a copy of GENERIC-LAUNCHER (the launcher the project ships for the\n"
    "target; in a release, launchers/TARGET/ beside bin/) carrying the launch\n"
    "configuration of FILE.toml. Every setting the configuration leaves out takes\n"
    "corvane-make's default (README.md lists them), never the sample's value that\n"
    "GENERIC-LAUNCHER carries.\n"
    "\n"
    "  --config    the configuration (TOML; its keys: README.md, \"Make a launcher for\n"
    "              your application\"); a later --config replaces the keys it sets\n"
    "  --target    win32 or win64 (a Windows executable) or linux\n"
    "  --launcher  the generic launcher of that target\n"
    "  --output    the launcher to write; written whole or not at all\n"
    "  --icon      the application icon (.ico), instead of the configuration's Icon\n"
    "  --bitmap    the splash picture (.bmp), instead of the configuration's Splash\n"
    "  --sign      sign the launcher (a bundle's, an MSI's and the MSI) with this PKCS#12\n"
    "              file instead of the certificate of the [sign] table, whose other keys\n"
    "              apply: password-env\n"
    "              names the environment variable with its password (README.md, \"Sign your\n"
    "              program\"); needs osslsigncode (signtool.exe on Windows)\n"
    "  --one-file  the archives of MainJar and ClassPath (and of their manifests'\n"
    "              Class-Path) go into the launcher (OneFile; README.md, \"One file\")\n"
    "  --keys      every key of the configuration and its TOML type, one a line; a key\n"
    "              of one kind of target has it third (linux or windows)\n"
    "  --bundle    instead of --output: the folder DIR with the launcher, the archives of\n"
    "              MainJar and ClassPath in DIR/app and a Java runtime in DIR/runtime\n"
    "              (README.md, \"Ship your application with its own runtime\"); the\n"
    "              [bundle] table's keys\n"
    "  --runtime   the runtime image to copy into the bundle (runtime in [bundle])\n"
    "  --jdk       the JDK whose jlink makes the bundle's runtime (jdk)\n"
    "  --jmods     the modules jlink links from, for a Windows target a Windows JDK's\n"
    "              jmods folder (jmods)\n"
    "  --input     the folder the archives of MainJar and ClassPath are read from, for a\n"
    "              bundle or one file (input; default: the configuration file's folder)\n"
    "  --archive   also write DIR.zip (Windows targets) or DIR.tar.gz (linux)\n"
    "  --installer instead of --output: the installer of the bundle, FILE.msi for win32 and\n"
    "              win64 (README.md, \"Make an installer\"; needs wixl, WiX on Windows),\n"
    "              FILE.deb for linux (\"A .deb for Linux\"); a folder gets the default\n"
    "              name; the [installer] table's keys; without a runtime, the package\n"
    "              needs an installed Java\n"
    "  --help      this text\n"
    "  --version   the version of corvane-make\n"
    "\n"
    "The icon, the splash picture and the [version] table apply to Windows targets;\n"
    "[sign] and --sign to Windows targets alone (a linux target refuses them).\n";

}  // namespace

int main(int argc, char** argv) {
  MakeOptions options;
  struct {
    const char* Name;
    std::string* Value;
  } const valued[] = {
      {"--config", &options.ConfigPath},     {"--target", &options.Target},
      {"--launcher", &options.LauncherPath}, {"--output", &options.OutputPath},
      {"--icon", &options.IconPath},         {"--bitmap", &options.BitmapPath},
      {"--bundle", &options.BundleDir},      {"--input", &options.InputDir},
      {"--runtime", &options.RuntimePath},   {"--jdk", &options.JdkPath},
      {"--jmods", &options.JmodsPath},       {"--installer", &options.InstallerPath},
      {"--sign", &options.SignCertificate}};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      WriteToolText(stdout, Usage);
      return 0;
    }
    if (std::strcmp(argv[i], "--archive") == 0) {
      options.Archive = true;
      continue;
    }
    if (std::strcmp(argv[i], "--one-file") == 0) {
      options.OneFile = true;
      continue;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      WriteToolText(stdout, "corvane-make " CORVANE_VERSION "\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--keys") == 0) {
      std::string keys;
      for (const MakeConfigKey& key : MakeConfigKeys()) keys += key.Name + " " + key.Type + "\n";
      for (const MakeConfigKey& key : BundleKeys()) keys += key.Name + " " + key.Type + "\n";
      for (const InstallerKey& key : InstallerKeys()) {
        keys += std::string("installer.") + key.Name + " " + key.Type +
                (key.Targets[0] ? std::string(" ") + key.Targets : std::string()) + "\n";
      }
      WriteToolText(stdout, keys);
      return 0;
    }
    if (std::strcmp(argv[i], "--config") == 0 && i + 1 < argc && !options.ConfigPath.empty()) {
      options.OverConfigPaths.push_back(argv[++i]);
      continue;
    }
    bool known = false;
    for (const auto& option : valued) {
      if (std::strcmp(argv[i], option.Name) == 0 && i + 1 < argc) {
        *option.Value = argv[++i];
        known = true;
        break;
      }
    }
    if (!known) {
      WriteToolText(stderr, std::string("corvane-make: not understood: ") + argv[i] + "\n\n" + Usage);
      return 2;
    }
  }
  if (options.ConfigPath.empty() || options.Target.empty() || options.LauncherPath.empty()) {
    WriteToolText(stderr, std::string("corvane-make: --config, --target, --launcher and --output "
                                      "(or --bundle or --installer) are needed\n\n") +
                              Usage);
    return 2;
  }
  const int outputs =
      !options.OutputPath.empty() + !options.BundleDir.empty() + !options.InstallerPath.empty();
  if (outputs > 1) {
    WriteToolText(stderr,
                  "corvane-make: give one of --output (a launcher alone), --bundle (a folder "
                  "with the runtime) and --installer (a package)\n");
    return 2;
  }
  std::string error;
  std::string notice;
  std::string summary;
  MakeConfig config;
  bool read = ReadLayeredConfig(options, &config, &error);
  // Signing is checked first: a bundle's runtime is not linked for a signature that
  // cannot be made.
  const SignSettings sign = SigningOf(options, config);
  read = read && (!sign.Present || CheckSigning(sign, options.Target, &error));
  const bool installer = read && WantsInstaller(options, config);
  const bool bundle = read && !installer && WantsBundle(options, config);
  if (read && !installer && !bundle && options.OutputPath.empty()) {
    WriteToolText(stderr,
                  std::string("corvane-make: --output, --bundle or --installer is needed\n\n") + Usage);
    return 2;
  }
  if ((bundle || installer) && WantsOneFile(options, config)) {
    WriteToolText(stderr,
                  "corvane-make: OneFile: a bundle, and the package made of one, keeps the "
                  "archives in its app folder beside the launcher; make the one file with "
                  "--output\n");
    return 2;
  }
  const bool made = read && (installer ? MakeInstaller(options, config, &error, &notice, &summary)
                             : bundle  ? MakeBundle(options, config, &error, &notice, &summary)
                                       : MakeLauncher(options, &error, &notice, &summary));
  if (!notice.empty()) WriteToolText(stderr, "corvane-make: note: " + notice + "\n");
  if (!made) {
    WriteToolText(stderr, "corvane-make: " + error + "\n");
    return 1;
  }
  WriteToolText(stdout, summary);
  return 0;
}
