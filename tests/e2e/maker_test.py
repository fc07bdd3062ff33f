"""Launchers made by corvane-make (its Windows build, under Wine) from the generic
launcher, read back with the Win32 resource functions and run with the stand-in
runtime."""

import os
import struct
import sys
import unittest
from xml.etree import ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import WineTestCase, helper, wine, windows_path  # noqa: E402

SOURCE = os.environ.get("CORVANE_SOURCE_DIR", "")
MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
sys.path.insert(0, os.path.join(SOURCE, "tests", "make"))
import maker_config  # noqa: E402

SAMPLE_CONFIG = os.path.join(SOURCE, "examples", "quillmark", "quillmark.toml")
# Where install_stand_in_runtime puts the stand-in runtime, as a configuration names it.
STAND_IN_RUNTIME = "j2re1.4.1_02\\bin\\client\\jvm.dll"
# The generic 64-bit launcher, built by the win64 layer of run-tests before this one.
WIN64_LAUNCHER = os.environ.get("CORVANE_WIN64_LAUNCHER", "")
TARGET = os.environ.get("CORVANE_TARGET", "win32")  # the machine of LAUNCHER


def bitmap_file(width, height):
    """A bottom-up 24-bit BI_RGB bitmap file."""
    row = (width * 3 + 3) // 4 * 4
    pixels = bytes((x * 7 + y) % 256 for y in range(height) for x in range(row))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return header + info + pixels


