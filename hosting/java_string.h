#pragma once

#include <jni.h>

#include <string>

/// A Java string of the launcher text `text`, converted to UTF-16 by TextToUtf16 and
/// made with NewString. Null when the machine could not make it; the caller checks
/// the call like any other JNI call.
jstring NewJavaString(JNIEnv* env, const char* text);

/// A Java string of the UTF-16 `text` as it is.
jstring NewJavaString(JNIEnv* env, const std::u16string& text);
