"""A release signed with a throwaway self-signed certificate made here: the
signatures verify, and the signed launcher still does its work under Wine."""

import argparse
import os
import re
import shutil
import subprocess
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from release_build import SOURCE, run_release, sha256, shipped_files  # noqa: E402
from wine_deploy import CONFIG, INSTALLER_64, Deployment, WinePrefix  # noqa: E402

ARGS = None
PASSWORD_VARIABLE = "KOVLAUNCH_TEST_PFX_PASSWORD"
PASSWORD = "throwaway pass"
SIGNER = "kovlaunch throwaway test signer"


def make_certificate(folder, name):
    """(certificate PEM, PKCS#12 file) for a self-signed code-signing key."""
    key, certificate, pfx = (folder / f"{name}.key", folder / f"{name}.pem",
                             folder / f"{name}.pfx")
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                    "-keyout", str(key), "-out", str(certificate), "-days", "2",
                    "-subj", f"/CN={name}",
                    "-addext", "basicConstraints=critical,CA:FALSE",
                    "-addext", "keyUsage=critical,digitalSignature",
                    "-addext", "extendedKeyUsage=codeSigning"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run(["openssl", "pkcs12", "-export", "-inkey", str(key), "-in", str(certificate),
                    "-out", str(pfx), "-passout", f"env:{PASSWORD_VARIABLE}"],
                   check=True, env={**os.environ, PASSWORD_VARIABLE: PASSWORD})
    return certificate, pfx


def verify(path, ca_file):
    result = subprocess.run(["osslsigncode", "verify", "-CAfile", str(ca_file), "-in", str(path)],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode, result.stdout


class SignedRelease(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = Path(ARGS.work_dir).resolve()
        if cls.work.exists():
            shutil.rmtree(cls.work)
        cls.work.mkdir(parents=True)
        cls.certificate, cls.pfx = make_certificate(cls.work, SIGNER)
        cls.other_certificate, _ = make_certificate(cls.work, "someone else")
        cls.build = cls.work / "build"
        cls.dist = cls.work / "dist"
        code, output = cls.release(PASSWORD)
        if code != 0:
            raise AssertionError(f"signed release failed:\n{output}")
        cls.shipped = shipped_files(cls.build)

    @classmethod
    def release(cls, password, dist=None):
        env = {} if password is None else {PASSWORD_VARIABLE: password}
        env["KOVLAUNCH_SIGN_PFX"] = ""
        return run_release(SOURCE, "--pfx", str(cls.pfx), "--pfx-password-env", PASSWORD_VARIABLE,
                           "--build-dir", str(cls.build), "--dist", str(dist or cls.dist),
                           env=env)

    def test_every_file_verifies_against_the_certificate_with_sha256(self):
        self.assertLessEqual({"kovlaunch.exe", "morvane.dll"}, set(self.shipped))
        for name in self.shipped:
            with self.subTest(name):
                code, output = verify(self.dist / name, self.certificate)
                self.assertEqual(code, 0, output)
                self.assertRegex(output, r"Message digest algorithm\s*:\s*SHA256")
                self.assertIn(f"Subject: /CN={SIGNER}", output)
                # And it is this certificate that vouches for it, no other.
                code, output = verify(self.dist / name, self.other_certificate)
                self.assertNotEqual(code, 0, output)

    def test_signature_is_all_that_was_added(self):
        for name, built in self.shipped.items():
            with self.subTest(name):
                stripped = self.work / f"{name}.stripped"
                subprocess.run(["osslsigncode", "remove-signature", "-in", str(self.dist / name),
                                "-out", str(stripped)], check=True, stdout=subprocess.DEVNULL)
                self.assertEqual(stripped.read_bytes(), built.read_bytes())

    def test_sums_and_deployment_text_describe_the_signed_files(self):
        subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=self.dist, check=True)
        text = (self.dist / "DEPLOY.txt").read_text()
        self.assertNotIn("NOT SIGNED", text)
        self.assertIn(f"CN={SIGNER}", text)
        thumbprint = subprocess.run(["openssl", "x509", "-in", str(self.certificate), "-noout",
                                     "-fingerprint", "-sha1"], check=True, text=True,
                                    stdout=subprocess.PIPE).stdout
        self.assertIn(thumbprint.split("=", 1)[1].strip().replace(":", ""), text)
        self.assertIn("NOT time-stamped", text)
        # The sums a rebuild gives are those of the unsigned files.
        for name, built in self.shipped.items():
            self.assertIn(f"{sha256(built)}  {name}", text)

    def test_signed_launcher_starts_the_installer_under_wine(self):
        path = os.environ.get("KOVLAUNCH_TEST_WINEPREFIX")
        if not path:
            self.skipTest("KOVLAUNCH_TEST_WINEPREFIX is not set: run scripts/test.sh")
        prefix = WinePrefix(path, "win64")
        deployment = Deployment(prefix, "Signed Release", self.dist / "kovlaunch.exe",
                                self.dist / "morvane.dll", ARGS.stub_installer)
        self.assertEqual(deployment.run_launcher(), 0)
        self.assertTrue(deployment.wait_for(lambda: deployment.finished(INSTALLER_64)))
        started = deployment.started()
        self.assertEqual(list(started), [INSTALLER_64])
        self.assertRegex(started[INSTALLER_64],
                         r"^C:\\[^ \\]+\\" + re.escape(INSTALLER_64)
                         + r" /SILENT C:\\[^ \\]+\\" + re.escape(CONFIG) + "$")

    def test_wrong_or_missing_password_fails_before_building(self):
        for password in ("not the password", None):
            with self.subTest(password=password):
                dist = self.work / "refused-dist"
                build_marker = self.build / "release-files.txt"
                before = build_marker.stat().st_mtime_ns
                code, output = self.release(password, dist=dist)
                self.assertNotEqual(code, 0, output)
                self.assertIn(PASSWORD_VARIABLE, output)
                self.assertFalse(dist.exists(), "a release was laid out anyway")
                self.assertEqual(build_marker.stat().st_mtime_ns, before, "it built anyway")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--stub-installer", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