def icon_file(sizes):
    """An icon with one 32-bit image per size."""
    images = []
    for size in sizes:
        info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
        images.append(info + b"\x80\x40\x20\xff" * size * size + b"\0" * ((size + 31) // 32 * 4 * size))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + b"".join(images)


class Resources:
    """What read_resources printed for one executable."""

    def __init__(self, output):
        self.strings = {}
        self.icons = []
        self.version_strings = {}
        self.messages = {}
        self.manifest = None
        self.lines = output.splitlines()
        for line in self.lines:
            if line.startswith("manifest\t"):
                # The bytes as written, for the XML parser.
                self.manifest = line[len("manifest\t"):].encode("latin-1").decode(
                    "unicode_escape").encode("latin-1")
                continue
            kind, _, rest = line.partition(" ")
            if kind == "string":
                entry, _, text = rest.partition("\t")
                self.strings[int(entry)] = text.encode("latin-1").decode("unicode_escape")
            elif kind == "icon":
                self.icons.append(rest)
            elif kind == "version_string":
                key, _, value = rest.partition("\t")
                self.version_strings[key] = value
            elif kind == "message":
                event, _, text = rest.partition("\t")
                self.messages[event] = text


    def first(self, prefix):
        return next((line for line in self.lines if line.startswith(prefix)), None)


class MakerTest(WineTestCase):

    def make(self, config_text=None, config=None, target=TARGET, launcher=None, extra=()):
        """Runs corvane-make under Wine; the output replaces this case's executable."""
        if config is None:
            config = os.path.join(self.work, "app.toml")
            with open(config, "w", encoding="utf-8") as out:
                out.write(config_text)
        if os.path.exists(self.exe):
            os.remove(self.exe)
        return wine(MAKE, "--config", windows_path(config), "--target", target,
                    "--launcher", windows_path(launcher or LAUNCHER), "--output",
                    windows_path(self.exe), *extra)

    def resources(self):
        done = wine(helper("read_resources"), windows_path(self.exe))
        self.assertEqual(done.returncode, 0, done.stderr)
        return Resources(done.stdout)

    def test_every_entry_reads_back_with_load_string(self):
        text, expected = maker_config.full_config()
        done = self.make(text)
        self.assertEqual(done.returncode, 0, done.stderr)
        read = self.resources()
        for entry, stored in expected.items():
            self.assertEqual(read.strings.get(entry), stored, entry)
        self.assertEqual(maker_config.unscramble(read.strings[1168]), maker_config.MAIN_CLASS)
        self.assertEqual(read.messages, {"0x40000001": "inserted\\r\\n",
                                         "0xC0000002": "inserted\\r\\n"})
        # No picture or icon was configured: the generic launcher's stay. No [version]
        # table: a neutral version names the file, not the generic launcher.
        generic = wine(helper("read_resources"), windows_path(LAUNCHER))
        before = Resources(generic.stdout)
        for prefix in ("bitmap", "icon_group"):
            self.assertEqual(read.first(prefix), before.first(prefix), prefix)
        self.assertTrue(read.first("bitmap 400x300"), read.lines)
        self.assertEqual(read.first("version "), "version file=0.0.0.0 product=0.0.0.0")
        self.assertEqual(read.version_strings, {
            "FileDescription": "Quillmark", "OriginalFilename": "Quillmark.exe",
            "FileVersion": "0.0.0.0", "ProductVersion": "0.0.0.0"})
        # One resource section, and none of the sample's texts that the generic
        # launcher's table holds.
        with open(self.exe, "rb") as made:
            image = made.read()
        header = struct.unpack_from("<I", image, 0x3C)[0]
        count, _, _, _, optional = struct.unpack_from("<HIIIH", image, header + 6)
        names = [image[at:at + 8].rstrip(b"\0") for at in
                 range(header + 24 + optional, header + 24 + optional + 40 * count, 40)]
        self.assertEqual(names.count(b".rsrc"), 1, names)
        for sample in ("Quillmark.jar;jh.jar", "Loading Quillmark"):
            self.assertNotIn(sample.encode("utf-16-le"), image)

    def test_made_launcher_runs_with_its_configuration_and_shows_its_icon_and_version(self):
        icon = os.path.join(self.work, "tool.ico")
        with open(icon, "wb") as out:
            out.write(icon_file([16, 32, 48]))
        done = self.make(
            'MainClass = "com.example.Tool"\n'
            'JvmOptions = "-Dmade=yes -Dsecond=2"\n'
            'ClassPath = "tool.jar;lib.jar"\n'
            "RuntimeLibrary = '%s'\n"
            'AppOptions = "one \\"two words\\""\n'
            'SplashUntilWindow = false\n'
            'Icon = "tool.ico"\n'
            '[version]\nFileVersion = "2.5.1.9"\nProductName = "Example Tool"\n'
            'CompanyName = "Example"\nFileDescription = "The example tool"\n'
            'LegalCopyright = "(c) Example"\n' % STAND_IN_RUNTIME)
        self.assertEqual(done.returncode, 0, done.stderr)
        run, logged = self.run_on_stand_in_runtime(("tool.jar", "lib.jar"))
        self.assertEqual(run.dialogs, [])
        self.assertEqual(run.exit_code, 0)
        self.assertIn("nOptions=3", logged[0])
        self.assertEqual(logged[1:4], ["option=-Dmade=yes", "option=-Dsecond=2",
                                       "option=-Djava.class.path={0}\\tool.jar;{0}\\lib.jar"
                                       .format(windows_path(self.app_dir))])
        self.assertIn("find_class com/example/Tool", logged)
        self.assertIn("main thread=creator name= argc=2 arg=one arg=two words", logged)
        self.assertEqual(logged[-1], "destroy")

        read = self.resources()
        self.assertEqual(read.first("icon_group"), "icon_group count=3")
        self.assertEqual(read.icons, ["16x16 bpp=32 bytes=1128 id=1 found=1",
                                      "32x32 bpp=32 bytes=4264 id=2 found=1",
                                      "48x48 bpp=32 bytes=9640 id=3 found=1"])
        self.assertEqual(read.first("icon_load"), "icon_load ok")
        self.assertEqual(read.first("version "), "version file=2.5.1.9 product=2.5.1.9")
        self.assertEqual(read.version_strings, {
            "CompanyName": "Example", "FileDescription": "The example tool",
            "FileVersion": "2.5.1.9", "ProductName": "Example Tool", "ProductVersion": "2.5.1.9",
            "OriginalFilename": "Quillmark.exe", "LegalCopyright": "(c) Example"})

    def test_sample_configuration_with_its_icon_and_a_splash_picture(self):
        splash = os.path.join(self.work, "splash.bmp")
        with open(splash, "wb") as out:
            out.write(bitmap_file(64, 48))
        done = self.make(config=SAMPLE_CONFIG, extra=("--bitmap", windows_path(splash)))
        self.assertEqual(done.returncode, 0, done.stderr)
        read = self.resources()
        self.assertEqual(maker_config.unscramble(read.strings[1168]), "org.quillmark.Quillmark")
        self.assertEqual(read.strings[1072], "Quillmark.jar;jh.jar")
        self.assertEqual(read.strings[1040], "j2re1.4.1_02\\bin\\client\\jvm.dll")
        self.assertTrue(read.first("bitmap 64x48"), read.lines)
        self.assertEqual(read.first("icon_group"), "icon_group count=2")
        self.assertEqual(read.version_strings["ProductName"], "Quillmark")
        self.assertEqual(read.first("version "), "version file=1.4.0.0 product=1.4.0.0")

    def test_sample_configuration_makes_a_64_bit_launcher_that_runs(self):
        if not os.path.exists(WIN64_LAUNCHER):
            self.skipTest("the win64 launcher is not built: run ./run-tests win64 win32")
        done = self.make(config=SAMPLE_CONFIG, target="win64", launcher=WIN64_LAUNCHER)
        self.assertEqual(done.returncode, 0, done.stderr)
        read = self.resources()
        self.assertEqual(maker_config.unscramble(read.strings[1168]), "org.quillmark.Quillmark")
        self.assertEqual(read.first("icon_group"), "icon_group count=2")
        self.assertEqual(read.version_strings["ProductName"], "Quillmark")
        # No runtime lies beside it: the 64-bit launcher starts, reads its own table and
        # says so in the configured words, offering the download page.
        run = self.run_launcher(answer="no")
        self.assertEqual(run.texts(), ["Quillmark needs Java 11 or newer. Please install it "
                                       "and start Quillmark again.\n\n"
                                       "Open the Java download page now?"])
        self.assertEqual(run.exit_code, 0xFFFFFFFF)

    def test_manifest_reads_back_well_formed_with_each_option(self):
        asm = "{urn:schemas-microsoft-com:asm.v3}"
        settings = "{http://schemas.microsoft.com/SMI/%s/WindowsSettings}"
        cases = [(None, "asInvoker", None, None),  # the generic launcher's own
                 ("", "asInvoker", None, None),
                 ('ExecutionLevel = "requireAdministrator"\nDpiAware = true\n',
                  "requireAdministrator", "true", None),
                 ('ExecutionLevel = "highestAvailable"\nUtf8 = true\n', "highestAvailable",
                  None, "UTF-8")]
        for config, level, dpi_aware, code_page in cases:
            if config is None:
                read = Resources(wine(helper("read_resources"), windows_path(LAUNCHER)).stdout)
            else:
                self.assertEqual(self.make(config).returncode, 0)
                read = self.resources()
            self.assertIsNotNone(read.manifest, read.lines)
            root = ElementTree.fromstring(read.manifest)
            self.assertEqual(root.tag, "{urn:schemas-microsoft-com:asm.v1}assembly")
            requested = root.find(".//%srequestedExecutionLevel" % asm)
            self.assertEqual((requested.get("level"), requested.get("uiAccess")),
                             (level, "false"), config)
            systems = root.findall(".//{urn:schemas-microsoft-com:compatibility.v1}supportedOS")
            self.assertEqual(len(systems), 4)
            found = [root.find(".//" + settings % "2005" + "dpiAware"),
                     root.find(".//" + settings % "2019" + "activeCodePage"),
                     root.find(".//" + settings % "2016" + "longPathAware")]
            self.assertEqual([None if e is None else e.text for e in found],
                             [dpi_aware, code_page, "true"], config)

    def test_setup_name_runs_as_invoker_and_utf8_makes_the_code_page_utf8(self):
        # Without a manifest Windows would ask to elevate a program named like an
        # installer. With Utf8 the table's texts and the current directory are read in
        # UTF-8, so characters outside code page 1252 reach Java from there too.
        self.install_stand_in_runtime()
        os.makedirs(os.path.join(self.app_dir, "日本"))
        config = ('MainClass = "com.example.Tool"\nClassPath = ""\nAppOptions = "日本 Zoë"\n'
                  "RuntimeLibrary = '%s'\n" % STAND_IN_RUNTIME)
        log = os.path.join(self.work, "testjvm.log")
        cases = [("setup-tool.exe", "", "arg=?? arg=Zoë", "\\app"),
                 ("utf8.exe", 'Utf8 = true\nWorkingDirectory = "日本"\n', "arg=日本 arg=Zoë",
                  "\\app\\日本")]
        for name, more, arguments, directory in cases:
            self.exe = os.path.join(self.app_dir, name)
            done = self.make(config + more)
            self.assertEqual(done.returncode, 0, done.stderr)
            if os.path.exists(log):
                os.remove(log)
            run = self.run_launcher(env={"CORVANE_TESTJVM_LOG": log,
                                         "CORVANE_TESTJVM_SCRIPT": ""})
            self.assertEqual((run.exit_code, run.dialogs), (0, []), name)
            with open(log, encoding="utf-8") as lines:
                logged = [line.rstrip("\n") for line in lines]
            self.assertIn("main thread=creator name= argc=2 " + arguments, logged)
            user_dir = [line for line in logged if line.startswith("set_property user.dir=")]
            self.assertTrue(user_dir and user_dir[0].endswith(directory), logged)

    def test_faults_write_nothing_and_leave_the_generic_launcher_alone(self):
        with open(LAUNCHER, "rb") as generic:
            before = generic.read()
        bad = os.path.join(self.work, "bad.bmp")
        with open(bad, "wb") as out:
            out.write(bitmap_file(8, 8)[:-5])
        done = self.make('ClassPath = "a.jar"\n', extra=("--bitmap", windows_path(bad)))
        self.assertEqual(done.returncode, 1)
        self.assertIn("not a bitmap Windows can load", done.stderr)
        self.assertIn("BMP3:splash.bmp", done.stderr)
        done = self.make('ClassPath = "a.jar"\n\nMsgLoadJvm = "%x"\n')
        self.assertEqual(done.returncode, 1)
        self.assertIn("app.toml:3: MsgLoadJvm:", done.stderr)
        self.assertEqual(sorted(os.listdir(self.app_dir)), [])
        with open(LAUNCHER, "rb") as generic:
            self.assertEqual(generic.read(), before)


if __name__ == "__main__":
    unittest.main()
