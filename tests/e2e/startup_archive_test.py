"""The start-up archive of the Windows launcher with stand-in runtimes whose release
files say 11, 17 and 21: the options the runtime receives, and the archive in the
user's cache below LOCALAPPDATA."""

import os
import re
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from hosting_test import HostingTest, TESTJVM  # noqa: E402
from wine_harness import wine, windows_path  # noqa: E402

# The class-path entries as the launcher hands them on: below its own directory.
CONFIGURED_PATH = "option=-Djava.class.path={app}\\Quillmark.jar;{app}\\jh.jar"


class StartupArchiveTest(HostingTest):

    @classmethod
    def setUpClass(cls):
        # Wine gives every program the prefix's own LOCALAPPDATA, whatever the
        # environment says; each case's launcher has a directory of its own in it.
        cls.local = wine("cmd", "/c", "echo %LOCALAPPDATA%").stdout.strip()

    def configured(self):
        return ["option=-DCorvane=Yes", CONFIGURED_PATH.format(app=windows_path(self.app_dir))]

    def setUp(self):
        super().setUp()
        self.trace = os.path.join(self.work, "trace.log")
        self.set_strings(e1872="1")

    def use_runtime(self, version):
        """A home whose release file says `version`, with the stand-in library and a
        base archive beside it, made the configured runtime."""
        server = os.path.join(self.work, "jdk" + version, "bin", "server")
        os.makedirs(server)
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), os.path.join(server, "jvm.dll"))
        open(os.path.join(server, "classes.jsa"), "w").close()
        with open(os.path.join(server, "..", "..", "release"), "w") as release:
            release.write('IMPLEMENTOR="Stand-in"\nJAVA_VERSION="%s"\n' % version)
        self.set_strings(e1040=windows_path(os.path.join(server, "jvm.dll")))

    def launch_archived(self, script=""):
        """One run: its exit code, the options the runtime received, the runtime's whole
        log and the archive lines of the trace."""
        for old in (self.log, self.trace):
            if os.path.exists(old):
                os.remove(old)
        run = self.run_launcher(env={
            "CORVANE_TESTJVM_LOG": self.log, "CORVANE_TESTJVM_SCRIPT": script,
            "CORVANE_TRACE": windows_path(self.trace)})
        self.assertEqual(run.dialogs, [])
        log = self.logged()
        options = [line for line in log if line.startswith("option=")]
        with open(self.trace, encoding="latin-1") as lines:
            archive = [line.split("] ", 1)[1].rstrip("\n") for line in lines
                       if "startup archive" in line]
        return run.exit_code, options, log, archive

    def cache(self, archive):
        """The application's directory in the cache, named in the archive lines of a
        trace, as a Windows path; the case removes it when it ends."""
        found = re.search(r"(\S+\\Corvane\\[^\\]+)\\java", "\n".join(archive))
        self.assertIsNotNone(found, archive)
        cache = found.group(1)
        self.assertRegex(cache, "^" + re.escape(self.local) +
                         r"\\Corvane\\org\.quillmark\.Quillmark-[0-9a-f]{8}$")
        drive, rest = cache.split(":\\", 1)
        self.host_cache = os.path.join(os.environ["WINEPREFIX"], "drive_%s" % drive.lower(),
                                       *rest.split("\\"))
        self.addCleanup(shutil.rmtree, self.host_cache, True)
        return cache

    def files(self):
        return sorted(os.listdir(self.host_cache))

    def test_java_11_gets_the_options_of_a_launch_without_the_setting(self):
        self.use_runtime("11.0.2")
        code, options, _, archive = self.launch_archived()
        self.assertEqual(code, 0)
        self.assertEqual(options, self.configured())
        self.assertEqual(archive[-1], "startup archive: none, Java 11.0.2 makes no dynamic "
                                      "archive (13 and later do)")

    def test_java_17_makes_the_archive_at_the_end_and_maps_it_next_time(self):
        self.use_runtime("17.0.9")
        code, options, log, archive = self.launch_archived()
        self.assertEqual(code, 0)
        cache = self.cache(archive)
        pending = options[1][len("option=-XX:ArchiveClassesAtExit="):]
        self.assertRegex(pending, "^" + re.escape(cache + "\\java17.jsa.") + r"\d+\.tmp$")
        self.assertEqual(options, ["option=-Xlog:cds*=off",
                                   "option=-XX:ArchiveClassesAtExit=" + pending,
                                   "option=exit"] + self.configured())
        self.assertEqual(log[-2:], ["archive " + pending, "destroy"])
        self.assertEqual(archive[-1], "startup archive made: %s\\java17.jsa" % cache)
        self.assertEqual(self.files(), ["java17.jsa", "java17.key"])

        code, options, log, archive = self.launch_archived()
        self.assertEqual(options, ["option=-Xlog:cds*=off",
                                   "option=-XX:SharedArchiveFile=%s\\java17.jsa" % cache]
                         + self.configured())
        self.assertEqual([line for line in log if line.startswith("archive ")], [])

        # Other options, another key: the new archive replaces the old, read-only one,
        # also when the application ends the process with System.exit.
        self.set_strings(e1056="-DCorvane=Again")
        code, options, log, archive = self.launch_archived(script="main_exit=7")
        self.assertEqual(code, 7)
        self.assertIn("startup archive: making %s\\java17.jsa (its key differs)" % cache, archive)
        self.assertEqual(log[-1], "exit hook 7")
        self.assertEqual(archive[-1], "startup archive made: %s\\java17.jsa" % cache)
        self.assertEqual(self.files(), ["java17.jsa", "java17.key"])
        code, options, log, archive = self.launch_archived()
        self.assertIn("startup archive: using %s\\java17.jsa" % cache, archive)

    def test_java_21_keeps_the_archive_itself(self):
        self.use_runtime("21.0.1")
        code, options, log, archive = self.launch_archived()
        self.assertEqual(code, 0)
        cache = self.cache(archive)
        self.assertEqual(options, ["option=-Xlog:cds*=off", "option=-XX:+AutoCreateSharedArchive",
                                   "option=-XX:SharedArchiveFile=%s\\java21.jsa" % cache]
                         + self.configured())
        self.assertEqual(archive[-1], "startup archive made by the runtime: %s\\java21.jsa" % cache)
        code, options, log, archive = self.launch_archived()
        self.assertEqual(archive[-1], "startup archive left as it was: %s\\java21.jsa" % cache)
        self.assertEqual(self.files(), ["java21.jsa"])


if __name__ == "__main__":
    unittest.main()
