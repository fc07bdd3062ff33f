#include "hosting/java_string.h"

#include "platform/text_encoding.h"

// NewStringUTF would take the bytes as modified UTF-8, which neither an ANSI code page
// nor UTF-8 beyond the Basic Multilingual Plane is: every text goes through UTF-16.
jstring NewJavaString(JNIEnv* env, const char* text) {
  return NewJavaString(env, TextToUtf16(text));
}

jstring NewJavaString(JNIEnv* env, const std::u16string& text) {
  return env->NewString(reinterpret_cast<const jchar*>(text.data()),
                        static_cast<jsize>(text.size()));
}
