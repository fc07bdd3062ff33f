"""The .deb that corvane-make writes for the linux target, from the sample's configuration:
what dpkg-deb and lintian say of it, and the package installed into a throwaway root (its
maintainer scripts run there, DPKG_ROOT), run with its own runtime, upgraded and
removed."""

import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
SAMPLE = os.environ.get("CORVANE_SAMPLE_DIR", "")
SOURCE = os.environ.get("CORVANE_SOURCE_DIR", "")
JDK17 = "/usr/lib/jvm/java-17-openjdk-amd64"

SERVICE = """ServiceName = "Quillmark"
ServiceDescription = "Serves Quillmark notes"
ServiceStartOptions = "--block"
ServiceStopOptions = "--stop"
Console = true
[installer]
service = true
"""
# The next version: another stop timeout in the unit, other start options in the table.
UPGRADE = """ServiceStartOptions = "--block --upgraded"
ServiceStopTimeout = 40
[installer]
version = "1.5"
"""


def run(*command, **options):
    return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          **options)


def png_pixels(png):
    """The RGBA rows of an 8-bit RGBA PNG without filters, as corvane-make writes it."""
    at, data = 8, b""
    while at < len(png):
        size, kind = struct.unpack(">I4s", png[at:at + 8])
        if kind == b"IHDR":
            width, height = struct.unpack(">II", png[at + 8:at + 16])
        if kind == b"IDAT":
            data += png[at + 8:at + 8 + size]
        at += 12 + size
    raw = zlib.decompress(data)
    return [raw[y * (width * 4 + 1) + 1:(y + 1) * (width * 4 + 1)] for y in range(height)]


def icon_pixels(ico):
    """The RGBA rows of the largest 32-bit picture of an icon file, top row first."""
    count = struct.unpack("<H", ico[4:6])[0]
    entries = [struct.unpack("<BBBBHHII", ico[6 + 16 * i:22 + 16 * i]) for i in range(count)]
    width, _, _, _, _, bits, _, offset = max(entries, key=lambda entry: entry[0] or 256)
    assert bits == 32
    start = offset + struct.unpack("<I", ico[offset:offset + 4])[0]
    rows = [ico[start + y * width * 4:start + (y + 1) * width * 4] for y in range(width)]
    return [b"".join(bytes((row[x + 2], row[x + 1], row[x], row[x + 3]))
                     for x in range(0, len(row), 4)) for row in reversed(rows)]


