#!/usr/bin/env python3
"""Runs the folder check on real vendors' files: the cabinets and Palm
databases in the shared realworld folder, each read as its expectations
(expected.json, an independent reading of each file) say it should be.

Each cabinet goes into a folder of its own with a description file naming
it: the check must find no error and report the cabinet's devices as the
expectations state them. Each whole Palm file alone (a database under a
QM_ name, as only those are installed) gives no error; all of them together
give only the errors their names and neighbours explain: the empty file and
one database name shared in each group of files that share one.

Usage: realworld.py SETUP_CHECK REALWORLD_DIR
Exits 0 when every file reads as expected, 1 otherwise (every failure is
listed), 77 when the folder is not there.
"""
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77


def check(setup_check, folder):
    run = subprocess.run([setup_check, "--format", "json", folder], capture_output=True,
                         timeout=300)
    if run.returncode not in (0, 1):
        return run.returncode, {"findings": [], "rows": [],
                                "error": run.stderr.decode(errors="replace")}
    return run.returncode, json.loads(run.stdout.decode("utf-8"))


def errors(report):
    return [(f["code"], f["file"]) for f in report["findings"] if f["severity"] == "error"]


def provenance(root):
    """The sha256 prefix PROVENANCE.md gives each file, by name."""
    prefixes = {}
    with open(os.path.join(root, "PROVENANCE.md"), encoding="utf-8") as f:
        for line in f:
            cells = [c.strip() for c in line.split("|")]
            if len(cells) > 6 and cells[1].startswith("`") and re.fullmatch(r"[0-9a-f]{12}", cells[5]):
                prefixes[cells[1].strip("`")] = cells[5]
    return prefixes


def unchanged(path, prefix):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest().startswith(prefix)


def cabinet_failures(setup_check, root, expected, work):
    failures = []
    for name, want in expected.items():
        folder = os.path.join(work, "cab-" + name)
        os.makedirs(folder)
        shutil.copy(os.path.join(root, "cabinets", name), folder)
        with open(os.path.join(folder, "Runtime.ini"), "wb") as f:
            f.write(("[CEAppManager]\r\nVersion = 1.0\r\nComponent = Runtime\r\n\r\n[Runtime]\r\n"
                     "Description = Runtime\r\nCabFiles = %s\r\n" % name).encode("ascii"))
        status, report = check(setup_check, folder)
        rows = report.get("rows", [])
        cabs = rows[0].get("cabinets", []) if rows else []
        if status != 0 or errors(report) or len(cabs) != 1 or not cabs[0].get("known"):
            failures.append("%s: exit %d, errors %s, cabinets %s" % (
                name, status, errors(report), cabs or report.get("error")))
            continue
        cab = cabs[0]
        got = {"processor": cab["architecture"], "minVersion": cab["leastVersion"],
               "maxVersion": cab["mostVersion"], "minBuild": cab["leastBuild"],
               "maxBuild": cab["mostBuild"], "application": cab["application"],
               "provider": cab["provider"], "unsupported": cab["unsupported"]}
        differ = {k: (got[k], want[k]) for k in got if got[k] != want[k]}
        if differ:
            failures.append("%s: devices differ (check, expected): %s" % (name, differ))
    return failures


def palm_name(name):
    """The name a database is shipped under so that it is installed."""
    return name if name.lower().endswith(".prc") else "QM_" + name


def palm_failures(setup_check, root, expected, work):
    failures = []
    whole = [n for n, w in expected.items() if w["whole"]]
    for name in whole:
        folder = os.path.join(work, "palm-" + name)
        os.makedirs(folder)
        shutil.copy(os.path.join(root, "palm", name), os.path.join(folder, palm_name(name)))
        status, report = check(setup_check, folder)
        if status != 0 or errors(report):
            failures.append("%s alone: exit %d, errors %s" % (name, status, errors(report)))
    together = os.path.join(work, "palm-all")
    os.makedirs(together)
    for name in expected:
        shutil.copy(os.path.join(root, "palm", name), os.path.join(together, palm_name(name)))
    _, report = check(setup_check, together)
    found = errors(report)
    explained = {("empty-file", palm_name(n)) for n, w in expected.items() if not w["whole"]}
    groups = [{palm_name(n)} | {palm_name(m) for m in w["sameNameAs"]}
              for n, w in expected.items() if w.get("sameNameAs")]
    for code, file in found:
        if (code, file) in explained:
            continue
        if code == "palm-duplicate-name" and any(file in g for g in groups):
            continue
        failures.append("all together: unexplained error %s on %s" % (code, file))
    for code_file in explained:
        if code_file not in found:
            failures.append("all together: no %s on %s" % code_file)
    for group in {frozenset(g) for g in groups}:
        if not any(code == "palm-duplicate-name" and file in group for code, file in found):
            failures.append("all together: no palm-duplicate-name among %s" % sorted(group))
    return failures, len(whole), len(found)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    setup_check, root = sys.argv[1:]
    if not os.path.isfile(os.path.join(root, "expected.json")):
        print("skipped: no real vendors' files in %s (expected.json missing)" % root)
        return SKIP
    with open(os.path.join(root, "expected.json"), encoding="utf-8") as f:
        expected = json.load(f)
    prefixes = provenance(root)
    failures = []
    for kind, folder in (("cabinets", "cabinets"), ("palm", "palm")):
        for name in expected[kind]:
            path = os.path.join(root, folder, name)
            if name not in prefixes or not unchanged(path, prefixes[name]):
                failures.append("%s: not the file PROVENANCE.md names" % name)
    with tempfile.TemporaryDirectory() as work:
        failures += cabinet_failures(setup_check, root, expected["cabinets"], work)
        palm, alone, together = palm_failures(setup_check, root, expected["palm"], work)
        failures += palm
    cabinets = len(expected["cabinets"])
    print("cabinets: %d read, %d with errors or devices other than expected" % (
        cabinets, sum(1 for f in failures if f.split(":")[0] in expected["cabinets"])))
    print("Palm files: %d whole ones read alone; all %d together gave %d errors, each explained "
          "by its name or neighbours unless listed below" % (alone, len(expected["palm"]), together))
    for f in failures:
        print("FAILED: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
