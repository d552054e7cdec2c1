"""A small reader of 32-bit PE files: headers, imports, exports, resources."""

import struct

RT_VERSION = 16
RT_MANIFEST = 24


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError(f"{path}: no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        if self.magic != 0x10B:
            raise ValueError(f"{path}: not PE32 (magic {self.magic:#x})")
        self.entry_rva = struct.unpack_from("<I", d, opt + 16)[0]
        self.os_version = struct.unpack_from("<HH", d, opt + 40)
        self.subsystem_version = struct.unpack_from("<HH", d, opt + 48)
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        count = struct.unpack_from("<I", d, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", d, opt + 96 + 8 * i)
                            for i in range(count)]
        self.sections = []
        for i in range(sections):
            off = opt + optional_size + 40 * i
            name = d[off:off + 8].rstrip(b"\0").decode("ascii", "replace")
            vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<IIII", d, off + 8)
            self.sections.append((name, vaddr, max(vsize, raw_size), raw_ptr))

    def offset(self, rva):
        for _, vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def cstring(self, rva):
        off = self.offset(rva)
        return self.data[off:self.data.index(b"\0", off)].decode("ascii")

    def imports(self):
        """{dll name: [("name", text) or ("ordinal", number)]}"""
        rva, size = self.directories[1]
        result = {}
        if rva == 0:
            return result
        off = self.offset(rva)
        while True:
            lookup, _, _, name_rva, first_thunk = struct.unpack_from("<IIIII", self.data, off)
            if name_rva == 0:
                break
            entries = []
            thunk = self.offset(lookup or first_thunk)
            while True:
                value = struct.unpack_from("<I", self.data, thunk)[0]
                if value == 0:
                    break
                if value & 0x80000000:
                    entries.append(("ordinal", value & 0xFFFF))
                else:
                    entries.append(("name", self.cstring(value + 2)))
                thunk += 4
            result[self.cstring(name_rva)] = entries
            off += 20
        return result

    def exports(self):
        """(ordinals exported, names exported)"""
        rva, _ = self.directories[0]
        if rva == 0:
            return [], []
        off = self.offset(rva)
        (_, _, _, _, _, base, functions, names, functions_rva, names_rva,
         _) = struct.unpack_from("<IIHHIIIIIII", self.data, off)
        ordinals = []
        for i in range(functions):
            if struct.unpack_from("<I", self.data, self.offset(functions_rva) + 4 * i)[0]:
                ordinals.append(base + i)
        exported_names = [
            self.cstring(struct.unpack_from("<I", self.data, self.offset(names_rva) + 4 * i)[0])
            for i in range(names)]
        return ordinals, exported_names

    def resources(self):
        """[(type id, name id, language id, bytes)] for every resource leaf."""
        rva, _ = self.directories[2]
        if rva == 0:
            return []
        root = self.offset(rva)
        leaves = []

        def walk(directory, path):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                key = ident if not ident & 0x80000000 else f"name@{ident & 0x7FFFFFFF:#x}"
                if target & 0x80000000:
                    walk(root + (target & 0x7FFFFFFF), path + [key])
                else:
                    data_rva, size = struct.unpack_from("<II", self.data, root + target)
                    start = self.offset(data_rva)
                    leaves.append((*(path + [key]), self.data[start:start + size]))

        walk(root, [])
        return leaves


def version_strings(data):
    """{name: text} from the StringFileInfo tables of a VERSIONINFO resource."""
    strings = {}

    def align(offset):
        return (offset + 3) & ~3

    def block(offset, path):
        length, value_length, kind = struct.unpack_from("<HHH", data, offset)
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        position = align(key_end + 2)
        size = value_length * 2 if kind == 1 else value_length
        if len(path) == 3 and path[1] == "StringFileInfo":
            strings[key] = data[position:position + size].decode("utf-16-le").rstrip("\0")
            return
        position = align(position + size)
        while position < offset + length:
            child_length = struct.unpack_from("<H", data, position)[0]
            if child_length == 0:
                break
            block(position, path + [key])
            position = align(position + child_length)

    block(0, [])
    return strings
