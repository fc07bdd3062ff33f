#include "tools/make/package/code_signing.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/child_process.h"
#include "platform/environment.h"
#include "platform/file_operations.h"
#include "platform/path_text.h"
#include "tools/make/bundle/bundle_layout.h"
#include "tools/make/package/find_program.h"
#include "tools/make/package/signature_certificates.h"
#include "tools/make/package/signing_host.h"

namespace fs = std::filesystem;

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The lines of a tool's output that say what went wrong, at most five.
std::string Excerpt(const std::string& output) {
  std::string lines;
  int kept = 0;
  for (std::size_t at = 0; at < output.size() && kept < 5;) {
    const std::size_t end = std::min(output.find('\n', at), output.size());
    std::string line = output.substr(at, end - at);
    at = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) continue;
    line = line.substr(start);
    // OpenSSL's own error queue ("40E0...:error:...") repeats the lines before it.
    const bool queue = line.find(":error:") != std::string::npos &&
                       line.find_first_not_of("0123456789ABCDEF") == line.find(':');
    if (!queue && (Has(line, "rror") || Has(line, "ailed") || Has(line, "Unsupported") ||
                   Has(line, "Wrong"))) {
      lines += (lines.empty() ? "" : "; ") + line;
      ++kept;
    }
  }
  return lines.empty() ? "it printed nothing that says why" : lines;
}

// The value behind the first "label" in `output`, to the end of its line.
std::string ValueAfter(const std::string& output, const char* label) {
  const std::size_t at = output.find(label);
  if (at == std::string::npos) return std::string();
  const std::size_t begin = output.find_first_not_of(" :", at + std::string(label).size());
  const std::size_t end = output.find_first_of("\r\n", begin);
  return begin == std::string::npos ? std::string() : output.substr(begin, end - begin);
}

// A folder in the system's temporary folder that only the user can enter, removed
// with what it holds when this goes.
struct PrivateFolder {
  fs::path Dir;
  ~PrivateFolder() {
    std::error_code ignored;
    if (!Dir.empty()) fs::remove_all(Dir, ignored);
  }
  fs::path File(const char* name) const { return Dir / name; }
};

bool MakePrivateFolder(PrivateFolder* folder, std::string* error) {
  std::error_code failure;
  const fs::path base = fs::temp_directory_path(failure);
  for (int attempt = 0; !failure && attempt < 100; ++attempt) {
    const fs::path path = base / ("corvane-make-sign-" + std::to_string(CurrentProcessId()) + "-" +
                                  std::to_string(attempt));
    if (MakeDirectory(PathText(path).c_str())) {
      folder->Dir = path;
      return true;
    }
  }
  return Fail(error, "cannot make a private folder for signing in the temporary folder " +
                         PathText(base) + " (TMPDIR, or TEMP on Windows)");
}

// With `secret`, the file is open to its owner alone (mode 0600) before it is filled.
bool WriteFile(const fs::path& path, const std::string& bytes, bool secret = false) {
  std::FILE* file = std::fopen(PathText(path).c_str(), "wb");
  if (!file) return false;
  std::error_code failure;
  if (secret) fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, failure);
  if (failure) {
    std::fclose(file);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

bool ReadFile(const fs::path& path, std::string* bytes) {
  std::FILE* file = std::fopen(PathText(path).c_str(), "rb");
  if (!file) return false;
  char buffer[8192];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    bytes->append(buffer, got);
  }
  return std::fclose(file) == 0;
}

// The certificate's password from the variable password-env names; empty without one.
bool ReadPassword(const SignSettings& sign, std::string* password, std::string* error) {
  password->clear();
  if (sign.PasswordEnv.empty()) return true;
  const char* value = ReadEnvironmentVariable(sign.PasswordEnv.c_str());
  if (value == nullptr || value[0] == '\0') {
    return Fail(error, "the environment variable " + sign.PasswordEnv +
                           (value == nullptr ? " is not set" : " is empty") +
                           ": it should hold the password of " + sign.Certificate +
                           " (password-env in [sign] names it)");
  }
  *password = value;
  return true;
}

struct Tool {
  std::string Path;
  bool Signtool = false;
};

bool FindTool(const SignSettings& sign, Tool* tool, std::string* error) {
  std::error_code ignored;
  if (!sign.Osslsigncode.empty()) {
    if (!fs::is_regular_file(sign.Osslsigncode, ignored)) {
      return Fail(error, sign.Osslsigncode + ": no such program (osslsigncode in [sign]); " +
                             SigningInstallHint);
    }
    *tool = {sign.Osslsigncode, false};
    return true;
  }
  for (const SigningProgram* program = SigningPrograms; program->Name; ++program) {
    const std::string found = FindProgramOnPath(program->Name);
    if (!found.empty()) {
      *tool = {found, program->Signtool};
      return true;
    }
  }
  return Fail(error, SigningInstallHint);
}

