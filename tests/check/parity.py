#!/usr/bin/env python3
"""Holds setup-check's verdict on each damaged cabinet and Palm database of
the build's "Damaged" folder (tests/folders/damaged.py) against an
independent reader of the format:
`cabextract -t` for cabinets, the Perl Palm::PDB reader (with Palm::Raw) for
Palm databases. Wherever the independent reader fails, setup-check must
report an error on that file; wherever it reads the file, setup-check must
report none, but for the kinds listed in STRICTER, where setup-check refuses
what Windows refuses. Prints the counts by kind.

Usage: parity.py SETUP_CHECK DAMAGED_FOLDER
Exits 0 when every verdict agrees, 77 when an independent reader is missing.
"""
import json
import os
import shutil
import subprocess
import sys

# Kinds where setup-check errs though the independent reader does not, and
# why; wherever the reader fails, setup-check must fail too, these included.
STRICTER = {
    "bytes in front": "cabextract looks for a cabinet anywhere in a file, as a self-extracting "
                      "program carries one; Windows' reader and the device's take it from byte 0",
    "header version": "only cabinet version 1.3 is read; cabextract does not look at the version",
    "header size": "a stated size that does not cover the tables and data, or a file shorter "
                   "than stated, is an error; cabextract warns and reads on",
    "header file table": "the header's offset of the file table is where it must be; cabextract "
                         "reads the file table after the folder table whatever the offset says",
    "folder blocks": "the folder table may not name more data blocks than the file holds; "
                     "cabextract reads only the blocks its files need",
    "cut short": "a Palm database needs its whole 78-byte header; the Perl reader takes missing "
                 "header bytes as zeros",
}

DATA_ERRORS = ("cab-damaged",)
PALM_ERRORS = ("palm-invalid", "empty-file")


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    check, folder = sys.argv[1:]
    if not shutil.which("cabextract"):
        print("skipped: no cabextract")
        return 77
    if subprocess.run(["perl", "-MPalm::PDB", "-MPalm::Raw", "-e", "1"],
                      capture_output=True).returncode != 0:
        print("skipped: no Palm::PDB (Debian: libpalm-perl)")
        return 77
    with open(os.path.join(folder, "cases.txt")) as f:
        cases = [tuple(line.rstrip("\n").split("\t")) for line in f]

    run = subprocess.run([check, "--json", folder], capture_output=True, timeout=600)
    report = json.loads(run.stdout.decode("utf-8"))
    errs = {}
    for f in report["findings"]:
        if f["severity"] == "error" and f["code"] in DATA_ERRORS + PALM_ERRORS:
            errs.setdefault(f["file"], f["code"] + ": " + f["reason"])
    palm_files = [os.path.join(folder, c[0]) for c in cases if c[1] == "palm"]
    perl = ("use Palm::PDB; use Palm::Raw; Palm::PDB::RegisterPDBHandlers('Palm::Raw', ''); "
            "Palm::PDB::RegisterPRCHandlers('Palm::Raw', ''); for my $f (@ARGV) { "
            "my $p = Palm::PDB->new; "
            "eval { $p->Load($f) }; print(($@ ? 'bad' : 'ok'), \"\\n\") }")
    palm_ok = subprocess.run(["perl", "-e", perl] + palm_files, capture_output=True,
                             text=True).stdout.split()

    counts, failures = {}, []
    palm_index = 0
    for name, fmt, base, kind in cases:
        if fmt == "cabinet":
            reader_ok = subprocess.run(["cabextract", "-t", os.path.join(folder, name)],
                                       capture_output=True).returncode == 0
        else:
            reader_ok = palm_ok[palm_index] == "ok"
            palm_index += 1
        # A set's error may be on its second cabinet.
        check_ok = name not in errs and name.replace(".cab", "-2.cab") not in errs
        key = (fmt, kind)
        c = counts.setdefault(key, [0, 0, 0, 0])  # cases, reader rejects, check errs, agree
        c[0] += 1
        c[1] += not reader_ok
        c[2] += not check_ok
        agree = reader_ok == check_ok or (kind in STRICTER and not check_ok)
        c[3] += agree
        if not agree:
            failures.append("%s (%s %s, %s): %s reads it, setup-check %s" % (
                name, base, fmt, kind, "the reader" if reader_ok else "nobody",
                errs.get(name, "gives no error")))
    print("%-10s %-34s %6s %8s %8s %6s" % ("format", "damage", "cases", "reader", "check", "agree"))
    for (fmt, kind), (n, bad, err, agree) in sorted(counts.items()):
        print("%-10s %-34s %6d %8d %8d %6d" % (fmt, kind, n, bad, err, agree))
    total = [sum(c[i] for c in counts.values()) for i in range(4)]
    print("%-45s %6d %8d %8d %6d" % ("all", *total))
    for kind, why in STRICTER.items():
        print("stricter by design: %s: %s" % (kind, why))
    for line in failures:
        print("DISAGREES: " + line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
