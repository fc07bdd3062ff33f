"""Checks the test-double runtime library through testjvm_check under Wine.

Each case runs testjvm_check with a script in CORVANE_TESTJVM_SCRIPT and reads the
double's log (CORVANE_TESTJVM_LOG, one file per ctest test) and the program's exit
code and output.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

EMULATOR = os.environ.get("TESTJVM_EMULATOR", "")
OBJDUMP = os.environ.get("TESTJVM_OBJDUMP", "")
CHECK = os.environ.get("TESTJVM_CHECK", "")
DLL = os.environ.get("TESTJVM_DLL", "")
NOINIT_DLL = os.environ.get("TESTJVM_NOINIT_DLL", "")
DEP_DLL = os.environ.get("TESTJVM_DEP_DLL", "")
SUPPORT_DLL = os.environ.get("TESTJVM_SUPPORT_DLL", "")
LOG = os.environ.get("CORVANE_TESTJVM_LOG", "")

# What the creating thread logs in every successful run of testjvm_check.
CREATION = [
    "create version=0x00010002 ignoreUnrecognized=1 nOptions=2 options=array",
    "option=-Dcheck=one",
    "option=-Djava.class.path=C:\\with space\\a.jar;b.jar",
    "find_class java/lang/System",
    "set_property user.dir=C:\\check",
]
MAIN = [
    "find_class check/Main",
    "find_class java/lang/String",
    "main thread=creator name= argc=4 arg=alpha arg=two words arg=caf\u00e9 arg=Zo\u00eb \U0001F600",
]
STOPPER = "Corvane stopper thread"


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class TestJvmTest(unittest.TestCase):
    def setUp(self):
        if not os.environ.get("WINEPREFIX"):
            self.fail("WINEPREFIX is not set: run the Windows tests through ./run-tests")
        self.work = tempfile.mkdtemp(prefix="corvane-testjvm-")
        self.addCleanup(shutil.rmtree, self.work, True)
        if os.path.exists(LOG):
            os.remove(LOG)

    def check(self, *options, script="", dll=None, program=None, timeout=60):
        env = dict(os.environ)
        env["CORVANE_TESTJVM_SCRIPT"] = script
        done = subprocess.run([EMULATOR, program or CHECK, windows_path(dll or DLL), *options],
                              env=env, cwd=self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=timeout)
        self.stdout = done.stdout.decode("latin-1").replace("\r\n", "\n")
        self.stderr = done.stderr.decode("latin-1")
        return done.returncode

    def log(self):
        if not os.path.exists(LOG):
            return []
        with open(LOG, "rb") as f:
            return f.read().decode("utf-8").split("\n")[:-1]

    def assertInOrder(self, expected, lines):
        """Every expected line occurs in lines, in this order."""
        at = 0
        for line in expected:
            try:
                at = lines.index(line, at) + 1
            except ValueError:
                self.fail("%r missing (in order) from log:\n%s" % (line, "\n".join(lines)))

    # --- exports and imports ---

    def test_exports_are_undecorated_and_dep_imports_support(self):
        def dump(path):
            return subprocess.run([OBJDUMP, "-p", path], stdout=subprocess.PIPE, text=True,
                                  check=True).stdout

        def exports(path):
            table = dump(path).split("[Ordinal/Name Pointer] Table")[1].split("\n\n")[0]
            return sorted(re.findall(r"\]\s+(\S+)", table))

        both = ["JNI_CreateJavaVM", "JNI_GetDefaultJavaVMInitArgs"]
        self.assertEqual(exports(DLL), both)
        self.assertEqual(exports(DEP_DLL), both)
        self.assertEqual(exports(NOINIT_DLL), ["JNI_CreateJavaVM"])
        self.assertIn("DLL Name: testjvm_support.dll", dump(DEP_DLL))
        self.assertNotIn("testjvm_support.dll", dump(DLL))

    # --- creation ---

    def test_plain_run_logs_every_step_in_order(self):
        self.assertEqual(self.check(), 0, self.stdout)
        self.assertEqual(self.log(), CREATION + MAIN + ["detach", "destroy"])

    def test_create_fails_after_logging_its_arguments(self):
        self.assertEqual(self.check(script="create_fails"), 4, self.stdout)
        self.assertIn("create failed -1", self.stdout)
        self.assertEqual(self.log(), CREATION[:3])

    def test_library_without_default_init_args_is_missing_an_entry_point(self):
        self.assertEqual(self.check(dll=NOINIT_DLL), 3, self.stdout)
        self.assertEqual(self.log(), [])

    def test_dependent_library_needs_its_support_library_on_the_search_path(self):
        # The program and the current directory are searched for DLLs too: keep the
        # build directory, which holds testjvm_support.dll, out of both.
        app = os.path.join(self.work, "app")
        client = os.path.join(self.work, "jre", "bin", "client")
        os.makedirs(app)
        os.makedirs(client)
        check = shutil.copy(CHECK, app)
        jvm = os.path.join(client, "jvm.dll")
        shutil.copy(DEP_DLL, jvm)
        self.assertEqual(self.check(dll=jvm, program=check), 2, self.stdout)
        self.assertIn("load failed 126", self.stdout)  # ERROR_MOD_NOT_FOUND
        bin_dir = os.path.dirname(client)
        shutil.copy(SUPPORT_DLL, bin_dir)
        self.assertEqual(self.check(dll=jvm, program=check), 2, self.stdout)
        self.assertEqual(self.check("--dll-dir", windows_path(bin_dir), dll=jvm, program=check),
                         0, self.stdout)
        self.assertEqual(self.log(), CREATION + MAIN + ["detach", "destroy"])

    def test_unknown_script_item_fails_loudly(self):
        self.assertEqual(self.check(script="main_throw"), 99)
        self.assertIn("unexpected JNI call: unknown script item main_throw", self.log())

    # --- lookups and exceptions ---

    def test_missing_class_leaves_an_exception_that_is_described(self):
        self.assertEqual(self.check(script="class_missing"), 5, self.stdout)
        lines = self.log()
        self.assertInOrder(CREATION + ["find_class check/Main", "exception described"], lines)
        self.assertFalse([line for line in lines if line.startswith("main ")])
        self.assertIn("exception described: java/lang/NoClassDefFoundError: check/Main",
                      self.stderr)

    def test_named_system_class_can_be_missing(self):
        out = os.path.join(self.work, "out.txt")
        code = self.check("--out", windows_path(out), script="missing=java/io/PrintStream")
        self.assertEqual(code, 7, self.stdout)
        self.assertInOrder(["find_class java/io/PrintStream", "exception described"],
                           self.log())

    def test_missing_main_and_missing_method(self):
        self.assertEqual(self.check(script="no_main"), 6, self.stdout)
        self.assertIn("exception described: java/lang/NoSuchMethodError: main", self.stderr)
        self.assertEqual(self.check(script="no_method=setProperty"), 8, self.stdout)

    def test_main_throws_after_it_ran(self):
        self.assertEqual(self.check(script="main_throws"), 1, self.stdout)
        self.assertEqual(self.log(), CREATION + MAIN + ["exception described", "detach",
                                                        "destroy"])

    def test_unimplemented_slot_pending_exception_and_ansi_text_end_the_process(self):
        self.assertEqual(self.check("--unexpected"), 99)
        self.assertEqual(self.log()[-1], "unexpected JNI call JNIEnv slot=4")
        os.remove(LOG)
        self.assertEqual(self.check("--pending"), 99)
        self.assertEqual(self.log()[-2:], ["find_class no.such.Class",
                                           "unexpected JNI call FindClass with a pending exception"])
        os.remove(LOG)
        self.assertEqual(self.check("--ansi"), 99)
        self.assertEqual(self.log()[-1],
                         "unexpected JNI call NewStringUTF with bytes that are not modified UTF-8")

    # --- exit ---

    def test_main_exit_ends_the_process_with_its_status(self):
        self.assertEqual(self.check(script="main_exit=7"), 7, self.stdout)
        self.assertEqual(self.log(), CREATION + MAIN + ["exit 7"])
        self.assertNotIn("check done", self.stdout)

    def test_system_exit_from_attached_thread(self):
        self.assertEqual(self.check("--exit", "300", script="main_blocks"), 0, self.stdout)
        self.assertEqual(self.log(), CREATION + MAIN + [
            "attach version=0x00010004 name=" + STOPPER, "find_class java/lang/System",
            "exit 0"])
        self.assertNotIn("System.exit returned", self.stdout)

    # --- threads ---

    def test_main_blocks_until_second_main_call(self):
        self.assertEqual(self.check("--stop", "500", script="main_blocks"), 0, self.stdout)
        lines = self.log()
        attach = "attach version=0x00010004 name=" + STOPPER
        stop_main = "main thread=attached name=%s argc=1 arg=stop" % STOPPER
        # The creating thread detaches only once its main has returned, which the
        # stop call allows; destroy comes last of all.
        self.assertInOrder(CREATION + MAIN + [attach, "find_class check/Main",
                                              "find_class java/lang/String", stop_main],
                           lines)
        self.assertEqual(lines.index(stop_main), len(lines) - 4)
        self.assertEqual(lines[-3:], ["detach", "detach", "destroy"])

    def test_attach_fails(self):
        self.assertEqual(self.check("--stop", "0", script="attach_fails"), 10, self.stdout)
        self.assertIn("attach failed", self.stdout)
        self.assertIn("attach version=0x00010004 name=" + STOPPER, self.log())

    def test_attach_during_shutdown_hooks_is_let_in_and_its_call_never_returns(self):
        # As HotSpot: the attachment succeeds while the hooks run, the destruction
        # returns without waiting for the thread, and the call stays inside for good;
        # afterwards an attachment is refused.
        self.assertEqual(self.check("--late-stop", "300", script="shutdown_hooks=1500"), 0,
                         self.stdout)
        self.assertIn("late attach 0", self.stdout)
        self.assertIn("attach after destroy -1", self.stdout)
        self.assertNotIn("late main returned", self.stdout)
        self.assertInOrder(["detach", "shutdown hooks",
                            "attach version=0x00010004 name=" + STOPPER,
                            "main thread=attached name=%s argc=1 arg=stop" % STOPPER,
                            "blocked main", "destroy", "attach version=0x00000000 name=",
                            "attach refused"], self.log())

    def test_destroy_waits_for_attached_threads(self):
        self.assertEqual(self.check("--hold", "1500"), 0, self.stdout)
        lines = self.log()
        self.assertEqual(lines[-1], "destroy")
        # Creator's detach, then the holder's, then destroy.
        self.assertEqual(lines[-3:-1], ["detach", "detach"])
        self.assertLess(self.stdout.index("holder detaches"), self.stdout.index("check done"))

    # --- streams and window ---

    def test_redirected_streams_receive_what_main_prints(self):
        out = os.path.join(self.work, "out.txt")
        err = os.path.join(self.work, "err.txt")
        with open(out, "w") as f:
            f.write("old content that must go\n")
        code = self.check("--out", windows_path(out), "--err", windows_path(err),
                          script="stdout=hello out,stderr=bad news,main_throws")
        self.assertEqual(code, 1, self.stdout)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), b"hello out\r\n")
        with open(err, "rb") as f:
            self.assertEqual(
                f.read(),
                b"bad news\r\nexception described: java/lang/RuntimeException: main_throws\r\n")
        self.assertInOrder(["redirect setOut " + windows_path(out),
                            "redirect setErr " + windows_path(err)], self.log())
        self.assertNotIn("hello out", self.stdout)

    def test_unopenable_redirect_file_fails_the_file_stream(self):
        out = os.path.join(self.work, "no-such-dir", "out.txt")
        self.assertEqual(self.check("--out", windows_path(out)), 7, self.stdout)
        self.assertIn("exception described: java/io/FileNotFoundException", self.stderr)
        self.assertFalse([line for line in self.log() if line.startswith("redirect")])

    def test_main_prints_to_process_streams_without_redirection(self):
        self.assertEqual(self.check(script="stdout=to console,stderr=to error"), 0)
        self.assertIn("to console\n", self.stdout)
        self.assertIn("to error", self.stderr)

    def test_main_window_is_visible_while_main_runs(self):
        if not os.environ.get("DISPLAY"):
            self.skipTest("needs a display (Xvfb)")
        self.assertEqual(self.check("--watch-window", script="main_window=200"), 0,
                         self.stdout)
        self.assertIn("window seen", self.stdout)
        self.assertLess(self.stdout.index("window seen"), self.stdout.index("check done"))


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], *sys.argv[1:]], verbosity=2)
