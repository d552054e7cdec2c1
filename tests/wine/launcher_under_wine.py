"""The real launcher under Wine, in a deployment folder whose path holds
spaces, beside stub installers that record how they were started."""

import argparse
import os
import re
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from wine_deploy import CONFIG, INSTALLER_32, INSTALLER_64, Deployment, WinePrefix  # noqa: E402

ARGS = None
# Long enough for a started installer to have written its record: it does so
# first thing, a fraction of a second after it starts.
QUIET_SECONDS = 3


def prefix_from_env(variable, arch):
    path = os.environ.get(variable)
    if not path:
        raise unittest.SkipTest(f"{variable} is not set: run scripts/test.sh")
    return WinePrefix(path, arch)


class LauncherUnderWine:
    """Scenarios run on each prefix; subclasses name the prefix."""

    prefix_variable = None
    expected_installer = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = prefix_from_env(cls.prefix_variable, cls.arch)

    def deploy(self, morvane="default"):
        morvane_path = {"default": ARGS.morvane, "answering": ARGS.answering_morvane,
                        "none": None}[morvane]
        return Deployment(self.prefix, "Deploy Share", ARGS.launcher, morvane_path,
                          ARGS.stub_installer)

    def assert_nothing_started(self, deployment):
        time.sleep(QUIET_SECONDS)
        self.assertEqual(deployment.started(), {})

    def test_no_agent_starts_the_installer_silently_and_does_not_wait(self):
        deployment = self.deploy()
        deployment.hold_installers(True)
        try:
            self.assertEqual(deployment.run_launcher(), 0)
            # The installer cannot finish while held: the launcher has ended
            # without waiting for it.
            self.assertFalse(deployment.finished(self.expected_installer))
            self.assertTrue(deployment.wait_for(lambda: deployment.started()))
        finally:
            deployment.hold_installers(False)
        started = deployment.started()
        self.assertEqual(list(started), [self.expected_installer])
        # The short form of "C:\Deploy Share\" keeps spaces out of both paths.
        match = re.fullmatch(r"(C:\\[^ \\]+\\)" + re.escape(self.expected_installer)
                             + r" /SILENT (C:\\[^ \\]+\\)" + re.escape(CONFIG),
                             started[self.expected_installer])
        self.assertIsNotNone(match, started[self.expected_installer])
        self.assertEqual(match.group(1), match.group(2))
        self.assertTrue(deployment.wait_for(
            lambda: deployment.finished(self.expected_installer)))

    def test_registered_agent_starts_nothing(self):
        deployment = self.deploy()
        self.prefix.register_agent()
        try:
            self.assertEqual(deployment.run_launcher(), 0)
            self.assert_nothing_started(deployment)
        finally:
            self.prefix.unregister_agent()

    def test_lookup_library_names_the_service_that_is_opened(self):
        deployment = self.deploy(morvane="answering")
        self.prefix.register_agent("Orvalin")
        try:
            self.assertEqual(deployment.run_launcher(), 0)
            self.assertTrue(deployment.wait_for(lambda: deployment.started()),
                            "Orvalin is not the service the library named")
        finally:
            self.prefix.unregister_agent("Orvalin")
        deployment.clear_records()
        self.prefix.register_agent("Velmora")
        try:
            self.assertEqual(deployment.run_launcher(), 0)
            self.assert_nothing_started(deployment)
        finally:
            self.prefix.unregister_agent("Velmora")

    def test_without_the_lookup_library_the_launcher_does_not_start(self):
        deployment = self.deploy(morvane="none")
        self.assertNotEqual(deployment.run_launcher(), 0)
        self.assert_nothing_started(deployment)


class On64BitWindows(LauncherUnderWine, unittest.TestCase):
    prefix_variable = "KOVLAUNCH_TEST_WINEPREFIX"
    arch = "win64"
    expected_installer = INSTALLER_64


class On32BitWindows(LauncherUnderWine, unittest.TestCase):
    prefix_variable = "KOVLAUNCH_TEST_WINEPREFIX32"
    arch = "win32"
    expected_installer = INSTALLER_32


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    for name in ("launcher", "morvane", "answering-morvane", "stub-installer"):
        parser.add_argument("--" + name, required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
