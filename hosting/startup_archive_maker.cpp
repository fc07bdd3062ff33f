#include "hosting/startup_archive_maker.h"

#include <jni.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include "archive/folders.h"
#include "archive/request.h"
#include "archive/rules.h"
#include "core/trace.h"
#include "hosting/hosted_vm.h"
#include "platform/directories.h"
#include "platform/file_operations.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/process_start.h"
#include "runtime/java_home.h"

namespace {

// A failure on a nearly full volume is not the key's fault: it is not remembered.
constexpr unsigned long long MinimumFreeBytes = 256ULL << 20;

// How long the making waits for the application's process to end. It asks for the
// archive at its end: what follows takes moments, unless the process hangs.
constexpr int ParentWaitSeconds = 10 * 60;

// The keys per application whose archives (or refusals) the cache keeps: alternating
// configurations (another runtime, other options) each keep theirs.
constexpr std::size_t KeptKeys = 4;

// The exit code of a dump or check whose runtime refused to create the machine, as
// HotSpot's own exit during the creation gives; one the role gives before it reaches
// the runtime (no request, no library) differs.
constexpr int RuntimeRefused = 1;
constexpr int RoleFailed = 2;

// The options a runtime reads from the environment. Agents and debuggers there
// would make the dump fail; the layout options among them are in the request.
const char* const OptionVariables[] = {"JAVA_TOOL_OPTIONS", "_JAVA_OPTIONS", "JDK_JAVA_OPTIONS"};

// The dump (HotSpot ends the process within the creation, with 0 once the archive is
// written) or the check (the runtime must map the archive and verify its regions).
int RunRuntime(bool dump, const std::string& requestPath, const std::string& work) {
  ArchiveRequest request;
  if (!ReadArchiveRequest(requestPath, &request)) return RoleFailed;
  LibraryHandle library = LoadRuntimeLibrary(request.Library.c_str());
  const auto create = reinterpret_cast<CreateJavaVmEntry>(
      library == nullptr ? nullptr : FindLibraryEntry(library, "JNI_CreateJavaVM"));
  if (create == nullptr) return RoleFailed;
  const std::string archive = "-XX:SharedArchiveFile=" + ArchiveFileIn(work);
  std::vector<std::string> texts;
  if (dump) {
    texts = {"-Xshare:dump", "-XX:SharedClassListFile=" + request.List, archive,
             "-Xlog:class+path=info"};
    if (request.AheadOfTimeLinking) texts.push_back("-XX:+AOTClassLinking");
  } else {
    texts = {"-Xshare:on", archive, "-XX:+VerifySharedSpaces"};
  }
  texts.insert(texts.end(), request.Options.begin(), request.Options.end());
  std::vector<JavaVMOption> options;
  for (std::string& text : texts) options.push_back({&text[0], nullptr});
  JavaVMInitArgs arguments{};
  arguments.version = JNI_VERSION_1_2;
  arguments.nOptions = static_cast<jint>(options.size());
  arguments.options = options.data();
  arguments.ignoreUnrecognized = JNI_TRUE;
  JavaVM* vm = nullptr;
  void* env = nullptr;
  if (create(&vm, &env, &arguments) != 0) return RuntimeRefused;
  vm->DestroyJavaVM();
  return 0;
}

// Runs one of the two runtimes; false with the reason when it failed. `*refused` says
// whether the runtime itself refused, by its exit and its words; anything else (the
// program or its directory gone, a signal, the request or the library unreadable)
// passes.
bool RunStep(const char* role, const std::string& requestPath, const ArchiveRequest& request,
             const std::string& work, std::string* output, std::string* reason, bool* refused) {
  char executable[1024];
  const std::string log = JoinPath(work, (std::string(role) + ".log").c_str());
  int status = 0;
  if (!ReadExecutablePath(executable, sizeof executable) ||
      !RunChildProcess({executable, StartupArchiveSwitch, role, requestPath, work},
                       request.Directory.c_str(), log.c_str(), &status)) {
    *reason = std::string("the ") + role + " could not be started: " + LastErrorText();
    return false;
  }
  ReadWholeFile(log, output);
  RemoveFile(log.c_str());
  if (status == 0 && CanOpenForReading(ArchiveFileIn(work).c_str())) return true;
  const std::string line = FailureLine(*output);
  *refused = status == RuntimeRefused && !line.empty();
  *reason = std::string("the ") + role + " ended with " + std::to_string(status) +
            (line.empty() ? std::string() : ": " + line);
  return false;
}

// The recorded list up to its last whole line: a run that ran out of space may have
// cut a line.
bool CutClassList(const std::string& list, std::string* reason) {
  std::string text;
  if (ReadWholeFile(list, &text)) text.erase(text.rfind('\n') + 1);
  if (text.empty()) {
    *reason = "the run recorded no classes";
    return false;
  }
  return WriteWholeFile(list, text) || (*reason = "cannot write " + list, false);
}

bool MakeFolder(const std::string& requestPath, const ArchiveRequest& request, std::string* reason,
                bool* refused) {
  const std::string work = request.Folder + "." + std::to_string(CurrentProcessId()) + ".tmp";
  if (!CutClassList(request.List, reason)) return false;
  if (!MakeDirectory(work.c_str())) {
    *reason = "cannot make " + work;
    return false;
  }
  for (const char* name : OptionVariables) DropEnvironmentVariable(name);
  std::string dumped, checked;
  if (!RunStep("dump", requestPath, request, work, &dumped, reason, refused) ||
      !RunStep("check", requestPath, request, work, &checked, reason, refused)) {
    RemoveArchiveFolder(work);
    return false;
  }
  // The key also stamps the files that the runtime opened (the jars that manifests
  // name) and the archive itself, which a start then finds changed when something
  // overwrote or cut it.
  const std::string archive = ArchiveFileIn(work);
  if (!FlushFileToDisk(archive.c_str())) {
    RemoveArchiveFolder(work);
    *reason = "cannot write " + archive;
    return false;
  }
  const std::string key = request.Key + StampLines(ClassPathFilesInLog(dumped, request.Directory)) +
                          StampLine(ArchiveFileIn(request.Folder), archive);
  if (!WriteWholeFile(KeyFileIn(work), key) || !FlushFileToDisk(KeyFileIn(work).c_str())) {
    RemoveArchiveFolder(work);
    *reason = "cannot write " + KeyFileIn(work);
    return false;
  }
  // The old archive of this key may still be mapped by a running application (Windows
  // keeps it then): a later run tries again.
  if (!PutArchiveFolderInPlace(work, request.Folder, request.Key)) {
    RemoveArchiveFolder(work);
    *reason = "cannot put " + work + " in place";
    return false;
  }
  return true;
}

// Only what the runtime refused is the key's fault; a later run tries again after
// anything else.
void RememberFailure(const ArchiveRequest& request, const std::string& reason, bool refused) {
  const std::string directory = ParentPath(request.Folder);
  unsigned long long available = 0;
  if (!refused) {
    Trace("startup archive: making %s failed for now: %s", request.Folder.c_str(), reason.c_str());
    return;
  }
  if (ReadFreeSpace(directory.c_str(), &available) && available < MinimumFreeBytes) {
    Trace("startup archive: making %s failed, with only %lu MiB free: %s", request.Folder.c_str(),
          static_cast<unsigned long>(available >> 20), reason.c_str());
    return;
  }
  WriteWholeFile(request.Folder + RefusedSuffix, FailureText(reason, {}));
  Trace("startup archive: making %s failed: %s", request.Folder.c_str(), reason.c_str());
}

void MakeArchive(const std::string& requestPath) {
  ArchiveRequest request;
  if (!ReadArchiveRequest(requestPath, &request)) {
    Trace("startup archive: cannot read the request %s", requestPath.c_str());
    return;
  }
  // The runtime's class list is whole once the process has ended.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(ParentWaitSeconds);
  while (ProcessIsRunning(request.Parent) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::string reason;
  if (ProcessIsRunning(request.Parent)) {
    Trace("startup archive: the application's process %lu did not end", request.Parent);
  } else if (!TakeArchiveMaking(request.Folder)) {
    Trace("startup archive: another process makes %s", request.Folder.c_str());
  } else {
    std::string stored;
    if (ReadWholeFile(KeyFileIn(request.Folder), &stored) &&
        StoredKeyMatches(stored, request.Key)) {
      Trace("startup archive: %s was made meanwhile", request.Folder.c_str());
    } else if (bool refused = false; MakeFolder(requestPath, request, &reason, &refused)) {
      Trace("startup archive made: %s", request.Folder.c_str());
    } else {
      RememberFailure(request, reason, refused);
    }
    EndArchiveMaking(request.Folder);
    KeepRecentKeys(ParentPath(request.Folder), KeptKeys);
  }
  RemoveFile(request.List.c_str());
  RemoveFile(requestPath.c_str());
}

}  // namespace

bool IsStartupArchiveRun(int count, char** vector) {
  return count >= 2 && vector[1] != nullptr && std::strcmp(vector[1], StartupArchiveSwitch) == 0;
}

int RunStartupArchiveRole(int count, char** vector) {
  const std::string role = count >= 3 ? vector[2] : "";
  if (role == "make" && count == 4) {
    MakeArchive(vector[3]);
    return 0;
  }
  if ((role == "dump" || role == "check") && count == 5) {
    return RunRuntime(role == "dump", vector[3], vector[4]);
  }
  // Whoever typed it learns that the application was not started, and why. (Not
  // through printf: MinGW's would grow the Windows launcher by 27 KiB.)
  std::fputs((std::string(StartupArchiveSwitch) +
              " is the launcher's own switch (make REQUEST, dump or check REQUEST FOLDER); "
              "the application was not started\n")
                 .c_str(),
             stderr);
  return RoleFailed;
}
