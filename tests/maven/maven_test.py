"""The Maven plugin of dist/, used as a Java developer would: installed into a private
local repository (a copy of Debian's made of symbolic links, so that the system's own is
never written), the sample's Maven build (examples/quillmark/pom.xml) run offline on a
copy of the sample, and the launchers it made run: the Linux one on the installed JDK,
the Windows one, for the target of this build, under Wine with the stand-in runtime."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
from wine_harness import WineTestCase, helper, wine, windows_path  # noqa: E402

DIST = os.environ.get("CORVANE_DIST", "")
VERSION = os.environ.get("CORVANE_VERSION", "")
SAMPLE_JARS = os.environ.get("CORVANE_SAMPLE_DIR", "")
SAMPLE = os.path.join(os.environ.get("CORVANE_SOURCE_DIR", ""), "examples", "quillmark")
TARGET = os.environ.get("CORVANE_TARGET", "")


def mvn(repository, cwd, *args):
    return subprocess.run(["mvn", "-o", "-B", "-Dmaven.repo.local=" + repository, *args],
                          cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=300)


class MavenTest(WineTestCase):

    @classmethod
    def setUpClass(cls):
        cls.repository = tempfile.mkdtemp(prefix="corvane-maven-repository-")
        os.rmdir(cls.repository)
        subprocess.run(["cp", "-rs", "/usr/share/maven-repo", cls.repository], check=True)
        install = "org.apache.maven.plugins:maven-install-plugin:3.1.0:install-file"
        plugin = os.path.join(DIST, "corvane-maven-plugin-" + VERSION)
        for args in (["-Dfile=%s.jar" % plugin, "-DpomFile=%s.pom" % plugin],
                     ["-Dfile=" + os.path.join(SAMPLE_JARS, "jh.jar"), "-DgroupId=org.quillmark",
                      "-DartifactId=quillmark-help", "-Dversion=1.0", "-Dpackaging=jar"]):
            done = mvn(cls.repository, tempfile.gettempdir(), install, *args)
            if done.returncode != 0:
                shutil.rmtree(cls.repository, True)
                raise AssertionError(done.stdout)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.repository, True)

    def build_sample(self, *replacements):
        """Builds a copy of the sample whose POM has each (old, new) of `replacements`
        made, and gives the copy's directory and the build."""
        project = os.path.join(self.work, "quillmark")
        shutil.rmtree(project, True)
        shutil.copytree(SAMPLE, project,
                        ignore=shutil.ignore_patterns("help", "CMakeLists.txt", "target"))
        with open(os.path.join(project, "pom.xml")) as pom:
            text = pom.read()
        for old, new in (("<target>win64</target>", "<target>%s</target>" % TARGET),
                         *replacements):
            self.assertIn(old, text)
            text = text.replace(old, new)
        with open(os.path.join(project, "pom.xml"), "w") as pom:
            pom.write(text)
        return project, mvn(self.repository, project, "package", "-Dcorvane.version=" + VERSION)

    def test_sample_build_makes_launchers_that_run(self):
        # The Windows launcher takes the stand-in runtime from where the harness puts it;
        # the Linux one passes over that path and finds the installed JDK.
        main_class = "<mainClass>org.quillmark.Quillmark</mainClass>"
        project, build = self.build_sample((main_class, main_class + "<runtimeLibrary>"
                                            "j2re1.4.1_02\\bin\\client\\jvm.dll</runtimeLibrary>"))
        self.assertEqual(build.returncode, 0, build.stdout)
        app = os.path.join(project, "target", "quillmark")
        self.assertEqual(sorted(os.listdir(os.path.join(app, "lib"))),
                         ["quillmark-1.4.jar", "quillmark-help-1.0.jar"])

        done = subprocess.run([os.path.join(app, "quillmark"), "--out", "made by Maven",
                               "--exit", "3"], cwd=self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120,
                              env=dict(os.environ, XDG_RUNTIME_DIR=self.work))
        self.assertEqual(done.returncode, 3, done.stderr)
        self.assertIn("Corvane property: Yes", done.stdout)
        self.assertIn("made by Maven\n", done.stdout)

        # The Windows launcher, its version resource made of the project's.
        os.remove(self.exe)
        self.exe = os.path.join(self.app_dir, "quillmark.exe")
        shutil.copy(os.path.join(app, "quillmark.exe"), self.exe)
        shutil.copytree(os.path.join(app, "lib"), os.path.join(self.app_dir, "lib"))
        made = wine(helper("read_resources"), windows_path(self.exe)).stdout
        self.assertIn("version file=1.4.0.0 product=1.4.0.0\n", made)
        self.assertIn("version_string ProductName\tQuillmark\n", made)
        self.assertIn("version_string CompanyName\tQuillmark Project\n", made)
        self.assertIn("version_string LegalCopyright\tCopyright 2026 Quillmark Project\n", made)
        self.assertIn("icon_group count=2\n", made)
        run, logged = self.run_on_stand_in_runtime((), "one")
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        self.assertIn("option=-DCorvane=Yes", logged)
        self.assertIn("option=-Djava.class.path={0}\\lib\\quillmark-1.4.jar;"
                      "{0}\\lib\\quillmark-help-1.0.jar".format(windows_path(self.app_dir)), logged)
        self.assertIn("find_class org/quillmark/Quillmark", logged)
        self.assertIn("main thread=creator name= argc=1 arg=one", logged)

    def test_a_pom_fault_fails_the_build_naming_the_parameter(self):
        main_class = "<mainClass>org.quillmark.Quillmark</mainClass>"
        _, build = self.build_sample((main_class, ""))
        self.assertNotEqual(build.returncode, 0, build.stdout)
        self.assertIn("POM parameter mainClass is not set", build.stdout)
        _, build = self.build_sample(
            (main_class, main_class + "<splashSeconds>-1</splashSeconds>"))
        self.assertNotEqual(build.returncode, 0, build.stdout)
        self.assertIn("POM parameter splashSeconds: -1 is outside 0 to 2147483", build.stdout)


if __name__ == "__main__":
    unittest.main()
