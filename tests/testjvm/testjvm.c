/* testjvm: a stand-in for a Java runtime library (jvm.dll) in the end-to-end tests of
 * the Windows launcher. It exports the two JNI invocation entry points, gives a
 * JavaVM and JNIEnv whose every slot is filled, plays a tiny Java virtual machine
 * with a simulated application, and writes what it is asked to do to a log.
 *
 * Log: the file named by CORVANE_TESTJVM_LOG (nothing is logged when it is unset; a
 * path that starts with '/' is a host path and is opened on drive Z:). Java strings
 * are held in UTF-16, as a JVM holds them, and logged in UTF-8: the log shows every
 * character the launcher handed over. NewString takes UTF-16 as it is; NewStringUTF
 * decodes modified UTF-8 and counts anything else (an ANSI byte such as 0xEB, a
 * four-byte UTF-8 sequence) as an unexpected call, where a JVM would make a corrupt
 * string. A FileOutputStream opens its file by the UTF-16 name.
 *
 * Settings file: a process whose environment the test does not make (a service,
 * started by the service manager) finds both settings in "testjvm.env" beside this
 * DLL instead, one "NAME=value" a line: LOG=<path> for CORVANE_TESTJVM_LOG and
 * SCRIPT=<script> for CORVANE_TESTJVM_SCRIPT. A variable that is set, even empty,
 * wins over the file. Lines are
 * appended, each ended by "\n" and written with one WriteFile call on a file opened
 * for appending, so lines of several threads never mix. The lines:
 *
 *   create version=0x00010002 ignoreUnrecognized=1 nOptions=N options=null|array
 *   option=<text>                        one line per option, in order
 *   find_class <name>
 *   set_property <name>=<value>          System.setProperty
 *   get_property <name>                  System.getProperty
 *   redirect <setOut|setErr> <file>      System.setOut/setErr with a PrintStream on a
 *                                        FileOutputStream(file, false); " append" is
 *                                        added when the stream was opened to append
 *   main thread=<creator|attached> name=<attach name or empty> argc=N arg=<a> arg=<b>...
 *                                        (argc=null when main gets a null array)
 *   attach version=0x00010004 name=<name>
 *                                        (version=0x00000000 name= without attach args)
 *   attach refused                       AttachCurrentThread after DestroyJavaVM
 *                                        has returned: JNI_ERR, as a JVM gives
 *   shutdown hooks                       DestroyJavaVM runs the hooks of
 *                                        shutdown_hooks=MS (below)
 *   blocked <what>                       a call of a thread that attached during the
 *                                        shutdown hooks, which never comes back; also
 *                                        "blocked attach", an AttachCurrentThread
 *                                        after the hooks while DestroyJavaVM has not
 *                                        returned yet
 *   thread list held                     DestroyJavaVM has run the hooks and holds its
 *                                        thread list for good
 *   detach
 *   exception described
 *   exit <status>                        System.exit, or main_exit below
 *   dump priority=<below-normal|other> console=<none|present> window=<hidden|shown>
 *                                        -Xshare:dump: how the process was started
 *   archive <path>                       the class-data archive written, as below
 *   mapped <path>                        the archive of -XX:SharedArchiveFile= mapped
 *   not mapped <path>                    that archive passed over (share_refused)
 *   exit hook <status>                   the "exit" option's hook called
 *   destroy                              after the wait for attached threads
 *   unexpected JNI call <what>           a call no launcher should make; then
 *                                        ExitProcess(99). Also logged (without
 *                                        ending the process) when the library is
 *                                        unloaded while a thread is inside it
 *   timeout <what>                       a wait of five minutes ran out; then
 *                                        ExitProcess(98)
 *
 * Script: CORVANE_TESTJVM_SCRIPT, a comma-separated list read by JNI_CreateJavaVM;
 * absent or empty is a plain successful run.
 *
 *   create_fails      JNI_CreateJavaVM returns -1 (after logging its arguments)
 *   class_missing     FindClass of any application class (not java/...) fails
 *   missing=<class>   FindClass of that class fails (may be repeated)
 *   no_main           GetStaticMethodID "main" fails
 *   no_method=<name>  Get(Static)MethodID of that method name fails (may be repeated)
 *   main_throws       main returns with a pending java/lang/RuntimeException
 *   main_exit=N       main logs "exit N" and ends the process with status N
 *   main_blocks       the first main call waits until a second main call arrives
 *                     (from another, attached thread); that one logs and releases it
 *   ignore_stop       with main_blocks: the second main call logs and returns without
 *                     releasing the first, like an application deaf to its stop
 *                     arguments
 *   main_window=MS    main waits MS ms, shows a visible top-level window titled
 *                     "testjvm window", and returns 2 s later
 *   stdout=<text>     main prints the text and "\r\n" to System.out
 *   stderr=<text>     main prints the text and "\r\n" to System.err
 *   echo_stdin        main reads one line from System.in and prints "read: " and
 *                     the line to System.out
 *   attach_fails      AttachCurrentThread returns -1 (after logging)
 *   main_sleep=MS     the creating thread's main waits MS ms before it returns
 *                     (after the other items)
 *   slow_create=MS    JNI_CreateJavaVM waits MS ms before it creates the machine
 *   dump_fails        -Xshare:dump fails as HotSpot fails on a directory with files in
 *                     the class path
 *   dump_sleep=MS     -Xshare:dump waits MS ms before it writes the archive
 *   slow_attach=MS    AttachCurrentThread of a thread not yet attached waits MS ms
 *                     (after logging) before it attaches it, inside this library
 *   shutdown_hooks=MS DestroyJavaVM, once no attached thread is left, runs shutdown
 *                     hooks that take MS ms. As in HotSpot, a thread may attach while
 *                     they run (JNI_OK) and is not waited for, and its main call or
 *                     System.exit never returns: HotSpot blocks every thread that comes
 *                     back to it once it is gone. Without the item the hooks take no
 *                     time.
 *   late_exit=MS      DestroyJavaVM, once the hooks have run, holds its thread list
 *                     for good and returns MS ms later (HotSpot stops its own threads
 *                     then). As in HotSpot, a thread that attaches meanwhile never
 *                     returns from AttachCurrentThread; one that attaches once
 *                     DestroyJavaVM has returned is refused. Without the item it
 *                     returns at once.
 *   stop_throws       a main call on an attached thread ends with a pending
 *                     java/lang/RuntimeException after it has done the rest
 *   share_refused     with the default sharing, the archive of -XX:SharedArchiveFile=
 *                     is passed over and the run goes on without sharing, as HotSpot
 *                     does with an archive that the run's own options rule out
 *
 * Every main call performs the script: it logs, prints, echoes, shows the window, blocks,
 * exits or throws, in that order. System.out and System.err are the process's
 * standard streams until redirected; a FileOutputStream creates (or empties, or
 * appends to) its file when it is constructed, like Java's.
 *
 * Class-data archives, as HotSpot keeps them. -XX:DumpLoadedClassList=<file> records
 * "java/lang/Object" and then every class that FindClass finds, a line each.
 * -Xshare:dump with -XX:SharedClassListFile= and -XX:SharedArchiveFile= ends the
 * process within JNI_CreateJavaVM: with 0 once the archive (the magic number, then the
 * list) is written and read-only, after a line "[info][class,path] opened: <entry>"
 * on standard output for each entry of the class path; with 1 and the error on
 * standard output when the list is missing or empty. With -Xshare:on an archive
 * that does not begin with the magic number ends the process with 1; with the
 * default sharing it is passed over. At System.exit or main_exit the hook of an
 * option "exit" is called with the status, then the process ends. System.getProperty
 * of "java.vm.info" gives "mixed mode, sharing" while an archive is mapped, else
 * "mixed mode", as HotSpot does; of another name, what System.setProperty set.
 *
 * A failed lookup leaves a pending exception and returns null, as a JVM does. The
 * pending exception can be taken (ExceptionOccurred), thrown again (Throw) and told
 * (Throwable.toString: "java.lang.NoClassDefFoundError: name", as HotSpot spells it). Calling
 * a JNI function other than the exception functions while an exception is pending,
 * or with handles of the wrong kind, counts as an unexpected call.
 */
