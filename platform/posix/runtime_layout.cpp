#include "platform/runtime_layout.h"

// Java 8 names the architecture in the library's path: jre/lib/amd64/server.
#if defined(__x86_64__)
const ExecutableMachine LauncherMachine = ExecutableMachine::X86_64;
#define CORVANE_JAVA8_ARCH "amd64"
#elif defined(__i386__)
const ExecutableMachine LauncherMachine = ExecutableMachine::I386;
#define CORVANE_JAVA8_ARCH "i386"
#elif defined(__aarch64__)
const ExecutableMachine LauncherMachine = ExecutableMachine::Arm64;
#define CORVANE_JAVA8_ARCH "aarch64"
#else
const ExecutableMachine LauncherMachine = ExecutableMachine::Other;
#define CORVANE_JAVA8_ARCH "unknown"
#endif

// The last entry is a Java 8 runtime environment's own home (java on PATH leads there).
const char* const HomeLibraryPaths[] = {
    "lib/server/libjvm.so", "lib/client/libjvm.so", "jre/lib/" CORVANE_JAVA8_ARCH "/server/libjvm.so",
    "lib/" CORVANE_JAVA8_ARCH "/server/libjvm.so", nullptr};

const char* const JavaProgramName = "java";
const char* SystemJavaHomes = "/usr/lib/jvm";
const char PathListSeparator = ':';
