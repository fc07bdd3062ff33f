"""The launcher maker's Linux target: the launcher that add_corvane_launcher made for
the sample, and launchers the tool makes here, read back with corvane-strings and run
against the installed JDK."""

import os
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
