"""The Linux launcher as a whole process: its own string table, the instance lock,
the service switches that Linux does not have."""

import fcntl
import os
import shutil
import subprocess
import tempfile
import unittest

LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
STRINGS_TOOL = os.environ.get("CORVANE_STRINGS", "")
ALREADY_RUNNING = "Error: An instance of this program is already running."


class LinuxLauncherTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-linux-")
        self.addCleanup(shutil.rmtree, self.work, True)
        self.exe = os.path.join(self.work, "quillmark")
        shutil.copy2(LAUNCHER, self.exe)
        # A lock directory of the case's own, so that no other run interferes.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.work)

    def set_strings(self, *assignments):
        subprocess.run([STRINGS_TOOL, self.exe, *assignments], check=True)

    def run_launcher(self, *args, cwd=None):
        return subprocess.run([self.exe, *args], cwd=cwd or self.work, env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=60)

    def hold_lock(self, name):
        path = os.path.join(self.work, "corvane-%d-%s.lock" % (os.getuid(), name))
        lock = open(path, "w")
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
        self.addCleanup(lock.close)

    def test_second_instance_is_refused(self):
        self.hold_lock("org.quillmark.Quillmark")
        done = self.run_launcher()
        self.assertEqual(done.stderr.strip(), ALREADY_RUNNING)
        self.assertEqual(done.returncode, 0)

    def test_allow_multiple_instances_is_never_refused(self):
        self.set_strings("1344=1")
        self.hold_lock("org.quillmark.Quillmark")
        done = self.run_launcher()
        self.assertNotIn(ALREADY_RUNNING, done.stderr)

    def test_changed_string_table_is_what_the_launcher_reads(self):
        self.set_strings("1440=Quillmark is open already.")
        self.hold_lock("org.quillmark.Quillmark")
        done = self.run_launcher()
        self.assertEqual(done.stderr.strip(), "Error: Quillmark is open already.")

    def test_install_is_no_switch_without_service_name(self):
        done = self.run_launcher("-install")
        self.assertNotIn("service", done.stderr.lower())
        self.assertEqual(done.returncode, 255)

    def test_startup_archive_switch_misused_says_so_on_standard_error(self):
        # The launcher's own switch never reaches the application, whether the archive
        # is on or off; used wrongly, it says so in one line.
        for args in (("a", "b"), (), ("make",), ("dump", "r"), ("make", "r", "x")):
            with self.subTest(args=args):
                done = self.run_launcher("--corvane-startup-archive", *args)
                self.assertEqual((done.returncode, done.stdout), (2, ""))
                self.assertEqual(len(done.stderr.splitlines()), 1, done.stderr)
                self.assertIn("--corvane-startup-archive is the launcher's own switch",
                              done.stderr)


if __name__ == "__main__":
    unittest.main()
