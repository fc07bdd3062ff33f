"""The start-up archive of the Windows launcher with stand-in runtimes whose release
files say 10, 11, 17, 21 and 25: the options that the application's runtime and the
two runtimes of the making receive, and the making in a detached process without a
window after the application's run."""

import glob
import os
import re
import shutil
import sys
import time
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
        """A home whose release file says `version`, with the stand-in library, made
        the configured runtime."""
        server = os.path.join(self.work, "jdk" + version, "bin", "server")
        os.makedirs(server)
        shutil.copy(os.path.join(TESTJVM, "testjvm.dll"), os.path.join(server, "jvm.dll"))
        with open(os.path.join(server, "..", "..", "release"), "w") as release:
            release.write('IMPLEMENTOR="Stand-in"\nJAVA_VERSION="%s"\n' % version)
        self.set_strings(e1040=windows_path(os.path.join(server, "jvm.dll")))

    def host_path(self, path):
        drive, rest = path.split(":\\", 1)
        return os.path.join(os.environ["WINEPREFIX"], "drive_%s" % drive.lower(),
                            *rest.split("\\"))

    def launch_archived(self, script="", wait=True):
        """One run: its exit code, the log of every runtime (the application's, then
        those of the making), and the archive lines of the trace. With `wait`, after
        the making has ended."""
        for old in (self.log, self.trace):
            if os.path.exists(old):
                os.remove(old)
        run = self.run_launcher(env={
            "CORVANE_TESTJVM_LOG": self.log, "CORVANE_TESTJVM_SCRIPT": script,
            "CORVANE_TRACE": windows_path(self.trace)})
        self.assertEqual(run.dialogs, [])
        if wait:
            self.wait_for_maker()
        return run.exit_code, self.logged(), self.archive_lines()

    def archive_lines(self):
        with open(self.trace, encoding="latin-1") as lines:
            return [line.split("] ", 1)[1].rstrip("\n") for line in lines
                    if "startup archive" in line]

    def folder(self, archive):
        """The archive's folder named in the trace, as a Windows path, below the
        application's directory in the cache; removed when the case ends."""
        found = re.search(r"(\S+\\Corvane\\[^\\]+)\\(java\d+-[0-9a-f]{16})", "\n".join(archive))
        self.assertIsNotNone(found, archive)
        self.assertRegex(found.group(1), "^" + re.escape(self.local) +
                         r"\\Corvane\\org\.quillmark\.Quillmark-[0-9a-f]{8}$")
        self.addCleanup(shutil.rmtree, self.host_path(found.group(1)), True)
        return found.group(0)

    def wait_for_maker(self):
        deadline = time.time() + 60
        pattern = os.path.join(self.host_path(self.local), "Corvane", "*", "*.request")
        while glob.glob(pattern):
            self.assertLess(time.time(), deadline, "the archive is still being made")
            time.sleep(0.2)

    def test_options_for_each_java_version(self):
        for version, feature in (("10.0.2", None), ("11.0.2", "11"), ("17.0.9", "17"),
                                 ("21.0.1", "21"), ("25", "25")):
            with self.subTest(version=version):
                self.use_runtime(version)
                code, log, archive = self.launch_archived()
                self.assertEqual(code, 0)
                options = [line for line in log if line.startswith("option=")]
                if feature is None:
                    self.assertEqual(options, self.configured())
                    self.assertEqual(archive[-1], "startup archive: none, Java 10.0.2 makes no "
                                                  "archive (11 and later do)")
                    continue
                folder = self.folder(archive)
                self.assertIn("\\java%s-" % feature, folder)
                pid = re.search(r"\.(\d+)\.classes$", options[1]).group(1)
                run = "%s.%s" % (folder, pid)
                self.assertEqual(options[:len(self.configured()) + 3], [
                    "option=-Xlog:cds*=off", "option=-XX:DumpLoadedClassList=%s.classes" % run,
                    "option=exit"] + self.configured())
                # Then the dump and the check, each a runtime of its own.
                work = re.escape(folder) + r"\.\d+\.tmp\\archive\.jsa"
                dump = options[len(self.configured()) + 3:][:5 + (feature == "25")]
                self.assertEqual(dump[:2], ["option=-Xshare:dump",
                                            "option=-XX:SharedClassListFile=%s.classes" % run])
                self.assertRegex(dump[2], "^option=-XX:SharedArchiveFile=" + work + "$")
                self.assertEqual(dump[3:], ["option=-Xlog:class+path=info"] +
                                 (["option=-XX:+AOTClassLinking"] if feature == "25" else []) +
                                 self.configured()[1:])
                check = options[len(self.configured()) + 3 + len(dump):]
                self.assertEqual(check[0], "option=-Xshare:on")
                self.assertRegex(check[1], "^option=-XX:SharedArchiveFile=" + work + "$")
                self.assertEqual(check[2:], ["option=-XX:+VerifySharedSpaces"] + self.configured()[1:])
                self.assertEqual(archive[-1], "startup archive made: " + folder)
                self.assertEqual(sorted(os.listdir(self.host_path(folder))), ["archive.jsa", "key"])

                code, log, archive = self.launch_archived()
                self.assertEqual(code, 0)
                options = [line for line in log if line.startswith("option=")]
                self.assertEqual(options, ["option=-Xlog:cds*=off",
                                           "option=-XX:SharedArchiveFile=%s\\archive.jsa" % folder,
                                           "option=exit"] + self.configured())
                self.assertIn("mapped %s\\archive.jsa" % folder, log)

    def test_archive_is_made_after_the_run_by_a_detached_process(self):
        self.use_runtime("17.0.9")
        code, log, archive = self.launch_archived("main_exit=7,dump_sleep=3000", wait=False)
        self.assertEqual(code, 7)
        self.assertIn("exit hook 7", log)
        # The launcher has ended; the dump still sleeps before it writes the archive.
        self.assertEqual([line for line in log if line.startswith("archive ")], [])
        folder = self.folder(archive)
        self.wait_for_maker()
        log = self.logged()
        # Wine does not report the priority class it was given; Windows does.
        self.assertTrue(any(re.fullmatch(r"dump priority=\S+ console=none window=hidden", line)
                            for line in log), log)
        self.assertIn("startup archive made: " + folder, self.archive_lines())

        # The runtime passes over the archive made under this run's options: it
        # is retired, and later runs under them go without it.
        code, log, archive = self.launch_archived("share_refused")
        self.assertEqual(code, 0)
        self.assertIn("not mapped %s\\archive.jsa" % folder, log)
        refusal = 'the run did not map it (java.vm.info "mixed mode")'
        self.assertEqual(archive[-1], "startup archive: retired %s, as %s" % (folder, refusal))
        code, log, archive = self.launch_archived("share_refused")
        self.assertEqual(archive[-1], "startup archive: none, the runtime refused it for this "
                                      "key before: " + refusal)
        self.assertEqual([line for line in log if line.startswith("option=")], self.configured())

        # A dump that fails is remembered for the key, and the trace says why. System
        # properties are not part of the key; other options are.
        self.set_strings(e1056="-DCorvane=Yes -Xss2m")
        code, log, archive = self.launch_archived("dump_fails")
        self.assertEqual(code, 0)
        failed = self.folder(archive)
        self.assertNotEqual(failed, folder)
        self.assertEqual(archive[-1], "startup archive: making %s failed: the dump ended with 1: "
                                      "Cannot have non-empty directory in paths" % failed)
        code, log, archive = self.launch_archived()
        self.assertEqual(archive[-1], "startup archive: none, the runtime refused it for this "
                                      "key before: the dump ended with 1: Cannot have non-empty "
                                      "directory in paths")
        self.assertEqual([line for line in log if line.startswith("option=")],
                         self.configured()[:1] + ["option=-Xss2m"] + self.configured()[1:])


if __name__ == "__main__":
    unittest.main()
