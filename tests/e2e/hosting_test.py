"""The launch road of the Windows launcher with a stand-in jvm.dll (tests/testjvm),
which logs what the launcher asks of it and plays the application by script."""

import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import WineTestCase, program_ended, windows_path  # noqa: E402

TESTJVM = os.environ.get("CORVANE_TESTJVM_DIR", "")
RUNTIME = os.path.join("j2re1.4.1_02", "bin", "client", "jvm.dll")
FAILED = 0xFFFFFFFF
ALREADY_RUNNING = "An instance of this program is already running."


class HostingTest(WineTestCase):

    def setUp(self):
        super().setUp()
        self.log = os.path.join(self.work, "testjvm.log")
        for jar in ("Quillmark.jar", "jh.jar"):
            open(os.path.join(self.app_dir, jar), "w").close()

    def install_runtime(self, dll="testjvm.dll"):
        """Places a stand-in runtime where the shipped configuration looks first."""
        target = os.path.join(self.app_dir, RUNTIME)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(os.path.join(TESTJVM, dll), target)
        return target

    def launch(self, arguments="", script="", cwd=None, copies=None):
        return self.run_launcher(arguments, cwd=cwd, copies=copies, timeout=3600, env={
            "CORVANE_TESTJVM_LOG": self.log, "CORVANE_TESTJVM_SCRIPT": script})

    def logged(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8") as lines:
            return [line.rstrip("\n") for line in lines]

    def test_machine_receives_the_options_exactly(self):
        self.install_runtime()
        run = self.launch()
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 0)
        log = self.logged()
        self.assertEqual(log[:3], [
            "create version=0x00010002 ignoreUnrecognized=1 nOptions=2 options=array",
            "option=-DCorvane=Yes",
            "option=-Djava.class.path={0}\\Quillmark.jar;{0}\\jh.jar".format(
                windows_path(self.app_dir))])
        self.assertIn("find_class org/quillmark/Quillmark", log)
        self.assertIn("main thread=creator name= argc=0", log)
        self.assertEqual(log[-1], "destroy")

    def test_no_options_gives_a_null_array(self):
        self.install_runtime()
        self.set_strings(e1056="<null>", e1072="<null>")
        self.launch()
        self.assertEqual(self.logged()[0],
                         "create version=0x00010002 ignoreUnrecognized=1 nOptions=0 options=null")

    def test_every_typed_character_reaches_main(self):
        # What is typed, and what main receives: plain, quoted with a blank, in the code
        # page, outside it (CJK, an emoji beyond the Basic Multilingual Plane), and a
        # fullwidth quote, which the code page maps to '"' but which quotes nothing.
        arguments = [("first", "first"), ('"two words"', "two words"), ("Zoë", "Zoë"),
                     ("日本語", "日本語"), ("😀", "😀"), ('"Łukasz 😀"', "Łukasz 😀"),
                     ("＂x＂", "＂x＂")]
        self.install_runtime()
        # A working directory and an output file with non-ASCII names, from the table.
        os.makedirs(os.path.join(self.app_dir, "Zoë"))
        self.set_strings(e1152="Zoë", e1360="Zoë-out.txt")
        run = self.launch(" ".join(typed for typed, _ in arguments), script="stdout=printed")
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 0)
        log = self.logged()
        self.assertIn("main thread=creator name= argc=%d " % len(arguments) +
                      " ".join("arg=" + received for _, received in arguments), log)
        self.assertIn("redirect setOut Zoë-out.txt", log)
        user_dir = [line for line in log if line.startswith("set_property user.dir=")]
        self.assertEqual(len(user_dir), 1, log)
        self.assertTrue(user_dir[0].endswith("\\app\\Zoë"), user_dir)
        with open(os.path.join(self.app_dir, "Zoë", "Zoë-out.txt"), "rb") as out:
            self.assertEqual(out.read(), b"printed\r\n")

    def test_ini_file_beside_the_executable_is_used_from_another_directory(self):
        self.install_runtime()
        self.set_strings(e1200="quill.ini")
        with open(os.path.join(self.app_dir, "quill.ini"), "w") as ini:
            ini.write("[Application Configuration]\nJvmOptions=-Dfrom=ini\nAppOptions=ini-arg\n")
        elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(elsewhere)
        run = self.launch(cwd=elsewhere)
        self.assertEqual(run.exit_code, 0, run.dialogs)
        log = self.logged()
        self.assertIn("option=-Dfrom=ini", log)
        self.assertNotIn("option=-DCorvane=Yes", log)
        self.assertIn("main thread=creator name= argc=1 arg=ini-arg", log)

    def test_library_that_does_not_load(self):
        target = os.path.join(self.app_dir, RUNTIME)
        os.makedirs(os.path.dirname(target))
        with open(target, "w") as junk:
            junk.write("not a library")
        run = self.launch()
        # One box: the configured text with the full path, and below it the system's
        # reason, an insert of its text ("%1") filled with that path.
        self.assertEqual(len(run.texts()), 1, run.dialogs)
        configured, _, reason = run.texts()[0].partition("\n")
        self.assertEqual(configured, "Unable to load JVM: " + windows_path(target))
        self.assertIn(windows_path(target), reason)
        self.assertNotIn("%1", reason)
        self.assertEqual(run.exit_code, FAILED)

    def test_library_without_the_second_entry_point(self):
        self.install_runtime("testjvm_noinit.dll")
        run = self.launch()
        self.assertEqual(run.texts(), ["Unable to locate JNI interfaces in " +
                                       windows_path(os.path.join(self.app_dir, RUNTIME))])
        self.assertEqual(run.exit_code, FAILED)
        self.assertEqual(self.logged(), [])

    def test_machine_that_cannot_be_created_is_not_destroyed(self):
        self.install_runtime()
        run = self.launch(script="create_fails")
        self.assertEqual(run.texts(), ["Unable to create JVM instance using " +
                                       windows_path(os.path.join(self.app_dir, RUNTIME))])
        self.assertEqual(run.exit_code, FAILED)
        self.assertNotIn("destroy", self.logged())

    def test_no_runtime_at_all_says_so_before_any_class_path_check(self):
        self.set_strings(e1072="missing.jar")
        run = self.launch()
        self.assertEqual(run.texts(),
                         ["Unable to locate suitable Java Runtime Environment on this machine."])
        self.assertEqual(run.exit_code, FAILED)

    def test_missing_class_path_entry(self):
        self.install_runtime()
        self.set_strings(e1072="Quillmark.jar;missing.jar")
        run = self.launch()
        self.assertEqual(len(run.dialogs), 2, run.dialogs)
        self.assertEqual(run.dialogs[1], ("Error", "Error accessing file/directory: " +
                                          windows_path(self.app_dir) + "\\missing.jar"))
        self.assertEqual(self.logged(), [])

    def test_runtime_finds_its_dependencies_one_directory_up(self):
        self.install_runtime("testjvm_dep.dll")
        shutil.copy(os.path.join(TESTJVM, "testjvm_support.dll"),
                    os.path.join(self.app_dir, "j2re1.4.1_02", "bin"))
        run = self.launch()
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 0)

    def test_application_exit_status_and_failures(self):
        self.install_runtime()
        self.assertEqual(self.launch(script="main_exit=7").exit_code, 7)
        thrown = self.launch(script="main_throws")
        self.assertEqual(thrown.texts(), ["Error invoking method: main(java/lang/String[])"])
        self.assertEqual(thrown.exit_code, FAILED)
        # A main class that is not there at all: named with dots, with the class path.
        missing = self.launch(script="class_missing")
        self.assertEqual(missing.texts(), [
            "Error locating class: org.quillmark.Quillmark\nThe class path searched:\n"
            "- {0}\\Quillmark.jar\n- {0}\\jh.jar".format(windows_path(self.app_dir))])
        no_main = self.launch(script="no_main")
        self.assertEqual(no_main.texts(), ["Error locating method: main(java/lang/String[])"])

    def test_one_file_for_both_streams_keeps_both_however_it_is_named(self):
        self.install_runtime()
        os.makedirs(os.path.join(self.app_dir, "sub"))
        out = os.path.join(self.app_dir, "out.log")
        # Relative names are taken from the executable's directory, where main starts.
        for other in ("OUT.LOG", windows_path(out), ".\\sub\\..\\out.log",
                      windows_path(out).replace("\\", "/")):
            with self.subTest(other=other):
                with open(out, "w") as old:
                    old.write("old content, longer than what comes\n")
                self.set_strings(e1360="out.log", e1376=other)
                run = self.launch(script="stdout=first line,stderr=second line")
                self.assertEqual(run.exit_code, 0, run.dialogs)
                with open(out, "rb") as written:
                    self.assertEqual(written.read(), b"first line\r\nsecond line\r\n")

    def test_launchers_started_together_run_one_instance(self):
        # The instance that wins holds the mutex while its main sleeps; every other one
        # has found it by then.
        self.install_runtime()
        for _ in range(2):
            if os.path.exists(self.log):
                os.remove(self.log)
            run = self.launch(script="main_sleep=8000", copies=("--together", 8))
            self.assertEqual(run.exit_codes, [0] * 8)
            self.assertEqual(run.texts(), [ALREADY_RUNNING] * 7)
            self.assertEqual(len([line for line in self.logged() if line.startswith("main ")]), 1)

    def test_launches_in_a_row_leave_nothing_behind(self):
        # 200 in CI; bench/launch_soak runs 1,000.
        count = int(os.environ.get("CORVANE_SOAK_LAUNCHES", "200"))
        self.install_runtime()
        run = self.launch(copies=("--in-row", count))
        # Each run found the mutex free, ran main, destroyed the machine and ended.
        self.assertEqual(run.exit_codes, [0] * count)
        self.assertEqual(run.dialogs, [])
        self.assertEqual(self.logged().count("destroy"), count)
        self.assertTrue(program_ended(os.path.basename(self.exe)))


if __name__ == "__main__":
    unittest.main()
