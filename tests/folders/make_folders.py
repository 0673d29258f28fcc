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
  Setup XML/    cabinets as the Smartphone cabinet wizard builds them, with a
                setup XML (_setup.xml) instead of a CE setup file: a whole
                one, one whose Extract names a file it lacks, a malformed one,
                an entity bomb, and one beside a CE setup file's cabinet for
                older devices
  Damaged/      some 500 cabinets and Palm databases, each damaged in its own
                way (damaged.py), with cases.txt saying how

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


def cabinet(folder, cab_name, members, compress=False):
    """A cabinet of the given (name, bytes) members, made by gcab, stored or
    packed with MSZIP."""
    with tempfile.TemporaryDirectory() as work:
        paths = []
        for member, data in members:
            path = os.path.join(work, member)
            with open(path, "wb") as f:
                f.write(data)
            os.utime(path, (FIXED_TIME, FIXED_TIME))
            paths.append(path)
        target = os.path.join(folder, cab_name)
        subprocess.run(["gcab", "-c", "-n"] + (["-z"] if compress else []) + [target] + paths,
                       check=True)
        return target


def checksum(data, seed=0):
    """A cabinet data block's checksum: the XOR of its 32-bit words, the
    last bytes taken as one word most significant first."""
    whole = len(data) // 4 * 4
    value = seed
    for (word,) in struct.iter_unpack("<I", data[:whole]):
        value ^= word
    tail = 0
    for byte in data[whole:]:
        tail = (tail << 8) | byte
    return value ^ tail


