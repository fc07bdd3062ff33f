"""MSI installers made by corvane-make (its Linux build, driving wixl) for win64, installed
with Wine's msiexec in this run's prefix: the stand-in runtime laid out as a runtime
image is the bundle's runtime, and the installed launcher runs on it."""

import glob
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import WineTestCase, helper, make_runtime_image, wine, windows_path  # noqa: E402
from signing_test import (LAUNCHER, LINUX_MAKE, PASSWORD, PASSWORD_ENV, TARGET,  # noqa: E402
                          WINDOWS_MAKE, make_keys)
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
SERVICES_KEY = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\"
EVENT_KEY = SERVICES_KEY + "EventLog\\Application\\"
# Shortcuts must not become menu entries of the host.
NO_MENUS = {"WINEDLLOVERRIDES": "winemenubuilder.exe=d"}
ODD = "Zoë 100%; a=b"


def reg_query(key, *options):
    """reg's output for `key`, decoded from the console's code page; None when missing."""
    done = wine("reg", "query", key, *options)
    return done.stdout.encode("latin-1").decode("cp437") if done.returncode == 0 else None


def registry_values(key):
    """The values of a registry key as {name: (type, data)}, or None when it is missing."""
    text = reg_query(key)
    if text is None:
        return None
    values = {}
    for line in text.splitlines():
        parts = re.split(r" {4}", line.strip(), maxsplit=2)
        if len(parts) >= 2 and parts[1].startswith("REG_"):
            values[parts[0]] = (parts[1], parts[2] if len(parts) == 3 else "")
    return values


def products():
    """The Programs-and-Features entries: {display name: display version}."""
    entries = {}
    for block in (reg_query(UNINSTALL_KEY, "/s") or "").split("\r\n\r\n"):
        name = re.search(r"DisplayName\s+REG_SZ\s+(.+)", block)
        version = re.search(r"DisplayVersion\s+REG_SZ\s+(.+)", block)
        if name and version:
            entries[name.group(1).strip()] = version.group(1).strip()
    return entries


def tree(path):
    """Every name below `path`, relative to it."""
    found = []
    for folder, folders, files in os.walk(path):
        found += [os.path.relpath(os.path.join(folder, name), path) for name in folders + files]
    return sorted(found)


