#include "hosting/main_jar.h"

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "hosting/hosted_vm.h"
#include "hosting/java_string.h"

bool ReadMainClassFromJar(JNIEnv* env) {
  const LaunchConfigRecord& c = LaunchConfig;
  // AssembleClassPath has expanded the archive's path and made it absolute.
  const std::string path = c.MainJar;
  const std::string missing = "Main-Class in " + path + ": its manifest names no main class";
  jstring name = NewJavaString(env, path.c_str());
  if (JavaCallFailed(env, name, c.MsgInstantiate, "java/lang/String")) return false;
  jclass jarFile = env->FindClass("java/util/jar/JarFile");
  if (JavaCallFailed(env, jarFile, c.MsgLocateClass, "java/util/jar/JarFile")) return false;
  jmethodID open = env->GetMethodID(jarFile, "<init>", "(Ljava/lang/String;)V");
  if (JavaCallFailed(env, open, c.MsgLocateMethod, "java/util/jar/JarFile(String)")) return false;
  jobject jar = env->NewObject(jarFile, open, name);
  if (JavaCallFailed(env, jar, c.MsgFileAccess, path.c_str())) return false;
  jmethodID getManifest = env->GetMethodID(jarFile, "getManifest", "()Ljava/util/jar/Manifest;");
  if (JavaCallFailed(env, getManifest, c.MsgLocateMethod, "getManifest")) return false;
  jobject manifest = env->CallObjectMethod(jar, getManifest);
  if (JavaCallFailed(env, manifest, c.MsgLocateClass, missing.c_str())) return false;
  jclass manifestClass = env->GetObjectClass(manifest);
  jmethodID getAttributes =
      env->GetMethodID(manifestClass, "getMainAttributes", "()Ljava/util/jar/Attributes;");
  if (JavaCallFailed(env, getAttributes, c.MsgLocateMethod, "getMainAttributes")) return false;
  jobject attributes = env->CallObjectMethod(manifest, getAttributes);
  if (JavaCallFailed(env, attributes, c.MsgLocateClass, missing.c_str())) return false;
  jmethodID getValue = env->GetMethodID(env->GetObjectClass(attributes), "getValue",
                                        "(Ljava/lang/String;)Ljava/lang/String;");
  if (JavaCallFailed(env, getValue, c.MsgLocateMethod, "getValue")) return false;
  jstring key = NewJavaString(env, "Main-Class");
  if (JavaCallFailed(env, key, c.MsgInstantiate, "java/lang/String")) return false;
  auto value = static_cast<jstring>(env->CallObjectMethod(attributes, getValue, key));
  if (JavaCallFailed(env, value, c.MsgLocateClass, missing.c_str())) return false;
  jmethodID close = env->GetMethodID(jarFile, "close", "()V");
  if (close != nullptr) env->CallVoidMethod(jar, close);
  CheckJavaException(env);  // an archive that cannot be closed costs nothing here

  const char* text = env->GetStringUTFChars(value, nullptr);
  if (JavaCallFailed(env, text, c.MsgInstantiate, "java/lang/String")) return false;
  std::string mainClass = text;
  env->ReleaseStringUTFChars(value, text);
  // The manifest reader keeps what stands after "Main-Class: " as it is; `java -jar`
  // trims it on both sides (String.trim), and class names hold no blanks.
  const std::size_t first = mainClass.find_first_not_of(" \t\r\n");
  const std::size_t last = mainClass.find_last_not_of(" \t\r\n");
  mainClass =
      first == std::string::npos ? std::string() : mainClass.substr(first, last - first + 1);
  if (mainClass.empty()) {
    ReportError(c.MsgLocateClass.c_str(), missing.c_str());
    return false;
  }
  for (char& ch : mainClass) {
    if (ch == '.') ch = '/';
  }
  Trace("main class %s from the manifest of %s", mainClass.c_str(), path.c_str());
  LaunchConfig.MainClass = mainClass;
  return true;
}
