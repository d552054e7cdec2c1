"""Two releases of the same sources, built in different folders at different
times, give the same bytes; and what a release lays out."""

import argparse
import struct
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "pe"))
from pe_file import RT_VERSION, PeFile, version_strings  # noqa: E402
from release_build import copy_source, run_release, sha256, shipped_files  # noqa: E402

ARGS = None
VFT_APP = 1
VFT_DLL = 2


class TwoReleases(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        work = Path(ARGS.work_dir).resolve()
        # Paths of different lengths, one with a space: nothing of either may
        # reach the files.
        cls.sources = [copy_source(work / "first" / "src"),
                       copy_source(work / "second copy" / "deeper" / "kovlaunch-src")]
        cls.dists = []
        for index, (source, tz) in enumerate(zip(cls.sources, ("UTC", "Pacific/Chatham"))):
            if index:
                # Past the PE time stamp's one-second resolution, whatever
                # the build's speed.
                time.sleep(2)
            code, output = run_release(source, env={"TZ": tz})
            if code != 0:
                raise AssertionError(f"release.sh failed in {source}:\n{output}")
            cls.dists.append(source / "dist")

    def test_both_releases_hold_the_same_bytes(self):
        first, second = ({path.name: path for path in dist.iterdir()} for dist in self.dists)
        self.assertEqual(sorted(first), sorted(second))
        for name in sorted(first):
            print(f"{name}: {sha256(first[name])} {self.sources[0]}", file=sys.stderr)
            print(f"{name}: {sha256(second[name])} {self.sources[1]}", file=sys.stderr)
        different = [name for name in first
                     if first[name].read_bytes() != second[name].read_bytes()]
        self.assertEqual(different, [])

    def test_ships_the_launcher_and_its_library_as_built(self):
        build = self.sources[0] / "build" / "release"
        shipped = shipped_files(build)
        self.assertLessEqual({"kovlaunch.exe", "morvane.dll"}, set(shipped))
        dist = self.dists[0]
        self.assertEqual({path.name for path in dist.iterdir()},
                         set(shipped) | {"SHA256SUMS", "DEPLOY.txt"})
        for name, built in shipped.items():
            self.assertEqual((dist / name).read_bytes(), built.read_bytes(), name)

    def test_sums_cover_every_file(self):
        dist = self.dists[0]
        listed = {line.split()[1] for line in (dist / "SHA256SUMS").read_text().splitlines()}
        self.assertEqual(listed, {path.name for path in dist.iterdir()} - {"SHA256SUMS"})
        subprocess.run(["sha256sum", "--quiet", "-c", "SHA256SUMS"], cwd=dist, check=True)

    def test_says_plainly_that_it_is_unsigned(self):
        dist = self.dists[0]
        text = (dist / "DEPLOY.txt").read_text()
        self.assertIn("NOT SIGNED", text)
        self.assertNotIn("SIGNED:", text.replace("NOT SIGNED:", ""))
        for name in shipped_files(self.sources[0] / "build" / "release"):
            self.assertIn(name, text)
            self.assertIn(f"{sha256(dist / name)}  {name}", text)
            verify = subprocess.run(["osslsigncode", "verify", "-in", str(dist / name)],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            self.assertNotEqual(verify.returncode, 0, f"{name} claims a signature")

    def test_every_file_names_itself_and_the_product_version(self):
        numbers = [int(part) for part in ARGS.version.split(".")] + [0]
        for name in shipped_files(self.sources[0] / "build" / "release"):
            with self.subTest(name):
                versions = [leaf[-1] for leaf in PeFile(self.dists[0] / name).resources()
                            if leaf[0] == RT_VERSION]
                self.assertEqual(len(versions), 1)
                data = versions[0]
                fixed = data.find(struct.pack("<I", 0xFEEF04BD))
                (file_ms, file_ls, product_ms, product_ls, _, _, _, file_type, _,
                 date_ms, date_ls) = struct.unpack_from("<11I", data, fixed + 8)
                for ms, ls in ((file_ms, file_ls), (product_ms, product_ls)):
                    self.assertEqual([ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF], numbers)
                self.assertEqual(file_type, VFT_DLL if name.endswith(".dll") else VFT_APP)
                self.assertEqual((date_ms, date_ls), (0, 0))
                strings = version_strings(data)
                self.assertEqual(strings["OriginalFilename"], name)
                self.assertEqual(strings["InternalName"], name.rsplit(".", 1)[0])
                self.assertEqual(strings["ProductName"], "kovlaunch")
                self.assertEqual(strings["FileVersion"], ARGS.version)
                self.assertEqual(strings["ProductVersion"], ARGS.version)
                self.assertRegex(strings["LegalCopyright"], r"^Copyright \(C\) \d{4} ")
                self.assertTrue(strings["FileDescription"])


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--work-dir", required=True)
    parser.add_argument("--version", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