#include <jni.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#ifndef CORVANE_JNI_MD_H_
#error "jni.h must come with the Windows jni_md.h of hosting/jni/win32"
#endif

#ifdef TESTJVM_NEEDS_SUPPORT
#include "testjvm_support.h"
#endif

enum { kExitUnexpected = 99, kExitTimeout = 98 };
static const DWORD kWaitLimitMs = 5 * 60 * 1000;

/* ---- settings ---- */

static HINSTANCE module;

/* The value of `key` in testjvm.env beside this DLL, copied into `value`; its length,
 * or 0 when the file or the key is missing or the value does not fit. */
static DWORD SettingFromFile(const char* key, char* value, DWORD size) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  char* slash = strrchr(path, '\\');
  if (!slash || (size_t)(slash + 1 - path) + sizeof "testjvm.env" > sizeof path) return 0;
  strcpy(slash + 1, "testjvm.env");
  FILE* file = fopen(path, "r");
  if (!file) return 0;
  char line[1024];
  size_t key_length = strlen(key);
  DWORD found = 0;
  while (fgets(line, sizeof line, file)) {
    line[strcspn(line, "\r\n")] = '\0';
    if (strncmp(line, key, key_length) != 0 || line[key_length] != '=') continue;
    size_t length = strlen(line + key_length + 1);
    if (length > 0 && length < size) {
      memcpy(value, line + key_length + 1, length + 1);
      found = (DWORD)length;
    }
    break;
  }
  fclose(file);
  return found;
}

/* A setting: the environment variable `variable`, or `key` of the settings file when
 * the variable is not set. Its length (0: absent or empty), as GetEnvironmentVariableA
 * counts it when the buffer is too small. */
static DWORD Setting(const char* variable, const char* key, char* value, DWORD size) {
  SetLastError(0);
  DWORD n = GetEnvironmentVariableA(variable, value, size);
  if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return SettingFromFile(key, value, size);
  return n;
}

/* ---- log ---- */

static CRITICAL_SECTION lock;

