#!/usr/bin/env python3
"""Compares setup-check.exe's reports under Wine (saved by the cross-check)
with the native setup-check's on the same folders: the same rows, with the
same cabinets and devices, and the same findings. Rows within a kind may come in another order (Wine lists a
folder in its own order, the native check in that of a CD), and so may which
of two equal rows or database names is called the second.

Usage: compare-native.py NATIVE_SETUP_CHECK FOLDERS_DIR REPORTS_DIR CODE_PAGE FOLDER...
Prints one line per folder; exits 0 only when every folder agrees.
"""
import json
import os
import subprocess
import sys

ORDER_DEPENDENT = {"duplicate-row", "palm-duplicate-name"}


def rows(report):
    # With the devices of each cabinet, from whichever setup file it holds.
    return sorted((r["text"], r["file"], r.get("line", 0),
                   json.dumps(r.get("cabinets", []), sort_keys=True)) for r in report["rows"])


def findings(report):
    out = []
    for f in report["findings"]:
        where = "" if f["code"] in ORDER_DEPENDENT else f["file"]
        out.append((f["severity"], f["code"], where))
    return sorted(out)


def main():
    if len(sys.argv) < 6:
        sys.exit(__doc__)
    native, folders, reports, code_page = sys.argv[1:5]
    failed = 0
    for folder in sys.argv[5:]:
        saved = os.path.join(reports, folder + ".json")
        if not os.path.exists(saved):
            print("%s: no report of setup-check.exe in %s" % (folder, reports))
            failed += 1
            continue
        with open(saved, encoding="utf-8") as f:
            wine = json.load(f)
        run = subprocess.run([native, "--json", "--codepage", code_page,
                              os.path.join(folders, folder)], capture_output=True, timeout=120)
        if run.returncode not in (0, 1):
            print("%s: the native setup-check failed (%d): %s" % (folder, run.returncode,
                                                                 run.stderr.decode(errors="replace")))
            failed += 1
            continue
        mine = json.loads(run.stdout.decode("utf-8"))
        problems = []
        for what, pick in (("rows", rows), ("findings", findings)):
            a, b = pick(wine), pick(mine)
            if a != b:
                problems.append("%s differ:\n  only under Wine: %s\n  only native: %s" % (
                    what, [x for x in a if x not in b], [x for x in b if x not in a]))
        if wine["errors"] != mine["errors"] or wine["warnings"] != mine["warnings"]:
            problems.append("counts differ: %d/%d under Wine, %d/%d native" % (
                wine["errors"], wine["warnings"], mine["errors"], mine["warnings"]))
        if problems:
            failed += 1
            print("%s: FAILED\n%s" % (folder, "\n".join(problems)))
        else:
            print("%s: the same %d rows and %d findings, native and under Wine (code page %s)" % (
                folder, len(wine["rows"]), len(wine["findings"]), code_page))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
