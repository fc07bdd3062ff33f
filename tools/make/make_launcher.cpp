#include "tools/make/make_launcher.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/posix/string_blob.h"
#include "tools/make/bundle/bundle_layout.h"
#include "tools/make/bundle/one_file.h"
#include "tools/make/config_defaults.h"
#include "tools/make/config_file.h"
#include "tools/make/package/code_signing.h"
#include "tools/make/pe/bitmap.h"
#include "tools/make/pe/icon.h"
#include "tools/make/pe/manifest.h"
#include "tools/make/pe/message_table.h"
#include "tools/make/pe/pe_image.h"
#include "tools/make/pe/pe_resource_writer.h"
#include "tools/make/pe/string_table.h"
#include "tools/make/pe/version_info.h"

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool MakeWindowsImage(const MakeOptions& options, const MakeConfig& config,
                      const std::string& launcher, const std::string& iconPath,
                      const std::string& bitmapPath, const std::string& pack, std::string* out,
                      std::string* error) {
  PeImage image;
  if (!ReadPeImage(launcher, &image, error)) {
    return Fail(error, options.LauncherPath + ": " + *error);
  }
  const std::uint16_t machine = options.Target == "win64" ? MachineAmd64 : MachineI386;
  if (image.Machine != machine || image.Pe32Plus != (options.Target == "win64")) {
    return Fail(error, options.LauncherPath + ": not a " + options.Target + " executable");
  }
  if (config.Console) {
    // The subsystem is all that makes a console program; the checksum that covers it
    // is computed when the image is written.
    WriteLe(&image.Bytes, image.OptionalHeaderOffset + SubsystemOffset, SubsystemWindowsConsole, 2);
  }
  ResourceTree tree = image.Resources;
  for (const auto& [entry, text] : CompleteEntries(config)) {
    if (!SetStringEntry(&tree, entry, WidenUtf8(text))) {
      return Fail(error, options.LauncherPath + ": string block " + std::to_string(entry / 16 + 1) +
                             " is damaged");
    }
  }
  SetEventMessageTable(&tree);
  SetManifest(&tree, BuildManifest(config.Manifest));
  if (!bitmapPath.empty()) {
    std::string file;
    std::string resource;
    if (!ReadWholeFile(bitmapPath, &file, error)) return false;
    if (!BitmapResourceFromFile(file, &resource, error)) {
      return Fail(error, bitmapPath + ": " + *error +
                             " (a splash picture is a BMP version 3 file, as ImageMagick "
                             "writes it with: convert picture.png BMP3:splash.bmp)");
    }
    SetSplashBitmap(&tree, resource);
  }
  if (!iconPath.empty()) {
    std::string file;
    std::vector<IconImage> images;
    if (!ReadWholeFile(iconPath, &file, error)) return false;
    if (!ReadIconFile(file, &images, error)) return Fail(error, iconPath + ": " + *error);
    SetApplicationIcon(&tree, images);
  }
  // Without a [version] table the generic launcher's own version would describe the
  // application; a neutral one names the file instead.
  const std::string fileName = fs::path(options.OutputPath).filename().string();
  VersionSettings version = config.Version.Present ? config.Version : NeutralVersion(fileName);
  if (!version.Strings.count("OriginalFilename")) version.Strings["OriginalFilename"] = fileName;
  SetVersionInfo(&tree, BuildVersionInfo(version));
  SetArchivePack(&tree, pack);
  if (!WritePeImage(image, tree, out, error)) {
    return Fail(error, options.LauncherPath + ": " + *error);
  }
  return true;
}

bool MakeLinuxImage(const MakeOptions& options, const MakeConfig& config,
                    const std::string& launcher, const std::string& pack, std::string* out,
                    std::string* error) {
  if (launcher.compare(0, 4,
                       "\x7f"
                       "ELF") != 0) {
    return Fail(error, options.LauncherPath + ": not a Linux executable");
  }
  std::size_t blobStart = 0;
  StringEntries entries;
  if (!FindStringBlob(launcher.data(), launcher.size(), &blobStart) ||
      !DecodeStringBlob(launcher.data(), launcher.size(), blobStart, &entries)) {
    return Fail(error, options.LauncherPath + ": the string table behind the program is damaged");
  }
  if (blobStart == launcher.size()) {
    return Fail(error, options.LauncherPath + ": carries no string table behind the program");
  }
  for (const auto& [entry, text] : CompleteEntries(config)) entries[entry] = text;
  *out = LinuxProgramWithPack(launcher.substr(0, blobStart), pack) + EncodeStringBlob(entries);
  return true;
}

