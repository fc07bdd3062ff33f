"""One-file Linux launchers made by corvane-make (OneFile, --one-file) and run on the
real JDK 17: the archives travel inside the launcher and are read from the user's
cache, or from a temporary folder of the run when there is no cache."""

import glob
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
STRINGS = os.environ.get("CORVANE_STRINGS", "")
SAMPLE = os.environ.get("CORVANE_SAMPLE_DIR", "")
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"

HELLO = """public final class Hello {
  public static void main(String[] args) {
    System.out.println("build %d of Hello, " + org.quillmark.help.Help.banner());
  }
}
"""


def end_if_running(process):
    """Kills a launcher that a failed case left running."""
    if process.poll() is None:
        process.kill()
        process.communicate()


class OneFileLinuxTest(unittest.TestCase):

    def setUp(self):
        if not os.path.isdir(JDK17):
            self.skipTest("JDK 17 is not installed in " + JDK17)
        self.work = tempfile.mkdtemp(prefix="corvane-one-file-")
        self.addCleanup(shutil.rmtree, self.work, True)
        # The launcher and its cache below a folder with a blank, %, ;, = and a letter
        # beyond ASCII; it is started through a link, from another folder.
        self.odd = os.path.join(self.work, "Zoë 100%; a=b")
        self.cache = os.path.join(self.odd, "cache")
        os.makedirs(os.path.join(self.odd, "home"))
        self.env = dict(os.environ, HOME=os.path.join(self.odd, "home"), XDG_CACHE_HOME=self.cache,
                        XDG_RUNTIME_DIR=self.work, LC_ALL="C.UTF-8", CORVANE_TRACE="-")

    def make(self, config_text, source, output, *extra):
        config = os.path.join(source, "app.toml")
        with open(config, "w", encoding="utf-8") as out:
            out.write(config_text + 'RuntimeLibrary = "%s"\n' % JDK17)
        done = subprocess.run([MAKE, "--config", config, "--target", "linux", "--launcher",
                               LAUNCHER, "--output", output, *extra], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        return done.stdout

    def start(self, exe, *args, env=None):
        link = os.path.join(self.work, "link-%d" % time.monotonic_ns())
        os.symlink(exe, link)
        process = subprocess.Popen([link, *args], cwd=self.work, env=env or self.env,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.addCleanup(end_if_running, process)
        return process

    def run_app(self, exe, *args, env=None):
        out, err = self.start(exe, *args, env=env).communicate(timeout=120)
        self.assertIn("Quillmark help is available", out, err)
        return out, err

    def folders(self, application):
        return sorted(glob.glob(os.path.join(self.cache, "corvane", application + "-archives", "*")))

    def test_runs_alone_from_an_empty_folder_and_replaces_a_damaged_archive(self):
        # MainJar alone: jh.jar comes in through the Class-Path of Quillmark.jar's manifest.
        source = os.path.join(self.work, "source")
        os.makedirs(source)
        for jar in ("Quillmark.jar", "jh.jar"):
            shutil.copy(os.path.join(SAMPLE, jar), source)
        made = os.path.join(source, "quill")
        summary = self.make('MainJar = "Quillmark.jar"\nOneFile = true\n', source, made)
        self.assertRegex(summary, r"^one file .*/quill: .*, with 2 archives\n  Quillmark.jar \(")
        self.assertIn("\n  jh.jar (", summary)
        alone = os.path.join(self.odd, "empty folder")
        os.makedirs(alone)
        exe = os.path.join(alone, "quill")
        shutil.copy(made, exe)
        shutil.rmtree(source)

        out, err = self.run_app(exe, "--out", "first")
        self.assertIn("first", out)
        [folder] = self.folders("Quillmark")
        self.assertIn("one file: 2 archives of this launcher written to " + folder, err)
        self.assertIn("class path " + os.path.join(folder, "Quillmark.jar"), err)
        self.assertEqual(os.listdir(alone), ["quill"])

        # One byte of an archive changed, its size and time kept: found, written again
        # from the launcher, never read.
        jar = os.path.join(folder, "jh.jar")
        with open(jar, "rb") as original:
            good = original.read()
        stat = os.stat(jar)
        with open(jar, "r+b") as damaged:
            damaged.seek(len(good) // 2)
            damaged.write(bytes([good[len(good) // 2] ^ 0xFF]))
        os.utime(jar, ns=(stat.st_atime_ns, stat.st_mtime_ns))
        out, err = self.run_app(exe)
        self.assertIn("one file: %s is not the archive this launcher carries; written again" % jar,
                      err)
        self.assertIn("checked in " + folder, err)
        with open(jar, "rb") as again:
            self.assertEqual(again.read(), good)

        # corvane-strings changes the table behind the archives and leaves them.
        subprocess.run([STRINGS, exe, "1184=--out from-the-table"], check=True)
        out, err = self.run_app(exe)
        self.assertIn("from-the-table", out)
        self.assertIn("checked in " + folder, err)

    def test_rebuilds_run_their_own_classes_keep_three_folders_and_their_own_startup_archive(self):
        # Plain folders: Java 17 maps no archived class when the class path or the
        # launcher's folder is named with a blank or letters beyond ASCII.
        self.cache = os.path.join(self.work, "cache")
        self.env["XDG_CACHE_HOME"] = self.cache
        source = os.path.join(self.work, "source")
        os.makedirs(source)
        shutil.copy(os.path.join(SAMPLE, "jh.jar"), source)
        os.makedirs(os.path.join(self.work, "app"))
        exe = os.path.join(self.work, "app", "hello")
        config = ('MainClass = "Hello"\nClassPath = "hello.jar;jh.jar"\nStartupArchive = true\n'
                  'AllowMultipleInstances = false\n')
        for build in range(1, 6):
            with open(os.path.join(source, "Hello.java"), "w") as out:
                out.write(HELLO % build)
            subprocess.run([JDK17 + "/bin/javac", "-cp", "jh.jar", "-d", "classes", "Hello.java"],
                           cwd=source, check=True)
            subprocess.run([JDK17 + "/bin/jar", "cf", "hello.jar", "-C", "classes", "."],
                           cwd=source, check=True)
            self.make(config, source, exe, "--one-file")
            out, err = self.run_app(exe)
            self.assertIn("build %d of Hello" % build, out)
            self.assertEqual(len(self.folders("Hello")), min(build, 3), err)
            if build <= 2:
                # The first run records its classes, the next maps them; a rebuild
                # records anew, as its archives are others.
                self.assertIn("startup archive: recording the classes", err)
                self.wait_for_startup_archive()
                out, err = self.run_app(exe)
                self.assertIn("build %d of Hello" % build, out)
                self.assertIn("startup archive: using", err)

    def wait_for_startup_archive(self):
        deadline = time.time() + 120
        while glob.glob(os.path.join(self.cache, "corvane", "*", "*.request")):
            self.assertLess(time.time(), deadline, "the start-up archive is still being made")
            time.sleep(0.1)

    def test_two_first_starts_at_once_both_run(self):
        exe = os.path.join(self.odd, "quill")
        self.make('MainClass = "org.quillmark.Quillmark"\nClassPath = "Quillmark.jar;jh.jar"\n'
                  "OneFile = true\n", SAMPLE, exe)
        for round in range(3):
            shutil.rmtree(self.cache, True)
            runs = [self.start(exe, "--out", "run %d" % i) for i in range(2)]
            for i, process in enumerate(runs):
                out, err = process.communicate(timeout=120)
                self.assertEqual(process.returncode, 0, err)
                self.assertIn("Quillmark help is available\nrun %d" % i, out)
            [folder] = self.folders("org.quillmark.Quillmark")
            self.assertEqual(sorted(os.listdir(os.path.dirname(folder))), [os.path.basename(folder)])
            self.assertEqual(sorted(os.listdir(folder)), ["Quillmark.jar", "jh.jar"])

    def test_without_a_usable_cache_the_archives_go_to_a_temporary_folder_removed_after_the_run(self):
        exe = os.path.join(self.odd, "quill")
        self.make('MainClass = "org.quillmark.Quillmark"\nClassPath = "Quillmark.jar;jh.jar"\n'
                  "OneFile = true\n", SAMPLE, exe)
        temporary = os.path.join(self.odd, "tmp")
        os.makedirs(temporary)
        # A file where the cache's folder would go stands for a profile that cannot be
        # written (these tests may run as root, whom permissions do not stop).
        blocked = os.path.join(self.odd, "blocked")
        open(blocked, "w").close()
        homeless = {k: v for k, v in self.env.items() if k not in ("HOME", "XDG_CACHE_HOME")}
        cases = [(homeless, "neither XDG_CACHE_HOME nor HOME names an absolute directory"),
                 (dict(self.env, XDG_CACHE_HOME=os.path.join(blocked, "cache")), blocked)]
        for env, reason in cases:
            env["TMPDIR"] = temporary
            out, err = self.run_app(exe, "--out", "uncached", env=env)
            self.assertIn("uncached", out)
            self.assertRegex(err, "one file: the cache does not take the archives: .*"
                             + re.escape(reason))
            self.assertIn("of this launcher written to the temporary folder %s/corvane-archives-"
                          % temporary, err)
            self.assertIn("startup archive: none, the archives of this launcher lie in a "
                          "temporary folder", err)
            deadline = time.time() + 20
            while os.listdir(temporary):
                self.assertLess(time.time(), deadline, os.listdir(temporary))
                time.sleep(0.1)

if __name__ == "__main__":
    unittest.main()
