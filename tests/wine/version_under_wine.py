"""The version predicates and fact queries under Wine, once for each of
several Windows versions set in a Wine prefix of the test's own.

The prefix is a copy of the test run's prefix (scripts/test.sh makes that
one), so the run's own prefix keeps its version and the user's prefix is never
touched. Wine takes the version a program sees from HKCU\\Software\\Wine,
value "Version": the registry lives in the wineserver, and a process reads the
version as it starts, but only a wineserver started after the change serves it
consistently to everything. So each version is set with `reg add`, the prefix's
wineserver is stopped (which also writes the registry to disk) and warmed up
again, and only then is the test program run.
"""

import argparse
import os
import shutil
import sys
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "scripts"))
from wine_deploy import WinePrefix  # noqa: E402

ARGS = None

# Windows version names Wine knows, and the major.minor it then reports. The
# product types vary too (Wine 8 reports a server type for win2003 and win7, a
# workstation one for win2008r2); the test program compares the queries with
# whatever Wine reports.
VERSIONS = {
    "win64": [("winxp64", "5.2"), ("win2003", "5.2"), ("vista", "6.0"), ("win7", "6.1"),
              ("win2008r2", "6.1"), ("win81", "6.3"), ("win10", "10.0")],
    "win32": [("winxp", "5.1"), ("win2003", "5.2"), ("vista", "6.0"), ("win7", "6.1"),
              ("win81", "6.3"), ("win10", "10.0")],
}

SOURCE_PREFIX = {"win64": "KOVLAUNCH_TEST_WINEPREFIX", "win32": "KOVLAUNCH_TEST_WINEPREFIX32"}


class VersionsUnderWine(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        source = os.environ.get(SOURCE_PREFIX[ARGS.arch])
        if not source:
            raise unittest.SkipTest(f"{SOURCE_PREFIX[ARGS.arch]} is not set: run scripts/test.sh")
        cls.prefix = WinePrefix(Path(ARGS.work_dir) / ARGS.arch, ARGS.arch)
        if cls.prefix.path.exists():
            cls.prefix.stop_server()
            shutil.rmtree(cls.prefix.path)
        cls.prefix.path.parent.mkdir(parents=True, exist_ok=True)
        # symlinks=True: dosdevices links z: to /, which must stay a link.
        shutil.copytree(source, cls.prefix.path, symlinks=True)

    @classmethod
    def tearDownClass(cls):
        cls.prefix.stop_server()
        shutil.rmtree(cls.prefix.path, ignore_errors=True)

    def set_version(self, name):
        self.prefix.stop_server()
        code, output = self.prefix.wine("reg", "add", r"HKCU\Software\Wine", "/v", "Version",
                                        "/d", name, "/f")
        self.assertEqual(code, 0, output)
        self.prefix.stop_server()
        self.prefix.start_server()

    def test_predicates_and_facts_agree_with_wine_for_each_version(self):
        program = str(Path(ARGS.test_program).resolve())
        for name, version in VERSIONS[ARGS.arch]:
            with self.subTest(version=name):
                self.set_version(name)
                code, output = self.prefix.wine(program, f"--expect-version={version}")
                self.assertEqual(code, 0, output)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", choices=sorted(VERSIONS), required=True)
    parser.add_argument("--test-program", required=True)
    parser.add_argument("--work-dir", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
