"""Damaged copies of real cabinets and Palm databases, made systematically:
each field of each table set to values around its own, cuts at many points,
flipped data bytes. make_folders.py writes them as the build's "Damaged"
folder, each cabinet with a description file listing it, and a list of what
was done to each file in cases.txt; tests/check/parity.py holds
setup-check's verdicts against independent readers of the formats.
"""
import os
import struct
import tempfile

import make_folders


def base_cabinets():
    big = bytes((i * 7919 + i // 97) % 251 for i in range(90000))
    bases = {}
    for name, compress, payload in (("stored", False, b"MZ" + bytes(62) * 40),
                                    ("mszip", True, b"MZ" + big),
                                    ("blocks", False, big)):
        setup = make_folders.ce_setup(make_folders.STRONGARM, (3, 0), (0, 0), "App", "Vendor",
                                      [(1, "App.exe")])
        with tempfile.TemporaryDirectory() as work:
            path = make_folders.cabinet(work, name + ".cab", [("APP.000", setup),
                                                              ("APP.001", payload)], compress)
            bases[name] = open(path, "rb").read()
    return bases


def layout(cab):
    """Offsets of the fields a damage may hit."""
    files_at, = struct.unpack_from("<I", cab, 16)
    folders, files, flags = struct.unpack_from("<HHH", cab, 26)
    folder_at = 36 + (4 + struct.unpack_from("<H", cab, 36)[0] if flags & 4 else 0)
    data_at, blocks = struct.unpack_from("<IH", cab, folder_at)
    block_at, ends = data_at, []
    for _ in range(blocks):
        packed, = struct.unpack_from("<H", cab, block_at + 4)
        ends.append((block_at, block_at + 8 + packed))
        block_at += 8 + packed
    entries, at = [], files_at
    for _ in range(files):
        entries.append(at)
        at = cab.index(b"\0", at + 16) + 1
    return folder_at, entries, ends


def put(cab, at, fmt, value):
    out = bytearray(cab)
    struct.pack_into(fmt, out, at, value & ((1 << (8 * struct.calcsize(fmt))) - 1))
    return bytes(out)


def cabinet_variants(bases):
    for base_name, cab in bases.items():
        folder_at, entries, blocks = layout(cab)
        yield base_name, "whole", cab
        for n in range(1, 16):
            yield base_name, "cut short", cab[:len(cab) * n // 16]
        for at in (36, folder_at + 8, entries[0] + 5, blocks[0][0] + 4, blocks[-1][1] - 1):
            yield base_name, "cut short", cab[:at]
        fields = [(8, "<I", "header size"), (16, "<I", "header file table"),
                  (24, "<B", "header version"), (25, "<B", "header version"),
                  (26, "<H", "header folders"), (28, "<H", "header files"),
                  (30, "<H", "header flags"),
                  (folder_at, "<I", "folder data offset"), (folder_at + 4, "<H", "folder blocks"),
                  (folder_at + 6, "<H", "folder compression")]
        for e in entries:
            fields += [(e, "<I", "file size"), (e + 4, "<I", "file offset"),
                       (e + 8, "<H", "file folder")]
        for start, _ in (blocks[0], blocks[-1]):
            fields += [(start, "<I", "block checksum"), (start + 4, "<H", "block packed size"),
                       (start + 6, "<H", "block unpacked size")]
        for at, fmt, kind in fields:
            value, = struct.unpack_from(fmt, cab, at)
            for new in {0, 1, 36, value + 1, value - 1, value * 2 + 1, 0xFFFF, 0x7FFFFFFF}:
                if new != value and 0 <= new < (1 << (8 * struct.calcsize(fmt))):
                    yield base_name, kind, put(cab, at, fmt, new)
        data = [at for start, end in blocks
                for at in range(start + 8, end, max(1, (end - start) // 5))]
        for at in data:
            out = bytearray(cab)
            out[at] ^= 0x20
            yield base_name, "data byte", bytes(out)
        yield base_name, "reserve flag without area", put(cab, 30, "<H", 4)
        yield base_name, "bytes in front", b"PK\3\4 junk" + cab


def palm_variants():
    app = make_folders.application("App", b"QApp", b"App")
    db = make_folders.database("Db", b"QApp", [b"one\0", b"two\0"])
    for base_name, file, entry, offset_at in (("application", app, 10, 6), ("database", db, 8, 0)):
        count, = struct.unpack_from(">H", file, 76)
        list_end = 78 + entry * count
        first, = struct.unpack_from(">I", file, 78 + offset_at)
        yield base_name, "whole", file
        for n in range(1, 8):
            yield base_name, "cut short", file[:len(file) * n // 8]
        places = {"inside the header": 40, "inside the record list": 80,
                  "at the record list's end": list_end, "at the first record": first,
                  "after the first record": first + 1, "at the end": len(file),
                  "past the end": len(file) + 10}
        for block, at in (("app-info", 0x34), ("sort-info", 0x38)):
            for where, value in places.items():
                yield base_name, block + " " + where, put(file, at, ">I", value)
        # Both blocks present, in and out of order.
        both = put(put(file, 0x34, ">I", list_end), 0x38, ">I", list_end + 1)
        yield base_name, "app-info and sort-info in order", both
        yield base_name, "sort-info before app-info", put(put(file, 0x34, ">I", list_end + 1),
                                                          0x38, ">I", list_end)
        for where, value in (("inside the header", 40), ("past the end", len(file) + 1)):
            yield base_name, "first record " + where, put(file, 78 + offset_at, ">I", value)
        yield base_name, "one more record", put(file, 76, ">H", count + 1)


def named(file, n):
    """The database's own name made unique, so no two variants share it."""
    return (b"V%05d" % n).ljust(32, b"\0") + file[32:] if len(file) >= 32 else file


def set_variants(first, second):
    """A set of two cabinets, whole and with damage in the second: each
    yields the kind and the two cabinets' bytes."""
    with tempfile.TemporaryDirectory() as work:
        setup = make_folders.ce_setup(make_folders.STRONGARM, (3, 0), (0, 0), "App", "Vendor",
                                      [(1, "App.exe")])
        paths = make_folders.cabinet_set(work, [first, second], [
            ("APP.000", setup), ("APP.001", bytes(range(256)) * 40), ("APP.002", b"x" * 5000)])
        one, two = (open(p, "rb").read() for p in paths)
    yield "set whole", one, two
    for at in range(100, len(two), len(two) // 6):
        damaged = bytearray(two)
        damaged[at] ^= 0x20
        yield "set, second cabinet's bytes", one, bytes(damaged)
    yield "set, second cabinet cut short", one, two[:len(two) // 2]
    yield "set, second cabinet missing", one, None


def write_folder(path):
    """The folder and its cases.txt: file, format, base, kind per line."""
    cases = []
    for i, (base, kind, cab) in enumerate(cabinet_variants(base_cabinets())):
        name = "c%04d.cab" % i
        with open(os.path.join(path, name), "wb") as f:
            f.write(cab)
        with open(os.path.join(path, "c%04d.ini" % i), "wb") as f:
            f.write(make_folders.ce_description("C%d" % i, "C%d" % i, name))
        cases.append((name, "cabinet", base, kind))
    # The cabinets of a set name each other, so each set is made under its
    # own names.
    count = sum(1 for _ in set_variants("a.cab", "b.cab"))
    for i in range(count):
        names = ("s%04d.cab" % i, "s%04d-2.cab" % i)
        kind, one, two = list(set_variants(*names))[i]
        for name, data in zip(names, (one, two)):
            if data is not None:
                with open(os.path.join(path, name), "wb") as f:
                    f.write(data)
        with open(os.path.join(path, "s%04d.ini" % i), "wb") as f:
            f.write(make_folders.ce_description("S%d" % i, "S%d" % i, names[0]))
        cases.append((names[0], "cabinet", "set", kind))
    for i, (base, kind, file) in enumerate(palm_variants()):
        name = "QM_p%04d.pdb" % i
        with open(os.path.join(path, name), "wb") as f:
            f.write(named(file, i))
        cases.append((name, "palm", base, kind))
    with open(os.path.join(path, "cases.txt"), "w") as f:
        f.writelines("\t".join(c) + "\n" for c in cases)
