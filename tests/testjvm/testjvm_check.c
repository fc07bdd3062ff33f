/* testjvm_check: drives a test-double runtime library the way the launcher does, so
 * that the double's log, scripts and threads can be checked on their own.
 *
 *   testjvm_check DLL [--dll-dir DIR] [--out FILE] [--err FILE] [--stop MS] [--hold MS]
 *                     [--exit MS] [--late-stop MS] [--watch-window] [--unexpected]
 *                     [--pending] [--ansi]
 *
 * It loads DLL, resolves both entry points, creates a machine with two options, sets
 * "user.dir", redirects System.out/err when asked, calls check/Main.main with the
 * arguments "alpha", "two words" and "caf\u00e9" (made by NewStringUTF) and
 * "Zo\u00eb \U0001F600" (made by NewString from UTF-16), detaches and destroys. On
 * the way:
 *   --dll-dir DIR  adds DIR to the DLL search path (SetDllDirectoryA) before loading
 *   --stop MS      another thread waits MS, attaches as "Corvane stopper thread" and
 *                  calls main with "stop"
 *   --hold MS      another thread attaches before main and detaches MS later
 *   --exit MS      another thread waits MS, attaches and calls System.exit(0)
 *   --late-stop MS another thread waits MS after main has returned, attaches
 *                  (printing "late attach <result>") and calls main with "stop",
 *                  which HotSpot never lets return while it runs its shutdown hooks:
 *                  the thread is not waited for, the library stays loaded, and the
 *                  creating thread attaches again once the machine is destroyed
 *                  (printing "attach after destroy <result>")
 *   --watch-window prints "window seen" once a visible "testjvm window" shows
 *   --unexpected   calls GetVersion, which the double leaves unimplemented
 *   --pending      calls FindClass while a FindClass exception is still pending
 *   --ansi         calls NewStringUTF with "Zo\xEB", an ANSI text that is no modified
 *                  UTF-8
 *
 * Exit codes: 0 done, 1 main threw, 2 the DLL did not load, 3 an entry point is
 * missing, 4 creation failed, 5 a class was not found, 6 a method was not found,
 * 7 a redirection failed, 8 "user.dir" could not be set, 9 the arguments could not be
 * built, 10 a helper thread failed; the double itself ends the process with 99, 98 or
 * the status of System.exit.
 */
#include <jni.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static JavaVM* vm;
static DWORD stop_delay = (DWORD)-1, hold_time = (DWORD)-1, exit_delay = (DWORD)-1;
static DWORD late_delay = (DWORD)-1;
static HANDLE main_returned;
static HANDLE holder_attached;
static volatile LONG thread_failed;

static int Failed(JNIEnv* env) {
  if (!(*env)->ExceptionCheck(env)) return 0;
  (*env)->ExceptionDescribe(env);
  (*env)->ExceptionClear(env);
  return 1;
}

static JNIEnv* Attach(void) {
  JavaVMAttachArgs args = {JNI_VERSION_1_4, "Corvane stopper thread", NULL};
  JNIEnv* env = NULL;
  if ((*vm)->AttachCurrentThread(vm, (void**)&env, &args) != JNI_OK) {
    printf("attach failed\n");
    fflush(stdout);
    InterlockedExchange(&thread_failed, 1);
    return NULL;
  }
  return env;
}

/* The `count` texts, then `wide` (when not NULL) as the last element. */
static jobjectArray Arguments(JNIEnv* env, int count, const char* const* texts, const jchar* wide,
                              jsize wide_length) {
  jclass string_class = (*env)->FindClass(env, "java/lang/String");
  if (Failed(env) || !string_class) return NULL;
  jobjectArray array = (*env)->NewObjectArray(env, count + (wide ? 1 : 0), string_class, NULL);
  if (Failed(env) || !array) return NULL;
  for (int i = 0; i <= count; ++i) {
    if (i == count && !wide) break;
    jstring text =
        i < count ? (*env)->NewStringUTF(env, texts[i]) : (*env)->NewString(env, wide, wide_length);
    if (Failed(env) || !text) return NULL;
    (*env)->SetObjectArrayElement(env, array, i, text);
    if (Failed(env)) return NULL;
  }
  return array;
}

/* 0, or the exit code of the step that failed. */
static int CallMain(JNIEnv* env, int count, const char* const* texts, const jchar* wide,
                    jsize wide_length) {
  jclass main_class = (*env)->FindClass(env, "check/Main");
  if (Failed(env) || !main_class) return 5;
  jmethodID main = (*env)->GetStaticMethodID(env, main_class, "main", "([Ljava/lang/String;)V");
  if (Failed(env) || !main) return 6;
  jobjectArray array = Arguments(env, count, texts, wide, wide_length);
  if (!array) return 9;
  (*env)->CallStaticVoidMethod(env, main_class, main, array);
  return Failed(env) ? 1 : 0;
}

