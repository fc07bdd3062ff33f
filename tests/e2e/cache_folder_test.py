"""The user's cache folder of the Windows launcher: a folder in its place that leads
elsewhere is not used. Wine shows a host link below drive C: as a reparse point."""

import glob
import os
import re
import shutil
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from hosting_test import HostingTest, TESTJVM  # noqa: E402
from wine_harness import windows_path  # noqa: E402


class CacheFolderTest(HostingTest):

    def launch_traced(self):
        """One run with the start-up archive on: its exit code and the archive lines of
        its trace."""
        trace = os.path.join(self.work, "trace.log")
        if os.path.exists(trace):
            os.remove(trace)
        run = self.run_launcher(env={"CORVANE_TESTJVM_LOG": self.log,
                                     "CORVANE_TESTJVM_SCRIPT": "",
                                     "CORVANE_TRACE": windows_path(trace)})
        with open(trace, encoding="latin-1") as lines:
            return run.exit_code, [line.split("] ", 1)[1].rstrip("\n") for line in lines
                                   if "startup archive" in line]

    def test_a_linked_cache_folder_is_not_used(self):
        # A runtime of Java 17 with its base archive: the launcher keeps an archive.
        server = os.path.join(self.work, "jdk17", "bin", "server")
        os.makedirs(server)
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), os.path.join(server, "jvm.dll"))
        open(os.path.join(server, "classes.jsa"), "w").close()
        with open(os.path.join(self.work, "jdk17", "release"), "w") as release:
            release.write('JAVA_VERSION="17.0.9"\n')
        for jar in ("Quillmark.jar", "jh.jar"):
            open(os.path.join(self.app_dir, jar), "w").close()
        self.set_strings(e1040=windows_path(os.path.join(server, "jvm.dll")), e1872="1")

        code, archive = self.launch_traced()
        self.assertEqual(code, 0)
        made = re.search(r"startup archive: recording .* for (\S+\\Corvane\\[^\\]+)\\java17-",
                         "\n".join(archive))
        self.assertIsNotNone(made, archive)
        drive, rest = made.group(1).split(":\\", 1)
        folder = os.path.join(os.environ["WINEPREFIX"], "drive_%s" % drive.lower(),
                              *rest.split("\\"))
        self.addCleanup(lambda: os.path.islink(folder) and os.remove(folder))
        # The archive is made by a process of its own after the run: let it end first.
        deadline = time.monotonic() + 60
        while glob.glob(os.path.join(folder, "*.request")):
            self.assertLess(time.monotonic(), deadline, "the archive is still being made")
            time.sleep(0.2)
        # The application's folder replaced by a link to a folder someone else chose.
        shutil.rmtree(folder)
        elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(elsewhere)
        os.symlink(elsewhere, folder)

        code, archive = self.launch_traced()
        self.assertEqual(code, 0)
        self.assertRegex(archive[-1], r"^startup archive: none, .*\\Corvane\\[^\\]+ is a link "
                                      r"or junction")
        self.assertEqual(os.listdir(elsewhere), [])


if __name__ == "__main__":
    unittest.main()
