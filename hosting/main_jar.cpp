#include "hosting/main_jar.h"

#include <string>

#include "core/launch_config.h"
#include "core/report.h"
#include "core/trace.h"
#include "hosting/class_path.h"
#include "hosting/hosted_vm.h"
#include "hosting/java_string.h"

bool ReadMainClassFromJar(JNIEnv* env) {
  const LaunchConfigRecord& c = LaunchConfig;
  const std::string path = ExpandVariables(c.MainJar.c_str());
  const std::string missing = "Main-Class in " + path;
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
  // Manifests may end a value with blanks; class names hold none.
  while (!mainClass.empty() && (mainClass.back() == ' ' || mainClass.back() == '\r')) {
    mainClass.pop_back();
  }
  for (char& ch : mainClass) {
    if (ch == '.') ch = '/';
  }
  Trace("main class %s from the manifest of %s", mainClass.c_str(), path.c_str());
  LaunchConfig.MainClass = mainClass;
  return true;
}
