#!/usr/bin/env python3
"""Checks the 32-bit program as built, without running it, against what Windows and the maker's
library need of it, and its resources against the 64-bit program's. Prints a line per check,
"FAIL" where one does not hold; exit status 0 only when all hold.

usage: check_programs.py WIN32_PROGRAM WIN64_PROGRAM
"""
import struct
import sys

# The maker's TAVRIKX.dll exports these plain names: a decorated one (OpenHidDevice@16) would find
# nothing to bind to and Windows would refuse to start the program.
LIBRARY_IMPORTS = ["CloseHidDevice", "OpenHidDevice", "WriteHidDevice"]
# System libraries that Windows XP already had; the program must start there.
XP_LIBRARIES = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
                "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
                "user32.dll", "version.dll", "winmm.dll", "ws2_32.dll"}
RESOURCE_TYPES = {3: "ICON", 4: "MENU", 5: "DIALOG", 9: "ACCELERATORS", 14: "GROUP_ICON",
                  16: "VERSION", 24: "MANIFEST"}
# Windows XP loads programs whose subsystem version is at most 5.1.
XP_SUBSYSTEM = (5, 1)
GUI_SUBSYSTEM = 2
I386 = 0x14C
DYNAMIC_BASE = 0x40  # ASLR
NX_COMPAT = 0x100  # DEP


class Image:
    """The parts of a PE file that the checks read."""

    def __init__(self, path):
        with open(path, "rb") as file:
            self.data = file.read()
        header = struct.unpack_from("<I", self.data, 0x3C)[0]
        self.machine, sections = struct.unpack_from("<HH", self.data, header + 4)
        optional_size = struct.unpack_from("<H", self.data, header + 20)[0]
        optional = header + 24
        magic = struct.unpack_from("<H", self.data, optional)[0]
        self.wide = magic == 0x20B
        self.subsystem_version = struct.unpack_from("<HH", self.data, optional + 48)
        self.subsystem, self.flags = struct.unpack_from("<HH", self.data, optional + 68)
        directories = optional + (112 if self.wide else 96)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", self.data, table + 40 * i + 8)
                         for i in range(sections)]

    def offset(self, rva):
        for size, address, raw_size, raw in self.sections:
            if address <= rva < address + max(size, raw_size):
                return raw + rva - address
        raise ValueError("address %#x is in no section" % rva)

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{library name in lower case: [imported names]}"""
        found = {}
        rva = self.directories[1][0]
        while rva:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if not name:
                break
            entry = self.offset(lookup or first)
            size, ordinal_bit = (8, 1 << 63) if self.wide else (4, 1 << 31)
            names = []
            while True:
                thunk = struct.unpack_from("<Q" if self.wide else "<I", self.data, entry)[0]
                if not thunk:
                    break
                names.append("#%d" % (thunk & 0xFFFF) if thunk & ordinal_bit
                             else self.text(thunk + 2))
                entry += size
            found[self.text(name).lower()] = sorted(names)
            rva += 20
        return found

    def resources(self):
        """{"TYPE NAME LANGUAGE": bytes}"""
        root = self.offset(self.directories[2][0])
        found = {}

        def walk(directory, path):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                if key & 1 << 31:
                    at = root + (key & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                elif not path:
                    key = RESOURCE_TYPES.get(key, key)
                if target & 1 << 31:
                    walk(root + (target & 0x7FFFFFFF), path + [str(key)])
                else:
                    rva, size = struct.unpack_from("<II", self.data, root + target)
                    start = self.offset(rva)
                    found[" ".join(path + [str(key)])] = self.data[start:start + size]

        walk(root, [])
        return found


def main(program32, program64):
    checks = []  # (holds, what)
    image = Image(program32)
    imports = image.imports()
    library = imports.pop("tavrikx.dll", [])
    checks.append((library == LIBRARY_IMPORTS,
                   "imports from TAVRIKX.dll: %s" % (" ".join(library) or "nothing")))
    others = sorted(imports)
    checks.append((set(others) <= XP_LIBRARIES,
                   "imports from system libraries that Windows XP had: %s" % " ".join(
                       name + ("" if name in XP_LIBRARIES else " (not XP's)") for name in others)))
    version = "%d.%d" % image.subsystem_version
    checks.append((image.machine == I386 and not image.wide,
                   "is a 32-bit x86 program (machine %#x)" % image.machine))
    checks.append((image.subsystem == GUI_SUBSYSTEM and image.subsystem_version <= XP_SUBSYSTEM,
                   "Windows GUI subsystem %d, version %s (XP loads 5.1 or below)"
                   % (image.subsystem, version)))
    relocations = image.directories[5][1]
    checks.append((image.flags & DYNAMIC_BASE and relocations > 0,
                   "ASLR: dynamic base %s, %d bytes of relocations"
                   % ("on" if image.flags & DYNAMIC_BASE else "off", relocations)))
    checks.append((bool(image.flags & NX_COMPAT),
                   "DEP: NX compatible %s" % ("on" if image.flags & NX_COMPAT else "off")))
    resources32 = image.resources()
    resources64 = Image(program64).resources()
    kinds = sorted({key.split()[0] for key in resources32})
    needed = ["ACCELERATORS", "DIALOG", "GROUP_ICON", "ICON", "MENU", "VERSION"]
    checks.append((all(kind in kinds for kind in needed),
                   "holds resources of the kinds %s" % " ".join(kinds)))
    differ = sorted(key for key in set(resources32) | set(resources64)
                    if resources32.get(key) != resources64.get(key))
    checks.append((not differ, "resources the same as the 64-bit program's%s" % "".join(
        "; %s %s" % (key, "differs" if key in resources32 and key in resources64 else
                     "only in the %s-bit program" % ("32" if key in resources32 else "64"))
        for key in differ)))
    for holds, what in checks:
        print("win32 program: %s%s" % ("" if holds else "FAIL ", what))
    return 0 if all(holds for holds, _ in checks) else 1


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[-1])
    sys.exit(main(sys.argv[1], sys.argv[2]))
