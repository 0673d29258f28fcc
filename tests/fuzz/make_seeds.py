#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into tests/fuzz/seeds/<target>/.

version_block/setup-exe.bin is the version resource (type 16) of
build/win32/setup.exe when that has been built; otherwise a resource of the
same shape is made here. Usage: python3 tests/fuzz/make_seeds.py
"""
import os
import struct
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))


def write(target, name, data):
    folder = os.path.join(HERE, "seeds", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- description_reader: description files; their lines double as file names
write("description_reader", "crlf.ini",
      b"[CEAppManager]\r\nVersion = 1.0\r\nComponent = Maps\r\n"
      b"Description = Street Maps for Windows CE\r\n"
      b"Description = Street Maps (large screens)  \r\nCabFiles = maps.cab\r\n")
# The first line is exactly one 255-byte piece, so the next piece starts a row.
write("description_reader", "long-line.ini",
      b"Description=" + b"x" * 243 + b"Description=Second piece\r\n"
      b"Description=" + b"y" * 600 + b"\r\nDescription=After the long line\r\n")
write("description_reader", "ctrl-z.ini",
      b"Description=Before the end\r\n\x1aDescription=After Ctrl-Z\r\n")
write("description_reader", "stop.ini",
      b"  description\t=\tLower-case key, tabs\n"
      b"Description=one\rDescription=lone CR\r\n"
      b"DescriptionText=ends the file\r\nDescription=never read\r\n")
write("description_reader", "names.txt",
      b"Alpha.ini\r\nMaps.prc\r\nMAPS~1.PRC\r\nnotes.prcx\r\nQM_Streets.pdb\r\nqm_.pdb\r\n"
      b"QM_x.pdbx\r\n#Folder.prc\r\n!Refused.prc\r\n.prc\r\nReadme.txt\r\n"
      b"Description=Listed beside the names\r\n")


# --- palm_template: flags, reported length, then the buffer's bytes
def palm(name, flags, length, text):
    write("palm_template", name, struct.pack("<BH", flags, length) + text)


palm("quoted", 0x34, 0, b'"C:\\Program Files\\Palm\\Instapp.exe" "%1"\0')
palm("unquoted", 0x14, 0, b"C:\\PALM\\INSTAPP.EXE %1\0")
palm("switches", 0x24, 0, b'C:\\PALM\\INSTAPP.EXE  -q  "%1"\0garbage')
palm("unclosed", 0x14, 0, b'"C:\\Palm\\Inst app.exe %1\0')
palm("zero-length", 0x10, 0, b"C:\\PALM\\" + b"A" * 1100)
palm("full-buffer", 0x10, 1024, b"B" * 1100)
palm("failed-query", 0x12, 30, b"C:\\PALM\\INSTAPP.EXE %1\0")
palm("launch-fails", 0x1C, 0, b"C:\\PALM\\INSTAPP.EXE\0")
palm("ce-more-data", 0x50, 300, b"C:\\Program Files\\Sync\\CEAppMgr.exe\0")


# --- version_block: VS_VERSIONINFO resources
def node(key, value=b"", children=(), text=False):
    body = struct.pack("<HHH", 0, 0, 1 if text else 0) + (key + "\0").encode("utf-16-le")
    body += b"\0" * (-len(body) % 4)
    if text:
        encoded = value.encode("utf-16-le") if isinstance(value, str) else value
        value_length = len(encoded) // 2
    else:
        encoded = value
        value_length = len(encoded)
    body += encoded
    for child in children:
        body += b"\0" * (-len(body) % 4) + child
    return struct.pack("<HH", len(body), value_length) + body[4:]


def fixed(major, minor):
    ms, ls = major << 16 | minor, 0
    return struct.pack("<13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0x40004, 1, 0, 0, 0)


def resource(strings, fixed_info=fixed(1, 1)):
    table = node("040904b0", children=[node(k, v, text=True) for k, v in strings])
    return node("VS_VERSION_INFO", fixed_info, [
        node("StringFileInfo", children=[table]),
        node("VarFileInfo", children=[node("Translation", struct.pack("<HH", 0x409, 1200))]),
    ])


def pe_resource(path, type_id=16):
    """The first resource of type_id in a PE file, or None."""
    with open(path, "rb") as f:
        pe = f.read()
    header = struct.unpack_from("<I", pe, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", pe, header + 6)
    optional = header + 24
    magic = struct.unpack_from("<H", pe, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    rsrc_rva = struct.unpack_from("<I", pe, directories + 2 * 8)[0]

    def offset(rva):
        table = optional + optional_size
        for i in range(sections):
            vsize, va, _, raw = struct.unpack_from("<IIII", pe, table + 40 * i + 8)
            if va <= rva < va + max(vsize, 1):
                return raw + rva - va
        raise ValueError("RVA outside the sections")

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<HH", pe, base + at + 12)
        for i in range(named + ids):
            yield struct.unpack_from("<II", pe, base + at + 16 + 8 * i)

    def first_leaf(at):
        for _, target in entries(at):
            return first_leaf(target & 0x7FFFFFFF) if target & 0x80000000 else target

    for name, target in entries(0):
        if name == type_id and target & 0x80000000:
            rva, size = struct.unpack_from("<II", pe, base + first_leaf(target & 0x7FFFFFFF))
            return pe[offset(rva):offset(rva) + size]
    return None


REAL_STRINGS = [
    ("Comments", "\0"), ("CompanyName", "Quillmere Software\0"),
    ("FileDescription", "Application used to install Quillmere Application and Databases/Products\0"),
    ("FileVersion", "1, 1, 0, 0\0"), ("InternalName", "Quillmere Installer\0"),
    ("LegalCopyright", "Copyright (C) 2026 Quillmere Software\0"), ("LegalTrademarks", "\0"),
    ("OriginalFilename", "setup.exe\0"), ("PrivateBuild", "\0"),
    ("ProductName", "Quillmere Installer\0"), ("ProductVersion", "1, 1, 0, 0\0"),
    ("SpecialBuild", "\0"),
]
exe = os.path.join(ROOT, "build", "win32", "setup.exe")
real = pe_resource(exe) if os.path.exists(exe) else None
write("version_block", "setup-exe.bin", real or resource(REAL_STRINGS))
write("version_block", "fixed-only.bin", node("VS_VERSION_INFO", fixed(2, 7)))
write("version_block", "odd-texts.bin", resource([
    ("ProductVersion", "9, 8, 7, 6 " + "z" * 300 + "\0"),
    ("CompanyName", "No terminator"),
    ("FileVersion", "\u3042, \u00e9, 1\0"),
    ("ProductName", b"\x82\x00\x2c\x00\x20\x00\x41\x00\x00\x00"),
]))
write("version_block", "short-fixed.bin", resource(REAL_STRINGS[:2], fixed(1, 0)[:48]))


# --- palm_database, cabinet_header, cabinet_library, ce_setup_file,
# ce_description: the sample folders' files (the first input byte of
# palm_database says how the file's size differs)
sys.path.insert(0, os.path.join(ROOT, "tests", "folders"))
import make_folders  # noqa: E402

write("palm_database", "application.prc",
      b"\0" + make_folders.application("Quillmere Maps", b"QMap", b"Maps"))
write("palm_database", "database.pdb",
      b"\0" + make_folders.database("Quillmere Streets", b"QMap", [b"Main Street\0", b"Road\0"]))
write("palm_database", "grown.pdb", b"\x90" + make_folders.database("Grown", b"QMap", [b"x\0"]))
with tempfile.TemporaryDirectory() as work:
    stored = open(make_folders.ce_cabinet(work, "maps.cab", "Maps"), "rb").read()
    packed = open(make_folders.ce_cabinet(work, "mips.cab", "Maps", make_folders.MIPS,
                                          compress=True), "rb").read()
write("cabinet_header", "stored.cab", stored)
write("cabinet_header", "mszip.cab", packed)
# A set's middle cabinet with a reserved area, as a signed one has.
write("cabinet_header", "set.cab", b"MSCF" + struct.pack("<IIIII", 0, 90, 0, 0, 0) +
      bytes([3, 1]) + struct.pack("<HHHHH", 1, 1, 7, 0x1234, 1) + struct.pack("<HBB", 4, 0, 0) +
      b"sign" + b"a.cab\0Disk 1\0c.cab\0Disk 3\0")
# The first byte: below 128 one cabinet, else where the input splits in two.
write("cabinet_library", "stored.cab", b"\0" + stored)
write("cabinet_library", "mszip.cab", b"\0" + packed)
write("cabinet_library", "pair.cab", b"\xc0" + stored + packed)
write("ce_setup_file", "strongarm.000",
      make_folders.ce_setup(make_folders.STRONGARM, (3, 0), (0, 0), "Maps", "Quillmere",
                            [(1, "Maps.exe"), (2, "Maps.dll")]))
write("ce_setup_file", "mips.000",
      make_folders.ce_setup(make_folders.MIPS, (4, 0), (5, 2), "Maps", "", []))
write("ce_description", "sample.ini", make_folders.ce_description("Maps", "Street Maps", "a.cab, b.cab"))
write("ce_description", "two-sections.ini",
      b"\xef\xbb\xbf[CEAppManager]\nComponent = \"Maps\"\n;c\n[Maps] x\nDescription=a\n[Routes]\n"
      b"Description = 'b'\nCabFiles=\n[]\n[unclosed\n")
write("ce_description", "utf16.ini", b"\xff\xfe" + "[CEAppManager]\r\nDescription=x\r\n".encode("utf-16-le"))
write("setup_xml", "whole.xml", make_folders.setup_xml("Street Maps", [("Maps.exe", "MAPS~1.001"),
                                                                        ("Maps.dat", "MAPS~2.002")]))
write("setup_xml", "bomb.xml", make_folders.entity_bomb())
