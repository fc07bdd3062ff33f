"""The Maven plugin as a user gets it: taken from the unpacked Linux release bundle and
installed offline as the README says, with Debian's Maven packages alone, into a home of
its own. Then plain offline builds: the sample's (examples/quillmark/pom.xml), a project
of this test's own that uses a library of Debian's Maven repository, and a reactor built
in parallel. The launchers they make run: the Linux ones on JDK 17, the Windows one,
for the target of this build, under Wine with the stand-in runtime."""

import os
import re
import shutil
import subprocess
import sys
import tarfile
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
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"

# The test's own project: one class that uses Debian's commons-lang3. CONFIGURATION and
# MORE are filled per build.
APP_POM = """<project xmlns="http://maven.apache.org/POM/4.0.0">
  <modelVersion>4.0.0</modelVersion>
  <groupId>q</groupId><artifactId>app1</artifactId><version>1.0</version>
  <properties>
    <maven.compiler.release>11</maven.compiler.release>
    <project.build.sourceEncoding>UTF-8</project.build.sourceEncoding>
  </properties>
  <dependencies>
    <dependency><groupId>org.apache.commons</groupId><artifactId>commons-lang3</artifactId>
      <version>3.12.0</version></dependency>
  </dependencies>
  <build><plugins><plugin>
    <groupId>org.corvane</groupId><artifactId>corvane-maven-plugin</artifactId>
    <version>VERSION</version>
    <executions><execution><goals><goal>launcher</goal></goals></execution></executions>
    <configuration><targets><target>linux</target></targets>CONFIGURATION</configuration>
  </plugin></plugins></build>
</project>
"""
APP_SOURCE = ("package q; public class App { public static void main(String[] a) {"
              " System.out.println(org.apache.commons.lang3.StringUtils.capitalize(\"app runs\"));"
              " } }\n")
MAIN_CLASS = "<mainClass>q.App</mainClass><console>true</console>"


