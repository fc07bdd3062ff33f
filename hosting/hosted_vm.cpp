#include "hosting/hosted_vm.h"

#include <vector>

#include "archive/startup_archive.h"
#include "core/current_directory.h"
#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "hosting/class_path.h"
#include "hosting/invocation.h"
#include "hosting/java_options.h"
#include "hosting/java_string.h"
#include "one_file/embedded_archives.h"
#include "platform/console.h"
#include "platform/text_locale.h"
#include "runtime/runtime_location.h"

HostedVmRecord HostedVm;
void (*MachineExitAction)(int status) = nullptr;

namespace {

// The creation arguments live as long as the process, as the machine may keep them:
// never destroyed, not even while the process ends around the machine's threads.
std::vector<std::string>& VmOptionTexts = *new std::vector<std::string>();
std::vector<JavaVMOption>& VmOptions = *new std::vector<JavaVMOption>();

// The runtime keeps the last hook it is given, so this one, behind the archive's
// options, takes over the archive's work at the end as well.
void JNICALL CallMachineExitAction(jint status) {
  FinishStartupArchive(true);
  MachineExitAction(static_cast<int>(status));
}

bool LoadRuntime() {
  // The runtime takes the encoding of file names from the locale: under C that is
  // ASCII, and a class path below a folder named beyond ASCII is never found.
  const std::string locale = PreferUtf8Locale();
  if (!locale.empty()) {
    Trace("locale C or POSIX: LC_CTYPE set to %s for the runtime", locale.c_str());
  }
  const char* path = LaunchConfig.RuntimeLibrary.c_str();
  HostedVm.Library = LoadRuntimeLibrary(path);
  if (HostedVm.Library == nullptr) {
    // One report: the configured message, then the system's reason on a line below.
    std::string text = FormatReport(LaunchConfig.MsgLoadJvm.c_str(), path);
    const std::string reason = LibraryLoadFailure(path);
    Trace("loading %s failed: %s", path, reason.c_str());
    if (!reason.empty()) text += "\n" + reason;
    RouteReport(ReportKind::Error, text.c_str());
    return false;
  }
  HostedVm.CreateJavaVm =
      reinterpret_cast<CreateJavaVmEntry>(FindLibraryEntry(HostedVm.Library, "JNI_CreateJavaVM"));
  HostedVm.GetDefaultInitArgs = reinterpret_cast<GetDefaultInitArgsEntry>(
      FindLibraryEntry(HostedVm.Library, "JNI_GetDefaultJavaVMInitArgs"));
  if (HostedVm.CreateJavaVm == nullptr || HostedVm.GetDefaultInitArgs == nullptr) {
    ReportError(LaunchConfig.MsgNoJniInterfaces.c_str(), path);
    return false;
  }
  return true;
}

bool StartMachine() {
  VmOptionTexts = JavaOptionsFromText(LaunchConfig.JvmOptions.c_str());
  // In front, so that the configured options have the last word.
  VmOptions = StartupArchiveOptions(VmOptionTexts);
  if (MachineExitAction != nullptr) {
    VmOptions.push_back(
        {const_cast<char*>("exit"), reinterpret_cast<void*>(&CallMachineExitAction)});
  }
  for (const JavaVMOption& option : VmOptions) Trace("jvm option %s", option.optionString);
  for (std::string& text : VmOptionTexts) {
    JavaVMOption option{};
    option.optionString = &text[0];
    option.extraInfo = nullptr;
    VmOptions.push_back(option);
    Trace("jvm option %s", option.optionString);
  }
  JavaVMInitArgs arguments{};
  arguments.version = JNI_VERSION_1_2;
  arguments.nOptions = static_cast<jint>(VmOptions.size());
  arguments.options = VmOptions.empty() ? nullptr : VmOptions.data();
  arguments.ignoreUnrecognized = JNI_TRUE;
  void* env = nullptr;
  const jint created = HostedVm.CreateJavaVm(&HostedVm.Vm, &env, &arguments);
  Trace("JNI_CreateJavaVM gave %d", static_cast<int>(created));
  if (created != 0) {
    FinishStartupArchive(false);
    ReportError(LaunchConfig.MsgCreateJvm.c_str(), LaunchConfig.RuntimeLibrary.c_str());
    return false;
  }
  HostedVm.CreatorEnv = static_cast<JNIEnv*>(env);
  ConfirmStartupArchive([](std::string* info) {
    return ReadJavaSystemProperty(HostedVm.CreatorEnv, "java.vm.info", info);
  });
  return true;
}

}  // namespace

