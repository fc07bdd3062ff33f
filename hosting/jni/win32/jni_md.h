// Machine-dependent JNI types and linkage for Windows. jni.h includes "jni_md.h";
// with this directory ahead of the JDK's include directory (and the JDK's own
// platform subdirectory off the include path) jni.h gets the Windows calling
// convention and 32-bit jint that a Windows jvm.dll uses, whatever the build host.
#ifndef CORVANE_JNI_MD_H_
#define CORVANE_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif  // CORVANE_JNI_MD_H_