static int Redirect(JNIEnv* env, const char* file, const char* setter) {
  jstring name = (*env)->NewStringUTF(env, file);
  if (Failed(env) || !name) return 0;
  jclass file_class = (*env)->FindClass(env, "java/io/FileOutputStream");
  if (Failed(env) || !file_class) return 0;
  jmethodID file_init = (*env)->GetMethodID(env, file_class, "<init>", "(Ljava/lang/String;Z)V");
  if (Failed(env) || !file_init) return 0;
  jobject file_stream = (*env)->NewObject(env, file_class, file_init, name, JNI_FALSE);
  if (Failed(env) || !file_stream) return 0;
  jclass print_class = (*env)->FindClass(env, "java/io/PrintStream");
  if (Failed(env) || !print_class) return 0;
  jmethodID print_init =
      (*env)->GetMethodID(env, print_class, "<init>", "(Ljava/io/OutputStream;)V");
  if (Failed(env) || !print_init) return 0;
  jobject print_stream = (*env)->NewObject(env, print_class, print_init, file_stream);
  if (Failed(env) || !print_stream) return 0;
  jclass system = (*env)->FindClass(env, "java/lang/System");
  if (Failed(env) || !system) return 0;
  jmethodID set = (*env)->GetStaticMethodID(env, system, setter, "(Ljava/io/PrintStream;)V");
  if (Failed(env) || !set) return 0;
  (*env)->CallStaticVoidMethod(env, system, set, print_stream);
  return !Failed(env);
}

static int SetUserDir(JNIEnv* env) {
  jstring name = (*env)->NewStringUTF(env, "user.dir");
  jstring value = (*env)->NewStringUTF(env, "C:\\check");
  jclass system = (*env)->FindClass(env, "java/lang/System");
  if (Failed(env) || !system) return 0;
  jmethodID set = (*env)->GetStaticMethodID(
      env, system, "setProperty", "(Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;");
  if (Failed(env) || !set) return 0;
  (*env)->CallStaticObjectMethod(env, system, set, name, value);
  return !Failed(env);
}

static DWORD WINAPI StopThread(LPVOID unused) {
  (void)unused;
  Sleep(stop_delay);
  JNIEnv* env = Attach();
  if (!env) return 0;
  static const char* const stop[] = {"stop"};
  if (CallMain(env, 1, stop, NULL, 0) != 0) InterlockedExchange(&thread_failed, 1);
  (*vm)->DetachCurrentThread(vm);
  return 0;
}

static DWORD WINAPI LateStopThread(LPVOID unused) {
  (void)unused;
  WaitForSingleObject(main_returned, INFINITE);
  Sleep(late_delay);
  JavaVMAttachArgs args = {JNI_VERSION_1_4, "Corvane stopper thread", NULL};
  JNIEnv* env = NULL;
  jint attached = (*vm)->AttachCurrentThread(vm, (void**)&env, &args);
  printf("late attach %ld\n", (long)attached);
  fflush(stdout);
  if (attached != JNI_OK) return 0;
  static const char* const stop[] = {"stop"};
  CallMain(env, 1, stop, NULL, 0);
  printf("late main returned\n");
  fflush(stdout);
  return 0;
}

static DWORD WINAPI HoldThread(LPVOID unused) {
  (void)unused;
  JNIEnv* env = Attach();
  SetEvent(holder_attached);
  if (!env) return 0;
  Sleep(hold_time);
  printf("holder detaches\n");
  fflush(stdout);
  (*vm)->DetachCurrentThread(vm);
  return 0;
}

static DWORD WINAPI ExitRequestThread(LPVOID unused) {
  (void)unused;
  Sleep(exit_delay);
  JNIEnv* env = Attach();
  if (!env) return 0;
  jclass system = (*env)->FindClass(env, "java/lang/System");
  if (Failed(env) || !system) return 0;
  jmethodID exit_method = (*env)->GetStaticMethodID(env, system, "exit", "(I)V");
  if (Failed(env) || !exit_method) return 0;
  (*env)->CallStaticVoidMethod(env, system, exit_method, (jint)0);
  printf("System.exit returned\n");
  fflush(stdout);
  InterlockedExchange(&thread_failed, 1);
  (*vm)->DetachCurrentThread(vm);
  return 0;
}

static BOOL CALLBACK FindTestWindow(HWND window, LPARAM found) {
  char title[64];
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(window) &&
      GetWindowTextA(window, title, sizeof title) > 0 && strcmp(title, "testjvm window") == 0) {
    *(int*)found = 1;
    return FALSE;
  }
  return TRUE;
}

static DWORD WINAPI WatchWindow(LPVOID unused) {
  (void)unused;
  for (int i = 0; i < 300; ++i) {
    int found = 0;
    EnumWindows(FindTestWindow, (LPARAM)&found);
    if (found) {
      printf("window seen\n");
      fflush(stdout);
      return 0;
    }
    Sleep(50);
  }
  return 0;
}

static HANDLE threads[4];
static DWORD thread_count;

