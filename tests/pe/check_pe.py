"""Checks the built launcher and lookup libraries as Windows will load them."""

import argparse
import os
import re
import struct
import sys
import unittest

from pe_file import RT_MANIFEST, RT_VERSION, PeFile

IMAGE_FILE_MACHINE_I386 = 0x14C
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_DLL = 0x2000

# DLLs every Windows release carries; the launcher may need no others but its
# lookup library.
SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "shell32.dll", "user32.dll", "msvcrt.dll"}
# The launcher carries no C runtime: Windows 95 has no runtime DLL to rely on.
LAUNCHER_SYSTEM_DLLS = {"kernel32.dll", "advapi32.dll", "shell32.dll", "user32.dll"}
LAUNCHER_MAX_BYTES = 16 * 1024
RUN_TIME_LOOKUPS = {"RtlGetVersion", "RtlVerifyVersionInfo", "GetNativeSystemInfo",
                    "GetProductInfo"}

ARGS = None


class LauncherExecutable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = PeFile(ARGS.launcher)
        cls.imports = {dll.lower(): entries for dll, entries in cls.pe.imports().items()}

    def test_is_a_32_bit_gui_program(self):
        self.assertEqual(self.pe.machine, IMAGE_FILE_MACHINE_I386)
        self.assertEqual(self.pe.magic, 0x10B)
        self.assertEqual(self.pe.subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)
        self.assertFalse(self.pe.characteristics & IMAGE_FILE_DLL)

    def test_imports_the_lookup_library_by_ordinals_8_and_12_only(self):
        self.assertIn("morvane.dll", self.imports)
        self.assertEqual(sorted(self.imports["morvane.dll"]),
                         [("ordinal", 8), ("ordinal", 12)])

    def test_needs_only_system_dlls_besides_the_lookup_library(self):
        others = set(self.imports) - LAUNCHER_SYSTEM_DLLS - {"morvane.dll"}
        self.assertEqual(others, set(), "DLLs a bare Windows 95 does not have")

    def test_imports_no_c_runtime(self):
        runtime = {dll for dll in self.imports
                   if re.match(r"(msvcr|msvcp|ucrtbase|vcruntime|api-ms-win-crt|libstdc|libgcc)", dll)}
        self.assertEqual(runtime, set())

    def test_windows_95_and_nt_4_accept_the_image(self):
        self.assertEqual(self.pe.subsystem_version, (4, 0))
        self.assertEqual(self.pe.os_version, (4, 0))

    def test_stays_small(self):
        size = os.path.getsize(ARGS.launcher)
        self.assertLessEqual(size, LAUNCHER_MAX_BYTES,
                             f"kovlaunch.exe is {size} bytes")

    def test_looks_up_the_newer_system_calls_at_run_time(self):
        imported = {value for entries in self.imports.values()
                    for kind, value in entries if kind == "name"}
        self.assertEqual(imported & RUN_TIME_LOOKUPS, set())

    def test_exports_nothing(self):
        self.assertEqual(self.pe.exports(), ([], []))

    def test_carries_one_manifest_asking_for_administrator(self):
        manifests = [leaf for leaf in self.pe.resources() if leaf[0] == RT_MANIFEST]
        self.assertEqual(len(manifests), 1)
        text = manifests[0][-1].decode("utf-8")
        levels = re.findall(r"<requestedExecutionLevel\b[^>]*>", text)
        self.assertEqual(len(levels), 1)
        self.assertRegex(levels[0], r'level="requireAdministrator"')
        self.assertRegex(levels[0], r'uiAccess="false"')
        self.assertIn("<trustInfo", text)

    def test_carries_the_project_version(self):
        versions = [leaf for leaf in self.pe.resources() if leaf[0] == RT_VERSION]
        self.assertEqual(len(versions), 1)
        data = versions[0][-1]
        fixed = data.find(struct.pack("<I", 0xFEEF04BD))
        self.assertGreater(fixed, 0, "no VS_FIXEDFILEINFO")
        ms, ls = struct.unpack_from("<II", data, fixed + 8)
        numbers = [ms >> 16, ms & 0xFFFF, ls >> 16]
        self.assertEqual(".".join(map(str, numbers)), ARGS.version)
        self.assertIn(ARGS.version.encode("utf-16-le"), data)


class LookupLibraries(unittest.TestCase):
    def check(self, path):
        pe = PeFile(path)
        self.assertEqual(pe.machine, IMAGE_FILE_MACHINE_I386)
        self.assertTrue(pe.characteristics & IMAGE_FILE_DLL)
        ordinals, names = pe.exports()
        self.assertEqual(sorted(ordinals), [8, 12])
        self.assertEqual(names, [], "exported by ordinal only")
        dlls = {dll.lower() for dll in pe.imports()}
        self.assertEqual(dlls - SYSTEM_DLLS, set())

    def test_stand_in_exports_ordinals_only(self):
        self.check(ARGS.morvane)

    def test_answering_variant_exports_ordinals_only(self):
        self.check(ARGS.answering_morvane)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("launcher")
    parser.add_argument("morvane")
    parser.add_argument("answering_morvane")
    parser.add_argument("--version", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
