"""The dry-run tool under Wine, in a deployment folder beside the launcher:
its JSON without and with the agent registered and with an installer file
missing, and, where the launcher starts an installer, the very command line
the launcher then uses."""

import argparse
import json
import os
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from wine_deploy import CONFIG, INSTALLER_32, INSTALLER_64, Deployment, WinePrefix  # noqa: E402

ARGS = None
DEFAULT_KEY = r"SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\PELDORAX.EXE"


def prefix_from_env(variable, arch):
    path = os.environ.get(variable)
    if not path:
        raise unittest.SkipTest(f"{variable} is not set: run scripts/test.sh")
    return WinePrefix(path, arch)


def json_report(output):
    """The tool's JSON line; Wine may add lines of its own to the output."""
    lines = [line for line in output.splitlines() if line.startswith("{")]
    if len(lines) != 1:
        raise AssertionError(f"no single JSON line in the output:\n{output}")
    return json.loads(lines[0])


class DryRunUnderWine:
    prefix_variable = None
    arch = None
    expected_installer = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = prefix_from_env(cls.prefix_variable, cls.arch)

    def deploy(self):
        return Deployment(self.prefix, "Dry Run Share", ARGS.launcher, ARGS.morvane,
                          ARGS.stub_installer, dryrun=ARGS.dryrun)

    def dry_run(self, deployment):
        code, output = deployment.run_dryrun("--json")
        self.assertEqual(code, 0, output)
        return json_report(output)

    def test_without_the_agent_names_the_start_the_launcher_then_makes(self):
        deployment = self.deploy()
        report = self.dry_run(deployment)
        self.assertEqual(report["platform"]["family"], "nt")
        self.assertNotEqual(report["os"]["code"], 0)
        presence = report["presence"]
        self.assertEqual(presence["serviceManager"], {"opened": True, "error": 0})
        self.assertEqual(presence["service"]["name"], "Orvalin")
        self.assertFalse(presence["service"]["nameFromLookup"])
        self.assertFalse(presence["service"]["opened"])
        self.assertEqual(presence["service"]["error"], 1060)  # no such service
        self.assertIsNone(presence["appPathKey"])
        self.assertTrue(presence["installRequired"])
        self.assertEqual(presence["decidedBy"], "service-not-opened")

        install = report["install"]
        self.assertEqual(install["installerName"], self.expected_installer)
        self.assertEqual(install["native64Bit"], self.expected_installer == INSTALLER_64)
        self.assertTrue(install["installerExists"])
        self.assertTrue(install["configExists"])
        self.assertEqual(install["pauseMs"], 0)
        self.assertTrue(install["wouldStart"])
        self.assertEqual(report["warnings"], [])
        # The short form keeps the space of "Dry Run Share" out of the paths.
        self.assertNotIn(" ", install["directory"])
        self.assertEqual(install["installer"], install["directory"] + self.expected_installer)
        self.assertEqual(install["config"], install["directory"] + CONFIG)
        self.assertEqual(deployment.started(), {}, "the dry run started an installer")

        # Wine runs programs with administrator rights: HKLM\SAM is writable.
        self.assertEqual(install["privilegeProbe"], {"made": True, "samWritable": True})
        self.assertEqual(install["path"], "direct")
        self.assertEqual(deployment.run_launcher(), 0)
        # The record is there once the installer has written its command line.
        self.assertTrue(deployment.wait_for(
            lambda: deployment.started().get(self.expected_installer)))
        self.assertTrue(deployment.wait_for(
            lambda: deployment.finished(self.expected_installer)))
        self.assertEqual(deployment.started(),
                         {self.expected_installer: install["commandLine"]})

    def test_with_the_agent_registered_nothing_would_be_installed(self):
        deployment = self.deploy()
        self.prefix.register_agent()
        try:
            report = self.dry_run(deployment)
        finally:
            self.prefix.unregister_agent()
        presence = report["presence"]
        self.assertTrue(presence["service"]["opened"])
        self.assertEqual(presence["service"]["error"], 0)
        self.assertEqual(presence["appPathKey"]["path"], DEFAULT_KEY)
        self.assertFalse(presence["appPathKey"]["pathFromLookup"])
        self.assertTrue(presence["appPathKey"]["opened"])
        self.assertEqual(presence["value"]["text"], r"C:\Peldorax\peldorax.exe")
        self.assertTrue(presence["fileExists"])
        self.assertFalse(presence["installRequired"])
        self.assertEqual(presence["decidedBy"], "agent-found-nt")
        self.assertIsNone(report["install"])
        self.assertEqual(report["warnings"], [])

    def test_a_missing_installer_is_a_warning(self):
        deployment = self.deploy()
        (deployment.folder / self.expected_installer).unlink()
        report = self.dry_run(deployment)
        install = report["install"]
        self.assertFalse(install["installerExists"])
        self.assertTrue(install["configExists"])
        self.assertEqual(report["warnings"], ["installer missing: " + install["installer"]])
        # The launcher would still try: the start would fail, silently.
        self.assertTrue(install["wouldStart"])

        code, text = deployment.run_dryrun()
        self.assertEqual(code, 0, text)
        self.assertIn("(MISSING)", text)
        self.assertIn("! installer missing: ", text)
        self.assertIn("Decided by             service-not-opened", text)

    def test_bad_arguments_are_refused(self):
        deployment = self.deploy()
        code, output = deployment.run_dryrun("/json")
        self.assertEqual(code, 2, output)
        self.assertIn('unknown argument "/json"', output)
        code, output = deployment.run_dryrun("--help")
        self.assertEqual(code, 0, output)
        self.assertIn("usage: kovlaunch-dryrun [--json]", output)


class On64BitWindows(DryRunUnderWine, unittest.TestCase):
    prefix_variable = "KOVLAUNCH_TEST_WINEPREFIX"
    arch = "win64"
    expected_installer = INSTALLER_64


class On32BitWindows(DryRunUnderWine, unittest.TestCase):
    prefix_variable = "KOVLAUNCH_TEST_WINEPREFIX32"
    arch = "win32"
    expected_installer = INSTALLER_32


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for name in ("dryrun", "launcher", "morvane", "stub-installer"):
        parser.add_argument("--" + name, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
