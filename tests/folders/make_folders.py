#!/usr/bin/env python3
"""Writes the setup folders the demo, the folder check's tests and the guide
use, with real cabinets (made by gcab) and real Palm databases:

  Sample CD/    what a vendor should ship: one application per description
                file, each with its cabinet; two Palm applications and two
                databases of theirs; a read-me and a decoy (notes.prcx)
  Mistakes/     one of each mistake the folder check knows, in code page 1252
  Japanese CD/  names and descriptions in code page 932, one mistake
  UTF-8 CD/     Cyrillic and Japanese names and descriptions in UTF-8, for
                the end user whose ANSI code page is 65001; no mistake

Usage: make_folders.py OUTPUT_DIR. Names are UTF-8 on disk, as Wine and Linux
tools write them; texts inside the files are in the folder's code page.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile

FIXED_TIME = 1262304000  # 2010-01-01, so that the cabinets are the same bytes each time
PALM_TIME = FIXED_TIME + 2082844800  # the same moment in seconds since 1904


def palm_database(name, type_, creator, entries, resource, version=1):
    """A Palm database: entries are (type, id, data) of a resource database
    or data of a record database."""
    entry_size = 10 if resource else 8
    offset = 78 + entry_size * len(entries) + 2  # the customary two bytes of gap
    listing, body = b"", b""
    for i, entry in enumerate(entries):
        if resource:
            rtype, rid, data = entry
            listing += struct.pack(">4sHI", rtype, rid, offset)
        else:
            data = entry
            listing += struct.pack(">IB3s", offset, 0x40, (0x6F0000 + i).to_bytes(3, "big"))
        body += data
        offset += len(data)
    header = struct.pack(">32sHHIIIIII4s4sIIH", name.encode("latin-1").ljust(32, b"\0"),
                         0x0001 if resource else 0x0008, version, PALM_TIME, PALM_TIME, 0, 0,
                         0, 0, type_, creator, 0x6F0000 + len(entries), 0, len(entries))
    return header + listing + b"\0\0" + body


def application(name, creator, title):
    code = bytes(range(0x40, 0x80)) * 2
    return palm_database(name, b"appl", creator, [
        (b"code", 0, b"\0\0\0\x28\0\0\0\0"), (b"code", 1, code), (b"data", 0, b"\0" * 24),
        (b"pref", 0, b"\0\x1e\0\0\x10\0\0\0\x10\0"), (b"tAIN", 1000, title + b"\0"),
        (b"tver", 1, b"1.1\0")], resource=True)


def database(name, creator, records):
    return palm_database(name, b"Data", creator, records, resource=False)


def cabinet(folder, cab_name, members):
    """A cabinet of the given (name, bytes) members, made by gcab."""
    with tempfile.TemporaryDirectory() as work:
        paths = []
        for member, data in members:
            path = os.path.join(work, member)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (FIXED_TIME, FIXED_TIME))
            paths.append(path)
        target = os.path.join(folder, cab_name)
        subprocess.run(["gcab", "-c", "-n", target] + paths, check=True)
        return target


def ce_description(component, description, cabs, code_page="cp1252"):
    text = ("[CEAppManager]\r\nVersion = 1.0\r\nComponent = %s\r\n\r\n[%s]\r\n"
            "Description = %s\r\nCabFiles = %s\r\n" % (component, component, description, cabs))
    return text.encode(code_page)


def ce_cabinet(folder, cab_name, app):
    return cabinet(folder, cab_name, [
        ("_setup.xml", b'<wap-provisioningdoc><characteristic type="Install"/>'
                       b'</wap-provisioningdoc>\r\n'),
        (app + ".exe", b"MZ" + bytes(62) + app.encode() * 8)])


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def sample_cd(out):
    d = fresh(os.path.join(out, "Sample CD"))
    write(d, "Street Maps.ini", ce_description("Street Maps", "Street Maps for Windows CE",
                                               "StreetMaps.cab"))
    ce_cabinet(d, "StreetMaps.cab", "StreetMaps")
    write(d, "Street Maps VGA.ini", ce_description("Street Maps VGA", "Street Maps (large screens)",
                                                   "StreetMapsVGA.cab"))
    ce_cabinet(d, "StreetMapsVGA.cab", "StreetMapsVGA")
    write(d, "Maps.prc", application("Quillmere Maps", b"QMap", b"Maps"))
    write(d, "Routes.prc", application("Quillmere Routes", b"QRte", b"Routes"))
    write(d, "QM_Streets.pdb", database("Quillmere Streets", b"QMap",
                                        [b"Main Street\0", b"Harbour Road\0"]))
    write(d, "QM_Places.pdb", database("Quillmere Places", b"QRte", [b"Town Hall\0"]))
    write(d, "readme.txt", b"Run setup.exe to install the handheld software.\r\n")
    write(d, "notes.prcx", b"not a component")


def mistakes(out):
    d = fresh(os.path.join(out, "Mistakes"))
    write(d, "Alpha.ini", (
        b"[CEAppManager]\r\nVersion = 1.0\r\nComponent = Alpha\r\n[Alpha]\r\n"
        b"Description = Alpha Suite\r\nCabFiles = Alpha.cab, Missing.cab\r\n"
        b"[Extra]\r\nDescription = Gr\xf6\xdfe \xdcbersicht\r\n"
        b"Description = " + b"x" * 300 + b"\r\n"
        b"Description\r\nDescription = Never read\r\n"))
    ce_cabinet(d, "Alpha.cab", "Alpha")
    write(d, "Beta Tools.ini", b"Description = Beta\rTools\nDescription = Alpha Suite\n"
                               b"Description = Before\x1a\nDescription = After\n")
    write(d, "\xdcbersicht.ini".encode("latin-1").decode("latin-1"), b"; settings only\r\n")
    write(d, "Gamma.ini", b"\xff\xfe" + ce_description("Gamma", "Gamma", "Gamma.cab")
          .decode("cp1252").encode("utf-16-le"))
    write(d, "Delta.ini", ce_description("Delta", "Delta Tools", "Delta.cab"))
    whole = open(ce_cabinet(d, "Delta.cab", "Delta"), "rb").read()
    write(d, "Delta.cab", whole[:len(whole) // 2])
    write(d, "Kart\xe9.prc", application("Quillmere Maps", b"QMap", b"Maps"))
    write(d, "QM_Stra\xdfe.pdb", database("Quillmere Maps", b"QMap", [b"Main Street\0"]))
    write(d, "qm_lower.PDB", database("Lower", b"Lowr", [b"x\0"]))
    write(d, "Empty.prc", b"")
    write(d, "Tiny.prc", application("Tiny", b"Tiny", b"Tiny")[:40])
    write(d, "Record.prc", database("Record", b"QMap", [b"y\0"]))
    write(d, "Route Planner.prc", application("Route Planner", b"QRte", b"Routes"))
    write(d, "notes.prcx", b"x")
    write(d, "QM_old.pdbx", b"x")
    write(d, "old.inib", b"Description = Old\r\n")
    os.makedirs(os.path.join(d, "x.prc"))


def japanese_cd(out):
    d = fresh(os.path.join(out, "Japanese CD"))
    # 表 and ソ end in the byte 0x5C, a backslash, in code page 932.
    write(d, "地図.ini", ce_description("地図", "地図ソフト", "地図.cab", "cp932"))
    ce_cabinet(d, "地図.cab", "Chizu")
    write(d, "表示設定.ini", ce_description("表示設定", "表示の設定", "表示.cab", "cp932"))
    ce_cabinet(d, "表示.cab", "Hyouji")
    write(d, "ソフト.ini", ce_description("ソフト", "ソフト一式", "無い.cab", "cp932"))
    write(d, "予定表.prc", application("Yoteihyou", b"QYot", b"Yotei"))
    write(d, "QM_住所.pdb", database("Juusho", b"QYot", [b"Tokyo\0"]))


def utf8_cd(out):
    d = fresh(os.path.join(out, "UTF-8 CD"))
    write(d, "Карты.ini", ce_description("Карты", "Карты для Windows CE", "Карты.cab", "utf-8"))
    ce_cabinet(d, "Карты.cab", "Karty")
    write(d, "地図.ini", ce_description("地図", "地図ソフト 2.0", "地図.cab", "utf-8"))
    ce_cabinet(d, "地図.cab", "Chizu")
    write(d, "Справочник.prc", application("Spravochnik", b"QSpr", b"Sprav"))
    write(d, "QM_住所.pdb", database("Juusho", b"QSpr", [b"Tokyo\0"]))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    sample_cd(out)
    mistakes(out)
    japanese_cd(out)
    utf8_cd(out)


if __name__ == "__main__":
    main()