jobject OpenJavaPrintStream(JNIEnv* env, const char* fileName) {
  const LaunchConfigRecord& c = LaunchConfig;
  jstring name = NewJavaString(env, fileName);
  if (JavaCallFailed(env, name, c.MsgInstantiate, "java/lang/String")) return nullptr;
  jclass fileStream = env->FindClass("java/io/FileOutputStream");
  if (JavaCallFailed(env, fileStream, c.MsgLocateClass, "java/io/FileOutputStream")) {
    return nullptr;
  }
  jmethodID openFile = env->GetMethodID(fileStream, "<init>", "(Ljava/lang/String;Z)V");
  if (JavaCallFailed(env, openFile, c.MsgLocateMethod, "java/io/FileOutputStream(String, boolean)")) {
    return nullptr;
  }
  jobject file = env->NewObject(fileStream, openFile, name, JNI_FALSE);
  if (JavaCallFailed(env, file, c.MsgInstantiate, "java/io/FileOutputStream")) return nullptr;
  jclass printStream = env->FindClass("java/io/PrintStream");
  if (JavaCallFailed(env, printStream, c.MsgLocateClass, "java/io/PrintStream")) return nullptr;
  jmethodID wrap = env->GetMethodID(printStream, "<init>", "(Ljava/io/OutputStream;)V");
  if (JavaCallFailed(env, wrap, c.MsgLocateMethod, "java/io/PrintStream(java/io/OutputStream)")) {
    return nullptr;
  }
  jobject stream = env->NewObject(printStream, wrap, file);
  if (JavaCallFailed(env, stream, c.MsgInstantiate, "java/io/PrintStream")) return nullptr;
  return stream;
}

bool SetJavaStream(JNIEnv* env, jobject stream, const char* setterName) {
  const LaunchConfigRecord& c = LaunchConfig;
  jclass system = env->FindClass("java/lang/System");
  if (JavaCallFailed(env, system, c.MsgLocateClass, "java/lang/System")) return false;
  jmethodID setter = env->GetStaticMethodID(system, setterName, "(Ljava/io/PrintStream;)V");
  if (JavaCallFailed(env, setter, c.MsgLocateMethod, setterName)) return false;
  env->CallStaticVoidMethod(system, setter, stream);
  return !JavaCallThrew(env, c.MsgInvokeMethod, setterName);
}

bool JavaCallFailed(JNIEnv* env, const void* result, const std::string& message,
                    const char* argument) {
  if (!CheckJavaException(env) && result != nullptr) return false;
  ReportError(message.c_str(), argument);
  return true;
}

bool JavaCallThrew(JNIEnv* env, const std::string& message, const char* argument) {
  if (!CheckJavaException(env)) return false;
  ReportError(message.c_str(), argument);
  return true;
}

bool CheckJavaException(JNIEnv* env) {
  if (env->ExceptionCheck() != JNI_TRUE) return false;
  env->ExceptionDescribe();
  env->ExceptionClear();
  return true;
}

bool RedirectJavaStream(JNIEnv* env, const char* fileName, const char* setterName) {
  jobject stream = OpenJavaPrintStream(env, fileName);
  return stream != nullptr && SetJavaStream(env, stream, setterName);
}

bool CreateVirtualMachine(bool attachConsole) {
  if (LaunchConfig.WorkingDirectoryBeforeJvm && !ApplyWorkingDirectory(true)) return false;
  if (!LocateRuntime()) return false;
  if (!LoadRuntime()) return false;
  if (!PrepareEmbeddedArchives() || !AssembleClassPath()) return false;
  // The machine takes "user.dir" from the directory current at its creation and
  // resolves every relative path of java.nio.file against that value for good: the
  // application's directory is entered now, so that the process, java.io and NIO
  // agree on one directory. The runtime and the class path have been found already.
  if (!LaunchConfig.WorkingDirectoryBeforeJvm && !ApplyWorkingDirectory(false)) return false;
  if (!StartMachine()) return false;
  if (attachConsole) {
    const char* console = AttachServiceConsole();
    if (console != nullptr) {
      RedirectJavaStream(HostedVm.CreatorEnv, console, "setOut");
      RedirectJavaStream(HostedVm.CreatorEnv, console, "setErr");
    }
  }
  return true;
}

void DestroyVirtualMachine() {
  TearDownVirtualMachine();
  UnloadVirtualMachineLibrary();
}

void TearDownVirtualMachine() {
  HostedVm.Vm->DetachCurrentThread();
  HostedVm.Vm->DestroyJavaVM();
  FinishStartupArchive(true);
}

void UnloadVirtualMachineLibrary() { FreeRuntimeLibrary(HostedVm.Library); }