bool CheckTool(const SignSettings& sign, Tool* tool, std::string* error) {
  if (!FindTool(sign, tool, error)) return false;
  if (tool->Signtool && !sign.PasswordEnv.empty()) {
    return Fail(error, tool->Path +
                           ": signtool takes a certificate's password only on its command "
                           "line, where other programs can read it: put osslsigncode.exe on "
                           "PATH or name it with osslsigncode = \"PATH\" in [sign]");
  }
  return true;
}

// What osslsigncode's failure to sign means for the user.
std::string SignFailure(const SignSettings& sign, const std::string& output) {
  if (Has(output, "Wrong password") || Has(output, "mac verify failure")) {
    return sign.PasswordEnv.empty()
               ? sign.Certificate +
                     ": the certificate needs a password: name the environment variable "
                     "that holds it with password-env in [sign]"
               : sign.Certificate + ": the password in the environment variable " +
                     sign.PasswordEnv + " is wrong";
  }
  if (Has(output, "PKCS#12") || Has(output, "read key or certificates")) {
    return sign.Certificate + ": cannot be read as a PKCS#12 file with a key and its " +
           "certificate (.p12 or .pfx): " + Excerpt(output);
  }
  if (!sign.Timestamps.empty() && (Has(output, "imestamp") || Has(output, "HTTP failure"))) {
    std::string servers;
    for (const std::string& url : sign.Timestamps) servers += (servers.empty() ? "" : ", ") + url;
    return "no timestamp server answered (tried " + servers + "): " + Excerpt(output);
  }
  return "osslsigncode could not sign: " + Excerpt(output);
}

// What a failed verification means for the user.
std::string VerifyFailure(const SignSettings& sign, const std::string& output) {
  if (Has(output, "purpose") && Has(output, "CODE_SIGN")) {
    return sign.Certificate +
           ": the certificate is not for code signing (its extended key usage lacks "
           "codeSigning): Windows would reject the signature; use a code-signing certificate";
  }
  if (Has(output, "certificate has expired") || Has(output, "not yet valid")) {
    return sign.Certificate + ": the certificate is not valid now: " + Excerpt(output);
  }
  return "the signature does not verify against the certificate's chain: " + Excerpt(output);
}

// The certificates the signature of `signedFile` carries (those of the certificate file:
// the signer and its chain), with the system's roots, as one file of trust anchors.
bool WriteChain(const std::string& program, const std::string& signedFile,
                const PrivateFolder& folder, std::string* chain, std::string* error) {
  const fs::path der = folder.File("signature.der");
  std::string output;
  std::string signature;
  std::vector<std::string> certificates;
  if (RunProgram({program, "extract-signature", "-in", signedFile, "-out", PathText(der)},
                 &output) != 0 ||
      !ReadFile(der, &signature) || !SignatureCertificates(signature, &certificates)) {
    return Fail(error, "the signed file carries no readable signature: " + Excerpt(output));
  }
  std::string pem;
  for (const std::string& certificate : certificates) pem += PemCertificate(certificate);
  std::string roots;
  if (SystemCaBundle[0] != '\0' && ReadFile(SystemCaBundle, &roots)) pem += "\n" + roots;
  *chain = PathText(folder.File("chain.pem"));
  return WriteFile(folder.File("chain.pem"), pem) || Fail(error, *chain + ": cannot be written");
}