class DebLinuxTest(unittest.TestCase):

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="corvane-deb-")
        self.addCleanup(shutil.rmtree, self.work, True)
        # The configuration below folders of every kind; the tool runs from elsewhere.
        self.folder = os.path.join(self.work, "pkg a b%;=Zoë")
        os.makedirs(self.folder)
        for name in ("quillmark.toml", "quillmark.ico"):
            shutil.copy(os.path.join(SOURCE, "examples", "quillmark", name), self.folder)
        self.elsewhere = os.path.join(self.work, "elsewhere")
        os.makedirs(self.elsewhere)

    def make(self, overlays, *extra):
        configs = []
        for number, text in enumerate(overlays):
            path = os.path.join(self.folder, "over-%d.toml" % number)
            with open(path, "w") as out:
                out.write(text)
            configs += ["--config", path]
        return run(MAKE, "--config", os.path.join(self.folder, "quillmark.toml"), *configs,
                   "--target", "linux", "--launcher", LAUNCHER, "--input", SAMPLE, *extra,
                   cwd=self.elsewhere, timeout=900)

    def dpkg(self, root, *command):
        # The maintainer scripts run here with DPKG_ROOT set, as for a system being
        # built; the dependencies live outside the root.
        done = run("dpkg", "--root=" + root, "--force-depends", "--force-script-chrootless",
                   *command)
        self.assertEqual(done.returncode, 0, done.stdout)

    def test_packages_list_what_they_hold_install_run_upgrade_and_remove(self):
        # With no --output, the [installer] table makes the package beside the file.
        done = self.make([SERVICE], "--jdk", JDK17)
        self.assertEqual(done.returncode, 0, done.stdout)
        service_deb = os.path.join(self.folder, "quillmark_1.4_amd64.deb")
        self.assertIn("package %s: " % service_deb, done.stdout)
        # The next version copies the runtime that the first one linked.
        unpacked = os.path.join(self.work, "unpacked")
        run("dpkg-deb", "-x", service_deb, unpacked, check=True)
        upgrade_deb = os.path.join(self.work, "next", "quillmark.deb")
        done = self.make([SERVICE, UPGRADE], "--runtime",
                         os.path.join(unpacked, "opt", "quillmark", "runtime"),
                         "--installer", upgrade_deb)
        self.assertEqual(done.returncode, 0, done.stdout)
        # The window program, on the Java of the system.
        window_deb = os.path.join(self.work, "window", "quillmark.deb")
        done = self.make([], "--installer", window_deb)
        self.assertEqual(done.returncode, 0, done.stdout)

        rows = [
            # package, control lines, paths held, paths not held
            (service_deb,
             ["Package: quillmark", "Version: 1.4", "Architecture: amd64",
              "Maintainer: Quillmark Project <maintainers@quillmark.example>",
              "Description: notes in plain text, a sample of the Corvane launcher",
              "Depends: libc6 (>= 2.34)"],
             ["./opt/quillmark/quillmark", "./opt/quillmark/app/Quillmark.jar",
              "./opt/quillmark/app/jh.jar", "./opt/quillmark/runtime/lib/server/libjvm.so",
              "./usr/bin/quillmark -> /opt/quillmark/quillmark",
              "./lib/systemd/system/Quillmark.service", "./usr/share/doc/quillmark/copyright",
              "./usr/share/doc/quillmark/changelog.gz"],
             ["./usr/share/applications/", "java11-runtime"]),
            (window_deb,
             ["Version: 1.4", "Depends: libc6 (>= 2.34)",
              ", default-jre-headless | java11-runtime-headless\n"],
             ["./opt/quillmark/quillmark", "./usr/share/applications/quillmark.desktop",
              "./usr/share/icons/hicolor/32x32/apps/quillmark.png"],
             ["./opt/quillmark/runtime/", "./usr/bin/", "./lib/systemd/", "postinst"]),
        ]
        for deb, fields, held, missing in rows:
            with self.subTest(package=deb):
                info = run("dpkg-deb", "--info", deb).stdout
                listed = run("dpkg-deb", "--contents", deb).stdout
                for field in fields:
                    self.assertIn(field, info)
                for path in held:
                    self.assertIn(" " + path, listed)
                for path in missing:
                    self.assertNotIn(path, info + listed)
                if shutil.which("lintian") is None:
                    print("skipped: lintian is not installed")
                else:
                    said = run("lintian", deb).stdout
                    self.assertNotIn("E: ", said, said)

        # The desktop entry starts the launcher with the icon made from the sample's ICO.
        window = os.path.join(self.work, "window-files")
        run("dpkg-deb", "-x", window_deb, window, check=True)
        with open(os.path.join(window, "usr/share/applications/quillmark.desktop")) as entry:
            self.assertIn("Exec=/opt/quillmark/quillmark\nIcon=quillmark\n", entry.read())
        with open(os.path.join(window, "usr/share/icons/hicolor/32x32/apps/quillmark.png"),
                  "rb") as png, open(os.path.join(self.folder, "quillmark.ico"), "rb") as ico:
            self.assertEqual(png_pixels(png.read()), icon_pixels(ico.read()))

        root = os.path.join(self.work, "root")
        for folder in ("info", "updates"):
            os.makedirs(os.path.join(root, "var", "lib", "dpkg", folder))
        for name in ("status", "available"):
            open(os.path.join(root, "var", "lib", "dpkg", name), "w").close()
        self.dpkg(root, "-i", service_deb)
        # Enabled on installation, through deb-systemd-helper, inside the root.
        wants = os.path.join(root, "etc/systemd/system/multi-user.target.wants/Quillmark.service")
        self.assertEqual(os.readlink(wants), "/lib/systemd/system/Quillmark.service")

        # The command runs the sample on the runtime of the package, with no Java around.
        command = os.path.join(root, "usr", "bin", "quillmark")
        installed = root + os.readlink(command)
        env = {"PATH": "/usr/bin:/bin", "XDG_RUNTIME_DIR": self.work, "CORVANE_TRACE": "-"}
        done = subprocess.run([installed, "--out", "from the package"], cwd=self.elsewhere,
                              env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              text=True, timeout=120)
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertIn("from the package\n", done.stdout)
        self.assertIn("runtime library %s/opt/quillmark/runtime/lib/server/libjvm.so\n" % root,
                      done.stderr)

        # The unit is the one the installed launcher's -install writes.
        units = os.path.join(self.work, "units")
        os.makedirs(units)
        stand_in = os.path.join(self.work, "systemctl")
        with open(stand_in, "w") as out:
            out.write("#!/bin/sh\n")
        os.chmod(stand_in, 0o755)
        done = run(installed, "-install", env={"CORVANE_SYSTEMD_UNIT_DIR": units,
                                               "CORVANE_SYSTEMCTL": stand_in})
        self.assertEqual(done.stdout, "Information: Service installed: Quillmark\n")
        unit = os.path.join(root, "lib/systemd/system/Quillmark.service")
        with open(unit) as packaged, open(os.path.join(units, "Quillmark.service")) as written:
            self.assertEqual(packaged.read(), written.read().replace(root, ""))

        # The upgrade replaces the files with the next version's.
        self.dpkg(root, "-i", upgrade_deb)
        status = run("dpkg-query", "--admindir=" + os.path.join(root, "var/lib/dpkg"), "-W",
                     "-f=${Version}", "quillmark").stdout
        self.assertEqual(status, "1.5")
        upgrade = os.path.join(self.work, "upgrade-files")
        run("dpkg-deb", "-x", upgrade_deb, upgrade, check=True)
        for path in ("opt/quillmark/quillmark", "lib/systemd/system/Quillmark.service"):
            with open(os.path.join(root, path), "rb") as now, \
                    open(os.path.join(upgrade, path), "rb") as expected:
                self.assertEqual(now.read(), expected.read(), path)

        # Removal takes every file of the package; the purge the service's state too.
        files = [path for path in run("dpkg-deb", "-c", upgrade_deb).stdout.split("\n")
                 if path and not path.startswith("d")]
        self.dpkg(root, "-r", "quillmark")
        for line in files:
            path = line.split(" ./", 1)[1].split(" -> ")[0]
            self.assertFalse(os.path.lexists(os.path.join(root, path)), path)
        self.dpkg(root, "-P", "quillmark")
        left = [os.path.join(top, name) for top, _, names in os.walk(root)
                if not top.startswith(os.path.join(root, "var", "lib", "dpkg")) for name in names]
        self.assertEqual(left, [])

    def test_packages_that_cannot_be_made_say_why_and_leave_nothing(self):
        rows = [
            ("[installer]\nservice = true\n", [],
             "installer.service: the package installs the service of ServiceName, and the "
             "configuration names none"),
            ("[installer]\nname = \"-\"\n", [],
             "installer.name: \"-\" leaves no package name"),
            ("", ["--target", "win64"], "the installer of the win64 target is an MSI"),
        ]
        for overlay, extra, said in rows:
            with self.subTest(said=said):
                deb = os.path.join(self.work, "faulty", "quillmark.deb")
                done = self.make([overlay], "--installer", deb, *extra)
                self.assertEqual(done.returncode, 1, done.stdout)
                self.assertIn(said, done.stdout)
                parent = os.path.dirname(deb)
                self.assertEqual(os.listdir(parent) if os.path.exists(parent) else [], [])


if __name__ == "__main__":
    unittest.main()
