"""The start-up archive of the Linux launcher on the installed JDK 17 and on Temurin 25:
each row of one table starts the sample three times in a row with the setting on and
checks the exit code, the output against a start with the setting off, and what the
trace says. The archive is made by a detached process after a run; each start waits
for it to finish before the next."""

import glob
import os
import re
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from jvm_test import DEMO, STRINGS_TOOL  # noqa: E402

MAIN = "org.quillmark.Quillmark"
RUNTIMES = {"17": "/usr/lib/jvm/java-17-openjdk-amd64",
            "25": "/usr/lib/jvm/temurin-25-jdk-amd64"}
MADE, FAILED, USING, RECORDING = "made", "failed", "using", "recording"
UNREACHABLE = "classes not found in an archive"


def tool(home, name):
    return os.path.join(home, "bin", name)


class Start:
    """One app below a work directory of its own, on one runtime."""

    def __init__(self, case, feature, home):
        self.case, self.feature, self.home = case, feature, home
        self.work = tempfile.mkdtemp(prefix="corvane-archive-%s-" % feature)
        case.addCleanup(shutil.rmtree, self.work, True)
        self.app = os.path.join(self.work, "app")
        shutil.copytree(DEMO, self.app)
        self.exe = os.path.join(self.app, "quillmark")
        self.cache = os.path.join(self.work, "cache")
        self.trace = os.path.join(self.work, "trace.log")
        self.loaded = os.path.join(self.work, "loaded.log")
        self.env = dict(os.environ, XDG_RUNTIME_DIR=self.work, LC_ALL="C.UTF-8",
                        XDG_CACHE_HOME=self.cache, CORVANE_TRACE=self.trace)
        self.options = "-DCorvane=Yes -Xlog:class+load=info:file=" + self.loaded
        self.strings("1040=" + os.path.join(home, "lib", "server", "libjvm.so"), "1344=1")

    def strings(self, *assignments):
        subprocess.run([STRINGS_TOOL, self.exe, *assignments], check=True)

    def directory(self):
        names = os.listdir(os.path.join(self.cache, "corvane"))
        self.case.assertEqual(len(names), 1, names)
        return os.path.join(self.cache, "corvane", names[0])

    def archives(self):
        return glob.glob(os.path.join(self.directory(), "java%s-*" % self.feature, "archive.jsa"))

    def wait_for_maker(self):
        """Until the detached process has made the archive or given up."""
        deadline = time.time() + 120
        while glob.glob(os.path.join(self.cache, "corvane", "*", "*.request")):
            self.case.assertLess(time.time(), deadline, "the archive is still being made")
            time.sleep(0.1)

    def start(self, *args):
        return subprocess.Popen([self.exe, *args], cwd=self.work, env=self.env,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def run(self, *args, archive=True):
        """The finished run (after its maker) and the archive lines of its trace."""
        for old in (self.trace, self.loaded):
            if os.path.exists(old):
                os.remove(old)
        self.strings("1056=" + self.options, "1872=%d" % archive)
        process = self.start(*args)
        out, err = process.communicate(timeout=120)
        self.wait_for_maker()
        with open(self.trace) as lines:
            traced = [line.split("] ", 1)[1].rstrip("\n") for line in lines
                      if "startup archive" in line]
        return (process.returncode, visible(out), visible(err)), traced

    def mapped(self):
        with open(self.loaded) as lines:
            return any(" %s source: shared objects file" % MAIN in line for line in lines)


def visible(output):
    """The output without the runtime's own warnings about its default archive, which
    (for example under -XX:-UseCompressedClassPointers on Java 25) appear without the
    setting and not with an archive of the launcher's that fits."""
    return "".join(line for line in output.splitlines(True)
                   if not re.match(r"\[([\d.]+s\]\[warning\]\[cds| +\])", line))


def outcome(traced):
    """What a start's trace (its maker's lines included) says of the archive."""
    text = "\n".join(traced)
    if "startup archive: using " in text:
        return USING
    if "startup archive made: " in text:
        return MADE
    if "failed for this key before" in text or re.search(r"making \S+ failed: ", text):
        return FAILED
    if "recording the classes of this run" in text:
        return RECORDING
    if "none, the class path lies below a directory" in text:
        return UNREACHABLE
    return text


class StartupArchiveTest(unittest.TestCase):

    def runtimes(self):
        found = [(f, home) for f, home in RUNTIMES.items() if os.path.isdir(home)]
        missing = [home for f, home in RUNTIMES.items() if not os.path.isdir(home)]
        if missing:
            print("skipped for the absent runtime(s) %s" % ", ".join(missing), file=sys.stderr)
        if not found:
            self.skipTest("no runtime")
        return found

    def check_row(self, prepare=None, expected=(MADE, USING, USING), args=(), between=None):
        """Three starts with the setting on after `prepare`; `between` runs after the
        first one. Each gives the exit code and output of the start with it off."""
        apps = []
        for feature, home in self.runtimes():
            with self.subTest(runtime=feature):
                app = Start(self, feature, home)
                apps.append(app)
                if prepare:
                    prepare(app)
                off, traced = app.run(*args, archive=False)
                self.assertEqual(traced, [])
                want = expected[feature] if isinstance(expected, dict) else expected
                for n, expect in enumerate(want):
                    if n == 1 and between:
                        between(app)
                    done, traced = app.run(*args)
                    self.assertEqual(done, off, "start %d: %s" % (n + 1, traced))
                    self.assertEqual(outcome(traced), expect, "start %d: %s" % (n + 1, traced))
                    if expect == USING:
                        self.assertTrue(app.mapped(), "start %d maps no class" % (n + 1))
        return apps

    def test_non_empty_directory_first_on_the_class_path(self):
        def prepare(app):
            os.makedirs(os.path.join(app.app, "plugins"))
            open(os.path.join(app.app, "plugins", "readme.txt"), "w").close()
            app.strings("1072=plugins;Quillmark.jar;jh.jar")
        for app in self.check_row(prepare, (FAILED, FAILED, FAILED)):
            with open(app.trace) as trace:
                self.assertIn("Cannot have non-empty directory in paths", trace.read())

    def test_java_agent_in_the_options(self):
        def prepare(app):
            source = os.path.join(app.work, "agent")
            os.makedirs(source)
            with open(os.path.join(source, "Agent.java"), "w") as java:
                java.write("public class Agent { public static void premain(String a) {} }")
            with open(os.path.join(source, "manifest"), "w") as manifest:
                manifest.write("Premain-Class: Agent\n")
            subprocess.run([tool(app.home, "javac"), "-d", source, os.path.join(source, "Agent.java")],
                           check=True)
            jar = os.path.join(app.work, "agent.jar")
            subprocess.run([tool(app.home, "jar"), "cfm", jar, os.path.join(source, "manifest"),
                            "-C", source, "Agent.class"], check=True)
            app.options += " -javaagent:" + jar
        self.check_row(prepare)

    def test_jdwp_in_java_tool_options_after_a_tab(self):
        def prepare(app):
            app.env["JAVA_TOOL_OPTIONS"] = ("-Dx=1\t-agentlib:jdwp=transport=dt_socket,server=y,"
                                            "suspend=n,address=127.0.0.1:0,quiet=y")
        self.check_row(prepare)

    def test_object_alignment_of_16(self):
        def prepare(app):
            app.options += " -XX:ObjectAlignmentInBytes=16"
        self.check_row(prepare)

    def test_without_compressed_class_pointers(self):
        def prepare(app):
            app.options += " -XX:-UseCompressedClassPointers"
        self.check_row(prepare)

    def damage_row(self, damage):
        """An archive made and mapped, then damaged: at most one start ends otherwise
        (a crash retires the archive), then starts are normal again and map a new one.
        Damage that changes the archive's size or time is seen before any start maps it."""
        for feature, home in self.runtimes():
            with self.subTest(runtime=feature):
                app = Start(self, feature, home)
                off, _ = app.run(archive=False)
                app.run()
                done, traced = app.run()
                self.assertEqual((done, outcome(traced)), (off, USING))
                damage(app.archives()[0])
                crashed = False
                for n in range(4):
                    done, traced = app.run()
                    if crashed:
                        self.assertIn("as a run that used it ended without a normal end",
                                      "\n".join(traced))
                    crashed = done != off
                    if crashed:
                        self.assertEqual(n, 0, "a second crash: %s" % done[2][-300:])
                self.assertEqual(outcome(traced), USING)
                self.assertTrue(app.mapped())

    def test_archive_overwritten_in_the_middle(self):
        def damage(path):
            # 4 KiB in every 64 KiB past the header, with the file's time kept, as a
            # disk error would: only a crash can tell (JDK 17 crashes on it).
            stamp = os.stat(path)
            os.chmod(path, 0o600)
            with open(path, "r+b") as archive:
                for offset in range(1 << 16, stamp.st_size - (1 << 16), 1 << 16):
                    archive.seek(offset)
                    archive.write(os.urandom(4096))
            os.utime(path, ns=(stamp.st_atime_ns, stamp.st_mtime_ns))
        self.damage_row(damage)

    def test_truncated_archive(self):
        def damage(path):
            os.chmod(path, 0o600)
            os.truncate(path, os.path.getsize(path) // 2)
        self.damage_row(damage)

    def test_jar_named_by_the_manifest_touched(self):
        def prepare(app):
            extra = os.path.join(app.app, "extra")
            os.makedirs(extra)
            open(os.path.join(extra, "note.txt"), "w").close()
            subprocess.run([tool(app.home, "jar"), "cf", os.path.join(app.app, "extra.jar"),
                            "-C", extra, "note.txt"], check=True)
            with open(os.path.join(app.work, "manifest"), "w") as manifest:
                manifest.write("Class-Path: extra.jar\n")
            subprocess.run([tool(app.home, "jar"), "ufm", os.path.join(app.app, "jh.jar"),
                            os.path.join(app.work, "manifest")], check=True)

        def touch(app):
            path = os.path.join(app.app, "extra.jar")
            os.utime(path, (time.time() + 5, time.time() + 5))
        self.check_row(prepare, (MADE, MADE, USING), between=touch)

    def test_cache_on_a_nearly_full_file_system(self):
        if os.geteuid() != 0:
            self.skipTest("mounting a small tmpfs needs root")

        def prepare(app):
            os.makedirs(app.cache)
            if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=4m", "tmpfs", app.cache]).returncode:
                self.skipTest("a tmpfs cannot be mounted here")
            self.addCleanup(subprocess.run, ["umount", "-l", app.cache])
        for app in self.check_row(prepare, (RECORDING, RECORDING, RECORDING)):
            with open(app.trace) as trace:
                self.assertIn("MiB free", trace.read())

    def test_two_first_runs_at_once(self):
        for feature, home in self.runtimes():
            with self.subTest(runtime=feature):
                app = Start(self, feature, home)
                off, _ = app.run("--out", "together", archive=False)
                app.strings("1872=1")
                runs = [app.start("--out", "together") for _ in range(2)]
                for run in runs:
                    out, err = run.communicate(timeout=120)
                    self.assertEqual((run.returncode, visible(out), visible(err)), off)
                app.wait_for_maker()
                self.assertEqual(len(app.archives()), 1)
                done, traced = app.run("--out", "together")
                self.assertEqual((done, outcome(traced)), (off, USING))

    def test_below_a_directory_with_a_blank_and_letters_beyond_ascii(self):
        def prepare(app):
            moved = os.path.join(app.work, "app Zoë")
            os.rename(app.app, moved)
            app.app, app.exe = moved, os.path.join(moved, "quillmark")
        # Java 17 looks archived classes up by a file URL that spells such a path
        # otherwise, and never finds them; Java 25 does.
        self.check_row(prepare, {"17": (UNREACHABLE,) * 3, "25": (MADE, USING, USING)})

    def test_system_exit(self):
        self.check_row(args=("--exit", "7"))

    def test_private_cache_and_leftovers_of_ended_processes(self):
        feature, home = self.runtimes()[0]
        app = Start(self, feature, home)
        app.run()
        for path in (os.path.join(app.cache, "corvane"), app.directory()):
            self.assertEqual(stat.S_IMODE(os.stat(path).st_mode), 0o700, path)
        # Files of a process that ended long ago go; those of a fresh one may still be
        # in use, and those of a running process are.
        ended, running = 999999999, os.getpid()
        names = {"java%s-0.%d.classes" % (feature, ended): True,
                 "java%s-2.%d.classes" % (feature, running): False}
        for name in names:
            path = os.path.join(app.directory(), name)
            open(path, "w").close()
            os.utime(path, (time.time() - 3600, time.time() - 3600))
        fresh = os.path.join(app.directory(), "java%s-1.%d.classes" % (feature, ended))
        open(fresh, "w").close()
        names[os.path.basename(fresh)] = False
        done, traced = app.run()
        self.assertEqual(outcome(traced), USING)
        for name, gone in names.items():
            self.assertEqual(not os.path.exists(os.path.join(app.directory(), name)), gone, name)


if __name__ == "__main__":
    unittest.main()
