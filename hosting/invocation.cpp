#include "hosting/invocation.h"

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/split_arguments.h"
#include "core/trace.h"
#include "hosting/class_path.h"
#include "hosting/hosted_vm.h"
#include "hosting/java_string.h"
#include "hosting/main_jar.h"
#include "platform/directories.h"
#include "platform/file_system.h"

void (*MainCallAction)() = nullptr;

namespace {

constexpr const char* StopperThreadName = "Corvane stopper thread";
constexpr const char* MainMethod = "main(java/lang/String[])";

// A thread attached here stays attached until the object goes out of scope.
struct AttachedThread {
  bool Attached = false;
  ~AttachedThread() {
    if (Attached) HostedVm.Vm->DetachCurrentThread();
  }
};

bool AttachWithEnv(JNIEnv** env) {
  JavaVMAttachArgs arguments{};
  arguments.version = LaunchConfig.JniVersion;
  arguments.name = const_cast<char*>(StopperThreadName);
  arguments.group = nullptr;
  return HostedVm.Vm->AttachCurrentThread(reinterpret_cast<void**>(env), &arguments) == 0;
}

bool Attach(AttachedThread& guard, JNIEnv** env) {
  if (!AttachWithEnv(env)) {
    ReportError(LaunchConfig.MsgAttachThread.c_str());
    return false;
  }
  guard.Attached = true;
  return true;
}

// Whether two names lead to one file, as the file system tells it (volume and file
// index, or device and inode): letter case, relative and absolute forms, "." and
// "..", '/' for '\\' and short names all lead to the same file.
bool NameTheSameFile(const char* first, const char* second) {
  DirectoryIdentity a;
  DirectoryIdentity b;
  return ReadDirectoryIdentity(first, &a) && ReadDirectoryIdentity(second, &b) &&
         a.Volume == b.Volume && a.Index == b.Index;
}

bool RedirectConfiguredStreams(JNIEnv* env) {
  const LaunchConfigRecord& c = LaunchConfig;
  jobject out = nullptr;
  if (!c.StdoutFile.empty()) {
    out = OpenJavaPrintStream(env, c.StdoutFile.c_str());
    if (out == nullptr || !SetJavaStream(env, out, "setOut")) return false;
  }
  if (c.StderrFile.empty()) return true;
  // A second stream on the file that System.out writes to would empty it again and
  // write over it: when StderrFile names that file, however written, System.err
  // shares System.out's stream. The stream has made the file, so it can be compared.
  if (out != nullptr && NameTheSameFile(c.StdoutFile.c_str(), c.StderrFile.c_str())) {
    return SetJavaStream(env, out, "setErr");
  }
  return RedirectJavaStream(env, c.StderrFile.c_str(), "setErr");
}

// The text of `thrown` (Throwable.toString); empty when it cannot be had. Leaves no
// exception pending.
std::string ThrowableText(JNIEnv* env, jthrowable thrown) {
  std::string text;
  jclass throwable = env->FindClass("java/lang/Throwable");
  jmethodID toString = throwable == nullptr
                           ? nullptr
                           : env->GetMethodID(throwable, "toString", "()Ljava/lang/String;");
  auto value =
      toString == nullptr ? nullptr : static_cast<jstring>(env->CallObjectMethod(thrown, toString));
  const char* chars = value == nullptr ? nullptr : env->GetStringUTFChars(value, nullptr);
  if (chars != nullptr) {
    text = chars;
    env->ReleaseStringUTFChars(value, chars);
  }
  if (env->ExceptionCheck() == JNI_TRUE) env->ExceptionClear();
  return text;
}

// The class path the machine searched, one entry a line below a heading.
std::string SearchedClassPath() {
  if (AssembledClassPath.empty()) return "The class path is empty.";
  std::string text = "The class path searched:";
  constexpr std::size_t Shown = 10;
  for (std::size_t i = 0; i < AssembledClassPath.size() && i < Shown; ++i) {
    text += "\n- " + AssembledClassPath[i];
  }
  if (AssembledClassPath.size() > Shown) {
    text += "\n- and " + std::to_string(AssembledClassPath.size() - Shown) + " more";
  }
  return text;
}

// Reports a main class that FindClass did not give, its exception pending. A class
// that is not on the class path at all is a mistake in the configuration: one report
// names it as users write it, with dots, and the class path searched, and the
// runtime's account goes to the trace only. Any other failure to load it (a class it
// needs is missing, the file holds another name or a newer class version) keeps the
// runtime's account on the error stream before the report.
void ReportMainClassFailure(JNIEnv* env, const std::string& name) {
  const LaunchConfigRecord& c = LaunchConfig;
  std::string dotted = name;
  for (char& ch : dotted) {
    if (ch == '/') ch = '.';
  }
  jthrowable thrown = env->ExceptionOccurred();
  if (thrown == nullptr) {
    ReportError(c.MsgLocateClass.c_str(), dotted.c_str());
    return;
  }
  env->ExceptionClear();
  const std::string text = ThrowableText(env, thrown);
  Trace("main class %s not loaded: %s", name.c_str(), text.c_str());
  if (text == "java.lang.NoClassDefFoundError: " + name) {
    const std::string report = FormatReport(c.MsgLocateClass.c_str(), dotted.c_str());
    RouteReport(ReportKind::Error, (report + "\n" + SearchedClassPath()).c_str());
    return;
  }
  env->Throw(thrown);
  CheckJavaException(env);
  ReportError(c.MsgLocateClass.c_str(), dotted.c_str());
}

bool CallMain(JNIEnv* env, int argCount, char** args, const std::u16string* javaArgs,
              bool firstCall) {
  const LaunchConfigRecord& c = LaunchConfig;
  if (c.MainClass.empty() && !c.MainJar.empty() && !ReadMainClassFromJar(env)) return false;
  jclass mainClass = env->FindClass(c.MainClass.c_str());
  if (mainClass == nullptr || env->ExceptionCheck() == JNI_TRUE) {
    ReportMainClassFailure(env, c.MainClass);
    return false;
  }
  jmethodID main = env->GetStaticMethodID(mainClass, "main", "([Ljava/lang/String;)V");
  if (JavaCallFailed(env, main, c.MsgLocateMethod, MainMethod)) return false;
  // Java copies every argument, so the split AppOptions need not outlive the call.
  ArgumentVector defaults;
  if (argCount == 0) {
    defaults = SplitArguments(c.AppOptions.c_str(), false);
    argCount = defaults.Count;
    args = defaults.Vector();
    javaArgs = nullptr;
  }
  jclass stringClass = env->FindClass("java/lang/String");
  if (JavaCallFailed(env, stringClass, c.MsgInstantiate, "java/lang/String[]")) return false;
  if (Tracing()) {
    Trace("main class %s, %d argument%s", c.MainClass.c_str(), argCount, argCount == 1 ? "" : "s");
    for (int i = 0; i < argCount; ++i) Trace("argument %d: %s", i, args[i]);
  }
  jobjectArray array = env->NewObjectArray(argCount, stringClass, nullptr);
  if (JavaCallFailed(env, array, c.MsgInstantiate, "java/lang/String[]")) return false;
  for (int i = 0; i < argCount; ++i) {
    jstring text =
        javaArgs != nullptr ? NewJavaString(env, javaArgs[i]) : NewJavaString(env, args[i]);
    if (JavaCallFailed(env, text, c.MsgInstantiate, "java/lang/String")) return false;
    env->SetObjectArrayElement(array, i, text);
    if (JavaCallThrew(env, c.MsgAssignArgument, args[i])) return false;
  }
  if (firstCall && MainCallAction != nullptr) MainCallAction();
  env->CallStaticVoidMethod(mainClass, main, array);
  const bool threw = JavaCallThrew(env, c.MsgInvokeMethod, MainMethod);
  Trace("main %s", threw ? "ended with an exception" : "returned");
  return !threw;
}

}  // namespace