static void Start(LPTHREAD_START_ROUTINE routine) {
  HANDLE thread = CreateThread(NULL, 0, routine, NULL, 0, NULL);
  if (!thread) exit(10);
  threads[thread_count++] = thread;
}

typedef jint(JNICALL* CreateFunction)(JavaVM**, void**, void*);

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: testjvm_check DLL [options]\n");
    return 2;
  }
  const char* out = NULL;
  const char* err = NULL;
  const char* dll_dir = NULL;
  int unexpected = 0, pending = 0, watch = 0, ansi = 0;
  for (int i = 2; i < argc; ++i) {
    const char* next = i + 1 < argc ? argv[i + 1] : "0";
    if (strcmp(argv[i], "--dll-dir") == 0) {
      dll_dir = next, ++i;
    } else if (strcmp(argv[i], "--out") == 0) {
      out = next, ++i;
    } else if (strcmp(argv[i], "--err") == 0) {
      err = next, ++i;
    } else if (strcmp(argv[i], "--stop") == 0) {
      stop_delay = (DWORD)atoi(next), ++i;
    } else if (strcmp(argv[i], "--hold") == 0) {
      hold_time = (DWORD)atoi(next), ++i;
    } else if (strcmp(argv[i], "--exit") == 0) {
      exit_delay = (DWORD)atoi(next), ++i;
    } else if (strcmp(argv[i], "--late-stop") == 0) {
      late_delay = (DWORD)atoi(next), ++i;
    } else if (strcmp(argv[i], "--watch-window") == 0) {
      watch = 1;
    } else if (strcmp(argv[i], "--unexpected") == 0) {
      unexpected = 1;
    } else if (strcmp(argv[i], "--pending") == 0) {
      pending = 1;
    } else if (strcmp(argv[i], "--ansi") == 0) {
      ansi = 1;
    }
  }

  if (dll_dir && !SetDllDirectoryA(dll_dir)) return 2;
  HMODULE library = LoadLibraryA(argv[1]);
  if (!library) {
    printf("load failed %lu\n", GetLastError());
    return 2;
  }
  CreateFunction create = (CreateFunction)(void*)GetProcAddress(library, "JNI_CreateJavaVM");
  FARPROC defaults = GetProcAddress(library, "JNI_GetDefaultJavaVMInitArgs");
  if (!create || !defaults) {
    printf("entry point missing\n");
    return 3;
  }

  JavaVMOption options[2] = {{"-Dcheck=one", NULL},
                             {"-Djava.class.path=C:\\with space\\a.jar;b.jar", NULL}};
  JavaVMInitArgs args = {JNI_VERSION_1_2, 2, options, JNI_TRUE};
  JNIEnv* env = NULL;
  jint created = create(&vm, (void**)&env, &args);
  if (created != JNI_OK) {
    printf("create failed %ld\n", (long)created);
    return 4;
  }
  if (unexpected) (*env)->GetVersion(env);
  if (ansi) (*env)->NewStringUTF(env, "Zo\xEB");
  if (pending) {
    (*env)->FindClass(env, "no.such.Class");
    (*env)->FindClass(env, "java/lang/String");
  }
  if (!SetUserDir(env)) return 8;
  if (out && !Redirect(env, out, "setOut")) return 7;
  if (err && !Redirect(env, err, "setErr")) return 7;

  if (hold_time != (DWORD)-1) {
    holder_attached = CreateEventA(NULL, TRUE, FALSE, NULL);
    Start(HoldThread);
    WaitForSingleObject(holder_attached, INFINITE);
  }
  if (stop_delay != (DWORD)-1) Start(StopThread);
  if (exit_delay != (DWORD)-1) Start(ExitRequestThread);
  if (watch) Start(WatchWindow);
  main_returned = CreateEventA(NULL, TRUE, FALSE, NULL);
  if (late_delay != (DWORD)-1 && !CreateThread(NULL, 0, LateStopThread, NULL, 0, NULL)) return 10;

  static const char* const texts[] = {"alpha", "two words", "caf\xC3\xA9"};
  static const jchar wide[] = {'Z', 'o', 0xEB, ' ', 0xD83D, 0xDE00};
  int result = CallMain(env, 3, texts, wide, 6);
  SetEvent(main_returned);
  (*vm)->DetachCurrentThread(vm);
  (*vm)->DestroyJavaVM(vm);
  /* A helper that never attached is not waited for by the machine. */
  if (thread_count) WaitForMultipleObjects(thread_count, threads, TRUE, INFINITE);
  if (late_delay != (DWORD)-1) {
    JNIEnv* again = NULL;
    printf("attach after destroy %ld\n", (long)(*vm)->AttachCurrentThread(vm, (void**)&again, NULL));
    fflush(stdout);
  } else {
    FreeLibrary(library);
  }
  if (result == 0 && thread_failed) result = 10;
  printf("check done %d\n", result);
  fflush(stdout);
  return result;
}
