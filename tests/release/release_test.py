"""The release bundles that ./make-release wrote to dist/, used as a person who
downloaded one would: unpacked into an empty directory outside the source tree, the
sample's launchers made from the bundle alone and run (the Linux one on the installed
JDK, the Windows one, for the target of this build, under Wine with the stand-in
runtime)."""

import glob
import os
import re
import shutil
import subprocess
import sys
import tarfile
import tempfile
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from wine_harness import WineTestCase, helper, wine, windows_path  # noqa: E402

DIST = os.environ.get("CORVANE_DIST", "")
VERSION = os.environ.get("CORVANE_VERSION", "")
SAMPLE_JARS = os.environ.get("CORVANE_SAMPLE_DIR", "")
# The Windows target of the build that runs these cases: win32 or win64.
TARGET = os.environ.get("CORVANE_TARGET", "")

# What both bundles hold besides bin/corvane-make(.exe).
SHARED = ["LICENSE", "README.md", "THIRD-PARTY-NOTICES", "cmake/corvane_launcher.cmake",
          "docs/corvane.md", "docs/guide.md", "docs/splash.png", "examples/quillmark/quillmark.ico",
          "examples/quillmark/quillmark.toml", "launchers/linux/corvane",
          "launchers/win32/corvane.exe", "launchers/win64/corvane.exe",
          "maven/corvane-maven-plugin-%s.jar" % VERSION, "maven/corvane-maven-plugin-%s.pom" % VERSION]


def code_blocks(path, language):
    """The fenced blocks of the Markdown file at `path` marked as `language`."""
    with open(path, encoding="utf-8") as document:
        return re.findall(r"^```%s\n(.*?)^```$" % language, document.read(), re.S | re.M)


def highest_symbol_version(path, prefix):
    """The highest version of the symbol versions named `prefix`N.N... that the
    dynamic symbols of the ELF file at `path` ask for."""
    dump = subprocess.run(["objdump", "-T", path], stdout=subprocess.PIPE, text=True,
                          check=True).stdout
    versions = {tuple(map(int, v.split("."))) for v in
                re.findall(re.escape(prefix) + r"([0-9]+(?:\.[0-9]+)*)", dump)}
    return max(versions)


