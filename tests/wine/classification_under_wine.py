"""osinfo.exe --json under Wine, with the prefix set in turn to each Windows
version Wine can report, on a 64-bit and a 32-bit prefix.

The expected codes come from the table below, written from what Wine 8.0
reports for each version (version numbers, product type, suite mask) and the
prefix's native architecture, not from the product code.

Wine applies a changed version (HKCU\\Software\\Wine, value "Version") fully
only in processes of a wineserver started after the change, so every case
stops the prefix's server and starts it again before osinfo.exe runs. The
prefix's own setting is restored at the end.
"""

import argparse
import json
import os
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from wine_deploy import WinePrefix  # noqa: E402

ARGS = None
WINE_KEY = r"HKCU\Software\Wine"

WORKSTATION, SERVER = 1, 3
SINGLE_USER_TS = 0x100
NT, WIN9X = 2, 1

# Wine version: (platform id, major, minor, product type, suite mask,
#                code on a 64-bit prefix (x64), code on a 32-bit prefix (x86))
EXPECTED = {
    "win95":     (WIN9X, 4, 0, 0, 0, 50023, 50023),
    "win98":     (WIN9X, 4, 10, 0, 0, 50024, 50024),
    "winme":     (WIN9X, 4, 90, 0, 0, 50025, 50025),
    "nt351":     (NT, 3, 51, WORKSTATION, 0, 50027, 50027),
    "nt40":      (NT, 4, 0, WORKSTATION, 0, 50020, 50020),
    "win2k":     (NT, 5, 0, WORKSTATION, 0, 50019, 50019),
    # Wine reports 32-bit XP on an x64 machine; the workstation-on-AMD64 rule
    # then names it XP Professional 64 bit.
    "winxp":     (NT, 5, 1, WORKSTATION, SINGLE_USER_TS, 50013, 50016),
    # XP x64 on an x86 prefix has no rule of its own: Server 2003.
    "winxp64":   (NT, 5, 2, WORKSTATION, SINGLE_USER_TS, 50013, 50014),
    "win2003":   (NT, 5, 2, SERVER, SINGLE_USER_TS, 50007, 50011),
    "vista":     (NT, 6, 0, WORKSTATION, SINGLE_USER_TS, 50026, 50001),
    "win2008":   (NT, 6, 0, SERVER, SINGLE_USER_TS, 50029, 50002),
    # Wine 8.0 reports win7 with a server product type and win2008r2 with a
    # workstation one, the two swapped; the codes follow what it reports.
    "win7":      (NT, 6, 1, SERVER, SINGLE_USER_TS, 50031, 50030),
    "win2008r2": (NT, 6, 1, WORKSTATION, SINGLE_USER_TS, 50033, 50032),
    "win8":      (NT, 6, 2, WORKSTATION, SINGLE_USER_TS, 50035, 50034),
    "win81":     (NT, 6, 3, WORKSTATION, SINGLE_USER_TS, 50039, 50038),
    "win10":     (NT, 10, 0, WORKSTATION, SINGLE_USER_TS, 50042, 50041),
}


class Classification:
    prefix_variable = None
    native_64bit = None

    @classmethod
    def setUpClass(cls):
        path = os.environ.get(cls.prefix_variable)
        if not path:
            raise unittest.SkipTest(f"{cls.prefix_variable} is not set: run scripts/test.sh")
        cls.prefix = WinePrefix(path)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.wine("reg", "delete", WINE_KEY, "/v", "Version", "/f")
        cls.prefix.stop_server()
        cls.prefix.start_server()

    def report_for(self, version):
        code, output = self.prefix.wine("reg", "add", WINE_KEY, "/v", "Version",
                                        "/d", version, "/f")
        self.assertEqual(code, 0, output)
        self.prefix.stop_server()
        self.prefix.start_server()
        code, output = self.prefix.wine(ARGS.osinfo, "--json")
        self.assertEqual(code, 0, output)
        line = [text for text in output.splitlines() if text.startswith("{")]
        self.assertEqual(len(line), 1, output)
        return json.loads(line[0])

    def test_every_version_wine_reports(self):
        for version, (platform, major, minor, product, suite, code64,
                      code32) in EXPECTED.items():
            with self.subTest(version=version):
                report = self.report_for(version)
                snapshot = report["snapshot"]
                reported = (snapshot["platformId"], snapshot["major"], snapshot["minor"])
                self.assertEqual(reported, (platform, major, minor))
                if platform == NT:
                    self.assertEqual(snapshot["productType"], product)
                    self.assertEqual(snapshot["suiteMask"], suite)
                self.assertEqual(report["native64Bit"], self.native_64bit)
                expected = code64 if self.native_64bit else code32
                self.assertEqual(report["code"], expected, report)
                self.assertIsNotNone(report["name"])


class On64BitPrefix(Classification, unittest.TestCase):
    prefix_variable = "KOVLAUNCH_TEST_WINEPREFIX"
    native_64bit = True


class On32BitPrefix(Classification, unittest.TestCase):
    prefix_variable = "KOVLAUNCH_TEST_WINEPREFIX32"
    native_64bit = False


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--osinfo", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