// Writes `bytes` to a temporary file beside `path`, signs it there with `sign` when
// given, gives it the permissions of `modelPath` and renames it over `path`.
bool WriteReplacing(const std::string& bytes, const std::string& path, const std::string& modelPath,
                    const SignSettings* sign, std::string* error, std::string* notice) {
  const std::string temporary = path + ".corvane-make-tmp";
  std::error_code ignored;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, ignored);
      return Fail(error, path + ": cannot be written (its directory is missing or read-only, "
                                "or the disk is full)");
    }
  }
  std::string remark;
  if (sign && !SignFile(*sign, temporary, error, &remark)) {
    fs::remove(temporary, ignored);
    return Fail(error, path + ": cannot be signed: " + *error);
  }
  if (!remark.empty()) *notice += (notice->empty() ? "" : "\ncorvane-make: note: ") + remark;
  std::error_code failure;
  const fs::perms perms = fs::status(modelPath, failure).permissions();
  if (!failure) fs::permissions(temporary, perms, failure);
  if (!failure) fs::rename(temporary, path, failure);
  if (failure) {
    fs::remove(temporary, ignored);
    return Fail(error, path + ": cannot be written: " + failure.message());
  }
  return true;
}

bool SameFile(const std::string& left, const std::string& right) {
  std::error_code ignored;
  return fs::equivalent(left, right, ignored);
}

}  // namespace

bool MakeLauncher(const MakeOptions& options, std::string* error, std::string* notice,
                  std::string* summary) {
  notice->clear();
  if (options.Target != "win32" && options.Target != "win64" && options.Target != "linux") {
    return Fail(error, "unknown target \"" + options.Target + "\" (win32, win64 or linux)");
  }
  std::vector<std::string> inputs = {options.LauncherPath, options.ConfigPath};
  inputs.insert(inputs.end(), options.OverConfigPaths.begin(), options.OverConfigPaths.end());
  for (const std::string& input : inputs) {
    if (SameFile(input, options.OutputPath)) {
      return Fail(error, options.OutputPath + ": the output would overwrite an input");
    }
  }
  MakeConfig config;
  if (!ReadLayeredConfig(options, &config, error)) return false;
  return MakeLauncherFromConfig(options, config, error, notice, summary);
}

bool ReadLayeredConfig(const MakeOptions& options, MakeConfig* config, std::string* error) {
  if (!ReadMakeConfig(options.ConfigPath, config, error)) return false;
  for (const std::string& path : options.OverConfigPaths) {
    if (!ReadMakeConfigOver(path, config, error)) return false;
  }
  return true;
}

SignSettings SigningOf(const MakeOptions& options, const MakeConfig& config) {
  SignSettings sign = config.Sign;
  if (!options.SignCertificate.empty()) {
    sign.Present = true;
    sign.Certificate = options.SignCertificate;
  }
  return sign;
}

bool MakeLauncherFromConfig(const MakeOptions& options, const MakeConfig& config,
                            std::string* error, std::string* notice, std::string* summary) {
  const SignSettings sign = SigningOf(options, config);
  if (sign.Present && !CheckSigning(sign, options.Target, error)) return false;
  const std::string iconPath = options.IconPath.empty() ? config.IconPath : options.IconPath;
  const std::string bitmapPath =
      options.BitmapPath.empty() ? config.SplashPath : options.BitmapPath;

  std::string launcher;
  if (!ReadWholeFile(options.LauncherPath, &launcher, error)) return false;
  MakeConfig made = config;
  OneFileContents contents;
  const bool oneFile = WantsOneFile(options, config);
  if (oneFile && !PackArchives(options, launcher.size(), &made, &contents, error, notice)) {
    return false;
  }
  std::string out;
  if (options.Target == "linux") {
    if (!iconPath.empty() || !bitmapPath.empty() || config.Version.Present || config.ManifestKeys ||
        config.Console) {
      AddNotice(notice,
                "the linux target carries no icon, splash bitmap, version resource, manifest or "
                "subsystem; those settings are not used");
    }
    if (!MakeLinuxImage(options, made, launcher, contents.Pack, &out, error)) return false;
  } else if (!MakeWindowsImage(options, made, launcher, iconPath, bitmapPath, contents.Pack, &out,
                               error)) {
    return false;
  }
  if (!WriteReplacing(out, options.OutputPath, options.LauncherPath, sign.Present ? &sign : nullptr,
                      error, notice)) {
    return false;
  }
  if (oneFile && summary != nullptr) *summary = OneFileSummary(options.OutputPath, contents);
  return true;
}
