"""Launchers signed by corvane-make (its Linux build, driving osslsigncode) for a Windows
target: the signatures verify against a test CA made here with openssl, the signed
launcher runs under Wine on the stand-in runtime, and every fault leaves no file."""

import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from wine_harness import WineTestCase, wine, windows_path  # noqa: E402

LINUX_MAKE = os.environ.get("CORVANE_LINUX_MAKE", "")
WINDOWS_MAKE = os.environ.get("CORVANE_MAKE", "")
LAUNCHER = os.environ.get("CORVANE_LAUNCHER", "")
TARGET = os.environ.get("CORVANE_TARGET", "win32")
TESTJVM = os.path.join(os.environ.get("CORVANE_TESTJVM_DIR", ""), "testjvm.dll")
OSSLSIGNCODE = shutil.which("osslsigncode") or ""
PASSWORD = "Zo3-signing;pass%word"
PASSWORD_ENV = "CORVANE_TEST_SIGN_PASSWORD"

# The use of each certificate the CA issues, and the timestamp authority's settings.
USES = {"code": "codeSigning", "server": "serverAuth", "tsa": "critical, timeStamping"}
EXTENSIONS = "".join("[%s]\nbasicConstraints = CA:FALSE\nkeyUsage = critical, digitalSignature\n"
                     "extendedKeyUsage = %s\n" % use for use in USES.items()) + """[tsa_config]
serial = {serial}
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
ess_cert_id_alg = sha256
"""

# Runs osslsigncode, first writing its arguments and the mode of its password file to
# the log: what any user of the machine could see of the child.
RECORDING_OSSLSIGNCODE = """#!/bin/sh
printf 'argv %s\\n' "$*" >> "{log}"
previous=
for argument in "$@"; do
  [ "$previous" = -readpass ] && printf 'readpass %s %s\\n' "$(stat -c %a "$argument")" \\
    "$argument" >> "{log}"
  previous=$argument
done
exec "{real}" "$@"
"""


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)


def make_keys(folder):
    """A test CA, a code-signing certificate and a server certificate issued by it (each
    in a PKCS#12 file with PASSWORD), and a timestamp authority's certificate."""
    with open(os.path.join(folder, "ext.cnf"), "w") as out:
        out.write(EXTENSIONS.format(serial=os.path.join(folder, "tsa.serial")))
    with open(os.path.join(folder, "tsa.serial"), "w") as out:
        out.write("01\n")
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out",
            "ca.pem", "-days", "3", "-subj", "/CN=Corvane Test CA", "-addext",
            "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign",
            cwd=folder)
    for name in USES:
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out",
                name + ".csr", "-subj", "/CN=Corvane Test " + name, cwd=folder)
        openssl("x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                "-CAcreateserial", "-days", "2", "-extfile", "ext.cnf", "-extensions", name,
                "-out", name + ".pem", cwd=folder)
        openssl("pkcs12", "-export", "-in", name + ".pem", "-inkey", name + ".key",
                "-certfile", "ca.pem", "-out", name + ".p12", "-passout", "pass:" + PASSWORD,
                cwd=folder)


