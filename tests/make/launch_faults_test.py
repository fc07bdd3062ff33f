"""Launchers made for the linux target on the real JDK 17: paths that must not stop a
launch, and the messages of a launch that cannot go on. One table each, a row a fault."""

import os
import shutil
import subprocess
import tempfile
import unittest

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"
LIBJVM = JDK17 + "/lib/server/libjvm.so"

HELLO = """
public final class Hello {
  public static void main(String[] args) {
    System.out.println("hello in " + System.getProperty("user.dir"));
  }
}
class Base {}
final class Child extends Base {
  public static void main(String[] args) {}
}
"""


def release_version():
    with open(os.path.join(JDK17, "release")) as lines:
        for line in lines:
            if line.startswith("JAVA_VERSION="):
                return line.split("=", 1)[1].strip().strip('"')
    return ""


class LaunchFaultsTest(unittest.TestCase):

    def setUp(self):
        if not os.path.exists(LIBJVM):
            self.skipTest("JDK 17 is not installed in " + JDK17)
        self.work = tempfile.mkdtemp(prefix="corvane-faults-")
        self.addCleanup(shutil.rmtree, self.work, True)
        classes = os.path.join(self.work, "classes")
        os.makedirs(classes)
        with open(os.path.join(classes, "Hello.java"), "w") as out:
            out.write(HELLO)
        subprocess.run([JDK17 + "/bin/javac", "--release", "11", "-d", classes,
                        os.path.join(classes, "Hello.java")], check=True)
        self.classes = classes

    def jar(self, path, main_class_line):
        """Writes an archive of Hello at `path` whose manifest holds `main_class_line`."""
        os.makedirs(os.path.dirname(path), exist_ok=True)
        manifest = os.path.join(self.work, "manifest.txt")
        with open(manifest, "w") as out:
            out.write(main_class_line + "\n")
        # Child's superclass stays out: Child is there but cannot be loaded.
        subprocess.run([JDK17 + "/bin/jar", "cfm", path, manifest, "-C", self.classes,
                        "Hello.class", "-C", self.classes, "Child.class"], check=True)
        return path

    def launcher(self, folder, config):
        """A launcher made from `config` in `folder`, on the JDK's own library."""
        os.makedirs(folder, exist_ok=True)
        toml = os.path.join(self.work, "app.toml")
        with open(toml, "w") as out:
            out.write(config + '\nRuntimeLibrary = "%s"\nRuntimeDiscovery = false\n' % LIBJVM)
        exe = os.path.join(folder, "hello")
        subprocess.run([MAKE, "--config", toml, "--target", "linux", "--launcher", LAUNCHER,
                        "--output", exe], check=True, stdout=subprocess.DEVNULL)
        return exe

    def launch(self, exe, cwd):
        return subprocess.run([exe], cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, timeout=120, env=dict(os.environ, LANG="C.UTF-8"))

    def test_paths_that_must_not_stop_a_launch(self):
        long_folder = os.path.join(self.work, *["l" * 60] * 5)  # 300 bytes and more
        odd = os.path.join(self.work, "cp;q")
        rows = [
            # where the launcher lies, its configuration, where it starts
            ("a '%' in the install path", os.path.join(self.work, "50%off"),
             'MainClass = "Hello"\nClassPath = "hello.jar"', "/"),
            ("an absolute MainJar below a ';'", os.path.join(self.work, "bin"),
             'MainJar = "%s"' % os.path.join(odd, "hello.jar"), "/"),
            ("a launcher path beyond 260 bytes", long_folder,
             'MainClass = "Hello"\nClassPath = "hello.jar"', "/"),
            ("a start directory beyond 260 bytes", os.path.join(self.work, "short"),
             'MainClass = "Hello"\nClassPath = "hello.jar"\nReturnToStartDirectory = true',
             long_folder),
        ]
        for name, folder, config, cwd in rows:
            with self.subTest(name):
                self.jar(os.path.join(folder, "hello.jar"), "Main-Class: Hello")
                self.jar(os.path.join(odd, "hello.jar"), "Main-Class: Hello")
                done = self.launch(self.launcher(folder, config), cwd)
                self.assertEqual((done.returncode, done.stderr), (0, ""))
                self.assertEqual(done.stdout, "hello in %s\n" % (
                    cwd if "ReturnToStartDirectory" in config else folder))

    def test_messages_of_a_launch_that_cannot_go_on(self):
        app = os.path.join(self.work, "app")
        jar = os.path.join(app, "hello.jar")
        version = release_version()
        rows = [
            # configuration, manifest line of hello.jar, exit code, standard error
            ('MainJar = "hello.jar"', "Main-Class:  Hello", 0, ""),
            ('MainJar = "hello.jar"', "Main-Class: ", 255,
             "Error: Error locating class: Main-Class in %s: its manifest names no main class\n"
             % jar),
            ('MainClass = "org.example.Mian"\nClassPath = "hello.jar"', "Main-Class: Hello", 255,
             "Error: Error locating class: org.example.Mian\nThe class path searched:\n- %s\n"
             % jar),
            # A class that is there but needs one that is not keeps Java's own account.
            ('MainClass = "Child"\nClassPath = "hello.jar"', "Main-Class: Hello", 255,
             'Exception in thread "main" java.lang.NoClassDefFoundError: Base\n'),
            ('MainClass = "Hello"\nClassPath = "hello.jar"\nRuntimeMinVersion = "21"\n'
             'RuntimeDownloadUrl = "https://example.org/java"', "Main-Class: Hello", 255,
             "Error: Unable to locate suitable Java Runtime Environment on this machine.\n"
             "Java needed: 21 or later.\n"
             "Java was found but passed over; CORVANE_TRACE=<file> shows why.\n"
             "- Java %s at %s: below RuntimeMinVersion 21\nhttps://example.org/java\n"
             % (version, JDK17)),
        ]
        for config, manifest, code, stderr in rows:
            with self.subTest(config=config, manifest=manifest):
                self.jar(jar, manifest)
                done = self.launch(self.launcher(app, config), self.work)
                self.assertEqual(done.returncode, code, done.stderr)
                if "Exception" in stderr:
                    self.assertTrue(done.stderr.startswith(stderr), done.stderr)
                    self.assertTrue(done.stderr.endswith("Error: Error locating class: Child\n"))
                else:
                    self.assertEqual(done.stderr, stderr)
                self.assertEqual(done.stdout, "hello in %s\n" % app if code == 0 else "")


if __name__ == "__main__":
    unittest.main()