class ReleaseTest(WineTestCase):

    def unpack(self, name, tool):
        """Unpacks dist/NAME into an empty directory and gives the bundle's root after
        checking that it holds exactly the shared files and `tool`."""
        archive = os.path.join(DIST, name)
        target = tempfile.mkdtemp(prefix="corvane-release-")
        self.addCleanup(shutil.rmtree, target, True)
        if name.endswith(".zip"):
            with zipfile.ZipFile(archive) as bundle:
                bundle.extractall(target)
        else:
            with tarfile.open(archive) as bundle:
                bundle.extractall(target)
        root = os.path.join(target, re.sub(r"\.(tar\.gz|zip)$", "", name))
        found = sorted(os.path.relpath(os.path.join(where, file), root)
                       for where, _, files in os.walk(root) for file in files)
        self.assertEqual(found, sorted(SHARED + [tool]))
        with open(os.path.join(root, "README.md")) as readme:
            self.assertIn("# Corvane " + VERSION + "\n", readme.read())
        return root

    def test_linux_bundle_makes_the_sample_launcher_that_runs_on_the_jdk(self):
        root = self.unpack("corvane-%s-linux-x86_64.tar.gz" % VERSION, "bin/corvane-make")
        tool = os.path.join(root, "bin", "corvane-make")
        done = subprocess.run([tool, "--version"], stdout=subprocess.PIPE, text=True)
        self.assertEqual(done.stdout, "corvane-make %s\n" % VERSION)

        # The sample's configuration, its private runtime path replaced by the JDKs here.
        runtimes = ["/usr/lib/jvm/default-java/lib/server/libjvm.so"] + sorted(
            glob.glob("/usr/lib/jvm/*/lib/server/libjvm.so"))
        with open(os.path.join(root, "examples", "quillmark", "quillmark.toml")) as sample:
            config, replaced = re.subn(r"(?m)^RuntimeLibrary = .*$",
                                       'RuntimeLibrary = "%s"' % ";".join(runtimes), sample.read())
        self.assertEqual(replaced, 1)
        config_path = os.path.join(root, "examples", "quillmark", "linux.toml")
        with open(config_path, "w") as out:
            out.write(config)
        exe = os.path.join(self.app_dir, "quillmark")
        done = subprocess.run([tool, "--config", config_path, "--target", "linux", "--launcher",
                               os.path.join(root, "launchers", "linux", "corvane"),
                               "--output", exe], stderr=subprocess.PIPE, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        for jar in ("Quillmark.jar", "jh.jar"):
            shutil.copy(os.path.join(SAMPLE_JARS, jar), self.app_dir)
        done = subprocess.run([exe, "--out", "made from the bundle", "--exit", "3"], cwd=self.work,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=120, env=dict(os.environ, XDG_RUNTIME_DIR=self.work))
        self.assertEqual(done.returncode, 3, done.stderr)
        self.assertIn("Corvane property: Yes", done.stdout)
        self.assertIn("made from the bundle\n", done.stdout)

    def test_the_guide_and_the_readme_work_as_written_from_the_linux_bundle(self):
        root = self.unpack("corvane-%s-linux-x86_64.tar.gz" % VERSION, "bin/corvane-make")
        with open(os.path.join(root, "README.md")) as readme:
            self.assertIn("docs/guide.md", readme.read())
        documents = [os.path.join(root, "docs", name) for name in ("guide.md", "corvane.md")]
        # The reader's jar: one class that java -jar runs.
        classes = os.path.join(self.work, "classes")
        os.makedirs(classes)
        with open(os.path.join(self.work, "App.java"), "w") as source:
            source.write('public class App { public static void main(String[] a) {'
                         ' System.out.println("App runs in " + System.getProperty("user.dir"));'
                         ' } }\n')
        subprocess.run(["javac", "-d", classes, os.path.join(self.work, "App.java")], check=True)
        subprocess.run(["jar", "--create", "--file", os.path.join(root, "app.jar"),
                        "--main-class", "App", "-C", classes, "."], check=True)
        tool = os.path.join(root, "bin", "corvane-make")
        generic = os.path.join(root, "launchers", "linux", "corvane")

        configurations = [block for document in documents for block in code_blocks(document, "toml")]
        self.assertGreaterEqual(len(configurations), 8)
        for number, text in enumerate(configurations):
            config = os.path.join(root, "documented-%d.toml" % number)
            with open(config, "w", encoding="utf-8") as out:
                out.write(text)
            done = subprocess.run([tool, "--config", config, "--target", "linux", "--launcher",
                                   generic, "--output", config + ".out"],
                                  stderr=subprocess.PIPE, text=True)
            self.assertEqual(done.returncode, 0, text + done.stderr)

        # A home of their own: the Maven blocks install into ~/.m2 (Java takes Maven's
        # user.home from the password database, not from HOME).
        home = os.path.join(self.work, "home")
        os.makedirs(home)
        env = dict(os.environ, XDG_RUNTIME_DIR=self.work, HOME=home,
                   MAVEN_OPTS="-Duser.home=" + home)
        commands = [block for document in documents for block in code_blocks(document, "sh")]
        self.assertGreaterEqual(len(commands), 3)
        for text in commands:
            done = subprocess.run(["bash", "-euo", "pipefail", "-c", text], cwd=root, env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                  timeout=300)
            self.assertEqual(done.returncode, 0, text + done.stdout)
        self.assertTrue(os.path.exists(os.path.join(root, "dist", "App.exe")))

        snippets = [block for document in documents for block in code_blocks(document, "cmake")]
        self.assertEqual(len(snippets), 1)
        project = os.path.join(self.work, "project")
        os.makedirs(project)
        with open(os.path.join(project, "CMakeLists.txt"), "w") as out:
            out.write("cmake_minimum_required(VERSION 3.25)\nproject(documented NONE)\n" +
                      snippets[0])
        with open(os.path.join(project, "app.toml"), "w") as out:
            out.write('MainJar = "app.jar"\n')
        shutil.copy(os.path.join(root, "examples", "quillmark", "quillmark.ico"),
                    os.path.join(project, "app.ico"))
        build = os.path.join(self.work, "project-build")
        for command in (["cmake", "-S", project, "-B", build, "-DCORVANE_DIR=" + root],
                        ["cmake", "--build", build]):
            done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  text=True, env=dict(os.environ, PATH="/usr/bin:/bin"))
            self.assertEqual(done.returncode, 0, done.stdout)
        self.assertTrue(os.path.exists(os.path.join(build, "App.exe")))

        # The sizes the README quotes are the launchers' own.
        with open(documents[1]) as readme:
            quoted = re.search(r"`win32` launcher with the sample's splash picture is about "
                               r"([0-9]+) KiB, the\s+`win64` one about ([0-9]+) KiB", readme.read())
        for target, kib in zip(("win32", "win64"), quoted.groups()):
            size = os.path.getsize(os.path.join(root, "launchers", target, "corvane.exe"))
            self.assertAlmostEqual(size / 1024, int(kib), delta=int(kib) / 10, msg=target)

        # The system the guide names is enough for the Linux programs.
        with open(documents[0]) as guide:
            text = guide.read()
        glibc = tuple(map(int, re.search(r"glibc ([0-9.]+[0-9])", text).group(1).split(".")))
        libstdcxx = tuple(map(int, re.search(r"GLIBCXX_([0-9.]+[0-9])", text).group(1).split(".")))
        for program in (tool, generic):
            self.assertLessEqual(highest_symbol_version(program, "GLIBC_"), glibc, program)
            self.assertLessEqual(highest_symbol_version(program, "GLIBCXX_"), libstdcxx, program)

    def test_windows_bundle_tool_makes_the_sample_launcher_under_wine(self):
        if TARGET != "win32":
            self.skipTest("corvane-make.exe is a 32-bit program; this build's Wine runs "
                          "64-bit programs only")
        root = self.unpack("corvane-%s-windows.zip" % VERSION, "bin/corvane-make.exe")
        tool = os.path.join(root, "bin", "corvane-make.exe")
        self.assertEqual(wine(tool, "--version").stdout, "corvane-make %s\r\n" % VERSION)
        os.remove(self.exe)
        done = wine(tool, "--config",
                    windows_path(os.path.join(root, "examples", "quillmark", "quillmark.toml")),
                    "--target", "win32", "--launcher",
                    windows_path(os.path.join(root, "launchers", "win32", "corvane.exe")),
                    "--output", windows_path(self.exe))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assert_sample_launcher_runs()

    def test_windows_bundle_launcher_made_with_the_linux_tool_runs_under_wine(self):
        tool = os.path.join(
            self.unpack("corvane-%s-linux-x86_64.tar.gz" % VERSION, "bin/corvane-make"),
            "bin", "corvane-make")
        root = self.unpack("corvane-%s-windows.zip" % VERSION, "bin/corvane-make.exe")
        generic = os.path.join(root, "launchers", TARGET, "corvane.exe")
        # The generic launcher shows the project's version until the tool replaces it.
        shown = wine(helper("read_resources"), windows_path(generic)).stdout
        numbers = ".".join((VERSION.split(".") + ["0"] * 4)[:4])
        self.assertIn("version file=%s product=%s\n" % (numbers, numbers), shown)
        self.assertIn("version_string ProductName\tCorvane\n", shown)
        os.remove(self.exe)
        done = subprocess.run(
            [tool, "--config", os.path.join(root, "examples", "quillmark", "quillmark.toml"),
             "--target", TARGET, "--launcher", generic, "--output", self.exe],
            stderr=subprocess.PIPE, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assert_sample_launcher_runs()

    def assert_sample_launcher_runs(self):
        """This case's executable, made for the sample, carries the sample's version
        and icon and runs the sample's main class on the stand-in runtime."""
        made = wine(helper("read_resources"), windows_path(self.exe)).stdout
        self.assertIn("version file=1.4.0.0 product=1.4.0.0\n", made)
        self.assertIn("icon_group count=2\n", made)
        run, logged = self.run_on_stand_in_runtime(("Quillmark.jar", "jh.jar"), "one")
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        self.assertIn("option=-DCorvane=Yes", logged)
        self.assertIn("find_class org/quillmark/Quillmark", logged)
        self.assertIn("main thread=creator name= argc=1 arg=one", logged)


if __name__ == "__main__":
    unittest.main()
