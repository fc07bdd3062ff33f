"""Bundles of the sample made by corvane-make for the linux target: a runtime linked
with the machine's JDK, run from elsewhere with no Java on PATH or in JAVA_HOME, and the
faults that must leave nothing behind."""

import os
import re
import shutil
import subprocess
import tarfile
import tempfile
import unittest

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
SAMPLE = os.environ.get("CORVANE_SAMPLE_DIR", "")
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"
JDK25 = "/usr/lib/jvm/temurin-25-jdk-amd64"

# Prints where its runtime lives, touches java.sql when asked, then runs the sample.
PROBE = """
package probe;
public final class Probe {
  public static void main(String[] args) throws Exception {
    System.out.println("java.home: " + System.getProperty("java.home"));
    if (args.length > 0 && args[0].equals("sql")) {
      System.out.println("sql type " + java.sql.Types.class.getName());
    }
    org.quillmark.Quillmark.main(args);
  }
}
"""


# A jar run as java -jar runs it: its manifest names its main class and, in Class-Path,
# the jar of the class it calls, in a folder with a blank.
HELLO = {"hello/Hello.java": "package hello; public class Hello { public static void "
                             "main(String[] a) { System.out.println(\"hello \" + dep.Dep.word() "
                             "+ \" on \" + System.getProperty(\"java.home\")); } }",
         "dep/Dep.java": "package dep; public class Dep { public static String word() { "
                         "return \"dep\"; } }"}


def write(path, text=""):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


def tree(root):
    """Every path below `root`, relative to it; links are not followed."""
    return {os.path.relpath(os.path.join(where, name), root)
            for where, folders, files in os.walk(root) for name in folders + files}


def elf_header(machine):
    """The first bytes of a 64-bit little-endian ELF shared object for `machine`."""
    return b"\x7fELF\x02\x01\x01" + b"\0" * 9 + (3).to_bytes(2, "little") + \
        machine.to_bytes(2, "little") + b"\0" * 44


class BundleLinuxTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.input = tempfile.mkdtemp(prefix="corvane-bundle-input-")
        for jar in ("Quillmark.jar", "jh.jar"):
            shutil.copy(os.path.join(SAMPLE, jar), cls.input)
        classes = os.path.join(cls.input, "classes")
        os.makedirs(os.path.join(classes, "probe"))
        source = os.path.join(classes, "probe", "Probe.java")
        with open(source, "w") as out:
            out.write(PROBE)
        subprocess.run([JDK17 + "/bin/javac", "--release", "11", "-cp",
                        os.path.join(cls.input, "Quillmark.jar"), "-d", classes, source],
                       check=True)
        os.makedirs(os.path.join(cls.input, "lib"))
        subprocess.run([JDK17 + "/bin/jar", "cf", os.path.join(cls.input, "lib", "probe.jar"),
                        "-C", classes, "probe/Probe.class"], check=True)
        shutil.rmtree(classes)

        # hello.jar and lib/dep one.jar, and a runtime image of Java 17 to copy.
        classes = os.path.join(cls.input, "hello-classes")
        for name, text in HELLO.items():
            write(os.path.join(classes, name), text)
        subprocess.run([JDK17 + "/bin/javac", "-d", classes] +
                       [os.path.join(classes, name) for name in HELLO], check=True)
        write(os.path.join(classes, "manifest"), "Class-Path: lib/dep%20one.jar\n")
        cls.hello = os.path.join(cls.input, "50% a;b")
        os.makedirs(os.path.join(cls.hello, "lib"))
        subprocess.run([JDK17 + "/bin/jar", "cfme", os.path.join(cls.hello, "hello.jar"),
                        os.path.join(classes, "manifest"), "hello.Hello", "-C", classes,
                        "hello"], check=True)
        subprocess.run([JDK17 + "/bin/jar", "cf", os.path.join(cls.hello, "lib", "dep one.jar"),
                        "-C", classes, "dep"], check=True)
        cls.image = os.path.join(cls.hello, "image")
        subprocess.run([JDK17 + "/bin/jlink", "--add-modules", "java.base", "--strip-debug",
                        "--no-header-files", "--no-man-pages", "--output", cls.image], check=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.input, True)

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-bundle-")
        self.addCleanup(shutil.rmtree, self.work, True)

    def make(self, bundle_table, *extra, target="linux", bundle=None):
        config = os.path.join(self.work, "app.toml")
        with open(config, "w", encoding="utf-8") as out:
            out.write('MainClass = "probe.Probe"\n'
                      'ClassPath = "Quillmark.jar;jh.jar;lib\\\\probe.jar"\n'
                      'JvmOptions = "-DCorvane=Bundled"\n'
                      'RuntimeSearchMode = 6\nRuntimeDiscovery = true\n'
                      '[bundle]\ninput = "%s"\n%s' % (self.input, bundle_table))
        bundle = bundle or os.path.join(self.work, "Zoë's bundle", "quillmark")
        done = subprocess.run([MAKE, "--config", config, "--target", target, "--launcher",
                               LAUNCHER, "--bundle", bundle, *extra], stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=600)
        return bundle, done

    def run_bundled(self, exe, *arguments):
        """Runs a bundle's launcher from an unrelated directory on a machine that seems to
        have no Java: PATH reduced, no JAVA_HOME."""
        elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(elsewhere, exist_ok=True)
        trace = os.path.join(self.work, "trace.log")
        env = {"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8", "HOME": self.work,
               "XDG_RUNTIME_DIR": self.work, "CORVANE_TRACE": trace}
        done = subprocess.run([exe, *arguments], cwd=elsewhere, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120)
        with open(trace) as lines:
            return done, lines.read()

    def test_sample_bundled_with_jdk_17_runs_on_its_own_runtime_and_unpacks_whole(self):
        bundle, done = self.make('jdk = "%s"\narchive = true\n' % JDK17)
        self.assertEqual(done.returncode, 0, done.stderr)
        # jdeps chose the modules: the probe's java.sql brings java.logging and java.xml.
        self.assertIn("modules: java.base, java.logging, java.sql, java.transaction.xa, java.xml\n", done.stdout)
        self.assertRegex(done.stdout, r"bundle .*/quillmark: [\d.]+ MB \(runtime [\d.]+ MB\)\n")
        self.assertTrue(os.path.exists(os.path.join(bundle, "runtime", "lib", "server",
                                                    "classes.jsa")))
        self.assertEqual(sorted(os.listdir(os.path.dirname(bundle))),
                         ["quillmark", "quillmark.tar.gz"])
        run, trace = self.run_bundled(os.path.join(bundle, "quillmark"), "sql", "--exit", "4")
        self.assertEqual(run.returncode, 4, run.stderr)
        self.assertIn("runtime library %s/runtime/lib/server/libjvm.so\n" % bundle, trace)
        app = os.path.join(bundle, "app")
        self.assertIn("class path " + ":".join(os.path.join(app, name) for name in
                                               ("Quillmark.jar", "jh.jar", "lib/probe.jar")),
                      trace)
        self.assertIn("java.home: " + os.path.join(bundle, "runtime") + "\n", run.stdout)
        self.assertIn("sql type java.sql.Types\nQuillmark started", run.stdout)
        self.assertIn("Corvane property: Bundled", run.stdout)

        unpacked = os.path.join(self.work, "unpacked")
        with tarfile.open(bundle + ".tar.gz") as archive:
            names = archive.getnames()
            self.assertEqual(names[:5], ["quillmark", "quillmark/app", "quillmark/app/Quillmark.jar",
                                         "quillmark/app/jh.jar", "quillmark/app/lib"])
            self.assertIn("quillmark/runtime/lib/server/libjvm.so", names)
            archive.extractall(unpacked)
        run, trace = self.run_bundled(os.path.join(unpacked, "quillmark", "quillmark"), "--out",
                                      "from the archive")
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("java.home: " + os.path.join(unpacked, "quillmark", "runtime"), run.stdout)
        self.assertIn("from the archive\n", run.stdout)

    def test_modules_named_without_one_the_application_needs(self):
        bundle, done = self.make('jdk = "%s"\nmodules = ["java.base"]\n' % JDK17)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("modules: java.base\n", done.stdout)
        self.assertIn("note: the application needs java.sql, which the runtime lacks: add it "
                      "to modules or extra-modules in [bundle]", done.stderr)
        run, _ = self.run_bundled(os.path.join(bundle, "quillmark"), "sql")
        self.assertEqual(run.returncode, 255)
        self.assertIn("java.lang.NoClassDefFoundError: java/sql/Types", run.stderr)

    def test_temurin_25_links_from_its_own_image_with_zip_compression(self):
        if not os.path.exists(os.path.join(JDK25, "bin", "jlink")):
            self.skipTest("no Temurin 25 in " + JDK25)
        bundle, done = self.make('jdk = "%s"\nextra-modules = ["jdk.zipfs"]\n' % JDK25)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("modules: java.base, java.logging, java.sql, java.transaction.xa, java.xml, "
                      "jdk.zipfs\n",
                      done.stdout)
        run, trace = self.run_bundled(os.path.join(bundle, "quillmark"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("java.home: " + os.path.join(bundle, "runtime") + "\n", run.stdout)
        self.assertIn("runtime library %s/runtime/lib/server/libjvm.so\n" % bundle, trace)

    def test_bundle_inputs_end_in_a_bundle_that_runs_or_one_clear_error(self):
        """Each row lays out its inputs below a folder whose name holds a blank, '=' and a
        letter beyond ASCII, reached through a symbolic link from another folder, the
        jars and the runtime it copies from below one with a '%' and a ';' (a launcher in
        such a folder does not start yet: it reads both in its class path), makes its
        bundle twice (the second replaces the first) and runs it, or gets one error;
        nothing is left beside the bundle and its archive."""
        odd = os.path.join(self.work, "Zoë a=b")
        os.makedirs(odd)
        os.symlink(odd, os.path.join(self.work, "link"))
        os.chmod(self.work, 0o755)
        os.chmod(self.input, 0o755)
        elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(elsewhere)
        hello_jar = os.path.join(self.hello, "hello.jar")
        dep_jar = os.path.join(self.hello, "lib", "dep one.jar")
        hello = 'MainClass = "hello.Hello"\n'
        both = hello + 'ClassPath = "hello.jar;lib/dep one.jar"\n'

        def loop(row):  # a runtime image with a link back to its own top
            shutil.copytree(self.image, os.path.join(row, "image"), symlinks=True)
            os.symlink("..", os.path.join(row, "image", "lib", "up"))

        def read_only(row):  # a runtime image no one may change, made as another user
            shutil.copytree(self.image, os.path.join(row, "image"), symlinks=True)
            subprocess.run(["chmod", "-R", "a-w", os.path.join(row, "image")], check=True)
            os.chmod(row, 0o777)

        def readme(row):
            for name, text in (("README", "read me"), ("app.properties", "a=b")):
                write(os.path.join(row, "libs", name), text)

        as_nobody = os.geteuid() == 0 and shutil.which("setpriv")
        # name, {path below the row: a jar to copy there or a text}, config (at the row's
        # app.toml unless named), more setup, make arguments (bundle: out/b), a pattern of
        # the error or None for a bundle that runs, the names below app/ that must be there.
        rows = [
            ("MainJar alone, its manifest's Class-Path followed",
             {"hello.jar": hello_jar, "lib/dep one.jar": dep_jar},
             'MainJar = "hello.jar"\n', None, [], None, ["hello.jar", "lib/dep one.jar"]),
            ("a runtime older than RuntimeMinVersion",
             {"hello.jar": hello_jar, "lib/dep one.jar": dep_jar},
             both + 'RuntimeMinVersion = "21"\n', None, [],
             r"image: Java 17\.0\.\d+, and RuntimeMinVersion is 21: the launcher would pass "
             r"the bundle's runtime over; give a runtime of Java 21 or later", None),
            ("entries outside the input folder",
             {"in/hello.jar": hello_jar, "lib/dep one.jar": dep_jar,
              "in/sub/app.toml": hello + 'ClassPath = "../hello.jar;../../lib/dep one.jar;'
                                         '../../in/hello.jar"\n'},
             "in/sub/app.toml", None, ["--archive"], None, ["hello.jar", "lib/dep one.jar"]),
            ("a bin/ and lib/ layout",
             {"lib/hello.jar": hello_jar, "lib/dep one.jar": dep_jar,
              "bin/app.toml": hello + 'ClassPath = "../lib/hello.jar;../lib/dep one.jar"\n'},
             "bin/app.toml", None, [], None, ["lib/hello.jar", "lib/dep one.jar"]),
            ("a read-only runtime image, as another user",
             {"hello.jar": hello_jar, "lib/dep one.jar": dep_jar}, both, read_only, ["user"],
             None, ["hello.jar"]),
            ("a link loop in the runtime image",
             {"hello.jar": hello_jar, "lib/dep one.jar": dep_jar},
             both, loop, [],
             "image/lib/up: a link to %s/image, a folder it lies in: copying it would never "
             "end; remove the link", None),
            ("[bundle] over two files",
             {"hello.jar": hello_jar, "lib/dep one.jar": dep_jar,
              "base.toml": '[bundle]\ndir = "out/b"\nruntime = "%s"\n' % self.image,
              "over.toml": "[bundle]\narchive = true\n"},
             both, None, ["base.toml", "over.toml"], None, ["hello.jar"]),
            ("a class-path folder with more than classes, for jdeps",
             {"libs/hello.jar": hello_jar, "libs/dep one.jar": dep_jar},
             hello + 'ClassPath = "libs"\n', readme, ["jdk"], None,
             ["libs/hello.jar", "libs/README"]),
            ("a launcher named as the bundle's own folder",
             {"hello.jar": hello_jar, "lib/dep one.jar": dep_jar},
             both + '[bundle]\nname = "app"\n', None, [],
             "out/b: a bundle's launcher cannot be named app: the bundle's folder app/ holds "
             "the application's archives", None),
            ("a bundle inside the folder it copies",
             {"libs/hello.jar": hello_jar, "libs/dep one.jar": dep_jar},
             hello + 'ClassPath = "libs"\n', None, ["libs/b", "--archive"], None,
             ["libs/hello.jar"]),
        ]
        for number, (title, files, config, setup, arguments, failure, expected) in \
                enumerate(rows):
            with self.subTest(title):
                row = os.path.join(odd, "row%d" % number)
                os.makedirs(row)
                for name, what in files.items():
                    os.makedirs(os.path.dirname(os.path.join(row, name)), exist_ok=True)
                    if what.startswith("/"):
                        shutil.copy(what, os.path.join(row, name))
                    else:
                        write(os.path.join(row, name), what)
                if not config.endswith(".toml"):
                    write(os.path.join(row, "app.toml"), config)
                    config = "app.toml"
                if setup:
                    setup(row)
                if "user" in arguments and not as_nobody:
                    self.skipTest("not root, or no setpriv: runs as this user")
                before = tree(row)
                linked = os.path.join("..", "link", "row%d" % number)
                command = [MAKE, "--config", os.path.join(linked, config), "--target", "linux",
                           "--launcher", LAUNCHER]
                bundle = "out/b"
                for argument in arguments:
                    if argument.endswith(".toml"):
                        command += ["--config", os.path.join(linked, argument)]
                    elif argument == "jdk":
                        command += ["--jdk", JDK17]
                    elif argument.startswith("--"):
                        command.append(argument)
                    elif argument != "user":
                        bundle = argument
                if "jdk" not in arguments and "base.toml" not in arguments:
                    own = os.path.join(row, "image")
                    command += ["--runtime", own if os.path.exists(own) else self.image]
                if "base.toml" not in arguments:
                    command += ["--bundle", os.path.join(linked, bundle)]
                if "user" in arguments:
                    command = ["setpriv", "--reuid=nobody", "--regid=nogroup",
                               "--clear-groups"] + command
                for attempt in range(3 if "user" in arguments else 2):
                    done = subprocess.run(command, cwd=elsewhere, stdout=subprocess.PIPE,
                                          stderr=subprocess.PIPE, text=True, timeout=600)
                    if failure:
                        self.assertEqual(done.returncode, 1, done.stderr)
                        self.assertRegex(done.stderr, failure.replace("%s", re.escape(row)))
                        self.assertEqual(len(done.stderr.splitlines()), 1, done.stderr)
                        self.assertEqual(tree(row), before)
                        break
                    self.assertEqual(done.returncode, 0, "%d: %s" % (attempt, done.stderr))
                if failure:
                    continue
                archive = "--archive" in arguments or "over.toml" in arguments
                made = os.path.join(row, bundle)
                # What is new lies in the bundle, or is its archive or a folder above it.
                self.assertEqual([path for path in tree(row) - before
                                  if not (path.startswith(bundle + "/") or bundle.startswith(
                                      path + "/") or path in (bundle, bundle + ".tar.gz"))],
                                 [])
                self.assertEqual(os.path.exists(made + ".tar.gz"), archive)
                for name in expected:
                    self.assertTrue(os.path.isfile(os.path.join(made, "app", name)), name)
                if archive:
                    with tarfile.open(made + ".tar.gz") as packed:
                        self.assertIn("b/app/" + expected[0], packed.getnames())
                run = subprocess.run([os.path.join(self.work, "link", "row%d" % number, bundle,
                                                   "b")],
                                     cwd=elsewhere, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True, timeout=120,
                                     env={"PATH": "/usr/bin:/bin", "LANG": "C.UTF-8",
                                          "HOME": self.work, "XDG_RUNTIME_DIR": self.work})
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertIn("hello dep on ", run.stdout)

    def test_faults_say_what_is_missing_and_leave_nothing_behind(self):
        windows_image = os.path.join(self.work, "windows-image")
        os.makedirs(os.path.join(windows_image, "bin", "server"))
        open(os.path.join(windows_image, "bin", "server", "jvm.dll"), "w").close()
        jre = os.path.join(self.work, "jre")
        os.makedirs(os.path.join(jre, "bin"))
        open(os.path.join(jre, "bin", "java"), "w").close()
        arm = os.path.join(self.work, "arm-image")
        os.makedirs(os.path.join(arm, "lib", "server"))
        with open(os.path.join(arm, "lib", "server", "libjvm.so"), "wb") as out:
            out.write(elf_header(183))
        taken = os.path.join(self.work, "taken")
        os.makedirs(taken)
        with open(os.path.join(taken, "notes.txt"), "w") as out:
            out.write("mine")
        # A bundle made before, which a fault in making it again leaves as it was.
        bundle, done = self.make('runtime = "%s"\n' % self.image,
                                 bundle=os.path.join(self.work, "kept", "quillmark"))
        self.assertEqual(done.returncode, 0, done.stderr)
        made = tree(bundle)
        cases = [
            ('runtime = "%s"\n' % arm, {"bundle": bundle},
             arm + "/lib/server/libjvm.so: a runtime for arm64, but the linux launcher is for "
             "x86-64 and cannot load it"),
            ('runtime = "%s"\n' % windows_image, {},
             windows_image + ": a Windows runtime; the linux target needs a Linux runtime image "
             "(with lib/server/libjvm.so)"),
            ('jdk = "%s"\n' % jre, {}, jre + ": has no bin/jlink: give the folder of a JDK"),
            ('jdk = "%s"\n' % JDK17, {"target": "win64"},
             "a win64 runtime is linked from a Windows JDK's modules, and %s is a Linux JDK: "
             "give the jmods folder of a Windows JDK 17 (the version of this jlink) as jmods"
             % JDK17),
            ('jdk = "%s"\njmods = "%s"\n' % (JDK17, jre), {"target": "win64"},
             jre + ": holds no java.base.jmod: give the jmods folder of a Windows JDK 17 (the "
             "version of this jlink)"),
            ('jdk = "%s"\n' % JDK17, {"bundle": "/sys/corvane-bundle"},
             "/sys/corvane-bundle: cannot be written"),
            ('jdk = "%s"\n' % JDK17, {"bundle": taken},
             taken + ": exists and holds more than a bundle (taken, app, runtime)"),
            ('', {}, "a bundle needs a runtime: runtime = \"FOLDER\" in [bundle]"),
            ('jdk = "%s"\nruntime = "x"\n' % JDK17, {},
             "app.toml:8: bundle.jdk: give runtime (a runtime image to copy) or jdk"),
        ]
        before = sorted(os.listdir(self.work))
        for table, arguments, message in cases:
            _, done = self.make(table, **arguments)
            self.assertEqual(done.returncode, 1, table)
            self.assertIn(message, done.stderr)
            self.assertEqual(sorted(os.listdir(self.work)), before, table)
        self.assertEqual(os.listdir(taken), ["notes.txt"])
        self.assertEqual(tree(bundle), made)


if __name__ == "__main__":
    unittest.main()
