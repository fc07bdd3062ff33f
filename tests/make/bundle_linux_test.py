"""Bundles of the sample made by corvane-make for the linux target: a runtime linked
with the machine's JDK, run from elsewhere with no Java on PATH or in JAVA_HOME, and the
faults that must leave nothing behind."""

import os
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

    def test_a_runtime_image_is_copied_and_its_machine_checked(self):
        # A jlink output unpacked here, as one made elsewhere would be.
        image = os.path.join(self.work, "image")
        subprocess.run([JDK17 + "/bin/jlink", "--add-modules", "java.base", "--output", image],
                       check=True)
        bundle, done = self.make('runtime = "%s"\n' % image)
        self.assertEqual(done.returncode, 0, done.stderr)
        run, trace = self.run_bundled(os.path.join(bundle, "quillmark"))
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("java.home: " + os.path.join(bundle, "runtime") + "\n", run.stdout)

        with open(os.path.join(image, "lib", "server", "libjvm.so"), "wb") as out:
            out.write(elf_header(183))
        bundle, done = self.make('runtime = "%s"\n' % image)
        self.assertEqual(done.returncode, 1)
        self.assertIn(image + "/lib/server/libjvm.so: a runtime for arm64, but the linux "
                      "launcher is for x86-64 and cannot load it", done.stderr)
        # The bundle made before stays, and nothing else is left.
        self.assertEqual(os.listdir(os.path.dirname(bundle)), ["quillmark"])

    def test_faults_say_what_is_missing_and_leave_nothing_behind(self):
        windows_image = os.path.join(self.work, "windows-image")
        os.makedirs(os.path.join(windows_image, "bin", "server"))
        open(os.path.join(windows_image, "bin", "server", "jvm.dll"), "w").close()
        jre = os.path.join(self.work, "jre")
        os.makedirs(os.path.join(jre, "bin"))
        open(os.path.join(jre, "bin", "java"), "w").close()
        taken = os.path.join(self.work, "taken")
        os.makedirs(taken)
        with open(os.path.join(taken, "notes.txt"), "w") as out:
            out.write("mine")
        cases = [
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
        before = sorted(os.listdir(self.work) + ["app.toml"])
        for table, arguments, message in cases:
            _, done = self.make(table, **arguments)
            self.assertEqual(done.returncode, 1, table)
            self.assertIn(message, done.stderr)
            self.assertEqual(sorted(os.listdir(self.work)), before, table)
        self.assertEqual(os.listdir(taken), ["notes.txt"])


if __name__ == "__main__":
    unittest.main()