def cabinet_set(folder, names, members, block=4096):
    """A set of stored cabinets, one per name, that gcab cannot make: the
    members' bytes in one folder of blocks of a few kilobytes, dealt out to
    the cabinets in turn so that files run on from one cabinet into the next.
    As the format has it, the block at each seam is split: its first part,
    which unpacks to nothing by itself, ends one cabinet, and the rest starts
    the next. Returns the cabinets' paths."""
    data = b"".join(m[1] for m in members)
    starts, at = [], 0
    for _, bytes_ in members:
        starts.append(at)
        at += len(bytes_)
    blocks = [data[i:i + block] for i in range(0, len(data), block)]
    per = len(blocks) // len(names)
    # Each cabinet's pieces: (bytes, what they unpack to), and its span.
    pieces, spans, carry = [], [], None
    for k in range(len(names)):
        own = blocks[k * per:(k + 1) * per] if k + 1 < len(names) else blocks[k * per:]
        mine = [carry] if carry else []
        mine += [(b, len(b)) for b in own[:-1]] if k + 1 < len(names) else [(b, len(b)) for b in own]
        if k + 1 < len(names):
            seam = own[-1]
            mine.append((seam[:len(seam) // 2], 0))
            carry = (seam[len(seam) // 2:], len(seam))
        pieces.append(mine)
        first = spans[-1][1] if spans else 0
        spans.append((first, first + sum(len(p) for p, _ in mine)))
    paths = []
    for k, name in enumerate(names):
        first, last = spans[k]
        prev, nxt = k > 0, k + 1 < len(names)
        entries, count = b"", 0
        for (member, bytes_), start in zip(members, starts):
            end = start + len(bytes_)
            if not (start < last and end > first):
                continue
            before, after = start < first, end > last
            index = 0xFFFF if before and after else 0xFFFD if before else 0xFFFE if after else 0
            entries += struct.pack("<IIHHHH", len(bytes_), start, index, 0x3C21, 0, 0x20)
            entries += member.encode() + b"\0"
            count += 1
        names_part = b""
        if prev:
            names_part += names[k - 1].encode() + b"\0Disk %d\0" % k
        if nxt:
            names_part += names[k + 1].encode() + b"\0Disk %d\0" % (k + 2)
        files_at = 36 + len(names_part) + 8
        data_at = files_at + len(entries)
        body = b""
        for piece, unpacked in pieces[k]:
            sizes = struct.pack("<HH", len(piece), unpacked)
            body += struct.pack("<I", checksum(sizes, checksum(piece))) + sizes + piece
        flags = (1 if prev else 0) | (2 if nxt else 0)
        header = struct.pack("<4sIIIIIBBHHHHH", b"MSCF", 0, data_at + len(body), 0, files_at, 0,
                             3, 1, 1, count, flags, 0x5151, k)
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(header + names_part + struct.pack("<IHH", data_at, len(pieces[k]), 0) +
                    entries + body)
        paths.append(path)
    return paths


def ce_description(component, description, cabs, code_page="cp1252"):
    text = ("[CEAppManager]\r\nVersion = 1.0\r\nComponent = %s\r\n\r\n[%s]\r\n"
            "Description = %s\r\nCabFiles = %s\r\n" % (component, component, description, cabs))
    return text.encode(code_page)


STRONGARM, MIPS = 0xA11, 4000  # processors, as CE setup files number them


def ce_setup(processor, least, most, app, provider, files, code_page="cp1252"):
    """A CE setup file (the cabinet's "*.000"): for a processor and Windows CE
    versions (major, minor; a most of (0, 0) sets no upper limit), with the
    application's and provider's names, and a FILES entry per (extension
    number, name to install)."""
    names = app.encode(code_page) + b"\0" + provider.encode(code_page) + b"\0"
    table = b"".join(struct.pack("<HHHIH", number, 1, 0, 0, len(name) + 1) + name.encode() + b"\0"
                     for number, name in files)
    files_at = 100 + len(names)
    app_length = len(app.encode(code_page)) + 1
    header = struct.pack("<4sIIII", b"MSCE", 0, files_at + len(table), 0, 1)
    header += struct.pack("<IIIIIII", processor, least[0], least[1], most[0], most[1], 0, 0)
    header += struct.pack("<6H", 0, 0, len(files), 0, 0, 0)
    header += struct.pack("<6I", 0, 0, files_at, 0, 0, 0)
    header += struct.pack("<8H", 100, app_length, 100 + app_length,
                          len(provider.encode(code_page)) + 1, 0, 0, 0, 0)
    return header + names + table


def ce_cabinet(folder, cab_name, app, processor=STRONGARM, least=(3, 0), most=(0, 0),
               title=None, provider="Quillmere", compress=False, code_page="cp1252"):
    """A Windows CE cabinet as the device's installer takes it: its setup
    file first, then the program it installs, each named by its number."""
    base = app.upper()[:8]
    setup = ce_setup(processor, least, most, title or app, provider, [(1, app + ".exe")],
                     code_page)
    return cabinet(folder, cab_name, [(base + ".000", setup),
                                      (base + ".001", b"MZ" + bytes(62) + app.encode() * 8)],
                   compress)


def setup_xml(app, files, install_dir=None):
    """A setup XML (the cabinet's "_setup.xml") as the Smartphone cabinet
    wizard writes one: Install naming the application, then FileOperation
    extracting each (file name to install, name in the cabinet) into the
    installation folder."""
    install_dir = install_dir or "%CE1%\\Quillmere\\" + app
    extracts = "".join(
        '      <characteristic type="%s" translation="install">\r\n'
        '        <characteristic type="Extract">\r\n'
        '          <parm name="Source" value="%s" />\r\n'
        '        </characteristic>\r\n'
        '      </characteristic>\r\n' % (name, source) for name, source in files)
    return ('<?xml version="1.0" encoding="utf-8"?>\r\n<wap-provisioningdoc>\r\n'
            '  <characteristic type="Install">\r\n'
            '    <parm name="InstallPhase" value="install" />\r\n'
            '    <parm name="AppName" value="%s" />\r\n'
            '    <parm name="InstallDir" value="%s" translation="install" />\r\n'
            '    <parm name="NumDirs" value="1" />\r\n'
            '    <parm name="NumFiles" value="%d" />\r\n'
            '    <parm name="NumRegKeys" value="0" />\r\n'
            '    <parm name="NumRegVals" value="0" />\r\n'
            '    <parm name="NumShortcuts" value="0" />\r\n'
            '  </characteristic>\r\n'
            '  <characteristic type="FileOperation">\r\n'
            '    <characteristic type="%%InstallDir%%" translation="install">\r\n'
            '      <characteristic type="MakeDir" />\r\n%s'
            '    </characteristic>\r\n'
            '  </characteristic>\r\n'
            '</wap-provisioningdoc>\r\n' % (app, install_dir, len(files), extracts)).encode("utf-8")


def entity_bomb():
    """A setup XML whose internal entities would expand to 10^9 "lol"s."""
    lines = ['<?xml version="1.0"?>', "<!DOCTYPE wap-provisioningdoc [", '  <!ENTITY lol0 "lol">']
    lines += ['  <!ENTITY lol%d "%s">' % (i, "&lol%d;" % (i - 1) * 10) for i in range(1, 10)]
    lines += ["]>", '<wap-provisioningdoc><characteristic type="Install">'
              '<parm name="AppName" value="&lol9;"/></characteristic></wap-provisioningdoc>', ""]
    return "\r\n".join(lines).encode("ascii")


def xml_cabinet(folder, cab_name, app, title=None, xml=None, lacking=0):
    """A cabinet as the Smartphone cabinet wizard builds it: its setup XML
    (naming the application title, or app) and the files it extracts, named
    in 8.3 form by their number; the last `lacking` of them are named in the
    XML but left out."""
    names = [app + ".exe", app + ".dat", app + ".hlp"]
    sources = ["%s~%d.%03d" % (app.upper()[:6], i, i) for i in range(1, len(names) + 1)]
    members = [("_setup.xml", xml or setup_xml(title or app, list(zip(names, sources))))]
    members += [(source, b"MZ" + bytes(62) + app.encode() * (i + 1))
                for i, source in enumerate(sources[:len(sources) - lacking])]
    return cabinet(folder, cab_name, members)


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def fresh(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def sample_cd(out):
    d = fresh(os.path.join(out, "Sample CD"))
    # One cabinet per processor; the device's installer takes the one for it.
    write(d, "Street Maps.ini", ce_description("Street Maps", "Street Maps for Windows CE",
                                               "StreetMaps.cab, StreetMapsMIPS.cab"))
    ce_cabinet(d, "StreetMaps.cab", "StreetMaps", title="Street Maps", compress=True)
    ce_cabinet(d, "StreetMapsMIPS.cab", "StreetMaps", MIPS, title="Street Maps")
    write(d, "Street Maps VGA.ini", ce_description("Street Maps VGA", "Street Maps (large screens)",
                                                   "StreetMapsVGA.cab"))
    ce_cabinet(d, "StreetMapsVGA.cab", "StreetMapsVGA", least=(4, 2), title="Street Maps VGA",
               compress=True)
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
    # A cabinet with neither a CE setup file nor a setup XML, as a desktop
    # tool packs one.
    cabinet(d, "Alpha.cab", [("Alpha.txt", b"Alpha Suite\r\n"), ("Alpha.exe", b"MZ" + bytes(62))])
    write(d, "Beta Tools.ini", b"Description = Beta\rTools\nDescription = Alpha Suite\n"
                               b"Description = Before\x1a\nDescription = After\n")
    write(d, "\xdcbersicht.ini".encode("latin-1").decode("latin-1"), b"; settings only\r\n")
    write(d, "Gamma.ini", b"\xff\xfe" + ce_description("Gamma", "Gamma", "Gamma.cab")
          .decode("cp1252").encode("utf-16-le"))
    write(d, "Delta.ini", ce_description("Delta", "Delta Tools", "Delta.cab"))
    whole = open(ce_cabinet(d, "Delta.cab", "Delta"), "rb").read()
    write(d, "Delta.cab", whole[:len(whole) // 2])
    # Two cabinets for one processor and overlapping versions, one of them
    # stale; a packed cabinet with a damaged byte; a setup file naming a
    # file its cabinet lacks.
    write(d, "Epsilon.ini", ce_description("Epsilon", "Epsilon Viewer",
                                           "Epsilon.cab, EpsilonOld.cab"))
    ce_cabinet(d, "Epsilon.cab", "Epsilon")
    ce_cabinet(d, "EpsilonOld.cab", "Epsilon", least=(4, 0), most=(5, 0), title="Epsilon 1")
    write(d, "Zeta.ini", ce_description("Zeta", "Zeta Notes", "Zeta.cab, ZetaMIPS.cab"))
    zeta = bytearray(open(ce_cabinet(d, "Zeta.cab", "Zeta", compress=True), "rb").read())
    zeta[-12] ^= 0x55
    write(d, "Zeta.cab", bytes(zeta))
    cabinet(d, "ZetaMIPS.cab", [("ZETA.000", ce_setup(MIPS, (3, 0), (0, 0), "Zeta", "Quillmere",
                                                       [(1, "Zeta.exe"), (2, "Zeta.dll")])),
                                ("ZETA.001", b"MZ" + bytes(62))])
    write(d, "Notes.pdb", database("Quillmere Notes", b"QMap", [b"A note\0"]))
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
    ce_cabinet(d, "地図.cab", "Chizu", title="地図ソフト", code_page="cp932")
    write(d, "表示設定.ini", ce_description("表示設定", "表示の設定", "表示.cab", "cp932"))
    ce_cabinet(d, "表示.cab", "Hyouji", title="表示の設定", code_page="cp932")
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


def setup_xml_cd(out):
    d = fresh(os.path.join(out, "Setup XML"))
    write(d, "Street Maps SP.ini", ce_description("Street Maps SP", "Street Maps for Smartphone",
                                                  "StreetMapsSP.cab"))
    xml_cabinet(d, "StreetMapsSP.cab", "StreetMaps", "Street Maps")
    write(d, "Routes SP.ini", ce_description("Routes SP", "Routes for Smartphone", "RoutesSP.cab"))
    xml_cabinet(d, "RoutesSP.cab", "Routes", lacking=1)
    write(d, "Places SP.ini", ce_description("Places SP", "Places for Smartphone", "PlacesSP.cab"))
    xml_cabinet(d, "PlacesSP.cab", "Places",
                xml=setup_xml("Places", [("Places.exe", "PLACES~1.001")]).replace(b"</characteristic>\r\n  <",
                                                                             b"</parm>\r\n  <", 1))
    write(d, "Notes SP.ini", ce_description("Notes SP", "Notes for Smartphone", "NotesSP.cab"))
    xml_cabinet(d, "NotesSP.cab", "Notes", xml=entity_bomb())
    # The CE setup file's cabinet for older devices, the setup XML's for
    # Windows Mobile 5.0 and later.
    write(d, "Street Maps WM.ini", ce_description("Street Maps WM", "Street Maps for Windows Mobile",
                                                  "StreetMapsPPC.cab, StreetMapsWM.cab"))
    ce_cabinet(d, "StreetMapsPPC.cab", "StreetMapsWM", title="Street Maps WM")
    xml_cabinet(d, "StreetMapsWM.cab", "StreetMapsWM", xml=setup_xml("Street Maps WM", [
        ("StreetMapsWM.exe", "STREET~1.001"), ("StreetMapsWM.dat", "STREET~2.002"),
        ("StreetMapsWM.hlp", "STREET~3.003")]))
    write(d, "Maps.prc", application("Quillmere Maps", b"QMap", b"Maps"))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    sample_cd(out)
    mistakes(out)
    japanese_cd(out)
    utf8_cd(out)
    setup_xml_cd(out)
    import damaged  # it builds on this module's writers
    damaged.write_folder(fresh(os.path.join(out, "Damaged")))


if __name__ == "__main__":
    main()