class TimestampServer(http.server.BaseHTTPRequestHandler):
    """An RFC 3161 server answering with `openssl ts -reply` from the test keys."""
    keys = ""

    def do_POST(self):
        query = os.path.join(self.keys, "query-%d.tsq" % threading.get_ident())
        with open(query, "wb") as out:
            out.write(self.rfile.read(int(self.headers["Content-Length"])))
        reply = subprocess.run(
            ["openssl", "ts", "-reply", "-config", "ext.cnf", "-section", "tsa_config",
             "-queryfile", query, "-signer", "tsa.pem", "-inkey", "tsa.key", "-chain", "ca.pem"],
            cwd=self.keys, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass


class SigningTest(WineTestCase):

    @classmethod
    def setUpClass(cls):
        cls.keys = tempfile.mkdtemp(prefix="corvane-keys-")
        if shutil.which("openssl"):
            make_keys(cls.keys)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys, True)

    def setUp(self):
        super().setUp()
        if not os.path.exists(LINUX_MAKE):
            self.skipTest("the Linux corvane-make is not built: run ./run-tests linux " + TARGET)
        if not OSSLSIGNCODE or not shutil.which("openssl"):
            self.skipTest("osslsigncode or openssl is missing: tools/install-packages packaging")
        os.remove(self.exe)
        # The configuration and the keys below a folder with a blank, %, ;, = and a
        # letter beyond ASCII, read through a symbolic link from another folder.
        self.odd = os.path.join(self.work, "Zoë 100%; a=b")
        shutil.copytree(self.keys, os.path.join(self.odd, "keys"))
        os.symlink(self.odd, os.path.join(self.work, "link"))
        self.tools = os.path.join(self.work, "tools")
        os.mkdir(self.tools)
        self.argv_log = os.path.join(self.work, "osslsigncode.log")
        with open(os.path.join(self.tools, "osslsigncode"), "w") as out:
            out.write(RECORDING_OSSLSIGNCODE.format(log=self.argv_log, real=OSSLSIGNCODE))
        os.chmod(os.path.join(self.tools, "osslsigncode"), 0o755)
        self.temp = os.path.join(self.work, "temp")
        os.mkdir(self.temp)
        self.config = os.path.join(self.work, "link", "tool.toml")
        with open(self.config, "w") as out:
            out.write('MainClass = "com.example.Tool"\nClassPath = "tool.jar"\n'
                      "RuntimeLibrary = 'j2re1.4.1_02\\bin\\client\\jvm.dll'\n"
                      "SplashUntilWindow = false\nSplashSeconds = 0\n"
                      '[sign]\ncertificate = "keys/code.p12"\npassword-env = "%s"\n'
                      'description = "Example Tool"\nurl = "https://example.com/tool"\n'
                      % PASSWORD_ENV)

    def make(self, *extra, env=None, target=TARGET, configs=()):
        """Runs the Linux corvane-make with the recording osslsigncode first on PATH."""
        command = [LINUX_MAKE, "--config", self.config]
        for config in configs:
            command += ["--config", config]
        command += ["--target", target, "--launcher", LAUNCHER, *extra]
        environment = dict(os.environ, TMPDIR=self.temp, **{PASSWORD_ENV: PASSWORD})
        environment["PATH"] = self.tools + ":" + environment["PATH"]
        environment.update(env or {})
        return subprocess.run(command, env=environment, cwd=self.work, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, timeout=120)

    def verify(self, path):
        root = os.path.join(self.keys, "ca.pem")
        done = subprocess.run([OSSLSIGNCODE, "verify", "-in", path, "-CAfile", root,
                               "-TSA-CAfile", root], stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, text=True)
        self.assertEqual(done.returncode, 0, done.stdout)
        self.assertIn("Signature verification: ok", done.stdout)
        self.assertIn("Message digest algorithm  : SHA256", done.stdout)
        self.assertIn("Subject: /CN=Corvane Test code", done.stdout)
        return done.stdout

    def test_launcher_and_bundle_launcher_are_signed_verified_and_run(self):
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), TimestampServer)
        TimestampServer.keys = os.path.join(self.odd, "keys")
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.addCleanup(server.shutdown)
        # The first server does not answer: the second one stamps.
        timestamps = os.path.join(self.work, "timestamps.toml")
        with open(timestamps, "w") as out:
            out.write('[sign]\ntimestamp = ["http://127.0.0.1:9/", "http://127.0.0.1:%d/"]\n'
                      % server.server_address[1])
        made = self.make("--output", self.exe, configs=[timestamps])
        self.assertEqual(made.returncode, 0, made.stderr)
        self.assertNotIn("without a timestamp", made.stderr)
        verified = self.verify(self.exe)
        for line in ("Text description: Example Tool", "URL description: https://example.com/tool",
                     "Timestamp Server Signature verification: ok"):
            self.assertIn(line, verified)

        run, logged = self.run_on_stand_in_runtime(("tool.jar",), "one")
        self.assertEqual((run.exit_code, run.dialogs), (0, []))
        self.assertIn("find_class com/example/Tool", logged)
        self.assertIn("main thread=creator name= argc=1 arg=one", logged)

        # A bundle, the certificate given on the command line (relative to the current
        # folder); a later file's empty list
        # of timestamp servers replaces the earlier one, and a signature without a
        # timestamp is said to end with the certificate.
        image = os.path.join(self.work, "image")
        os.makedirs(os.path.join(image, "bin", "server"))
        shutil.copy(TESTJVM, os.path.join(image, "bin", "server", "jvm.dll"))
        with open(os.path.join(image, "release"), "w") as out:
            out.write('JAVA_VERSION="17.0.15"\n')
        none = os.path.join(self.work, "none.toml")
        with open(none, "w") as out:
            out.write("[sign]\ntimestamp = []\n")
        bundle = os.path.join(self.odd, "bundle")
        made_bundle = self.make("--bundle", bundle, "--runtime", image, "--input", self.app_dir,
                                "--sign", "link/keys/code.p12", configs=[timestamps, none])
        self.assertEqual(made_bundle.returncode, 0, made_bundle.stderr)
        self.assertIn("signed without a timestamp", made_bundle.stderr)
        self.assertIn("the signature ends when the certificate does", made_bundle.stderr)
        self.assertIn("Timestamp is not available", self.verify(os.path.join(bundle, "bundle.exe")))

        # The password reached osslsigncode in a file of mode 0600 that is gone now, and
        # never on a command line, in the output or in the temporary folder.
        with open(self.argv_log) as lines:
            log = lines.read()
        passes = [line.split() for line in log.splitlines() if line.startswith("readpass ")]
        self.assertEqual([mode for _, mode, _ in passes], ["600", "600"])
        self.assertFalse([path for _, _, path in passes if os.path.exists(path)])
        self.assertEqual(log.count("argv sign "), 2)
        self.assertEqual(log.count("argv verify "), 2)
        for text in (log, made.stdout, made.stderr, made_bundle.stdout, made_bundle.stderr):
            self.assertNotIn(PASSWORD, text)
        self.assertEqual(os.listdir(self.temp), [])

    def test_faults_end_with_a_clear_error_and_leave_no_file(self):
        self.exe = os.path.join(self.app_dir, "Tool.exe")
        empty = os.path.join(self.work, "empty")
        os.mkdir(empty)
        cases = [
            ("wrong password", {"env": {PASSWORD_ENV: "wrong"}},
             "keys/code.p12: the password in the environment variable %s is wrong"
             % PASSWORD_ENV),
            ("no code-signing use", {"extra": ["--sign", "Zoë 100%; a=b/keys/server.p12"]},
             "server.p12: the certificate is not for code signing (its extended key usage "
             "lacks codeSigning)"),
            ("no osslsigncode", {"env": {"PATH": empty}},
             "osslsigncode is not installed: install the Debian package osslsigncode"),
            ("linux target", {"target": "linux"},
             "a linux launcher carries no Authenticode signature: leave them out for "
             "--target linux"),
        ]
        for name, how, said in cases:
            with self.subTest(name):
                done = self.make("--output", self.exe, *how.get("extra", ()),
                                 env=how.get("env"), target=how.get("target", TARGET))
                self.assertEqual(done.returncode, 1, done.stderr)
                self.assertIn(said, done.stderr)
                self.assertNotIn(PASSWORD, done.stdout + done.stderr)
                self.assertEqual(os.listdir(self.app_dir) + os.listdir(self.temp), [])

        # corvane-make.exe signs with signtool or osslsigncode.exe, and has neither here.
        done = wine(WINDOWS_MAKE, "--config", windows_path(self.config), "--target", TARGET,
                    "--launcher", windows_path(LAUNCHER), "--output", windows_path(self.exe),
                    env={PASSWORD_ENV: PASSWORD})
        self.assertEqual(done.returncode, 1, done.stderr)
        self.assertIn("neither signtool.exe nor osslsigncode.exe is on PATH: install the "
                      "Windows SDK's signtool", done.stderr)
        self.assertEqual(os.listdir(self.app_dir), [])


if __name__ == "__main__":
    unittest.main()
