"""The start-up archive of the Linux launcher against the installed JDK: made at the
first run, mapped at the next, made again when the class path changes, and never in
the way of a launch."""

import os
import stat
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jvm_test import JvmTest  # noqa: E402

MAIN = "org.quillmark.Quillmark"


class StartupArchiveTest(JvmTest):

    def setUp(self):
        super().setUp()
        # Java 13 to 18 find no archived class below a directory whose name holds a
        # blank or letters beyond ASCII (the last case); the others run from a plain one.
        self.unicode_app = self.app
        self.app = os.path.join(self.work, "app")
        os.rename(self.unicode_app, self.app)
        self.exe = os.path.join(self.app, "quillmark")
        self.cache = os.path.join(self.work, "cache")
        self.trace = os.path.join(self.work, "trace.log")
        self.env.update(XDG_CACHE_HOME=self.cache, CORVANE_TRACE=self.trace)
        # Which classes came from the archive: the JVM's own log, in a file of its own.
        self.loaded = os.path.join(self.work, "loaded.log")
        self.set_strings("1872=1", "1056=-DCorvane=Yes -Xlog:class+load=info:file=" + self.loaded)

    def start(self, *args):
        return subprocess.Popen([self.exe, *args], cwd=self.work, env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def run_traced(self, *args):
        """The finished run and the archive lines of its trace."""
        for old in (self.trace, self.loaded):
            if os.path.exists(old):
                os.remove(old)
        process = self.start(*args)
        out, err = process.communicate(timeout=120)
        with open(self.trace) as lines:
            archive = [line.split("] ", 1)[1].rstrip("\n") for line in lines
                       if "startup archive" in line]
        return subprocess.CompletedProcess(process.args, process.returncode, out, err), archive

    def directory(self):
        names = os.listdir(os.path.join(self.cache, "corvane"))
        self.assertEqual(len(names), 1, names)
        self.assertTrue(names[0].startswith(MAIN + "-"), names)
        return os.path.join(self.cache, "corvane", names[0])

    def archive(self):
        return os.path.join(self.directory(), "java17.jsa")

    def main_class_source(self):
        with open(self.loaded) as lines:
            return next(line.split(" source: ")[1].strip() for line in lines
                        if " %s source: " % MAIN in line)

    def test_first_run_makes_the_archive_and_the_next_maps_it(self):
        # The first run ends with System.exit: the archive is put in place all the same.
        done, archive = self.run_traced("--exit", "7")
        self.assertEqual(done.returncode, 7, done.stderr)
        self.assertIn("startup archive: making %s (there is none yet)" % self.archive(), archive)
        self.assertEqual(archive[-1], "startup archive made: " + self.archive())
        self.assertNotEqual(self.main_class_source(), "shared objects file (top)")
        for path in (os.path.join(self.cache, "corvane"), self.directory()):
            self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o700, path)
        self.assertEqual(sorted(os.listdir(self.directory())), ["java17.jsa", "java17.key"])

        # A file that a killed run left behind long ago goes; a fresh one may be in use.
        old, fresh = (os.path.join(self.directory(), "java17.jsa.%d.tmp" % pid) for pid in (1, 2))
        for leftover in (old, fresh):
            open(leftover, "w").close()
        os.utime(old, (time.time() - 3600, time.time() - 3600))
        done, archive = self.run_traced()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("startup archive: using " + self.archive(), archive)
        self.assertEqual(self.main_class_source(), "shared objects file (top)")
        self.assertFalse(os.path.exists(old))
        self.assertTrue(os.path.exists(fresh))

    def test_changed_class_path_makes_a_new_archive(self):
        self.run_traced()
        self.set_strings("1072=jh.jar;Quillmark.jar")
        done, archive = self.run_traced()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("startup archive: making %s (its key differs)" % self.archive(), archive)
        self.assertEqual(archive[-1], "startup archive made: " + self.archive())
        done, archive = self.run_traced()
        self.assertIn("startup archive: using " + self.archive(), archive)
        self.assertEqual(self.main_class_source(), "shared objects file (top)")

    def test_output_is_the_same_with_the_archive_off_and_on(self):
        args = ("--out", "to standard output", "--err", "to standard error")
        self.set_strings("1056=-DCorvane=Yes", "1872=0")
        off, _ = self.run_traced(*args)
        self.assertFalse(os.path.exists(self.cache))
        self.set_strings("1872=1")
        making, archive = self.run_traced(*args)
        self.assertIn("startup archive made: " + self.archive(), archive)
        using, archive = self.run_traced(*args)
        self.assertIn("startup archive: using " + self.archive(), archive)
        for run in (making, using):
            self.assertEqual((run.returncode, run.stdout, run.stderr),
                             (off.returncode, off.stdout, off.stderr))
        self.assertIn("to standard error", off.stderr)

    def test_runs_without_an_archive_when_none_can_be_had(self):
        blocked = os.path.join(self.work, "not-a-directory")
        open(blocked, "w").close()
        # Asked for an archive, the runtime would end the process in either case.
        cases = [({"XDG_CACHE_HOME": os.path.join(blocked, "cache")},
                  "none, cannot make " + blocked),
                 ({"JAVA_TOOL_OPTIONS": "-Xshare:off"},
                  "none, the options choose the class-data sharing themselves")]
        for extra, reason in cases:
            self.env.update(extra)
            done, archive = self.run_traced("--out", "still runs")
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertIn("still runs", done.stdout)
            self.assertTrue(archive[-1].startswith("startup archive: " + reason), archive)

    def test_two_first_runs_at_once_both_succeed_and_leave_a_usable_archive(self):
        self.set_strings("1344=1")
        runs = [self.start("--out", "run %d" % n) for n in range(2)]
        for n, run in enumerate(runs):
            out, err = run.communicate(timeout=120)
            self.assertEqual(run.returncode, 0, err)
            self.assertIn("run %d" % n, out)
        self.assertEqual(sorted(os.listdir(self.directory())), ["java17.jsa", "java17.key"])
        done, archive = self.run_traced()
        self.assertIn("startup archive: using " + self.archive(), archive)
        self.assertEqual(self.main_class_source(), "shared objects file (top)")

    def test_no_archive_below_a_directory_java_17_cannot_find_classes_in(self):
        os.rename(self.app, self.unicode_app)
        self.exe = os.path.join(self.unicode_app, "quillmark")
        done, archive = self.run_traced()
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertTrue(archive[-1].startswith("startup archive: none, the class path lies below"),
                        archive)
        self.assertEqual(os.listdir(self.directory()), [])


if __name__ == "__main__":
    unittest.main()