class MsiTest(WineTestCase):

    def setUp(self):
        super().setUp()
        if TARGET != "win64":
            self.skipTest("the MSI cases install a win64 package: run them in the win64 layer")
        if not os.path.exists(LINUX_MAKE):
            self.skipTest("the Linux corvane-make is not built: run ./run-tests linux win64")
        if not shutil.which("wixl"):
            self.skipTest("wixl is missing: tools/install-packages packaging")
        wine("reg", "add", "HKCU\\Software\\Wine\\DllOverrides", "/v", "winemenubuilder.exe",
             "/d", "", "/f")
        drive = os.path.join(os.environ["WINEPREFIX"], "drive_c")
        self.program_files = os.path.join(drive, "Program Files")
        user = [name for name in os.listdir(os.path.join(drive, "users")) if name != "Public"][0]
        self.profile = os.path.join(drive, "users", user)
        self.start_menus = [os.path.join(self.profile, "AppData", "Roaming", "Microsoft",
                                         "Windows", "Start Menu"),
                            os.path.join(drive, "ProgramData", "Microsoft", "Windows",
                                         "Start Menu")]
        # The sources below a folder with a blank, %, ;, = and a letter beyond ASCII.
        self.odd = os.path.join(self.work, ODD)
        make_runtime_image(os.path.join(self.odd, "image"))
        os.makedirs(os.path.join(self.odd, "input"))
        for jar in ("tool.jar", "new.jar"):
            open(os.path.join(self.odd, "input", jar), "w").close()
        self.log = os.path.join(self.work, "testjvm.log")
        self.installed = []
        self.addCleanup(self.remove_installed)

    def config(self, name, version="1.0.0.0", jar="tool.jar", launch="", version_table="",
               installer=""):
        """Writes the configuration `name` of the tool at `version` and gives its path."""
        path = os.path.join(self.odd, name + ".toml")
        with open(path, "w", encoding="utf-8") as out:
            out.write('MainClass = "com.example.Tool"\nClassPath = "%s"\nRuntimeLibrary = ""\n'
                      "SplashUntilWindow = false\nSplashSeconds = 0\n%s"
                      '[version]\nProductName = "Zoë\'s Tool"\nCompanyName = "Example Co"\n'
                      'ProductVersion = "%s"\nFileVersion = "%s"\n%s'
                      '[bundle]\nname = "Tool"\ninput = "input"\nruntime = "image"\n'
                      "[installer]\n%s" % (jar, launch, version, version, version_table,
                                           installer))
        return path

    def make(self, config, output, env=None):
        environment = dict(os.environ, **{PASSWORD_ENV: PASSWORD})
        environment.update(env or {})
        return subprocess.run([LINUX_MAKE, "--config", config, "--target", TARGET, "--launcher",
                               LAUNCHER, "--installer", output], env=environment,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                              timeout=120)

    def made(self, config, name):
        """The MSI made from `config` as `name` beside it."""
        output = os.path.join(self.odd, name)
        done = self.make(config, output)
        self.assertEqual(done.returncode, 0, done.stderr)
        return output

    def msiexec(self, *arguments):
        """msiexec's full exit code (Wine's shell sees its low 8 bits only)."""
        done = wine(helper("run_exit_code"), windows_path(self.work),
                    "msiexec " + " ".join(arguments), env=NO_MENUS, timeout=120)
        found = re.search(r"^exit=0x([0-9A-F]{8})$", done.stdout, re.MULTILINE)
        self.assertIsNotNone(found, done.stdout + done.stderr)
        return int(found.group(1), 16)

    def install(self, msi):
        self.installed.append(msi)
        return self.msiexec("/i", '"%s"' % windows_path(msi), "/qn")

    def remove_installed(self):
        for msi in reversed(self.installed):
            self.msiexec("/x", '"%s"' % windows_path(msi), "/qn")

    def snapshot(self):
        return ([tree(folder) for folder in [self.program_files] + self.start_menus],
                products())

    def run_installed(self, folder):
        exe = os.path.join(folder, "Tool.exe")
        done = wine(helper("run_exit_code"), windows_path(folder), '"%s" one' % windows_path(exe),
                    env={"CORVANE_TESTJVM_LOG": self.log, "CORVANE_TESTJVM_SCRIPT": ""})
        self.assertIn("exit=0x00000000", done.stdout, done.stderr)
        with open(self.log, encoding="latin-1") as lines:
            return lines.read()

    def test_install_runs_upgrades_refuses_a_downgrade_and_uninstalls_cleanly(self):
        before = self.snapshot()
        first = self.made(self.config("one"), "one.msi")
        second = self.made(self.config("two", version="1.1.0.0", jar="new.jar"), "two.msi")

        self.assertEqual(self.install(first), 0)
        folder = os.path.join(self.program_files, "Zoë's Tool")
        self.assertEqual(tree(folder), ["Tool.exe", "app", "app/tool.jar", "runtime",
                                        "runtime/bin", "runtime/bin/server",
                                        "runtime/bin/server/jvm.dll", "runtime/release"])
        self.assertEqual(products().get("Zoë's Tool"), "1.0.0")
        self.assertIn("InstallLocation    REG_SZ    C:\\Program Files\\Zoë's Tool\\",
                      reg_query(UNINSTALL_KEY, "/s"))
        # Wine puts a per-machine shortcut in the user's Start menu.
        self.assertEqual([path for menu in self.start_menus
                          for path in glob.glob(os.path.join(menu, "Programs", "*.lnk"))],
                         [os.path.join(self.start_menus[0], "Programs", "Zoë's Tool.lnk")])
        logged = self.run_installed(folder)
        self.assertIn("option=-Djava.class.path=C:\\Program Files\\Zoë's Tool\\app\\tool.jar",
                      logged.encode("latin-1").decode("cp1252"))
        self.assertIn("main thread=creator name= argc=1 arg=one", logged)

        self.assertEqual(self.install(second), 0)
        self.assertEqual([name for name in products() if name == "Zoë's Tool"], ["Zoë's Tool"])
        self.assertEqual(products()["Zoë's Tool"], "1.1.0")
        self.assertEqual(tree(os.path.join(folder, "app")), ["new.jar"])
        self.assertEqual(self.install(first), 1603)  # a newer version is installed
        self.assertEqual(products()["Zoë's Tool"], "1.1.0")

        self.assertEqual(self.msiexec("/x", '"%s"' % windows_path(second), "/qn"), 0)
        self.assertEqual(self.snapshot(), before)

    def test_user_scope_installs_below_local_app_data(self):
        before = self.snapshot()[0][0]
        msi = self.made(self.config("user", installer='scope = "user"\nfolder = "Tool Files"\n'),
                        "user.msi")
        self.assertEqual(self.install(msi), 0)
        folder = os.path.join(self.profile, "AppData", "Local", "Programs", "Tool Files")
        self.assertIn("Tool.exe", os.listdir(folder))
        self.assertEqual(tree(self.program_files), before)
        self.assertIn("main thread=creator", self.run_installed(folder))
        self.assertEqual(self.msiexec("/x", '"%s"' % windows_path(msi), "/qn"), 0)
        self.assertFalse(os.path.exists(folder))

    def test_signed_msi_and_its_launcher_verify_and_run(self):
        if not shutil.which("osslsigncode") or not shutil.which("openssl"):
            self.skipTest("osslsigncode or openssl is missing: tools/install-packages packaging")
        keys = os.path.join(self.odd, "keys")
        os.mkdir(keys)
        make_keys(keys)
        msi = self.made(self.config("signed", installer="[sign]\ncertificate = \"keys/code.p12\"\n"
                                    'password-env = "%s"\ntimestamp = []\n' % PASSWORD_ENV),
                        "signed.msi")
        self.assertEqual(self.install(msi), 0)
        folder = os.path.join(self.program_files, "Zoë's Tool")
        for path in (msi, os.path.join(folder, "Tool.exe")):
            done = subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile",
                                   os.path.join(keys, "ca.pem")], stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
            self.assertEqual(done.returncode, 0, done.stdout)
            self.assertIn("Signature verification: ok", done.stdout)
        self.assertIn("main thread=creator", self.run_installed(folder))

    def test_bad_input_is_refused_and_leaves_no_file(self):
        out = os.path.join(self.work, "out")
        os.mkdir(out)
        empty = os.path.join(self.work, "empty")
        os.mkdir(empty)
        cases = [
            (self.config("beta", installer='version = "1.0-beta"\n'), None,
             "beta.toml:16: installer.version: \"1.0-beta\" is not a version"),
            (self.config("fourth", version="1.0.0.5"), None,
             "fourth.toml: version.ProductVersion: \"1.0.0.5\" makes no MSI version"),
            (self.config("nowixl"), {"PATH": empty},
             "wixl is not installed: install the Debian package wixl"),
        ]
        for config, env, said in cases:
            with self.subTest(said):
                done = self.make(config, os.path.join(out, "x.msi"), env=env)
                self.assertEqual(done.returncode, 1, done.stderr)
                self.assertIn(said, done.stderr)
                self.assertEqual(os.listdir(out), [])
        # corvane-make.exe builds with the WiX Toolset, and has none here.
        done = wine(WINDOWS_MAKE, "--config", windows_path(self.config("win")), "--target",
                    TARGET, "--launcher", windows_path(LAUNCHER), "--installer",
                    windows_path(os.path.join(out, "x.msi")), timeout=120)
        self.assertEqual(done.returncode, 1, done.stderr)
        self.assertIn("neither wix.exe (the WiX Toolset 4 or later) nor candle.exe and light.exe "
                      "(the WiX Toolset 3) is on PATH: install the WiX Toolset", done.stderr)
        self.assertEqual(os.listdir(out), [])

    def test_service_is_registered_as_the_install_switch_makes_it_and_removed(self):
        name = "CorvaneMsiService"
        with open(os.path.join(self.odd, "image", "bin", "server", "testjvm.env"), "w") as out:
            out.write("LOG=%s\nSCRIPT=main_blocks\n" % self.log)
        launch = ('ServiceName = "%s"\nServiceDescription = "Serves [tools] & more"\n'
                  "ServiceRestartSeconds = 5\nServiceDelayedStart = true\n" % name)
        first = self.made(self.config("svc", launch=launch, installer="service = true\n"),
                          "svc.msi")
        second = self.made(self.config("svc2", version="1.1.0.0", jar="new.jar", launch=launch,
                                       installer="service = true\n"), "svc2.msi")
        self.addCleanup(wine, "sc", "delete", name)
        self.assertEqual(self.install(first), 0)
        self.assertEqual(self.service_state(name), "RUNNING")
        self.wait_for_log("main thread=creator")
        made = self.registration(name)
        self.assertEqual(made[0]["ImagePath"],
                         ("REG_SZ", '"C:\\Program Files\\Zoë\'s Tool\\Tool.exe" '
                                    "-startlauncherinservicemode"))

        # The same launcher's own switches: removed, installed again, the same fields.
        wine("sc", "stop", name)
        self.assertEqual(self.service_state(name, "STOPPED"), "STOPPED")
        program = "C:\\Program Files\\Zoë's Tool\\Tool.exe"
        for switch in ("-uninstall", "-install"):
            run = self.run_launcher(switch, program=program)
            self.assertEqual(len(run.dialogs), 1, run.dialogs)
        self.assertEqual(self.registration(name), made)

        # An upgrade stops the service, replaces its files and starts it again.
        os.remove(self.log)
        self.assertEqual(self.install(second), 0)
        self.assertEqual(self.service_state(name), "RUNNING")
        self.wait_for_log("option=-Djava.class.path=C:\\Program Files\\Zoë's Tool\\app\\new.jar")

        self.assertEqual(self.msiexec("/x", '"%s"' % windows_path(second), "/qn"), 0)
        self.assertIsNone(self.service_state(name, None))
        self.assertIsNone(registry_values(EVENT_KEY + name))

    def registration(self, name):
        config = wine(helper("service_config"), name)
        return (registry_values(SERVICES_KEY + name), registry_values(EVENT_KEY + name),
                config.stdout)

    def service_state(self, name, wanted="RUNNING", timeout=30):
        """The service's state once it is `wanted` or the time is up; None when it is gone."""
        deadline = time.monotonic() + timeout
        while True:
            found = re.search(r"STATE\s*:\s*\d+\s+(\w+)", wine("sc", "query", name).stdout)
            state = found.group(1) if found else None
            if state == wanted or time.monotonic() > deadline:
                return state
            time.sleep(0.5)

    def wait_for_log(self, line, timeout=30):
        deadline = time.monotonic() + timeout
        text = ""
        while time.monotonic() < deadline:
            if os.path.exists(self.log):
                with open(self.log, "rb") as lines:
                    text = lines.read().decode("cp1252", "replace")
                if line in text:
                    return
            time.sleep(0.5)
        self.fail("%s not in %s" % (line, text))


if __name__ == "__main__":
    unittest.main()
