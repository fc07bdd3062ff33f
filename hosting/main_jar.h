#pragma once

#include <jni.h>

/// Reads the Main-Class of LaunchConfig.MainJar's manifest through the machine's own
/// java.util.jar, as `java -jar` does, into LaunchConfig.MainClass (internal form, '/'
/// between package parts). False after a reported failure (MsgLocateClass with
/// "Main-Class in <archive>" when the manifest names none).
bool ReadMainClassFromJar(JNIEnv* env);
