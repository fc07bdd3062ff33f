#include "platform/runtime_layout.h"

// A 32-bit launcher loads only a 32-bit jvm.dll, a 64-bit one only a 64-bit one.
const ExecutableMachine LauncherMachine =
    sizeof(void*) == 8 ? ExecutableMachine::X86_64 : ExecutableMachine::I386;

// Java 9 and later keep the library in bin\server (bin\client in some 32-bit builds);
// a Java 8 development kit keeps it in its jre directory.
const char* const HomeLibraryPaths[] = {
    "bin\\server\\jvm.dll", "bin\\client\\jvm.dll", "jre\\bin\\server\\jvm.dll",
    "jre\\bin\\client\\jvm.dll", nullptr};

const char* const JavaProgramName = "java.exe";
const char* SystemJavaHomes = "";
const char PathListSeparator = ';';
