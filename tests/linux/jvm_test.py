"""The Linux launcher against the installed JDK: the sample application started
through the real JNI invocation interface, one launcher process per case."""

import os
import shutil
import subprocess
import tempfile
import unittest

DEMO = os.environ.get("CORVANE_DEMO_DIR", "")
STRINGS_TOOL = os.environ.get("CORVANE_STRINGS", "")
SCRAMBLE_TOOL = os.environ.get("CORVANE_SCRAMBLE", "")
FAIL_ALLOCATIONS = os.environ.get("CORVANE_FAIL_ALLOCATIONS", "")
FAILED = 255  # -1 as the shell sees it


class JvmTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-jvm-")
        self.addCleanup(shutil.rmtree, self.work, True)
        # Every case runs from a directory whose name is not ASCII; Java reads and
        # prints UTF-8 by the locale.
        self.app = os.path.join(self.work, "app Zoë 日本")
        shutil.copytree(DEMO, self.app)
        self.exe = os.path.join(self.app, "quillmark")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.work, LC_ALL="C.UTF-8")

    def set_strings(self, *assignments):
        subprocess.run([STRINGS_TOOL, self.exe, *assignments], check=True)

    def set_main_class(self, name):
        stored = subprocess.run([SCRAMBLE_TOOL, name], check=True, stdout=subprocess.PIPE,
                                text=True).stdout.strip()
        self.set_strings("1168=" + stored)

    def run_launcher(self, *args, cwd=None):
        return subprocess.run([self.exe, *args], cwd=cwd or self.work, env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              encoding="utf-8", timeout=120)

    def arguments(self, done):
        return [line[len("argument: ["):-1] for line in done.stdout.splitlines()
                if line.startswith("argument: [")]

    def test_command_line_arguments_arrive_as_typed_and_replace_app_options(self):
        # The bytes typed, and what main receives: beyond the Basic Multilingual Plane
        # UTF-8 and the JNI's modified UTF-8 differ; bytes that are not UTF-8 (a stray
        # byte, a sequence cut short) arrive as U+FFFD, one each.
        arguments = [(b"one", "one"), (b"two words", "two words"), ("Zoë".encode(), "Zoë"),
                     ("日本語".encode(), "日本語"), ("😀".encode(), "😀"),
                     (b"a\xffb\xe6\x97", "a\ufffdb\ufffd")]
        self.set_strings("1184=from table")
        done = self.run_launcher(*(typed for typed, _ in arguments))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(self.arguments(done), [received for _, received in arguments])
        self.assertIn("Quillmark help is available", done.stdout)  # jh.jar is on the path
        self.assertIn("Corvane property: Yes", done.stdout)

    def test_app_options_when_the_command_line_is_empty(self):
        self.set_strings('1184=alpha "b c"')
        done = self.run_launcher()
        self.assertEqual(self.arguments(done), ["alpha", "b c"])
        self.set_strings("1184=<null>")
        done = self.run_launcher()
        self.assertIn("arguments: 0", done.stdout)
        self.assertEqual(done.returncode, 0, done.stderr)

    def test_user_dir_is_the_executable_directory_by_default(self):
        done = self.run_launcher()
        self.assertIn("user.dir: " + os.path.realpath(self.app), done.stdout)

    def test_user_dir_follows_the_working_directory_rules(self):
        work = os.path.join(self.work, "work")
        os.makedirs(work)
        self.set_strings("1152=" + work)
        self.assertIn("user.dir: " + work, self.run_launcher().stdout)
        self.set_strings("1216=1")  # back to where the launcher was started
        start = os.path.join(self.work, "start")
        os.makedirs(start)
        self.assertIn("user.dir: " + start, self.run_launcher(cwd=start).stdout)
        # Entered before the machine: relative class-path entries are looked up there.
        for jar in ("Quillmark.jar", "jh.jar"):
            shutil.copy(os.path.join(self.app, jar), work)
        self.set_strings("1232=1")
        self.assertIn("user.dir: " + work, self.run_launcher(cwd=start).stdout)

    def test_stdout_file_is_emptied_then_written(self):
        out = os.path.join(self.work, "out.txt")
        with open(out, "w") as old:
            old.write("old content\n")
        self.set_strings("1360=" + out)
        done = self.run_launcher("--out", "to the file")
        self.assertEqual(done.returncode, 0, done.stderr)
        with open(out) as written:
            text = written.read()
        self.assertNotIn("old content", text)
        self.assertIn("to the file", text)
        self.assertNotIn("to the file", done.stdout)

    def test_stderr_file_alone(self):
        err = os.path.join(self.work, "err.txt")
        self.set_strings("1376=" + err)
        done = self.run_launcher("--err", "problem text", "--out", "visible")
        with open(err) as written:
            self.assertIn("problem text", written.read())
        self.assertIn("visible", done.stdout)

    def test_one_file_for_both_streams_keeps_both_however_it_is_named(self):
        both = os.path.join(self.work, "both.txt")
        os.makedirs(os.path.join(self.work, "sub"))
        os.symlink(both, os.path.join(self.work, "link.txt"))
        # Relative names are taken from the executable's directory, where Java starts.
        for other in (both, "../both.txt", os.path.join(self.work, ".", "sub", "..", "both.txt"),
                      os.path.join(self.work, "link.txt")):
            with self.subTest(other=other):
                with open(both, "w") as old:
                    old.write("old content\n")
                self.set_strings("1360=" + both, "1376=" + other)
                done = self.run_launcher("--out", "first line", "--err", "second line")
                self.assertEqual(done.returncode, 0, done.stderr)
                with open(both) as written:
                    text = written.read()
                # A second stream would start over at the top of the file.
                self.assertIn('Quillmark started by Corvane on thread "main"', text)
                self.assertIn("first line", text)
                self.assertIn("second line", text)
                self.assertNotIn("old content", text)

    def test_running_out_of_memory_is_reported_and_ends_with_minus_one(self):
        # Each %BIG% grows the option text by 100,000 characters, past what the
        # preloaded library lets the process take in one piece.
        self.set_strings("1056=" + "%BIG%" * 200)
        self.env.update(BIG="x" * 100000, LD_PRELOAD=FAIL_ALLOCATIONS,
                        CORVANE_FAIL_ALLOCATIONS_FROM=str(4 << 20))
        done = self.run_launcher()
        self.assertEqual(done.stderr, "Error: Out of memory.\n")
        self.assertEqual(done.returncode, FAILED)

    def test_class_without_main(self):
        self.set_main_class("org.quillmark.help.Help")
        done = self.run_launcher()
        self.assertEqual(done.returncode, FAILED)
        self.assertIn("Error: Error locating method: main(java/lang/String[])", done.stderr)

    def test_main_that_throws_ends_with_minus_one(self):
        done = self.run_launcher("--throw")
        self.assertEqual(done.returncode, FAILED)
        self.assertIn("Quillmark was asked to fail", done.stderr)
        self.assertIn("Error: Error invoking method: main(java/lang/String[])", done.stderr)

    def test_system_exit_gives_its_own_status(self):
        done = self.run_launcher("--exit", "7")
        self.assertEqual(done.returncode, 7)

    def test_class_path_entries_split_on_colons_as_for_java_cp(self):
        self.set_strings("1072=Quillmark.jar:jh.jar")
        done = self.run_launcher()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("Quillmark help is available", done.stdout)

    def test_missing_runtime_is_reported_before_any_class_path_check(self):
        self.set_strings("1040=/nowhere/libjvm.so", "1072=missing.jar")
        done = self.run_launcher()
        self.assertEqual(done.returncode, FAILED)
        self.assertEqual(done.stderr.strip(),
                         "Error: Unable to locate suitable Java Runtime Environment on this machine.")

    def test_a_runtime_library_entry_naming_a_home_or_no_library(self):
        # Without discovery: a home stands for its library; a file that is no library
        # is reported with the system's reason.
        home = os.path.dirname(os.path.dirname(os.path.realpath(shutil.which("java"))))
        self.set_strings("1040=" + home)
        done = self.run_launcher("--out", "from the home")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("from the home", done.stdout)
        junk = os.path.join(self.work, "junk.so")
        with open(junk, "w") as out:
            out.write("not a library" * 100)
        self.set_strings("1040=" + junk)
        done = self.run_launcher()
        self.assertEqual(done.returncode, FAILED)
        self.assertEqual(done.stderr.strip(), "Error: Unable to load JVM: %s\n%s: invalid ELF "
                         "header" % (junk, junk))

    def test_missing_class_path_entry_fails_the_creation(self):
        self.set_strings("1072=Quillmark.jar;missing.jar")
        done = self.run_launcher()
        self.assertEqual(done.returncode, FAILED)
        # The full path that was looked for.
        self.assertIn("Error: Error accessing file/directory: %s/missing.jar"
                      % os.path.realpath(self.app), done.stderr)

    def test_discovery_finds_the_installed_jdk_without_a_configured_library(self):
        java = os.path.realpath(shutil.which("java"))
        home = os.path.dirname(os.path.dirname(java))
        links = os.path.join(self.work, "links")
        os.makedirs(links)
        os.symlink(java, os.path.join(links, "java"))
        trace = os.path.join(self.work, "trace.log")
        self.set_strings("1040=<null>", "1744=1")
        for source, extra in (("JAVA_HOME", {"JAVA_HOME": home, "PATH": links}),
                              ("PATH", {"PATH": links}),
                              ("system", {"PATH": "/nowhere"})):
            self.env = {k: v for k, v in os.environ.items() if k != "JAVA_HOME"}
            self.env.update(extra, XDG_RUNTIME_DIR=self.work, CORVANE_TRACE=trace)
            if os.path.exists(trace):
                os.remove(trace)
            done = self.run_launcher("--out", "found")
            self.assertEqual(done.returncode, 0, source + ": " + done.stderr)
            self.assertIn("found", done.stdout)
            with open(trace) as lines:
                text = lines.read()
            self.assertIn("runtime taken from %s: " % source, text)
            self.assertIn("exit code 0", text)

    def test_a_bound_no_runtime_meets_is_named_in_the_report(self):
        self.set_strings("1040=<null>", "1744=1", "1760=99",
                         "1472=Quillmark needs Java %s or newer.")
        done = self.run_launcher()
        self.assertEqual(done.returncode, FAILED)
        # The installed Java was passed over: the report names it on a line of its own.
        lines = done.stderr.splitlines()
        self.assertEqual(lines[:2], ["Error: Quillmark needs Java 99 or newer.",
                                     "Java was found but passed over; CORVANE_TRACE=<file> "
                                     "shows why."])
        # Found on PATH and among the system's homes, it is named once.
        self.assertEqual(lines.count("- Java 17.0.15 at /usr/lib/jvm/java-17-openjdk-amd64: "
                                     "below RuntimeMinVersion 99"), 1, lines)


if __name__ == "__main__":
    unittest.main()
