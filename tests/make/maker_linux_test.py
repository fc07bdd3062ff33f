"""The launcher maker's Linux target: the launcher that add_corvane_launcher made for
the sample, and launchers the tool makes here, read back with corvane-strings and run
against the installed JDK."""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import maker_config  # noqa: E402

MADE = os.environ.get("CORVANE_MADE_LAUNCHER", "")
MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
STRINGS = os.environ.get("CORVANE_STRINGS", "")
SAMPLE = os.environ.get("CORVANE_SAMPLE_DIR", "")
SOURCE = os.environ.get("CORVANE_SOURCE_DIR", "")
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"


class MakerLinuxTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-make-")
        self.addCleanup(shutil.rmtree, self.work, True)

    def dump(self, exe):
        done = subprocess.run([STRINGS, exe, "--dump"], check=True, stdout=subprocess.PIPE)
        entries = {}
        for line in done.stdout.decode("utf-8").splitlines():
            entry, _, text = line.partition("\t")
            entries[int(entry)] = text
        return entries

    def make(self, config_text, target="linux", launcher=None, name="app.toml", output=None):
        config = os.path.join(self.work, name)
        with open(config, "w", encoding="utf-8") as out:
            out.write(config_text)
        output = output or os.path.join(self.work, "made")
        return output, subprocess.run(
            [MAKE, "--config", config, "--target", target, "--launcher", launcher or LAUNCHER,
             "--output", output], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)

    def app_launcher(self, config_text):
        """A launcher made from `config_text` (RuntimeLibrary: the JDK 17 home) in a
        directory of its own beside the sample's archives; gives its path."""
        if not os.path.isdir(JDK17):
            self.skipTest("JDK 17 is not installed in " + JDK17)
        app = os.path.join(self.work, "app")
        os.makedirs(app, exist_ok=True)
        for jar in ("Quillmark.jar", "jh.jar"):
            shutil.copy(os.path.join(SAMPLE, jar), app)
        exe = os.path.join(app, "app")
        _, done = self.make(config_text + 'RuntimeLibrary = "%s"\n' % JDK17, output=exe)
        self.assertEqual(done.returncode, 0, done.stderr)
        return exe

    def run_app(self, exe, *args, cwd=None):
        return subprocess.run([exe, *args], cwd=cwd or self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120,
                              env=dict(os.environ, XDG_RUNTIME_DIR=self.work, CORVANE_TRACE="-"))

    def test_a_minimal_file_carries_nothing_of_the_sample_and_allows_two_instances(self):
        exe = self.app_launcher('MainClass = "org.quillmark.Quillmark"\n'
                                'ClassPath = "Quillmark.jar;jh.jar"\n')
        first = subprocess.Popen([exe, "--block"], cwd=self.work, stdout=subprocess.PIPE,
                                 stderr=subprocess.DEVNULL, text=True,
                                 env=dict(os.environ, XDG_RUNTIME_DIR=self.work))
        self.addCleanup(first.wait)
        self.addCleanup(first.kill)
        self.assertIn("Corvane property: null", first.stdout.readline() + "".join(
            first.stdout.readline() for _ in range(5)))
        done = self.run_app(exe)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIsNone(first.poll())  # both run at once
        for sample in ("-DCorvane", "j2re1.4.1_02", "Loading Quillmark",
                       "AllowMultipleInstances = off", "SplashUntilWindow = on"):
            self.assertNotIn(sample, done.stderr)
        self.assertIn("RuntimeDiscovery = on", done.stderr)

    def test_the_application_sees_one_directory_as_java_does(self):
        # Each case: the file's keys, where the launcher starts, and where java starts.
        exe = self.app_launcher('MainClass = "org.quillmark.Quillmark"\n'
                                'ClassPath = "Quillmark.jar;jh.jar"\n')
        app = os.path.dirname(exe)
        start = os.path.join(self.work, "start")
        work = os.path.join(app, "work")
        for directory in (start, work, app):
            os.makedirs(directory, exist_ok=True)
            with open(os.path.join(directory, "in.txt"), "w") as out:
                out.write(directory)
        cases = [("", start, app),
                 ("ReturnToStartDirectory = true\n", start, start),
                 ('WorkingDirectory = "work"\n', start, work)]
        java = os.path.join(JDK17, "bin", "java")
        seen = ("user.dir:", "file exists:", "nio exists:", "nio absolute:", "reader:")
        for keys, launched_in, expected in cases:
            with self.subTest(keys=keys):
                exe = self.app_launcher('MainClass = "org.quillmark.Quillmark"\n'
                                        'ClassPath = "Quillmark.jar;jh.jar"\n' + keys)
                done = self.run_app(exe, "--files", "in.txt", cwd=launched_in)
                self.assertEqual(done.returncode, 0, done.stderr)
                reference = subprocess.run(
                    [java, "-jar", os.path.join(app, "Quillmark.jar"), "--files", "in.txt"],
                    cwd=expected, stdout=subprocess.PIPE, text=True, check=True).stdout
                lines = [line for line in done.stdout.splitlines() if line.startswith(seen)]
                self.assertEqual(lines, [line for line in reference.splitlines()
                                         if line.startswith(seen)])
                self.assertIn("nio exists: true", lines)

    def test_jvm_options_take_javas_two_word_form(self):
        for options, state in [("", "closed"),
                               ("--add-opens java.base/java.lang=ALL-UNNAMED", "open"),
                               ("--add-opens=java.base/java.lang=ALL-UNNAMED", "open")]:
            with self.subTest(options=options):
                exe = self.app_launcher('MainClass = "org.quillmark.Quillmark"\n'
                                        'ClassPath = "Quillmark.jar;jh.jar"\n'
                                        'JvmOptions = "%s"\n' % options)
                done = self.run_app(exe, "--opens")
                self.assertEqual(done.returncode, 0, done.stderr)
                self.assertIn("java.lang: " + state, done.stdout)

    def test_main_jar_alone_runs_like_java_jar(self):
        exe = self.app_launcher('MainJar = "Quillmark.jar"\n')
        done = self.run_app(exe, "one")
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("argument: [one]", done.stdout)
        # jh.jar comes from the Class-Path of the archive's manifest.
        self.assertIn("Quillmark help is available", done.stdout)
        self.assertIn("main class org/quillmark/Quillmark from the manifest", done.stderr)
        os.remove(os.path.join(os.path.dirname(exe), "Quillmark.jar"))
        done = self.run_app(exe)
        self.assertEqual(done.returncode, 255)
        self.assertIn("Error accessing file/directory: " +
                      os.path.join(os.path.dirname(exe), "Quillmark.jar"), done.stderr)

    def test_launcher_made_by_cmake_runs_the_sample_with_its_configuration(self):
        app = os.path.join(self.work, "app")
        os.makedirs(app)
        for jar in ("Quillmark.jar", "jh.jar"):
            shutil.copy(os.path.join(SAMPLE, jar), app)
        exe = os.path.join(app, "quillmark")
        shutil.copy(MADE, exe)
        entries = self.dump(exe)
        self.assertEqual(maker_config.unscramble(entries[1168]), "org.quillmark.Quillmark")
        self.assertEqual(entries[1056], "-DCorvane=Made")
        self.assertEqual(entries[1456], "Made: cannot open %s")
        self.assertEqual(entries[1440], "An instance of this program is already running.")
        done = subprocess.run([exe], cwd=self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120,
                              env=dict(os.environ, XDG_RUNTIME_DIR=self.work))
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("Corvane property: Made", done.stdout)
        self.assertIn("argument: [made]\nargument: [by the tool]", done.stdout)
        self.assertIn("Quillmark help is available", done.stdout)

    def test_the_readme_table_of_defaults_is_what_an_empty_file_gives(self):
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as readme:
            text = readme.read()
        table = text[text.index("| key |", text.index("### Every key and its default")):]
        table = table[:table.index("\n\n")]
        documented = {}
        for row in table.splitlines()[2:]:
            keys, _, default = [cell.strip() for cell in row.strip("|").split("|")][:3]
            stored = {"empty": "<null>", "`true`": "1", "`false`": "0"}.get(default)
            if stored is None and re.fullmatch(r'`"?[^`"]*"?`', default):
                stored = default.strip('`"')
            for key in re.findall(r"`([A-Za-z]+)`", keys):
                if key in maker_config.ENTRIES and stored is not None:
                    documented[key] = stored
        output, done = self.make("")
        self.assertEqual(done.returncode, 0, done.stderr)
        entries = self.dump(output)
        self.assertEqual(set(documented), set(maker_config.ENTRIES) - set(maker_config.MESSAGES)
                         - set(maker_config.LATER_MESSAGES))
        for key, stored in documented.items():
            self.assertEqual(entries[maker_config.ENTRIES[key]], stored, key)
        with open(LAUNCHER, "rb") as generic:
            self.assertIn(b"Loading Quillmark", generic.read())  # what the made one lost
        self.assertEqual(entries[1392], "<null>")

    def test_every_entry_is_what_the_linux_launcher_carries(self):
        text, expected = maker_config.full_config()
        output, done = self.make(text)
        self.assertEqual(done.returncode, 0, done.stderr)
        entries = self.dump(output)
        for entry, stored in expected.items():
            self.assertEqual(entries[entry], stored, entry)
        self.assertEqual(maker_config.unscramble(entries[1168]), maker_config.MAIN_CLASS)
        self.assertTrue(os.access(output, os.X_OK))

    def test_sample_configuration_makes_a_linux_launcher(self):
        config = os.path.join(SOURCE, "examples", "quillmark", "quillmark.toml")
        output = os.path.join(self.work, "quillmark")
        done = subprocess.run([MAKE, "--config", config, "--target", "linux", "--launcher",
                               LAUNCHER, "--output", output], stderr=subprocess.PIPE, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("not used", done.stderr)  # the icon and version are for Windows
        entries = self.dump(output)
        self.assertEqual(maker_config.unscramble(entries[1168]), "org.quillmark.Quillmark")
        self.assertEqual(entries[1072], "Quillmark.jar;jh.jar")
        self.assertEqual(entries[1872], "1")  # the sample starts from its archive

    def test_configuration_errors_name_file_line_and_key_and_write_nothing(self):
        cases = [
            ("ClassPath = \"a\"\nColour = \"red\"\n", ":2: Colour: unknown key"),
            ("AllowMultipleInstances = 1\n", ":1: AllowMultipleInstances: must be a boolean"),
            ("MainClass = \"org.quill-mark.Main\"\n", ":1: MainClass: \"org.quill-mark.Main\" is not"),
            ("\n\nMsgLoadJvm = \"%s: %d\"\n", ":3: MsgLoadJvm: a message may hold one"),
            ("MsgLoadJvm = \"%s %s\"\n", ":1: MsgLoadJvm: a message may hold one"),
            ("RuntimeSearchMode = 9\n", ":1: RuntimeSearchMode: 9 is outside 0 to 7"),
            ("AppOptions = \"%s\"\n" % ("x" * 1024), ":1: AppOptions: the text is 1024"),
            ("JniVersionText = \"version 2\"\n", ":1: JniVersionText: \"version 2\" is not"),
        ]
        for text, message in cases:
            output, done = self.make(text)
            self.assertEqual(done.returncode, 1, text)
            self.assertIn(os.path.join(self.work, "app.toml") + message, done.stderr)
            self.assertEqual(sorted(os.listdir(self.work)), ["app.toml"], text)

    def test_a_damaged_generic_launcher_writes_nothing(self):
        with open(LAUNCHER, "rb") as source:
            image = source.read()
        damaged = os.path.join(self.work, "generic")
        with open(damaged, "wb") as out:
            out.write(image[:-3])  # the footer of its string table is cut
        output, done = self.make("ClassPath = \"x\"\n", launcher=damaged)
        self.assertEqual(done.returncode, 1)
        self.assertIn("string table behind the program", done.stderr)
        self.assertFalse(os.path.exists(output))
        output, done = self.make("ClassPath = \"x\"\n", target="win32")
        self.assertIn("not a Windows executable", done.stderr)
        self.assertFalse(os.path.exists(output))

    def test_output_where_no_file_can_be_made_is_named_and_nothing_written(self):
        with open(LAUNCHER, "rb") as generic:
            before = generic.read()
        # /sys takes no new file from anyone, root included.
        for output in (os.path.join(self.work, "missing", "made"), "/sys/corvane-made"):
            output, done = self.make("ClassPath = \"x\"\n", output=output)
            self.assertEqual(done.returncode, 1)
            self.assertIn(output + ": cannot be written", done.stderr)
            self.assertFalse(os.path.exists(output))
            self.assertEqual(sorted(os.listdir(self.work)), ["app.toml"])
        with open(LAUNCHER, "rb") as generic:
            self.assertEqual(generic.read(), before)


if __name__ == "__main__":
    unittest.main()
