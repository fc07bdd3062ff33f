"""A Linux bundle linked with the machine's JDK 17, below a folder named with a blank, a
'%', a ';', a '=' and a letter beyond ASCII: it runs with every start directory setting,
from any current directory, through a symbolic link, and in the C locale."""

import os
import shutil
import subprocess
import tempfile
import unittest

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
STRINGS = os.environ.get("CORVANE_STRINGS", "")
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"

# Tells where its runtime and its start directory are, and needs a class of a second jar.
PROBE = """
package probe;
public final class Probe {
  public static void main(String[] args) {
    System.out.println("java.home: " + System.getProperty("java.home"));
    System.out.println("user.dir: " + System.getProperty("user.dir"));
    System.out.println(helper.Helper.greeting());
  }
}
"""
HELPER = """
package helper;
public final class Helper {
  public static String greeting() { return "helper found"; }
}
"""


def compile_jar(work, jar, name, source, classpath=None):
    classes = os.path.join(work, "classes-" + name)
    os.makedirs(classes)
    path = os.path.join(classes, name + ".java")
    with open(path, "w") as out:
        out.write(source)
    subprocess.run([JDK17 + "/bin/javac", "--release", "11", "-d", classes] +
                   (["-cp", classpath] if classpath else []) + [path], check=True)
    subprocess.run([JDK17 + "/bin/jar", "cf", jar, "-C", classes, "."], check=True)
    shutil.rmtree(classes)


class BundleStartTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(JDK17 + "/bin/jlink"):
            raise unittest.SkipTest("JDK 17 is not installed in " + JDK17)
        cls.work = tempfile.mkdtemp(prefix="corvane-bundle-start-")
        source = os.path.join(cls.work, "input")
        os.makedirs(source)
        helper = os.path.join(source, "helper.jar")
        compile_jar(cls.work, helper, "Helper", HELPER)
        compile_jar(cls.work, os.path.join(source, "probe.jar"), "Probe", PROBE, helper)
        config = os.path.join(cls.work, "probe.toml")
        with open(config, "w") as out:
            out.write('MainClass = "probe.Probe"\nClassPath = "probe.jar;helper.jar"\n'
                      '[bundle]\ninput = "input"\njdk = "%s"\n' % JDK17)
        cls.bundle = os.path.join(cls.work, "Zoë 50%;x=y", "probe")
        subprocess.run([MAKE, "--config", config, "--target", "linux", "--launcher", LAUNCHER,
                        "--bundle", cls.bundle], check=True, stdout=subprocess.DEVNULL,
                       timeout=600)
        # Beside the bundle's own launcher, one for each start directory setting.
        for name, entries in (("return", ["1216=1"]), ("in-app", ["1152=app"])):
            exe = os.path.join(cls.bundle, "probe-" + name)
            shutil.copy(os.path.join(cls.bundle, "probe"), exe)
            subprocess.run([STRINGS, exe, *entries], check=True)
        # The place users start from, and a link to the launcher there.
        cls.start = os.path.join(cls.work, "Rhino Zoë")
        os.makedirs(cls.start)
        os.symlink(os.path.join(cls.bundle, "probe"), os.path.join(cls.start, "probe-link"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.work, True)

    def run_probe(self, exe, cwd, env):
        trace = os.path.join(self.work, "trace.log")
        env = dict(env, CORVANE_TRACE=trace, HOME=self.work)
        done = subprocess.run([exe], cwd=cwd, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120)
        with open(trace) as lines:
            traced = lines.read()
        os.remove(trace)
        return done, traced

    def test_every_start_directory_from_anywhere_and_through_a_link(self):
        app = os.path.join(self.bundle, "app")
        link = os.path.join(self.start, "probe-link")
        rows = [
            # launcher, started from, user.dir expected
            ("probe-return", "/", "/"),
            ("probe-return", self.start, self.start),
            ("probe-in-app", "/", app),
            ("probe-in-app", self.start, app),
            ("probe", "/", self.bundle),
            ("probe", self.start, self.bundle),
            (link, "/", self.bundle),
            (link, self.start, self.bundle),
        ]
        env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8"}
        for launcher, cwd, user_dir in rows:
            with self.subTest(launcher=launcher, cwd=cwd):
                done, trace = self.run_probe(os.path.join(self.bundle, launcher), cwd, env)
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertEqual(done.stdout, "java.home: %s\nuser.dir: %s\nhelper found\n" % (
                    os.path.join(self.bundle, "runtime"), user_dir))
                self.assertIn("runtime library %s/runtime/lib/server/libjvm.so\n" % self.bundle,
                              trace)

    def test_the_c_locale_gets_utf8_and_a_chosen_locale_is_left_alone(self):
        exe = os.path.join(self.start, "probe-link")
        done, trace = self.run_probe(exe, self.start, {})
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("user.dir: %s\nhelper found\n" % self.bundle, done.stdout)
        self.assertIn("locale C or POSIX: LC_CTYPE set to C.UTF-8 for the runtime\n", trace)

        # LC_ALL=C is the user's own choice: Java 17 then cannot open the archives below
        # the folder's name, and says which class it did not find where.
        done, trace = self.run_probe(exe, self.start, {"LC_ALL": "C"})
        self.assertEqual(done.returncode, 255)
        self.assertNotIn("LC_CTYPE set", trace)
        self.assertEqual(done.stderr, "Error: Error locating class: probe.Probe\n"
                         "The class path searched:\n- %s/app/probe.jar\n- %s/app/helper.jar\n"
                         % (self.bundle, self.bundle))


if __name__ == "__main__":
    unittest.main()
