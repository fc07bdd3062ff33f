#pragma once

#include <jni.h>

#include <string>

/// Calls MainClass's static main(String[]) with `args` (`argCount` texts), or with
/// the tokens of AppOptions when `argCount` is 0. Without `attachThread` it runs on
/// the creating thread, in the directory CreateVirtualMachine entered, and redirects
/// Java's streams as configured. With
/// `attachThread` the calling thread is attached as "Corvane stopper thread" for the
/// call and detached on every way out. Before the call "user.dir" is set to the
/// current directory. True when main returned without an exception; false after a
/// reported failure. Java receives each argument converted from the launcher text or,
/// when `javaArgs` is given (`argCount` texts, parallel to `args`), those texts as
/// they are; failure reports name the launcher text.
bool InvokeApplication(int argCount, char** args, bool attachThread,
                       const std::u16string* javaArgs = nullptr);

/// When set, InvokeApplication calls it on the calling thread right before the first
/// call of main (not before a stop call), once the class and its method are found and
/// the arguments made: the application is starting. Null: nothing is called.
extern void (*MainCallAction)();

/// Sets the Java system property `name` to `value`. False after a reported failure.
bool SetJavaSystemProperty(JNIEnv* env, const char* name, const char* value);

/// The Java system property `name` (a name in ASCII) in modified UTF-8, read with
/// System.getProperty, without a report: false when it is not set or cannot be read.
bool ReadJavaSystemProperty(JNIEnv* env, const char* name, std::string* value);

/// Attaches the calling thread as "Corvane stopper thread", without a report: true
/// when it is attached (already or now). The thread then counts among the
/// application's threads until it detaches, which InvokeApplication and
/// RequestApplicationExit do at their end.
bool AttachStopperThread();

/// Attaches the calling thread and calls System.exit(0); when that takes effect the
/// process ends inside the call. False after a reported failure; true only when
/// System.exit came back without an exception.
bool RequestApplicationExit();
