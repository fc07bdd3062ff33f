#pragma once

#include <jni.h>

/// Reads the Main-Class of LaunchConfig.MainJar's manifest (the path AssembleClassPath
/// left there) through the machine's own java.util.jar, as `java -jar` does, blanks
/// around the value trimmed, into LaunchConfig.MainClass (internal form, '/' between
/// package parts). False after a reported failure (MsgLocateClass with "Main-Class in
/// <archive>: its manifest names no main class" when the manifest has no Main-Class or
/// a blank one).
bool ReadMainClassFromJar(JNIEnv* env);
