#pragma once

#include <jni.h>

#include <string>

#include "platform/library.h"

using CreateJavaVmEntry = jint(JNICALL*)(JavaVM**, void**, void*);
using GetDefaultInitArgsEntry = jint(JNICALL*)(void*);

/// The one hosted virtual machine of the process. Written once by the creating
/// thread before any other thread reads it; never freed.
struct HostedVmRecord {
  LibraryHandle Library = nullptr;
  CreateJavaVmEntry CreateJavaVm = nullptr;
  GetDefaultInitArgsEntry GetDefaultInitArgs = nullptr;  // must exist; never called
  JavaVM* Vm = nullptr;
  JNIEnv* CreatorEnv = nullptr;  // valid on the creating thread only
};

extern HostedVmRecord HostedVm;

/// When set (before CreateVirtualMachine), the runtime calls it with the status when
/// the application ends the process with System.exit, after the start-up archive's work
/// and just before the process ends. Null: the runtime gets no hook of this kind.
extern void (*MachineExitAction)(int status);

/// Finds and loads the runtime, assembles the class path, enters the directory the
/// application starts in (ApplyWorkingDirectory, unless WorkingDirectoryBeforeJvm did
/// before the search) and creates the machine on the calling thread. With
/// `attachConsole` (the service run) the process gets a console and Java's streams are
/// pointed at it. False after a reported failure; then nothing is to be torn down.
bool CreateVirtualMachine(bool attachConsole);

/// Detaches the creating thread, destroys the machine (waiting for the application's
/// non-daemon threads) and unloads the library. Reports nothing.
void DestroyVirtualMachine();

/// The first two steps of DestroyVirtualMachine: the creating thread detaches and the
/// machine is destroyed; the library stays loaded.
void TearDownVirtualMachine();

/// The last step of DestroyVirtualMachine: unloads the runtime library. Only once no
/// thread can call into it any more.
void UnloadVirtualMachineLibrary();

/// True when a Java exception was pending; it has been described and cleared.
bool CheckJavaException(JNIEnv* env);

/// Checks one JNI call: a pending exception (described and cleared) or a null
/// `result` is a failure, reported as `message` with `argument`. True on failure.
bool JavaCallFailed(JNIEnv* env, const void* result, const std::string& message,
                    const char* argument);

/// Checks a JNI call without a result: a pending exception (described and cleared)
/// is a failure, reported as `message` with `argument`. True on failure.
bool JavaCallThrew(JNIEnv* env, const std::string& message, const char* argument);

/// Points System.out ("setOut") or System.err ("setErr") at `fileName`, created or
/// emptied. False after a reported failure.
bool RedirectJavaStream(JNIEnv* env, const char* fileName, const char* setterName);

/// Makes a java.io.PrintStream on `fileName`, created or emptied: the first seven
/// steps of RedirectJavaStream. Null after a reported failure.
jobject OpenJavaPrintStream(JNIEnv* env, const char* fileName);

/// Points System.out ("setOut") or System.err ("setErr") at `stream`: the last
/// three steps of RedirectJavaStream. False after a reported failure.
bool SetJavaStream(JNIEnv* env, jobject stream, const char* setterName);
