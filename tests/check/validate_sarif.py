#!/usr/bin/env python3
"""Validates setup-check's SARIF output for every test folder with Microsoft's
SARIF validator (`Sarif.Multitool validate`: the 2.1.0 schema and the
format's own rules; any result of level error fails), checks that each
log carries the same findings as the JSON report, and that the validator
finds the fault in a spoiled log, so that its silence means something.

Usage: validate_sarif.py SETUP_CHECK FOLDERS_DIR VALIDATOR WORK_DIR
Exits 77 (skipped) with the reason where the validator cannot be had.
"""
import collections
import json
import os
import subprocess
import sys
import urllib.parse

SKIP = 77


def run_check(setup_check, folder, *options):
    return subprocess.run([setup_check, *options, folder], capture_output=True, check=False,
                          timeout=60).stdout


def findings_of_sarif(log):
    out = []
    for r in log["runs"][0]["results"]:
        uri = ""
        for location in r.get("locations", []):
            artifact = location["physicalLocation"]["artifactLocation"]
            uri = urllib.parse.unquote(artifact["uri"]).replace("/", "\\")
            line = location["physicalLocation"].get("region", {}).get("startLine", 0)
        out.append((r["ruleId"], r["level"], uri, line if uri else 0))
    return sorted(out)


def findings_of_json(report):
    return sorted((f["code"], f["severity"], f["file"], f.get("line", 0))
                  for f in report["findings"])


def main():
    setup_check, folders, validator, work = sys.argv[1:5]
    if not os.access(validator, os.X_OK):
        print(f"skipped: no SARIF validator at {validator} (scripts/install-deps.sh installs it)")
        return SKIP
    version = subprocess.run([validator, "--version"], capture_output=True, text=True,
                             timeout=120, check=False)
    if version.returncode != 0:
        print(f"skipped: the SARIF validator does not run here: {version.stdout}{version.stderr}")
        return SKIP
    print("validator:", (version.stdout + version.stderr).strip().splitlines()[0])

    os.makedirs(work, exist_ok=True)
    logs, failed = [], False
    runs = [(name, []) for name in sorted(os.listdir(folders))
            if os.path.isdir(os.path.join(folders, name))]
    runs.append(("Japanese CD", ["--codepage", "932"]))
    for name, options in runs:
        folder = os.path.join(folders, name)
        sarif = run_check(setup_check, folder, "--format", "sarif", *options)
        report = json.loads(run_check(setup_check, folder, "--json", *options))
        path = os.path.join(work, name + "".join(options) + ".sarif")
        with open(path, "wb") as f:
            f.write(sarif)
        logs.append(path)
        if findings_of_sarif(json.loads(sarif)) != findings_of_json(report):
            print(f"FAIL {path}: its results are not the JSON report's findings")
            failed = True
    # The first log with its version spoiled: the validator must object.
    spoiled = os.path.join(work, "spoiled.sarif")
    with open(logs[0], encoding="utf-8") as f:
        log = json.load(f)
    log["version"] = "2.0.0"
    with open(spoiled, "w", encoding="utf-8") as f:
        json.dump(log, f)

    out = os.path.join(work, "validation.sarif")
    if os.path.exists(out):
        os.remove(out)
    # With its warnings (best practices) too, which are shown, not failed on.
    run = subprocess.run([validator, "validate", *logs, spoiled, "-o", out,
                          "--level", "Error;Warning"],
                         capture_output=True, text=True, timeout=300, check=False)
    if run.returncode != 0 or not os.path.exists(out):
        print(f"FAIL: the validator failed ({run.returncode}): {run.stdout}{run.stderr}")
        return 1
    with open(out, encoding="utf-8-sig") as f:
        results = json.load(f)["runs"][0]["results"]
    by_log = collections.defaultdict(list)
    for r in results:
        uri = r["locations"][0]["physicalLocation"]["artifactLocation"]["uri"]
        by_log[urllib.parse.unquote(uri).rsplit("/", 1)[-1]].append(r)
    for path in logs:
        mine = by_log[os.path.basename(path)]
        errors = [r for r in mine if r.get("level", "warning") == "error"]
        advice = collections.Counter(r["ruleId"] for r in mine
                                     if r.get("level", "warning") == "warning")
        print(f"{'FAIL' if errors else 'ok  '} {os.path.basename(path)}: {len(errors)} error(s)"
              + (f"; advice: {dict(advice)}" if advice else ""))
        for r in errors:
            print("   ", r["ruleId"], r["message"].get("arguments", r["message"].get("text")))
        failed = failed or bool(errors)
    if not any(r.get("level", "warning") == "error" for r in by_log["spoiled.sarif"]):
        print("FAIL: the validator found nothing wrong with spoiled.sarif")
        failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