static void LogLine(const char* format, ...) {
  char path[MAX_PATH + 3];
  DWORD n = Setting("CORVANE_TESTJVM_LOG", "LOG", path + 2, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  const char* name = path + 2;
  if (path[2] == '/') {
    path[0] = 'Z';
    path[1] = ':';
    name = path;
  }
  va_list args;
  va_start(args, format);
  int length = _vsnprintf(NULL, 0, format, args);
  va_end(args);
  if (length < 0) return;
  char* line = malloc((size_t)length + 2);
  if (!line) return;
  va_start(args, format);
  _vsnprintf(line, (size_t)length + 1, format, args);
  va_end(args);
  line[length] = '\n';
  EnterCriticalSection(&lock);
  HANDLE file =
      CreateFileA(name, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written;
    WriteFile(file, line, (DWORD)length + 1, &written, NULL);
    CloseHandle(file);
  }
  LeaveCriticalSection(&lock);
  free(line);
}

static void Unexpected(const char* what) {
  LogLine("unexpected JNI call %s", what);
  fprintf(stderr, "testjvm: unexpected JNI call %s\n", what);
  fflush(stderr);
  ExitProcess(kExitUnexpected);
}

static void WaitOrDie(HANDLE event, const char* what) {
  if (WaitForSingleObject(event, kWaitLimitMs) != WAIT_OBJECT_0) {
    LogLine("timeout %s", what);
    ExitProcess(kExitTimeout);
  }
}

typedef void(JNICALL* ExitHook)(jint);
static ExitHook exit_hook; /* the option "exit" */

/* System.exit as HotSpot ends the process: archive, hook, exit. */
__attribute__((noreturn)) static void ExitJava(jint status) {
  LogLine("exit %ld", (long)status);
  fflush(NULL);
  if (exit_hook) {
    LogLine("exit hook %ld", (long)status);
    exit_hook(status);
  }
  ExitProcess((UINT)status);
}

/* ---- script ---- */

#define MAX_NAMES 8

typedef struct Script {
  int create_fails, class_missing, main_throws, main_blocks, ignore_stop, attach_fails;
  int echo_stdin;
  int main_exit, main_exit_status;
  int main_window_ms; /* -1: no window */
  int main_sleep_ms, slow_create_ms, slow_attach_ms, shutdown_hooks_ms, late_exit_ms;
  int stop_throws;
  int dump_fails, dump_sleep_ms, share_refused;
  char* stdout_text;
  char* stderr_text;
  char* missing[MAX_NAMES];
  int missing_count;
  char* no_method[MAX_NAMES];
  int no_method_count;
} Script;

static Script script = {.main_window_ms = -1};

static char* CopyText(const char* text) {
  size_t size = strlen(text) + 1;
  char* copy = malloc(size);
  if (copy) memcpy(copy, text, size);
  return copy;
}

static void AddName(char** names, int* count, const char* name) {
  if (*count < MAX_NAMES) names[(*count)++] = CopyText(name);
}

static void ReadScript(void) {
  Script fresh = {.main_window_ms = -1};
  script = fresh;
  DWORD size = 1024;
  char* text = malloc(size);
  if (!text) return;
  DWORD n = Setting("CORVANE_TESTJVM_SCRIPT", "SCRIPT", text, size);
  if (n >= size) {
    size = n + 1;
    char* larger = realloc(text, size);
    if (!larger) {
      free(text);
      return;
    }
    text = larger;
    n = Setting("CORVANE_TESTJVM_SCRIPT", "SCRIPT", text, size);
  }
  if (n == 0 || n >= size) {
    free(text);
    return;
  }
  for (char* item = strtok(text, ","); item; item = strtok(NULL, ",")) {
    char* value = strchr(item, '=');
    if (value) *value++ = '\0';
    if (strcmp(item, "create_fails") == 0) {
      script.create_fails = 1;
    } else if (strcmp(item, "class_missing") == 0) {
      script.class_missing = 1;
    } else if (strcmp(item, "missing") == 0 && value) {
      AddName(script.missing, &script.missing_count, value);
    } else if (strcmp(item, "no_main") == 0) {
      AddName(script.no_method, &script.no_method_count, "main");
    } else if (strcmp(item, "no_method") == 0 && value) {
      AddName(script.no_method, &script.no_method_count, value);
    } else if (strcmp(item, "main_throws") == 0) {
      script.main_throws = 1;
    } else if (strcmp(item, "main_exit") == 0 && value) {
      script.main_exit = 1;
      script.main_exit_status = atoi(value);
    } else if (strcmp(item, "main_blocks") == 0) {
      script.main_blocks = 1;
    } else if (strcmp(item, "ignore_stop") == 0) {
      script.ignore_stop = 1;
    } else if (strcmp(item, "main_window") == 0 && value) {
      script.main_window_ms = atoi(value);
    } else if (strcmp(item, "stdout") == 0 && value) {
      script.stdout_text = CopyText(value);
    } else if (strcmp(item, "stderr") == 0 && value) {
      script.stderr_text = CopyText(value);
    } else if (strcmp(item, "echo_stdin") == 0) {
      script.echo_stdin = 1;
    } else if (strcmp(item, "attach_fails") == 0) {
      script.attach_fails = 1;
    } else if (strcmp(item, "dump_fails") == 0) {
      script.dump_fails = 1;
    } else if (strcmp(item, "share_refused") == 0) {
      script.share_refused = 1;
    } else if (strcmp(item, "dump_sleep") == 0 && value) {
      script.dump_sleep_ms = atoi(value);
    } else if (strcmp(item, "main_sleep") == 0 && value) {
      script.main_sleep_ms = atoi(value);
    } else if (strcmp(item, "slow_create") == 0 && value) {
      script.slow_create_ms = atoi(value);
    } else if (strcmp(item, "slow_attach") == 0 && value) {
      script.slow_attach_ms = atoi(value);
    } else if (strcmp(item, "shutdown_hooks") == 0 && value) {
      script.shutdown_hooks_ms = atoi(value);
    } else if (strcmp(item, "late_exit") == 0 && value) {
      script.late_exit_ms = atoi(value);
    } else if (strcmp(item, "stop_throws") == 0) {
      script.stop_throws = 1;
    } else {
      /* A misspelt script would silently test the wrong thing. */
      fprintf(stderr, "testjvm: unknown script item %s\n", item);
      LogLine("unexpected JNI call: unknown script item %s", item);
      ExitProcess(kExitUnexpected);
    }
  }
  free(text);
}

/* ---- class-data archive ---- */

static char* class_list;     /* -XX:DumpLoadedClassList= */
static char* shared_archive; /* -XX:SharedArchiveFile= */
static char* list_to_dump;   /* -XX:SharedClassListFile= */
static char* class_path;     /* -Djava.class.path= */
static const char* share_mode = "auto"; /* -Xshare: */
static int archive_mapped;
static const unsigned char kArchiveMagic[4] = {0xa2, 0xab, 0x0b, 0xf0};

static char* CopyText(const char* text);

static void ReadArchiveOption(const JavaVMOption* option) {
  const char* text = option->optionString ? option->optionString : "";
  static const char kList[] = "-XX:DumpLoadedClassList=";
  static const char kShared[] = "-XX:SharedArchiveFile=";
  static const char kListFile[] = "-XX:SharedClassListFile=";
  static const char kClassPath[] = "-Djava.class.path=";
  if (strncmp(text, kList, sizeof kList - 1) == 0) {
    class_list = CopyText(text + sizeof kList - 1);
  } else if (strncmp(text, kShared, sizeof kShared - 1) == 0) {
    shared_archive = CopyText(text + sizeof kShared - 1);
  } else if (strncmp(text, kListFile, sizeof kListFile - 1) == 0) {
    list_to_dump = CopyText(text + sizeof kListFile - 1);
  } else if (strncmp(text, kClassPath, sizeof kClassPath - 1) == 0) {
    class_path = CopyText(text + sizeof kClassPath - 1);
  } else if (strncmp(text, "-Xshare:", 8) == 0) {
    share_mode = CopyText(text + 8);
  } else if (strcmp(text, "exit") == 0) {
    exit_hook = (ExitHook)option->extraInfo;
  }
}

static int IsArchive(const char* path) {
  unsigned char magic[4] = {0};
  FILE* file = fopen(path, "rb");
  if (!file) return 0;
  size_t n = fread(magic, 1, sizeof magic, file);
  fclose(file);
  return n == sizeof magic && memcmp(magic, kArchiveMagic, sizeof magic) == 0;
}

static void RecordClass(const char* name) {
  if (!class_list) return;
  FILE* file = fopen(class_list, "ab");
  if (!file) return;
  fprintf(file, "%s\n", name);
  fclose(file);
}

__attribute__((noreturn)) static void FailSharing(const char* message) {
  printf("Error occurred during initialization of VM\n%s\n", message);
  fflush(stdout);
  ExitProcess(1);
}

/* -Xshare:dump: the archive from the list, and the end of the process. */
__attribute__((noreturn)) static void DumpArchive(void) {
  STARTUPINFOA startup;
  GetStartupInfoA(&startup);
  LogLine("dump priority=%s console=%s window=%s",
          GetPriorityClass(GetCurrentProcess()) == BELOW_NORMAL_PRIORITY_CLASS ? "below-normal"
                                                                                : "other",
          GetConsoleWindow() ? "present" : "none",
          (startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE ? "hidden"
                                                                                     : "shown");
  if (script.dump_fails) FailSharing("Cannot have non-empty directory in paths");
  if (script.dump_sleep_ms > 0) Sleep((DWORD)script.dump_sleep_ms);
  char list[4096];
  FILE* in = list_to_dump ? fopen(list_to_dump, "rb") : NULL;
  size_t n = in ? fread(list, 1, sizeof list, in) : 0;
  if (in) fclose(in);
  if (n == 0 || !shared_archive) FailSharing("Loading classlist failed");
  FILE* out = fopen(shared_archive, "wb");
  if (!out) FailSharing("Unable to write to shared archive file.");
  fwrite(kArchiveMagic, 1, sizeof kArchiveMagic, out);
  fwrite(list, 1, n, out);
  fclose(out);
  SetFileAttributesA(shared_archive, FILE_ATTRIBUTE_READONLY);
  for (char* entry = class_path ? strtok(class_path, ";") : NULL; entry; entry = strtok(NULL, ";"))
    printf("[0.020s][info][class,path] opened: %s\n", entry);
  fflush(stdout);
  LogLine("archive %s", shared_archive);
  ExitProcess(0);
}

static void MapArchive(void) {
  if (strcmp(share_mode, "dump") == 0) DumpArchive();
  if (!shared_archive || strcmp(share_mode, "off") == 0) return;
  if (script.share_refused && strcmp(share_mode, "auto") == 0) {
    LogLine("not mapped %s", shared_archive);
  } else if (IsArchive(shared_archive)) {
    archive_mapped = 1;
    LogLine("mapped %s", shared_archive);
  } else if (strcmp(share_mode, "on") == 0) {
    FailSharing("An error has occurred while processing the shared archive file.");
  }
}


static int Listed(char* const* names, int count, const char* name) {
  for (int i = 0; i < count; ++i)
    if (strcmp(names[i], name) == 0) return 1;
  return 0;
}

/* ---- objects ---- */

typedef enum Kind {
  kClass,       /* text: the class name */
  kString,      /* text: the string in UTF-8; wide: in UTF-16 */
  kArray,       /* elements, length, text: element class */
  kFileStream,  /* text: file name; file, append */
  kPrintStream, /* target: its file stream */
  kThrowable,   /* text: "class: message" */
} Kind;

typedef struct Object {
  Kind kind;
  char* text;
  WCHAR* wide;
  FILE* file;
  int append;
  struct Object* target;
  jsize length;
  struct Object** elements;
} Object;

static Object* NewRecord(Kind kind, const char* text) {
  Object* object = calloc(1, sizeof(Object));
  if (!object) Unexpected("(out of memory)");
  object->kind = kind;
  object->text = CopyText(text ? text : "");
  return object;
}

static Object* AsObject(jobject handle) { return (Object*)handle; }
static jobject AsHandle(Object* object) { return (jobject)object; }

/* Checks a handle that must be a live object of one kind. */
static Object* Expect(jobject handle, Kind kind, const char* call) {
  Object* object = AsObject(handle);
  if (!object || object->kind != kind) Unexpected(call);
  return object;
}

static const char* const kSystemClasses[] = {"java/lang/String", "java/lang/System",
                                             "java/io/FileOutputStream", "java/io/PrintStream"};

static int IsApplicationClass(const char* name) {
  return strncmp(name, "java/", 5) != 0 && strncmp(name, "javax/", 6) != 0;
}

/* ---- methods ---- */

typedef enum MethodKind {
  kMain,
  kSetProperty,
  kGetProperty,
  kSetOut,
  kSetErr,
  kExit,
  kFileStreamInit,
  kPrintStreamInit,
  kThrowableToString
} MethodKind;

typedef struct Method {
  MethodKind kind;
  int is_static;
  const char* class_name; /* NULL: any application class */
  const char* name;
  const char* signature;
} Method;

static const Method kMethods[] = {
    {kMain, 1, NULL, "main", "([Ljava/lang/String;)V"},
    {kSetProperty, 1, "java/lang/System", "setProperty",
     "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;"},
    {kGetProperty, 1, "java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;"},
    {kSetOut, 1, "java/lang/System", "setOut", "(Ljava/io/PrintStream;)V"},
    {kSetErr, 1, "java/lang/System", "setErr", "(Ljava/io/PrintStream;)V"},
    {kExit, 1, "java/lang/System", "exit", "(I)V"},
    {kFileStreamInit, 0, "java/io/FileOutputStream", "<init>", "(Ljava/lang/String;Z)V"},
    {kPrintStreamInit, 0, "java/io/PrintStream", "<init>", "(Ljava/io/OutputStream;)V"},
    {kThrowableToString, 0, "java/lang/Throwable", "toString", "()Ljava/lang/String;"},
};

static const Method* AsMethod(jmethodID id) { return (const Method*)id; }

static int MethodBelongsTo(const Method* method, const char* class_name) {
  return method->class_name ? strcmp(method->class_name, class_name) == 0
                            : IsApplicationClass(class_name);
}

/* ---- threads ---- */

/* A JNIEnv points at the first field of its thread's record. */
typedef struct ThreadEnv {
  const struct JNINativeInterface_* functions;
  int attached; /* 0: the creating thread */
  int late;     /* attached while the shutdown hooks ran */
  char* name;
  Object* exception;
} ThreadEnv;

static struct JNINativeInterface_ env_table;
static struct JNIInvokeInterface_ vm_table;
static JavaVM the_vm = &vm_table;

static DWORD tls_slot = TLS_OUT_OF_INDEXES;
static int created;
static int hooks_running; /* DestroyJavaVM has stopped waiting and runs the hooks */
static int destroyed;     /* DestroyJavaVM has run the hooks and holds its thread list */
static int vm_gone;       /* DestroyJavaVM has returned */
static int attached_count;
static HANDLE no_attached_threads; /* manual reset, set while attached_count is 0 */
static int main_calls;
static HANDLE second_main; /* manual reset */

/* Threads in AttachCurrentThread, which may sleep there, and threads blocked for good. */
static LONG threads_inside;

static ThreadEnv* ToThread(JNIEnv* env) { return (ThreadEnv*)env; }

/* A call that never returns: HotSpot blocks it on the thread list it holds for good. */
static void BlockForGood(const char* what) {
  InterlockedIncrement(&threads_inside);
  LogLine("blocked %s", what);
  Sleep(kWaitLimitMs);
  LogLine("timeout blocked %s", what);
  ExitProcess(kExitTimeout);
}

/* A call of a thread that attached during the shutdown hooks: it never returns. */
static void BlockIfLate(JNIEnv* env, const char* what) {
  if (ToThread(env)->late) BlockForGood(what);
}

static ThreadEnv* NewThread(int attached, const char* name) {
  ThreadEnv* thread = calloc(1, sizeof(ThreadEnv));
  if (!thread) Unexpected("(out of memory)");
  thread->functions = &env_table;
  thread->attached = attached;
  thread->name = CopyText(name ? name : "");
  return thread;
}

static void Throw(JNIEnv* env, const char* class_name, const char* message) {
  char text[1024];
  _snprintf(text, sizeof text, "%s: %s", class_name, message ? message : "");
  text[sizeof text - 1] = '\0';
  ToThread(env)->exception = NewRecord(kThrowable, text);
}

/* Entry check of every JNIEnv function outside the exception group. */
static void Enter(JNIEnv* env, const char* call) {
  if (!env || ToThread(env)->functions != &env_table) Unexpected(call);
  if (ToThread(env)->exception) {
    char what[128];
    _snprintf(what, sizeof what, "%s with a pending exception", call);
    what[sizeof what - 1] = '\0';
    Unexpected(what);
  }
}

/* ---- the Java streams ---- */

static Object* java_out; /* print streams; NULL: the process's own stream */
static Object* java_err;

static void JavaPrintLine(Object* stream, FILE* fallback, const char* text) {
  EnterCriticalSection(&lock);
  if (stream) {
    FILE* file = stream->target->file;
    fputs(text, file);
    fputs("\r\n", file);
    fflush(file);
  } else {
    fputs(text, fallback);
    fputs("\n", fallback);
    fflush(fallback);
  }
  LeaveCriticalSection(&lock);
}

/* ---- the simulated application ---- */

static void ShowWindowFor(DWORD milliseconds) {
  WNDCLASSA window_class = {0};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = module;
  window_class.lpszClassName = "CorvaneTestJvmWindow";
  RegisterClassA(&window_class); /* fails harmlessly when already registered */
  HWND window =
      CreateWindowExA(0, "CorvaneTestJvmWindow", "testjvm window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                      100, 100, 320, 200, NULL, NULL, module, NULL);
  if (window) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
  DWORD start = GetTickCount();
  while (GetTickCount() - start < milliseconds) {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
  if (window) DestroyWindow(window);
}

static void RunMain(JNIEnv* env, Object* args) {
  ThreadEnv* thread = ToThread(env);
  const char* kind = thread->attached ? "attached" : "creator";
  if (!args) {
    LogLine("main thread=%s name=%s argc=null", kind, thread->name);
  } else {
    size_t size = 64 + strlen(thread->name);
    for (jsize i = 0; i < args->length; ++i)
      size += 6 + (args->elements[i] ? strlen(args->elements[i]->text) : 4);
    char* line = malloc(size);
    if (!line) Unexpected("(out of memory)");
    int used =
        sprintf(line, "main thread=%s name=%s argc=%ld", kind, thread->name, (long)args->length);
    for (jsize i = 0; i < args->length; ++i)
      used += sprintf(line + used, " arg=%s", args->elements[i] ? args->elements[i]->text : "null");
    LogLine("%s", line);
    free(line);
  }

  if (script.stdout_text) JavaPrintLine(java_out, stdout, script.stdout_text);
  if (script.stderr_text) JavaPrintLine(java_err, stderr, script.stderr_text);
  if (script.echo_stdin) {
    char line[256] = "";
    if (fgets(line, sizeof line, stdin)) line[strcspn(line, "\r\n")] = '\0';
    char echo[sizeof line + 8];
    snprintf(echo, sizeof echo, "read: %s", line);
    JavaPrintLine(java_out, stdout, echo);
  }
  if (script.main_window_ms >= 0) {
    Sleep((DWORD)script.main_window_ms);
    ShowWindowFor(2000);
  }
  if (script.main_blocks) {
    EnterCriticalSection(&lock);
    int call = ++main_calls;
    LeaveCriticalSection(&lock);
    if (call == 1)
      WaitOrDie(second_main, "main_blocks");
    else if (!script.ignore_stop)
      SetEvent(second_main);
  }
  BlockIfLate(env, "main");
  if (script.main_exit) ExitJava(script.main_exit_status);
  if (script.main_throws) Throw(env, "java/lang/RuntimeException", "main_throws");
  if (script.stop_throws && thread->attached)
    Throw(env, "java/lang/RuntimeException", "stop_throws");
  if (script.main_sleep_ms > 0 && !thread->attached) Sleep((DWORD)script.main_sleep_ms);
}

/* ---- arguments of the Call and NewObject families ---- */

typedef struct Arguments {
  va_list* list;       /* the ... and V forms */
  const jvalue* array; /* the A form */
  int next;
} Arguments;

static jobject NextObject(Arguments* arguments) {
  if (arguments->array) return arguments->array[arguments->next++].l;
  return va_arg(*arguments->list, jobject);
}

static jint NextInt(Arguments* arguments) {
  if (arguments->array) return arguments->array[arguments->next++].i;
  return va_arg(*arguments->list, jint);
}

/* jboolean travels as an int through "..." and va_list. */
static jboolean NextBoolean(Arguments* arguments) {
  if (arguments->array) return arguments->array[arguments->next++].z;
  return (jboolean)va_arg(*arguments->list, int);
}

static const Method* CheckCall(jclass clazz, jmethodID id, int is_static, const char* call) {
  Object* class_object = Expect(clazz, kClass, call);
  const Method* method = AsMethod(id);
  if (!method || method->is_static != is_static || !MethodBelongsTo(method, class_object->text)) {
    Unexpected(call);
  }
  return method;
}

static void CallStaticVoid(JNIEnv* env, jclass clazz, jmethodID id, Arguments* arguments) {
  const char* call = "CallStaticVoidMethod";
  Enter(env, call);
  const Method* method = CheckCall(clazz, id, 1, call);
  switch (method->kind) {
    case kMain: {
      jobject args = NextObject(arguments);
      RunMain(env, args ? Expect(args, kArray, call) : NULL);
      break;
    }
    case kSetOut:
    case kSetErr: {
      Object* stream = Expect(NextObject(arguments), kPrintStream, call);
      const char* setter = method->kind == kSetOut ? "setOut" : "setErr";
      LogLine("redirect %s %s%s", setter, stream->target->text,
              stream->target->append ? " append" : "");
      EnterCriticalSection(&lock);
      if (method->kind == kSetOut)
        java_out = stream;
      else
        java_err = stream;
      LeaveCriticalSection(&lock);
      break;
    }
    case kExit:
      BlockIfLate(env, "exit");
      ExitJava(NextInt(arguments));
    default:
      Unexpected(call);
  }
}

#define MAX_PROPERTIES 64
static Object* property_names[MAX_PROPERTIES];
static Object* property_values[MAX_PROPERTIES];
static int property_count;

static Object* NewStringRecord(WCHAR* units, int length);

static jobject GetProperty(JNIEnv* env, jobject name, const char* call) {
  if (!name) {
    Throw(env, "java/lang/NullPointerException", "getProperty");
    return NULL;
  }
  Object* name_string = Expect(name, kString, call);
  LogLine("get_property %s", name_string->text);
  if (strcmp(name_string->text, "java.vm.info") == 0) {
    const WCHAR* info = archive_mapped ? L"mixed mode, sharing" : L"mixed mode";
    return AsHandle(NewStringRecord(_wcsdup(info), (int)wcslen(info)));
  }
  Object* value = NULL;
  EnterCriticalSection(&lock);
  for (int i = 0; i < property_count; ++i)
    if (strcmp(property_names[i]->text, name_string->text) == 0) value = property_values[i];
  LeaveCriticalSection(&lock);
  return AsHandle(value);
}

static jobject CallStaticObject(JNIEnv* env, jclass clazz, jmethodID id, Arguments* arguments) {
  const char* call = "CallStaticObjectMethod";
  Enter(env, call);
  const Method* method = CheckCall(clazz, id, 1, call);
  if (method->kind == kGetProperty) return GetProperty(env, NextObject(arguments), call);
  if (method->kind != kSetProperty) Unexpected(call);
  jobject name = NextObject(arguments);
  jobject value = NextObject(arguments);
  if (!name || !value) {
    Throw(env, "java/lang/NullPointerException", "setProperty");
    return NULL;
  }
  Object* name_string = Expect(name, kString, call);
  Object* value_string = Expect(value, kString, call);
  if (!name_string->text[0]) {
    Throw(env, "java/lang/IllegalArgumentException", "key can't be empty");
    return NULL;
  }
  LogLine("set_property %s=%s", name_string->text, value_string->text);
  Object* previous = NULL;
  EnterCriticalSection(&lock);
  int i = 0;
  while (i < property_count && strcmp(property_names[i]->text, name_string->text) != 0) ++i;
  if (i < property_count) {
    previous = property_values[i];
    property_values[i] = value_string;
  } else if (property_count < MAX_PROPERTIES) {
    property_names[property_count] = name_string;
    property_values[property_count++] = value_string;
  }
  LeaveCriticalSection(&lock);
  return AsHandle(previous);
}

static jobject NewObjectOf(JNIEnv* env, jclass clazz, jmethodID id, Arguments* arguments) {
  const char* call = "NewObject";
  Enter(env, call);
  const Method* method = CheckCall(clazz, id, 0, call);
  if (method->kind == kFileStreamInit) {
    jobject name = NextObject(arguments);
    jboolean append = NextBoolean(arguments);
    if (!name) {
      Throw(env, "java/lang/NullPointerException", "FileOutputStream");
      return NULL;
    }
    Object* file_name = Expect(name, kString, call);
    Object* stream = NewRecord(kFileStream, file_name->text);
    stream->append = append ? 1 : 0;
    stream->file = _wfopen(file_name->wide, append ? L"ab" : L"wb");
    if (!stream->file) {
      Throw(env, "java/io/FileNotFoundException", stream->text);
      return NULL;
    }
    return AsHandle(stream);
  }
  if (method->kind == kPrintStreamInit) {
    jobject out = NextObject(arguments);
    if (!out) {
      Throw(env, "java/lang/NullPointerException", "PrintStream");
      return NULL;
    }
    Object* stream = NewRecord(kPrintStream, "java/io/PrintStream");
    stream->target = Expect(out, kFileStream, call);
    return AsHandle(stream);
  }
  Unexpected(call);
  return NULL;
}

/* ---- JNIEnv functions ---- */

static jclass JNICALL FindClass(JNIEnv* env, const char* name) {
  Enter(env, "FindClass");
  if (!name) Unexpected("FindClass with a null name");
  LogLine("find_class %s", name);
  int is_system = 0;
  for (size_t i = 0; i < sizeof kSystemClasses / sizeof *kSystemClasses; ++i)
    if (strcmp(kSystemClasses[i], name) == 0) is_system = 1;
  /* Dots are not separators here: a JVM does not find "a.b.C". */
  if (!name[0] || strchr(name, '.') || Listed(script.missing, script.missing_count, name) ||
      (script.class_missing && !is_system && IsApplicationClass(name))) {
    Throw(env, "java/lang/NoClassDefFoundError", name);
    return NULL;
  }
  RecordClass(name);
  return (jclass)AsHandle(NewRecord(kClass, name));
}

static jmethodID FindMethod(JNIEnv* env, jclass clazz, const char* name, const char* signature,
                            int is_static, const char* call) {
  Enter(env, call);
  Object* class_object = Expect(clazz, kClass, call);
  if (!name || !signature) Unexpected(call);
  if (!Listed(script.no_method, script.no_method_count, name)) {
    for (size_t i = 0; i < sizeof kMethods / sizeof *kMethods; ++i) {
      const Method* method = &kMethods[i];
      if (method->is_static == is_static && strcmp(method->name, name) == 0 &&
          strcmp(method->signature, signature) == 0 &&
          MethodBelongsTo(method, class_object->text)) {
        return (jmethodID)method;
      }
    }
  }
  Throw(env, "java/lang/NoSuchMethodError", name);
  return NULL;
}

static jmethodID JNICALL GetMethodID(JNIEnv* env, jclass clazz, const char* name,
                                     const char* signature) {
  return FindMethod(env, clazz, name, signature, 0, "GetMethodID");
}

static jmethodID JNICALL GetStaticMethodID(JNIEnv* env, jclass clazz, const char* name,
                                           const char* signature) {
  return FindMethod(env, clazz, name, signature, 1, "GetStaticMethodID");
}

/* A string of `length` UTF-16 units, which it takes over. */
static Object* NewStringRecord(WCHAR* units, int length) {
  int size = WideCharToMultiByte(CP_UTF8, 0, units, length, NULL, 0, NULL, NULL);
  char* text = malloc((size_t)size + 1);
  if (!text) Unexpected("(out of memory)");
  WideCharToMultiByte(CP_UTF8, 0, units, length, text, size, NULL, NULL);
  text[size] = '\0';
  Object* string = NewRecord(kString, text);
  free(text);
  string->wide = units;
  return string;
}

static jsize JNICALL GetStringLength(JNIEnv* env, jstring handle) {
  Enter(env, "GetStringLength");
  return (jsize)wcslen(Expect(handle, kString, "GetStringLength")->wide);
}

/* The strings here hold no NUL and no character beyond the Basic Multilingual Plane:
 * their modified UTF-8 is their UTF-8. */
static jsize JNICALL GetStringUTFLength(JNIEnv* env, jstring handle) {
  Enter(env, "GetStringUTFLength");
  return (jsize)strlen(Expect(handle, kString, "GetStringUTFLength")->text);
}

/* The whole string only, with a NUL behind it, as HotSpot writes it. */
static void JNICALL GetStringUTFRegion(JNIEnv* env, jstring handle, jsize start, jsize length,
                                       char* buffer) {
  Enter(env, "GetStringUTFRegion");
  Object* string = Expect(handle, kString, "GetStringUTFRegion");
  if (start != 0 || length != (jsize)wcslen(string->wide) || !buffer)
    Unexpected("GetStringUTFRegion of part of a string");
  strcpy(buffer, string->text);
}

static jstring JNICALL NewString(JNIEnv* env, const jchar* chars, jsize length) {
  Enter(env, "NewString");
  if (length < 0 || (!chars && length > 0)) Unexpected("NewString");
  WCHAR* units = malloc(((size_t)length + 1) * sizeof(WCHAR));
  if (!units) Unexpected("(out of memory)");
  if (length > 0) memcpy(units, chars, (size_t)length * sizeof(WCHAR));
  units[length] = 0;
  return (jstring)AsHandle(NewStringRecord(units, length));
}

/* Modified UTF-8: units of one to three bytes (NUL as C0 80, a character beyond the
 * Basic Multilingual Plane as its two surrogates). NULL for anything else. */
static WCHAR* DecodeModifiedUtf8(const char* bytes, int* length) {
  WCHAR* units = malloc((strlen(bytes) + 1) * sizeof(WCHAR));
  if (!units) Unexpected("(out of memory)");
  const unsigned char* p = (const unsigned char*)bytes;
  int n = 0;
  while (*p) {
    unsigned c = *p++;
    int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : -1;
    if (more < 0) {
      free(units);
      return NULL;
    }
    if (more) c &= more == 1 ? 0x1F : 0x0F;
    for (; more > 0; --more, ++p) {
      if ((*p & 0xC0) != 0x80) {
        free(units);
        return NULL;
      }
      c = (c << 6) | (*p & 0x3F);
    }
    units[n++] = (WCHAR)c;
  }
  units[n] = 0;
  *length = n;
  return units;
}

static jstring JNICALL NewStringUTF(JNIEnv* env, const char* bytes) {
  Enter(env, "NewStringUTF");
  if (!bytes) return NULL;
  int length = 0;
  WCHAR* units = DecodeModifiedUtf8(bytes, &length);
  if (!units) Unexpected("NewStringUTF with bytes that are not modified UTF-8");
  return (jstring)AsHandle(NewStringRecord(units, length));
}

static jobjectArray JNICALL NewObjectArray(JNIEnv* env, jsize length, jclass element_class,
                                           jobject initial) {
  Enter(env, "NewObjectArray");
  Object* element = Expect(element_class, kClass, "NewObjectArray");
  if (length < 0) {
    Throw(env, "java/lang/NegativeArraySizeException", "");
    return NULL;
  }
  Object* array = NewRecord(kArray, element->text);
  array->length = length;
  array->elements = calloc((size_t)length + 1, sizeof(Object*));
  if (!array->elements) Unexpected("(out of memory)");
  for (jsize i = 0; i < length; ++i) array->elements[i] = AsObject(initial);
  return (jobjectArray)AsHandle(array);
}

static void JNICALL SetObjectArrayElement(JNIEnv* env, jobjectArray handle, jsize index,
                                          jobject value) {
  Enter(env, "SetObjectArrayElement");
  Object* array = Expect(handle, kArray, "SetObjectArrayElement");
  if (index < 0 || index >= array->length) {
    Throw(env, "java/lang/ArrayIndexOutOfBoundsException", "");
    return;
  }
  Object* element = AsObject(value);
  if (element && strcmp(array->text, "java/lang/String") == 0 && element->kind != kString) {
    Throw(env, "java/lang/ArrayStoreException", "");
    return;
  }
  array->elements[index] = element;
}

static void JNICALL CallStaticVoidMethod(JNIEnv* env, jclass clazz, jmethodID id, ...) {
  va_list list;
  va_start(list, id);
  Arguments arguments = {&list, NULL, 0};
  CallStaticVoid(env, clazz, id, &arguments);
  va_end(list);
}

static void JNICALL CallStaticVoidMethodV(JNIEnv* env, jclass clazz, jmethodID id, va_list list) {
  Arguments arguments = {&list, NULL, 0};
  CallStaticVoid(env, clazz, id, &arguments);
}

static void JNICALL CallStaticVoidMethodA(JNIEnv* env, jclass clazz, jmethodID id,
                                          const jvalue* values) {
  Arguments arguments = {NULL, values, 0};
  CallStaticVoid(env, clazz, id, &arguments);
}

static jobject JNICALL CallStaticObjectMethod(JNIEnv* env, jclass clazz, jmethodID id, ...) {
  va_list list;
  va_start(list, id);
  Arguments arguments = {&list, NULL, 0};
  jobject result = CallStaticObject(env, clazz, id, &arguments);
  va_end(list);
  return result;
}

static jobject JNICALL CallStaticObjectMethodV(JNIEnv* env, jclass clazz, jmethodID id,
                                               va_list list) {
  Arguments arguments = {&list, NULL, 0};
  return CallStaticObject(env, clazz, id, &arguments);
}

static jobject JNICALL CallStaticObjectMethodA(JNIEnv* env, jclass clazz, jmethodID id,
                                               const jvalue* values) {
  Arguments arguments = {NULL, values, 0};
  return CallStaticObject(env, clazz, id, &arguments);
}

static jobject JNICALL NewObject(JNIEnv* env, jclass clazz, jmethodID id, ...) {
  va_list list;
  va_start(list, id);
  Arguments arguments = {&list, NULL, 0};
  jobject result = NewObjectOf(env, clazz, id, &arguments);
  va_end(list);
  return result;
}

static jobject JNICALL NewObjectV(JNIEnv* env, jclass clazz, jmethodID id, va_list list) {
  Arguments arguments = {&list, NULL, 0};
  return NewObjectOf(env, clazz, id, &arguments);
}

static jobject JNICALL NewObjectA(JNIEnv* env, jclass clazz, jmethodID id, const jvalue* values) {
  Arguments arguments = {NULL, values, 0};
  return NewObjectOf(env, clazz, id, &arguments);
}

/* Throwable.toString of a pending exception taken with ExceptionOccurred: the class
 * name with dots, as HotSpot gives it, then ": " and the message. */
static jobject CallObjectOf(JNIEnv* env, jobject target, jmethodID id) {
  const char* call = "CallObjectMethod";
  Enter(env, call);
  const Method* method = AsMethod(id);
  Object* thrown = Expect(target, kThrowable, call);
  if (!method || method->kind != kThrowableToString) Unexpected(call);
  char* text = CopyText(thrown->text);
  for (char* p = text; *p && *p != ':'; ++p)
    if (*p == '/') *p = '.';
  int length = 0;
  WCHAR* units = DecodeModifiedUtf8(text, &length);
  free(text);
  if (!units) Unexpected(call);
  return AsHandle(NewStringRecord(units, length));
}

static jobject JNICALL CallObjectMethod(JNIEnv* env, jobject target, jmethodID id, ...) {
  return CallObjectOf(env, target, id);
}
static jobject JNICALL CallObjectMethodV(JNIEnv* env, jobject target, jmethodID id, va_list list) {
  (void)list;
  return CallObjectOf(env, target, id);
}
static jobject JNICALL CallObjectMethodA(JNIEnv* env, jobject target, jmethodID id,
                                         const jvalue* array) {
  (void)array;
  return CallObjectOf(env, target, id);
}

/* The string's own UTF-8 text, which stays valid as long as the string. */
static const char* JNICALL GetStringUTFChars(JNIEnv* env, jstring string, jboolean* is_copy) {
  Enter(env, "GetStringUTFChars");
  if (is_copy) *is_copy = JNI_FALSE;
  return Expect(string, kString, "GetStringUTFChars")->text;
}
static void JNICALL ReleaseStringUTFChars(JNIEnv* env, jstring string, const char* chars) {
  Enter(env, "ReleaseStringUTFChars");
  if (Expect(string, kString, "ReleaseStringUTFChars")->text != chars)
    Unexpected("ReleaseStringUTFChars with other chars");
}

static jthrowable JNICALL ExceptionOccurred(JNIEnv* env) {
  return (jthrowable)AsHandle(ToThread(env)->exception);
}
static jint JNICALL ThrowObject(JNIEnv* env, jthrowable thrown) {
  Enter(env, "Throw");
  ToThread(env)->exception = Expect(thrown, kThrowable, "Throw");
  return JNI_OK;
}

static jboolean JNICALL ExceptionCheck(JNIEnv* env) {
  return ToThread(env)->exception ? JNI_TRUE : JNI_FALSE;
}

/* Like a JVM's, it prints on System.err and clears the exception. */
static void JNICALL ExceptionDescribe(JNIEnv* env) {
  ThreadEnv* thread = ToThread(env);
  if (!thread->exception) return;
  LogLine("exception described");
  char text[1200];
  _snprintf(text, sizeof text, "exception described: %s", thread->exception->text);
  text[sizeof text - 1] = '\0';
  JavaPrintLine(java_err, stderr, text);
  thread->exception = NULL;
}

static void JNICALL ExceptionClear(JNIEnv* env) { ToThread(env)->exception = NULL; }

/* ---- JavaVM functions ---- */

static int SupportedVersion(jint version) {
  return version == JNI_VERSION_1_2 || version == JNI_VERSION_1_4 || version == JNI_VERSION_1_6 ||
         version == JNI_VERSION_1_8 || (version >= JNI_VERSION_9 && (version & 0xFFFF) == 0);
}


static jint AttachInside(JavaVM* vm, void** penv, void* raw_args) {
  if (vm != &the_vm || !penv) Unexpected("AttachCurrentThread");
  JavaVMAttachArgs* args = raw_args;
  const char* name = args && args->name ? args->name : "";
  LogLine("attach version=0x%08lx name=%s", args ? (unsigned long)args->version : 0UL, name);
  if (script.attach_fails) return JNI_ERR;
  if (args && !SupportedVersion(args->version)) return JNI_EVERSION;
  ThreadEnv* thread = TlsGetValue(tls_slot);
  if (!thread) {
    if (script.slow_attach_ms > 0) Sleep((DWORD)script.slow_attach_ms);
    EnterCriticalSection(&lock);
    int refused = vm_gone;
    int held = destroyed && !vm_gone;
    int late = hooks_running;
    if (!refused && !held && !late && attached_count++ == 0) ResetEvent(no_attached_threads);
    LeaveCriticalSection(&lock);
    if (refused) {
      LogLine("attach refused");
      return JNI_ERR;
    }
    if (held) BlockForGood("attach");
    thread = NewThread(1, name);
    thread->late = late;
    TlsSetValue(tls_slot, thread);
  }
  *penv = &thread->functions;
  return JNI_OK;
}

static jint JNICALL AttachCurrentThread(JavaVM* vm, void** penv, void* raw_args) {
  InterlockedIncrement(&threads_inside);
  jint result = AttachInside(vm, penv, raw_args);
  InterlockedDecrement(&threads_inside);
  return result;
}

static jint JNICALL DetachCurrentThread(JavaVM* vm) {
  if (vm != &the_vm) Unexpected("DetachCurrentThread");
  LogLine("detach");
  ThreadEnv* thread = TlsGetValue(tls_slot);
  if (!thread) return JNI_OK;
  TlsSetValue(tls_slot, NULL);
  if (thread->attached && !thread->late) {
    EnterCriticalSection(&lock);
    if (--attached_count == 0) SetEvent(no_attached_threads);
    LeaveCriticalSection(&lock);
  }
  return JNI_OK;
}

/* Waits, like a JVM, until no other attached (non-daemon) thread is left. */
static jint JNICALL DestroyJavaVM(JavaVM* vm) {
  if (vm != &the_vm) Unexpected("DestroyJavaVM");
  ThreadEnv* thread = TlsGetValue(tls_slot);
  if (thread && thread->attached) {
    /* The caller itself does not count. */
    TlsSetValue(tls_slot, NULL);
    EnterCriticalSection(&lock);
    if (--attached_count == 0) SetEvent(no_attached_threads);
    LeaveCriticalSection(&lock);
  }
  /* A thread that attaches while the wait lasts is waited for too; one that comes
   * while the hooks run is let in and not waited for; one that comes later is
   * refused. */
  for (;;) {
    WaitOrDie(no_attached_threads, "destroy");
    EnterCriticalSection(&lock);
    int done = attached_count == 0;
    if (done) hooks_running = 1;
    LeaveCriticalSection(&lock);
    if (done) break;
  }
  if (script.shutdown_hooks_ms > 0) {
    LogLine("shutdown hooks");
    Sleep((DWORD)script.shutdown_hooks_ms);
  }
  EnterCriticalSection(&lock);
  hooks_running = 0;
  destroyed = 1;
  LeaveCriticalSection(&lock);
  if (script.late_exit_ms > 0) {
    LogLine("thread list held");
    Sleep((DWORD)script.late_exit_ms);
  }
  EnterCriticalSection(&lock);
  vm_gone = 1;
  LeaveCriticalSection(&lock);
  LogLine("destroy");
  return JNI_OK;
}

/* ---- the function tables ---- */

/* One stub per slot, so that the log names the slot of an unexpected call. */
/* clang-format off */
#define STUB(table, d, k)                                   \
  static void JNICALL Unexpected##table##_##d##_##k(void) { \
    char what[64];                                          \
    sprintf(what, #table " slot=%d", (d) * 10 + (k));       \
    Unexpected(what);                                       \
  }
#define STUBS(t, d)                                          \
  STUB(t, d, 0) STUB(t, d, 1) STUB(t, d, 2) STUB(t, d, 3)    \
  STUB(t, d, 4) STUB(t, d, 5) STUB(t, d, 6) STUB(t, d, 7)    \
  STUB(t, d, 8) STUB(t, d, 9)
#define REFS(t, d)                                                          \
  Unexpected##t##_##d##_0, Unexpected##t##_##d##_1, Unexpected##t##_##d##_2, \
  Unexpected##t##_##d##_3, Unexpected##t##_##d##_4, Unexpected##t##_##d##_5, \
  Unexpected##t##_##d##_6, Unexpected##t##_##d##_7, Unexpected##t##_##d##_8, \
  Unexpected##t##_##d##_9

typedef void(JNICALL* AnyFunction)(void);

STUBS(JNIEnv, 0)  STUBS(JNIEnv, 1)  STUBS(JNIEnv, 2)  STUBS(JNIEnv, 3)  STUBS(JNIEnv, 4)
STUBS(JNIEnv, 5)  STUBS(JNIEnv, 6)  STUBS(JNIEnv, 7)  STUBS(JNIEnv, 8)  STUBS(JNIEnv, 9)
STUBS(JNIEnv, 10) STUBS(JNIEnv, 11) STUBS(JNIEnv, 12) STUBS(JNIEnv, 13) STUBS(JNIEnv, 14)
STUBS(JNIEnv, 15) STUBS(JNIEnv, 16) STUBS(JNIEnv, 17) STUBS(JNIEnv, 18) STUBS(JNIEnv, 19)
STUBS(JNIEnv, 20) STUBS(JNIEnv, 21) STUBS(JNIEnv, 22) STUBS(JNIEnv, 23) STUBS(JNIEnv, 24)
STUBS(JNIEnv, 25)
STUBS(JavaVM, 0)  STUBS(JavaVM, 1)

static const AnyFunction kEnvStubs[] = {
    REFS(JNIEnv, 0),  REFS(JNIEnv, 1),  REFS(JNIEnv, 2),  REFS(JNIEnv, 3),  REFS(JNIEnv, 4),
    REFS(JNIEnv, 5),  REFS(JNIEnv, 6),  REFS(JNIEnv, 7),  REFS(JNIEnv, 8),  REFS(JNIEnv, 9),
    REFS(JNIEnv, 10), REFS(JNIEnv, 11), REFS(JNIEnv, 12), REFS(JNIEnv, 13), REFS(JNIEnv, 14),
    REFS(JNIEnv, 15), REFS(JNIEnv, 16), REFS(JNIEnv, 17), REFS(JNIEnv, 18), REFS(JNIEnv, 19),
    REFS(JNIEnv, 20), REFS(JNIEnv, 21), REFS(JNIEnv, 22), REFS(JNIEnv, 23), REFS(JNIEnv, 24),
    REFS(JNIEnv, 25)};
static const AnyFunction kVmStubs[] = {REFS(JavaVM, 0), REFS(JavaVM, 1)};
/* clang-format on */

#define SLOTS(table) (sizeof(table) / sizeof(AnyFunction))
_Static_assert(sizeof(struct JNINativeInterface_) % sizeof(AnyFunction) == 0, "slot size");
_Static_assert(SLOTS(struct JNINativeInterface_) <= SLOTS(kEnvStubs), "too few JNIEnv stubs");
_Static_assert(SLOTS(struct JNIInvokeInterface_) <= SLOTS(kVmStubs), "too few JavaVM stubs");

static void FillTables(void) {
  /* Every slot, the reserved ones included, first gets its loud stub. */
  AnyFunction* env_slots = (AnyFunction*)(void*)&env_table;
  for (size_t i = 0; i < SLOTS(struct JNINativeInterface_); ++i) env_slots[i] = kEnvStubs[i];
  AnyFunction* vm_slots = (AnyFunction*)(void*)&vm_table;
  for (size_t i = 0; i < SLOTS(struct JNIInvokeInterface_); ++i) vm_slots[i] = kVmStubs[i];

  env_table.FindClass = FindClass;
  env_table.GetMethodID = GetMethodID;
  env_table.GetStaticMethodID = GetStaticMethodID;
  env_table.NewString = NewString;
  env_table.NewStringUTF = NewStringUTF;
  env_table.GetStringLength = GetStringLength;
  env_table.GetStringUTFLength = GetStringUTFLength;
  env_table.GetStringUTFRegion = GetStringUTFRegion;
  env_table.NewObjectArray = NewObjectArray;
  env_table.SetObjectArrayElement = SetObjectArrayElement;
  env_table.CallStaticVoidMethod = CallStaticVoidMethod;
  env_table.CallStaticVoidMethodV = CallStaticVoidMethodV;
  env_table.CallStaticVoidMethodA = CallStaticVoidMethodA;
  env_table.CallStaticObjectMethod = CallStaticObjectMethod;
  env_table.CallStaticObjectMethodV = CallStaticObjectMethodV;
  env_table.CallStaticObjectMethodA = CallStaticObjectMethodA;
  env_table.NewObject = NewObject;
  env_table.NewObjectV = NewObjectV;
  env_table.NewObjectA = NewObjectA;
  env_table.ExceptionCheck = ExceptionCheck;
  env_table.ExceptionDescribe = ExceptionDescribe;
  env_table.ExceptionClear = ExceptionClear;
  env_table.ExceptionOccurred = ExceptionOccurred;
  env_table.Throw = ThrowObject;
  env_table.CallObjectMethod = CallObjectMethod;
  env_table.CallObjectMethodV = CallObjectMethodV;
  env_table.CallObjectMethodA = CallObjectMethodA;
  env_table.GetStringUTFChars = GetStringUTFChars;
  env_table.ReleaseStringUTFChars = ReleaseStringUTFChars;

  vm_table.AttachCurrentThread = AttachCurrentThread;
  vm_table.DetachCurrentThread = DetachCurrentThread;
  vm_table.DestroyJavaVM = DestroyJavaVM;
}

/* ---- entry points (exported under their JNI names through the .def file) ---- */

jint JNICALL TestJvmCreateJavaVM(JavaVM** pvm, void** penv, void* raw_args);
jint JNICALL TestJvmGetDefaultJavaVMInitArgs(void* args);

jint JNICALL TestJvmCreateJavaVM(JavaVM** pvm, void** penv, void* raw_args) {
  JavaVMInitArgs* args = raw_args;
  if (!pvm || !penv || !args) Unexpected("JNI_CreateJavaVM with a null argument");
  ReadScript();
  if (script.slow_create_ms > 0) Sleep((DWORD)script.slow_create_ms);
  LogLine("create version=0x%08lx ignoreUnrecognized=%d nOptions=%ld options=%s",
          (unsigned long)args->version, (int)args->ignoreUnrecognized, (long)args->nOptions,
          args->options ? "array" : "null");
  if (args->options)
    for (jint i = 0; i < args->nOptions; ++i) {
      LogLine("option=%s",
              args->options[i].optionString ? args->options[i].optionString : "(null)");
      ReadArchiveOption(&args->options[i]);
    }
  if (script.create_fails) return JNI_ERR;
  if (created) return JNI_EEXIST;
  if (!SupportedVersion(args->version)) return JNI_EVERSION;
#ifdef TESTJVM_NEEDS_SUPPORT
  if (TestJvmSupportAnswer() != TESTJVM_SUPPORT_ANSWER) return JNI_ERR;
#endif
  MapArchive();
  created = 1;
  RecordClass("java/lang/Object");
  FillTables();
  ThreadEnv* creator = NewThread(0, "");
  TlsSetValue(tls_slot, creator);
  *pvm = &the_vm;
  *penv = &creator->functions;
  return JNI_OK;
}

/* The launcher resolves this entry point but never calls it. */
jint JNICALL TestJvmGetDefaultJavaVMInitArgs(void* args) {
  (void)args;
  Unexpected("JNI_GetDefaultJavaVMInitArgs");
  return JNI_ERR;
}

/* Both must keep the exact types that jni.h declares for the exported names. */
static __typeof__(&JNI_CreateJavaVM) const kCreateType = TestJvmCreateJavaVM;
static __typeof__(&JNI_GetDefaultJavaVMInitArgs) const kDefaultArgsType =
    TestJvmGetDefaultJavaVMInitArgs;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)kCreateType;
  (void)kDefaultArgsType;
  if (reason == DLL_PROCESS_ATTACH) {
    module = instance;
    InitializeCriticalSection(&lock);
    tls_slot = TlsAlloc();
    no_attached_threads = CreateEventA(NULL, TRUE, TRUE, NULL);
    second_main = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (tls_slot == TLS_OUT_OF_INDEXES || !no_attached_threads || !second_main) return FALSE;
  }
  /* FreeLibrary (not the end of the process) while a thread sleeps in here: that thread
   * would wake up in code that is gone. */
  if (reason == DLL_PROCESS_DETACH && !reserved && threads_inside > 0)
    LogLine("unexpected JNI call: the library is unloaded while a thread is inside it");
  return TRUE;
}