bool SetJavaSystemProperty(JNIEnv* env, const char* name, const char* value) {
  const LaunchConfigRecord& c = LaunchConfig;
  jstring key = NewJavaString(env, name);
  if (JavaCallFailed(env, key, c.MsgInstantiate, "java/lang/String")) return false;
  jstring text = NewJavaString(env, value);
  if (JavaCallFailed(env, text, c.MsgInstantiate, "java/lang/String")) return false;
  jclass system = env->FindClass("java/lang/System");
  if (JavaCallFailed(env, system, c.MsgLocateClass, "java/lang/System")) return false;
  jmethodID setProperty = env->GetStaticMethodID(
      system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
  if (JavaCallFailed(env, setProperty, c.MsgLocateMethod, "setProperty")) return false;
  env->CallStaticObjectMethod(system, setProperty, key, text);
  return !JavaCallThrew(env, c.MsgInvokeMethod, "setProperty");
}

bool ReadJavaSystemProperty(JNIEnv* env, const char* name, std::string* value) {
  jclass system = env->FindClass("java/lang/System");
  jmethodID getProperty =
      system == nullptr
          ? nullptr
          : env->GetStaticMethodID(system, "getProperty", "(Ljava/lang/String;)Ljava/lang/String;");
  jstring key = getProperty == nullptr ? nullptr : env->NewStringUTF(name);
  jobject text = key == nullptr ? nullptr : env->CallStaticObjectMethod(system, getProperty, key);
  if (env->ExceptionCheck() == JNI_TRUE) {
    env->ExceptionClear();
    return false;
  }
  if (text == nullptr) return false;
  const auto string = static_cast<jstring>(text);
  const jsize length = env->GetStringUTFLength(string);
  value->assign(static_cast<std::size_t>(length), '\0');
  env->GetStringUTFRegion(string, 0, env->GetStringLength(string), &(*value)[0]);
  return true;
}

bool InvokeApplication(int argCount, char** args, bool attachThread,
                       const std::u16string* javaArgs) {
  AttachedThread guard;
  JNIEnv* env = HostedVm.CreatorEnv;
  if (attachThread && !Attach(guard, &env)) return false;

  std::string directory;
  if (!ReadCurrentDirectory(&directory)) {
    ReportLastSystemError("CURRENT_DIR");
    ReportError(LaunchConfig.MsgFileAccess.c_str(), "CURRENT_DIR");
    return false;
  }
  if (!SetJavaSystemProperty(env, "user.dir", directory.c_str())) return false;
  // The stop call runs while the application still writes to the files that the
  // first call opened: opening them again would empty them, so it leaves them.
  if (!attachThread && !RedirectConfiguredStreams(env)) return false;
  return CallMain(env, argCount, args, javaArgs, !attachThread);
}

bool AttachStopperThread() {
  JNIEnv* env = nullptr;
  return AttachWithEnv(&env);
}

bool RequestApplicationExit() {
  const LaunchConfigRecord& c = LaunchConfig;
  AttachedThread guard;
  JNIEnv* env = nullptr;
  if (!Attach(guard, &env)) return false;
  jclass system = env->FindClass("java/lang/System");
  if (JavaCallFailed(env, system, c.MsgLocateClass, "java/lang/System")) return false;
  jmethodID exit = env->GetStaticMethodID(system, "exit", "(I)V");
  if (JavaCallFailed(env, exit, c.MsgLocateMethod, "exit(int)")) return false;
  env->CallStaticVoidMethod(system, exit, 0);
  return !JavaCallThrew(env, c.MsgInvokeMethod, "exit(int)");
}
