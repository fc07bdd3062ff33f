// corvane-make: turns a configuration file, the application's artwork and the
// generic launcher of a target into the application's own launcher.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/make/bundle_settings.h"
#include "tools/make/code_signing.h"
#include "tools/make/config_file.h"
#include "tools/make/deb_package.h"
#include "tools/make/make_bundle.h"
#include "tools/make/make_launcher.h"

namespace {

const char Usage[] =
    "usage: corvane-make --config FILE.toml [--config MORE.toml ...]\n"
    "                    --target win32|win64|linux\n"
    "                    --launcher GENERIC-LAUNCHER --output FILE\n"
    "                    [--icon FILE.ico] [--bitmap FILE.bmp] [--sign CERTIFICATE.p12]\n"
    "       corvane-make --keys\n"
    "       corvane-make ... --bundle DIR [--runtime IMAGE | --jdk JDK [--jmods DIR]]\n"
    "                    [--input DIR] [--archive]\n"
    "       corvane-make ... --installer FILE.deb [--runtime IMAGE | --jdk JDK ...]\n"
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
    "  --sign      sign the launcher (and a bundle's) with this PKCS#12 file, instead of\n"
    "              the certificate of the [sign] table, whose other keys apply: password-env\n"
    "              names the environment variable with its password (README.md, \"Sign your\n"
    "              program\"); needs osslsigncode (signtool.exe on Windows)\n"
    "  --keys      every key of the configuration and its TOML type, one a line\n"
    "  --bundle    instead of --output: the folder DIR with the launcher, the archives of\n"
    "              MainJar and ClassPath in DIR/app and a Java runtime in DIR/runtime\n"
    "              (README.md, \"Ship your application with its own runtime\"); the\n"
    "              [bundle] table's keys\n"
    "  --runtime   the runtime image to copy into the bundle (runtime in [bundle])\n"
    "  --jdk       the JDK whose jlink makes the bundle's runtime (jdk)\n"
    "  --jmods     the modules jlink links from, for a Windows target a Windows JDK's\n"
    "              jmods folder (jmods)\n"
    "  --input     the folder the archives of MainJar and ClassPath are read from (input;\n"
    "              default: the configuration file's folder)\n"
    "  --archive   also write DIR.zip (Windows targets) or DIR.tar.gz (linux)\n"
    "  --installer instead of --output: the package FILE.deb of the linux target, with the\n"
    "              bundle below /opt (README.md, \"A .deb for Linux\"); the [installer]\n"
    "              table's keys; without a runtime, the package needs an installed Java\n"
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
      std::fputs(Usage, stdout);
      return 0;
    }
    if (std::strcmp(argv[i], "--archive") == 0) {
      options.Archive = true;
      continue;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::puts("corvane-make " CORVANE_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--keys") == 0) {
      for (const MakeConfigKey& key : MakeConfigKeys()) {
        std::printf("%s %s\n", key.Name.c_str(), key.Type);
      }
      for (const MakeConfigKey& key : BundleKeys()) {
        std::printf("%s %s\n", key.Name.c_str(), key.Type);
      }
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
      std::fprintf(stderr, "corvane-make: not understood: %s\n\n%s", argv[i], Usage);
      return 2;
    }
  }
  if (options.ConfigPath.empty() || options.Target.empty() || options.LauncherPath.empty()) {
    std::fprintf(stderr,
                 "corvane-make: --config, --target, --launcher and --output (or --bundle or "
                 "--installer) are needed\n\n%s",
                 Usage);
    return 2;
  }
  const int outputs =
      !options.OutputPath.empty() + !options.BundleDir.empty() + !options.InstallerPath.empty();
  if (outputs > 1) {
    std::fprintf(stderr,
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
    std::fprintf(stderr, "corvane-make: --output, --bundle or --installer is needed\n\n%s", Usage);
    return 2;
  }
  const bool made = read && (installer ? MakeDebPackage(options, config, &error, &notice, &summary)
                             : bundle  ? MakeBundle(options, config, &error, &notice, &summary)
                                       : MakeLauncher(options, &error, &notice));
  if (!notice.empty()) std::fprintf(stderr, "corvane-make: note: %s\n", notice.c_str());
  if (!made) {
    std::fprintf(stderr, "corvane-make: %s\n", error.c_str());
    return 1;
  }
  std::fputs(summary.c_str(), stdout);
  return 0;
}