bool SignWithOsslsigncode(const SignSettings& sign, const std::string& program,
                          const std::string& password, const PrivateFolder& folder,
                          const std::string& in, const std::string& out, std::string* error,
                          std::string* notice) {
  std::vector<std::string> arguments{program, "sign", "-pkcs12", sign.Certificate};
  if (!password.empty()) {
    const std::string passwordFile = PathText(folder.File("password"));
    if (!WriteFile(folder.File("password"), password, true)) {
      return Fail(error, passwordFile + ": cannot be written");
    }
    arguments.insert(arguments.end(), {"-readpass", passwordFile});
  }
  arguments.insert(arguments.end(), {"-h", "sha256"});
  if (!sign.Description.empty()) arguments.insert(arguments.end(), {"-n", sign.Description});
  if (!sign.Url.empty()) arguments.insert(arguments.end(), {"-i", sign.Url});
  for (const std::string& url : sign.Timestamps) arguments.insert(arguments.end(), {"-ts", url});
  arguments.insert(arguments.end(), {"-in", in, "-out", out});
  std::string output;
  if (RunProgram(arguments, &output) != 0) return Fail(error, SignFailure(sign, output));

  std::string chain;
  if (!WriteChain(program, out, folder, &chain, error)) return false;
  std::vector<std::string> verify{program,   "verify", "-in",         out,
                                  "-CAfile", chain,    "-TSA-CAfile", chain};
  int verified = RunProgram(verify, &output);
  if (verified != 0 && (Has(output, "CRLfile") || Has(output, "get CRL"))) {
    // A revocation list named in the certificate could not be fetched (a machine off
    // line): the signature itself is checked without it.
    verify.push_back("-ignore-crl");
    verified = RunProgram(verify, &output);
    if (verified == 0) {
      AddNotice(notice,
                "the certificate's revocation list could not be fetched; the signature was "
                "verified without it");
    }
  }
  if (verified != 0) return Fail(error, VerifyFailure(sign, output));
  if (sign.Timestamps.empty()) {
    const std::string end = ValueAfter(output, "notAfter");
    AddNotice(notice,
              "signed without a timestamp ([sign] names no timestamp server): the "
              "signature ends when the certificate does" +
                  (end.empty() ? std::string() : " (" + end + ")"));
  }
  return true;
}

bool SignWithSigntool(const SignSettings& sign, const std::string& program, const std::string& in,
                      const std::string& out, std::string* error) {
  std::vector<std::string> arguments{program, "sign", "/fd", "SHA256", "/f", sign.Certificate};
  if (!sign.Description.empty()) arguments.insert(arguments.end(), {"/d", sign.Description});
  if (!sign.Url.empty()) arguments.insert(arguments.end(), {"/du", sign.Url});
  // signtool takes one timestamp server a run: each is tried on a fresh copy in turn.
  std::vector<std::string> servers = sign.Timestamps;
  if (servers.empty()) servers.push_back(std::string());
  std::string output;
  int signedCode = -1;
  for (const std::string& url : servers) {
    std::error_code failure;
    fs::copy_file(in, out, fs::copy_options::overwrite_existing, failure);
    if (failure) return Fail(error, out + ": cannot be written: " + failure.message());
    std::vector<std::string> run = arguments;
    if (!url.empty()) run.insert(run.end(), {"/tr", url, "/td", "SHA256"});
    run.push_back(out);
    if ((signedCode = RunProgram(run, &output)) == 0) break;
  }
  if (signedCode != 0) return Fail(error, "signtool could not sign: " + Excerpt(output));
  if (RunProgram({program, "verify", "/pa", out}, &output) != 0) {
    return Fail(error, "the signature does not verify: " + Excerpt(output));
  }
  return true;
}

}  // namespace

bool CheckSigning(const SignSettings& sign, const std::string& target, std::string* error) {
  if (target == "linux") {
    return Fail(error,
                "[sign] and --sign sign Windows files (win32, win64); a linux launcher "
                "carries no Authenticode signature: leave them out for --target linux");
  }
  if (sign.Certificate.empty()) {
    return Fail(error,
                "[sign] names no certificate: give certificate = \"FILE.p12\" in [sign], or "
                "--sign FILE.p12");
  }
  std::error_code ignored;
  if (!fs::is_regular_file(sign.Certificate, ignored)) {
    return Fail(error, sign.Certificate +
                           ": no such file (the certificate of [sign] or --sign: a PKCS#12 "
                           "file with the key and its certificate)");
  }
  std::string password;
  Tool tool;
  return ReadPassword(sign, &password, error) && CheckTool(sign, &tool, error);
}

bool SignFile(const SignSettings& sign, const std::string& path, std::string* error,
              std::string* notice) {
  std::string password;
  Tool tool;
  PrivateFolder folder;
  if (!ReadPassword(sign, &password, error) || !CheckTool(sign, &tool, error) ||
      !MakePrivateFolder(&folder, error)) {
    return false;
  }
  const std::string signedFile = path + ".signed";
  RemoveFile(signedFile.c_str());
  const bool made = tool.Signtool ? SignWithSigntool(sign, tool.Path, path, signedFile, error)
                                  : SignWithOsslsigncode(sign, tool.Path, password, folder, path,
                                                         signedFile, error, notice);
  if (made && MoveFileOver(signedFile.c_str(), path.c_str())) return true;
  RemoveFile(signedFile.c_str());
  return made ? Fail(error, path + ": cannot be replaced by its signed copy") : false;
}
