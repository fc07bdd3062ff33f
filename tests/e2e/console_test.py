"""Under Wine, what people expect of a launcher today: a console launcher made by
corvane-make that works at a command prompt, and the download page offered when no
Java runtime is found."""

import os
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import LAUNCHER, WineTestCase, wine, windows_path  # noqa: E402

MAKE = os.environ.get("CORVANE_MAKE", "")
TARGET = os.environ.get("CORVANE_TARGET", "win32")  # the machine of LAUNCHER
TESTJVM = os.environ.get("CORVANE_TESTJVM_DIR", "")
RUNTIME = os.path.join("j2re1.4.1_02", "bin", "client")
NO_RUNTIME = "Unable to locate suitable Java Runtime Environment on this machine."
PAGE = "https://example.org/java"
FAILED = 0xFFFFFFFF


class ConsoleTest(WineTestCase):

    def install_runtime(self):
        directory = os.path.join(self.app_dir, RUNTIME)
        os.makedirs(directory)
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), os.path.join(directory, "jvm.dll"))
        for jar in ("Quillmark.jar", "jh.jar"):
            open(os.path.join(self.app_dir, jar), "w").close()

    def test_console_launcher_at_a_command_prompt(self):
        config = os.path.join(self.work, "console.toml")
        with open(config, "w") as out:
            out.write('MainClass = "org.quillmark.Quillmark"\nClassPath = "Quillmark.jar;jh.jar"\n'
                      "RuntimeLibrary = '%s\\jvm.dll'\n" % RUNTIME.replace("/", "\\") +
                      'Console = true\nServiceName = "QuillConsole"\n'
                      'RuntimeDownloadUrl = "%s"\n' % PAGE)
        os.remove(self.exe)
        done = wine(MAKE, "--config", windows_path(config), "--target", TARGET, "--launcher",
                    windows_path(LAUNCHER), "--output", windows_path(self.exe))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.install_runtime()
        script = "stdout=to the console,stderr=an error line,echo_stdin,main_exit=3"
        run = self.run_launcher("one", stdin="typed line\r\n", env={
            "CORVANE_TESTJVM_LOG": os.path.join(self.work, "testjvm.log"),
            "CORVANE_TESTJVM_SCRIPT": script})
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 3)
        self.assertEqual(run.stdout.splitlines(), ["to the console", "read: typed line"])
        self.assertEqual(run.stderr.splitlines(), ["an error line"])

        # Reports: information on standard output, errors on standard error, no box.
        self.addCleanup(wine, "sc", "delete", "QuillConsole")
        for switch, words in (("-install", "installed"), ("-uninstall", "uninstalled")):
            run = self.run_launcher(switch, stdin="")
            self.assertEqual((run.dialogs, run.stdout, run.stderr, run.exit_code),
                             ([], "Service %s: QuillConsole\n" % words, "", 0))
        # The system's text for the missing service ends in a line break of its own.
        run = self.run_launcher("-uninstall", stdin="")
        self.assertEqual((run.dialogs, run.stdout), ([], ""))
        self.assertEqual(len(run.stderr.splitlines()), 1, run.stderr)
        self.assertTrue(run.stderr.strip())
        shutil.rmtree(os.path.join(self.app_dir, "j2re1.4.1_02"))
        run = self.run_launcher(stdin="")
        self.assertEqual((run.dialogs, run.stdout, run.exit_code), ([], "", FAILED))
        self.assertEqual(run.stderr.splitlines(), [NO_RUNTIME, PAGE])

    def test_no_runtime_offers_the_download_page(self):
        # A page whose opening leaves a mark: the shell runs a batch file.
        mark = os.path.join(self.work, "opened.txt")
        page = os.path.join(self.work, "download.bat")
        with open(page, "w") as out:
            out.write('@echo opened>>"%s"\r\n' % windows_path(mark))
        self.set_strings(e1792=windows_path(page))
        question = NO_RUNTIME + "\n\nOpen the download page now?"
        declined = self.run_launcher(answer="no")
        self.assertEqual((declined.dialogs, declined.exit_code), ([("Error", question)], FAILED))
        accepted = self.run_launcher(answer="yes")
        self.assertEqual((accepted.dialogs, accepted.exit_code), ([("Error", question)], FAILED))
        deadline = time.monotonic() + 20
        while not os.path.exists(mark) and time.monotonic() < deadline:
            time.sleep(0.25)
        time.sleep(1)  # room for a second, wrong opening to show
        with open(mark) as lines:
            self.assertEqual(lines.read().split(), ["opened"])


if __name__ == "__main__":
    unittest.main()