class MavenTest(WineTestCase):

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="corvane-maven-")
        try:
            with tarfile.open(os.path.join(DIST, "corvane-%s-linux-x86_64.tar.gz" % VERSION)) as bundle:
                bundle.extractall(cls.root)
            bundle = os.path.join(cls.root, "corvane-%s-linux-x86_64" % VERSION)
            # Maven's user.home comes from the password database, not from HOME.
            cls.home = os.path.join(cls.root, "home")
            os.makedirs(cls.home)
            cls.env = dict(os.environ, HOME=cls.home, MAVEN_OPTS="-Duser.home=" + cls.home,
                           XDG_RUNTIME_DIR=cls.root)
            with open(os.path.join(bundle, "docs", "corvane.md"), encoding="utf-8") as readme:
                install = [block for block in re.findall(r"^```sh\n(.*?)^```$", readme.read(),
                                                          re.S | re.M)
                           if "install:install-file" in block]
            if len(install) != 1:
                raise AssertionError("the README's offline install block: %d found" % len(install))
            for command in (["bash", "-euo", "pipefail", "-c", install[0]],
                            ["mvn", "-o", "-B", "install:install-file",
                             "-Dfile=" + os.path.join(SAMPLE_JARS, "jh.jar"),
                             "-DgroupId=org.quillmark", "-DartifactId=quillmark-help",
                             "-Dversion=1.0", "-Dpackaging=jar"]):
                done = subprocess.run(command, cwd=bundle, env=cls.env, stdout=subprocess.PIPE,
                                      stderr=subprocess.STDOUT, text=True, timeout=300)
                if done.returncode != 0:
                    raise AssertionError(" ".join(command) + "\n" + done.stdout)
        except BaseException:
            shutil.rmtree(cls.root, True)
            raise
        cls.carried = os.path.join(cls.home, ".m2", "repository", "org", "corvane",
                                   "corvane-maven-plugin", VERSION, "corvane")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, True)

    def mvn(self, cwd, *args):
        """A plain offline Maven run in the home where the plugin was installed."""
        return subprocess.run(["mvn", "-o", "-B", *args], cwd=cwd, env=self.env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                              timeout=600)

    def run_app(self, program, cwd="/"):
        done = subprocess.run([program], cwd=cwd, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120, env=self.env)
        self.assertEqual((done.returncode, done.stdout), (0, "App runs\n"), done.stderr)

    def own_project(self, configuration=MAIN_CLASS, files=()):
        """Writes the test's own project, below a folder whose name has a blank and a
        letter beyond ASCII, and gives its folder."""
        project = os.path.join(self.work, "Zoë's app")
        shutil.rmtree(project, True)
        os.makedirs(os.path.join(project, "src", "main", "java", "q"))
        with open(os.path.join(project, "src", "main", "java", "q", "App.java"), "w") as out:
            out.write(APP_SOURCE)
        with open(os.path.join(project, "pom.xml"), "w") as out:
            out.write(APP_POM.replace("VERSION", VERSION).replace("CONFIGURATION", configuration))
        for name, content in files:
            with open(os.path.join(project, name), "wb") as out:
                out.write(content)
        return project

    def test_own_project_makes_a_launcher_and_a_bundle_that_run(self):
        if not os.path.isdir(JDK17):
            self.skipTest("no JDK 17 in " + JDK17)
        project = self.own_project(MAIN_CLASS + "<bundle><jdk>%s</jdk></bundle>" % JDK17)
        build = self.mvn(project, "package")
        self.assertEqual(build.returncode, 0, build.stdout)
        app = os.path.join(project, "target", "app1")
        self.assertEqual(sorted(os.listdir(os.path.join(app, "lib"))),
                         ["app1-1.0.jar", "commons-lang3-3.12.0.jar"])
        self.run_app(os.path.join(app, "app1"))
        bundle = os.path.join(project, "target", "bundle-linux", "app1")
        self.assertEqual(sorted(os.listdir(bundle)), ["app", "app1", "runtime"])
        self.run_app(os.path.join(bundle, "app1"))

        # The goal alone takes the archive that package left; with none it fails, and
        # the folder stays as it was.
        for remove, failed, said in ((False, False, "which an earlier package made"),
                                     (True, True, "run the goal in the package phase")):
            if remove:
                os.remove(os.path.join(project, "target", "app1-1.0.jar"))
            build = self.mvn(project, "org.corvane:corvane-maven-plugin:%s:launcher" % VERSION)
            self.assertEqual(build.returncode != 0, failed, build.stdout)
            self.assertIn(said, build.stdout)
            self.run_app(os.path.join(app, "app1"))

    def test_configuration_faults_fail_the_build_saying_what_and_where(self):
        rows = [  # (configuration, files, None for a build that passes, or what it says)
            ("<console>true</console>", (), "POM parameter mainClass is not set"),
            (MAIN_CLASS + "<splashSeconds>-1</splashSeconds>", (),
             "POM parameter splashSeconds: -1 is outside 0 to 2147483"),
            ("<configFile>latin1.toml</configFile>",
             [("latin1.toml", 'ProductName = "Zo\xeb"\nMainClass = "q.App"\n'.encode("latin-1"))],
             "latin1.toml:1: Encountered invalid utf-8 sequence"),
            ("<configFile>quoted.toml</configFile>",
             [("quoted.toml", b'"MainClass" = "q.App"\nConsole = true\n')], None),
        ]
        for configuration, files, said in rows:
            with self.subTest(configuration):
                build = self.mvn(self.own_project(configuration, files), "package")
                if said is None:
                    self.assertEqual(build.returncode, 0, build.stdout)
                else:
                    self.assertNotEqual(build.returncode, 0, build.stdout)
                    self.assertIn(said, build.stdout)

    def test_a_reactor_built_in_parallel_makes_every_launcher_each_time(self):
        reactor = os.path.join(self.work, "reactor")
        modules = ["m%d" % number for number in range(1, 7)]
        for module in modules:
            os.makedirs(os.path.join(reactor, module))
            with open(os.path.join(reactor, module, "pom.xml"), "w") as out:
                out.write('<project xmlns="http://maven.apache.org/POM/4.0.0">'
                          "<modelVersion>4.0.0</modelVersion><parent><groupId>q</groupId>"
                          "<artifactId>reactor</artifactId><version>1.0</version></parent>"
                          "<artifactId>%s</artifactId><build><plugins><plugin>"
                          "<groupId>org.corvane</groupId><artifactId>corvane-maven-plugin</artifactId>"
                          "</plugin></plugins></build></project>" % module)
        with open(os.path.join(reactor, "pom.xml"), "w") as out:
            out.write('<project xmlns="http://maven.apache.org/POM/4.0.0">'
                      "<modelVersion>4.0.0</modelVersion><groupId>q</groupId>"
                      "<artifactId>reactor</artifactId><version>1.0</version>"
                      "<packaging>pom</packaging><modules>%s</modules>"
                      "<build><pluginManagement><plugins><plugin><groupId>org.corvane</groupId>"
                      "<artifactId>corvane-maven-plugin</artifactId><version>%s</version>"
                      "<executions><execution><goals><goal>launcher</goal></goals></execution>"
                      "</executions><configuration><targets><target>linux</target>"
                      "<target>win64</target></targets><mainClass>q.App</mainClass>"
                      "</configuration></plugin></plugins></pluginManagement></build></project>"
                      % ("".join("<module>%s</module>" % m for m in modules), VERSION))
        # Every run writes the carried programs anew, while the other modules' threads
        # start processes.
        for run in range(20):
            shutil.rmtree(self.carried, True)
            build = self.mvn(reactor, "-T", "6", "package")
            self.assertEqual(build.returncode, 0, "run %d:\n%s" % (run + 1, build.stdout))
        for module in modules:
            self.assertTrue(os.path.isfile(os.path.join(reactor, module, "target", module, module)))
        written = [name for _, _, names in os.walk(self.carried) for name in names]
        self.assertEqual(sorted(written), ["corvane", "corvane-make", "corvane.exe"])

    def test_sample_build_makes_launchers_that_run(self):
        # The Windows launcher takes the stand-in runtime from where the harness puts it;
        # the Linux one passes over that path and finds the installed JDK.
        project = os.path.join(self.work, "quillmark")
        shutil.copytree(SAMPLE, project,
                        ignore=shutil.ignore_patterns("help", "CMakeLists.txt", "target"))
        main_class = "<mainClass>org.quillmark.Quillmark</mainClass>"
        with open(os.path.join(project, "pom.xml")) as pom:
            text = pom.read()
        for old, new in (("<target>win64</target>", "<target>%s</target>" % TARGET),
                         (main_class, main_class + "<runtimeLibrary>"
                          "j2re1.4.1_02\\bin\\client\\jvm.dll</runtimeLibrary>")):
            self.assertIn(old, text)
            text = text.replace(old, new)
        with open(os.path.join(project, "pom.xml"), "w") as pom:
            pom.write(text)
        build = self.mvn(project, "package", "-Dcorvane.version=" + VERSION)
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


if __name__ == "__main__":
    unittest.main()
