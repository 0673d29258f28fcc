#!/usr/bin/env bash
# Measures the tests by planting faults in the program, one at a time: each
# entry of the table below changes one line. For each, it builds and runs
# the suites of the trees that compile the file (as the last build's
# dependency files say): the Wine suite (ctest of the win32 tree, or of the
# win64 test build where the machine cannot run 32-bit code; without the
# release checks, which are about packaging) for a file a Windows tree
# builds, the native tests without the fuzzers for a file the native tree
# builds, both for a portable file (for a file of the folder check, of the
# Wine suite only setup-check.exe's tests); then it says which tests caught the
# fault and how long it took. The tree is restored afterwards, whatever
# happens, and the build brought back in step with it.
#
# Usage: bash scripts/plant-faults.sh [--list] [NUMBER...]
#   --list   print the table and stop; NUMBERs plant only those entries
# Takes over an hour for the whole table (a minute and a half to two a
# fault, half a minute one of the folder check or one only the native tests
# run); not part of scripts/test.sh. The last line is "N planted, M caught".
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1

faults_file=()
faults_from=()
faults_to=()
faults_what=()
# fault FILE TEXT REPLACEMENT WHAT: the one line of FILE that holds TEXT is
# changed: TEXT becomes REPLACEMENT ("" removes it).
fault() {
  faults_file+=("$1")
  faults_from+=("$2")
  faults_to+=("$3")
  faults_what+=("$4")
}

# ---- The table ------------------------------------------------------------------
sel=selection/SelectionDialog_win32.cpp
fault $sel "SendMessageA(listView_, WM_SETREDRAW, TRUE, 0);" "" \
  "the list's repaint left off after it is filled"
fault $sel "if (RowCount() > 0) EnableWindow(installButton_, TRUE);" \
  "EnableWindow(installButton_, TRUE);" "Install enabled with an empty list"
fault $sel "MAKELPARAM((widest + 25)" "MAKELPARAM((widest + 20)" "a narrower column"
fault $sel "EnableWindow(installButton_, anyChecked ? TRUE : FALSE);" \
  "EnableWindow(installButton_, TRUE);" "Install stays enabled with every row unchecked"
fault $sel "EndDialog(Window(), id);" "EndDialog(Window(), id + 1);" \
  "exit code 2 after Install"
w32=platform/Win32System_win32.cpp
fault $w32 "return LoadLibraryA(path);" "return LoadLibraryA(name);" \
  "the library fallback loads by bare name"
fault $w32 'calls.setDllDirectory("");' "(void)calls;" \
  "the current directory stays in the search without SetDefaultDllDirectories"
fault platform/ExactConversion.cpp "== kCodePageUtf8)" "== kCodePageUtf8 && false)" \
  "the UTF-8 branch of the exact conversion removed"
fault $w32 "WaitForSingleObject(child.Get(), INFINITE);" "" "not waiting for a tool"
fault $w32 'FILE* file = std::fopen(path.c_str(), "r");' \
  'FILE* file = std::fopen(path.c_str(), "rb");' "description files read in binary mode"
fault $w32 "found.attributes = data_.dwFileAttributes;" "found.attributes = 0;" \
  "folders taken for files"
fault handoff/PalmHandoff.cpp "if (!paths.empty()) paths += ' ';" \
  "if (!paths.empty()) paths += ',';" "the Palm paths separated by commas"
fault handoff/PalmHandoff.cpp 'return "\"" + executable + "\"";' "return executable;" \
  "an unquoted Palm tool taken from its registered command"
fault handoff/CeHandoff.cpp "platform::kIconError);" "platform::kIconWarning);" \
  "the missing CE tool told with a warning icon"
about=about/AboutDialog_win32.cpp
fault $about "ReplaceCommaSpace(system_, record.ProductVersion)" "record.ProductVersion" \
  "About shows the version with its commas"
fault $about "LANG_ENGLISH, SUBLANG_ENGLISH_US" "LANG_GERMAN, SUBLANG_GERMAN" \
  "About reads another language's texts"
# The list: the scan of the folder and the reading of description files.
# Left out, as they change nothing: "line[kLineBuffer - 1] = '\0';" removed
# (the line reader always ends the piece inside the buffer); the full path's
# "n >= kPathBuffer" made "n > kPathBuffer" (a path that does not fit gives
# the size it needs with its terminator, 261 or more, never 260).
disc=catalogue/Discovery.cpp
fault catalogue/Discovery.h "kLineBuffer = 256;" "kLineBuffer = 255;" \
  "description lines read in pieces of 254 bytes"
fault $disc "std::strlen(p) < keyLength" "std::strlen(p) <= keyLength" \
  "a Description key that ends a 255-byte piece not taken for the key"
fault $disc "n >= kPathBuffer) return false;  // failed or cut" \
  "n > kPathBuffer) return false;  // failed or cut" "a module path cut at 260 taken whole"
fault $disc "narrowExact = n == 0 || n >= kPathBuffer" "narrowExact = n == 0 || n > kPathBuffer" \
  "a wide module path cut at 260 compared with the narrow one"
fault $disc "if (found.attributes & platform::kAttributeDirectory) continue;" "" \
  "folders whose names match listed"
fault $disc "rows.SetRowChecked(rowIndex);" "" "rows listed unchecked"
kinds=catalogue/ComponentKinds.cpp
fault $kinds "fullPath.size() > s &&" "fullPath.size() >= s &&" \
  "a path of \".ini\" alone handed to the CE tool"
fault $kinds "name.size() - p - s" "name.size() - s" \
  "database rows take the prefix's length of the suffix in"
# The version block. Left out, as it changes nothing: NextChar's
# "i + 1 < s.size()" made "<=" (the byte at size() is the string's NUL,
# which the same test refuses as a trail byte).
ver=about/VersionInfo.cpp
fault $ver "parts[1] = static_cast<uint16_t>(ms & 0xFFFF);" \
  "parts[1] = static_cast<uint16_t>(ms & 0xFF);" "a version field above 255 cut to its low byte"
fault $ver "n < bufferSize ? n : bufferSize - 1" "n <= bufferSize ? n : bufferSize - 1" \
  "a text of 256 bytes copied without room for its terminator"
fault $ver "strnlen(static_cast<const char*>(value), length)" \
  "strnlen(static_cast<const char*>(value), length + 1)" \
  "a text read one byte past its stated length"
fault $ver "bySelf = n > 0 && n < kPathBuffer;" "bySelf = n > 0 && n <= kPathBuffer;" \
  "the version read by a wide path cut at 260"
fault $ver "if (digits.size() < 4)" "if (digits.size() < 3)" \
  "the string table named with three-digit language and code page"
# Names and the rules of text every part shares; the POSIX search is the
# native tree's alone.
names=platform/Names.cpp
fault $names "if (name.size() < p + s) return false;" "if (name.size() <= p + s) return false;" \
  "a name no longer than its pattern's prefix and suffix refused"
fault $names "for (std::size_t i = 0; i < n; ++i)" "for (std::size_t i = 0; i + 1 < n; ++i)" \
  "the last byte of a name or key not compared"
fault platform/Names.h "(c >= 0x09 && c <= 0x0D)" "(c >= 0x09 && c <= 0x0E)" \
  "byte 0x0E taken for a blank"
fault platform/Names.h "return c >= 'A' && c <= 'Z' ?" "return c >= 'A' && c < 'Z' ?" \
  "Z not folded to z"
fault platform/PosixSystem_posix.cpp "stat((folder + entryName)" "lstat((folder + entryName)" \
  "the POSIX search takes a link to a folder for a file"
# String-table texts, message boxes, start-up and the dialogs' binding. Left
# out, as they change nothing: FormatResourceText's "i + 1 < format.size()"
# made "<=" (the byte at size() is NUL, neither 's' nor '%'); TakePending's
# "*link = (*link)->next;" removed (only a dialog's first message takes its
# entry, and every entry is withdrawn when its dialog ends); the
# WM_CTLCOLOR* range of ReturnsResultDirectly moved (no dialog handles
# those). Left out for its time: TakePending's "threadId == thread" inverted
# (no dialog gets its object; every scenario waits out its limit, 27 minutes).
msg=shell/MessageText.cpp
fault $msg "kFirstBuffer - count > 2" "kFirstBuffer - count > 1" \
  "a text of 254 characters taken as whole from the first buffer of 256"
fault $msg "ShowMessageBox(owner, text, LoadResourceText(system, IDS_CAPTION)," \
  "ShowMessageBox(owner, LoadResourceText(system, IDS_CAPTION), text," \
  "message boxes with text and caption swapped"
fault shell/Main_win32.cpp "platform::RestrictLibrarySearch();" "" \
  "libraries still searched for in the setup folder and the current directory"
fault shell/BoundDialog_win32.cpp "EndDialog(window_, id);" "EndDialog(window_, id - 1);" \
  "Cancel ends the dialog with 1, as Install does"

# The folder check: the readers of vendors' bytes, the families of rules,
# the formatters and the command line.
cr=check/readers
fault $cr/CabinetTables.cpp "if (cab_.fileSize < cab_.statedSize)" "if (cab_.fileSize + 1 < cab_.statedSize)" \
  "a cabinet one byte short of its stated size taken as whole"
fault $cr/CabinetTables.cpp "kMostPacked = 32768 + 6144;" "kMostPacked = 32768 + 6143;" \
  "the most packed bytes of a data block one fewer"
fault $cr/CeSetupFile.cpp "if (offset + length > bytes.size())" "if (offset + length > bytes.size() + 1)" \
  "a string of the CE setup file allowed one byte past its end"
fault $cr/CeSetupFile.cpp "(bOpen || Key(a.least) <= Key(b.most))" "(bOpen || Key(a.least) < Key(b.most))" \
  "two cabinets whose versions share one value not taken as the same target"
fault $cr/CeSetupFile.cpp "kLeastBuild{0x28, 4}" "kLeastBuild{0x28, 2}" \
  "the least build read two bytes wide"
fault $cr/PalmDatabase.cpp "        previous = offset;" "" \
  "Palm record entries out of order accepted when the first is in place"
fault $cr/IniFile.cpp " && value.back() == value[0])" ")" \
  "a profile value whose enclosing quotes do not match stripped of them"
fault $cr/SetupXml.cpp 'return text.find_first_not_of(" \t\r\n") == std::string::npos;' \
  "return text.empty();" \
  "a blank AppName taken for an application's name"
fault $cr/CabinetLibrary.cpp "? name[i] - 'A' + 'a' : name[i])" "? name[i] : name[i])" \
  "the setup XML found by its name in lower case only"
rules=check/rules
fault $rules/CeFiles.cpp "if (bothCe && SameTarget(" "if (SameTarget(" \
  "setup-XML cabinets, which state no processor, compared as the same target"
fault $rules/Paths.cpp "if (SetupPathFits(folder) && length >= kMaxPath)" \
  "if (SetupPathFits(folder) && length > kMaxPath)" "a component's path of 260 characters allowed"
fault $rules/Descriptions.cpp "            if (i + 1 < bytes.size())" "            if (i < bytes.size())" \
  "a Ctrl-Z at the very end of a description file reported"
fault $rules/PalmFiles.cpp "creators.count(palm->db.creator) == 0)" "creators.count(palm->db.creator) != 0)" \
  "databases of the folder's applications called orphans, and orphans not"
fault check/model/FolderModel.cpp "            platform::NameMatchesPattern(entry.name, databases.prefix, databases.suffix) ||" "" \
  "databases setup.exe installs also reported as not installed"
rep=check/report
fault $rep/TextReport.cpp "else if (u < 0x20 || u == 0x7F)" "else if (u < 0x1F || u == 0x7F)" \
  "one control character left unescaped in the text report"
fault $rep/SarifReport.cpp '{"level", SeverityName(f.severity())},' '{"level", SeverityName(Severity::Warning)},' \
  "every SARIF result at the warning level"
fault $rep/JsonReport.cpp 'out["errors"] = report.Count(Severity::Error);' 'out["errors"] = report.Count(Severity::Warning);' \
  "the JSON report's error count from the warnings"
fault check/Main.cpp "else if (o.errorsOnly && f.severity() == Severity::Warning)" \
  "else if (o.errorsOnly && f.severity() == Severity::Error)" "--severity error keeps the warnings and drops the errors"

count=${#faults_file[@]}
if [ "${1:-}" = --list ]; then
  for ((i = 0; i < count; ++i)); do
    printf '%2d  %s: %s\n      %s\n   -> %s\n' $((i + 1)) "${faults_file[$i]}" \
      "${faults_what[$i]}" "${faults_from[$i]}" "${faults_to[$i]:-(removed)}"
  done
  exit 0
fi
chosen=("$@")
[ ${#chosen[@]} -gt 0 ] || mapfile -t chosen < <(seq "$count")

# ---- The tree is restored whatever happens -----------------------------------------
backup=$(mktemp -d)
restore() {
  local f
  for f in "$backup"/files/*; do
    [ -e "$f" ] || continue
    # Copied back, not moved: a new time stamp makes the next build see it.
    cp "$f" "$(cat "$f.path")"
    rm -f "$f" "$f.path"
  done
}
finish() {
  restore
  rm -rf "$backup"
}
trap finish EXIT
trap 'exit 130' INT TERM
mkdir -p "$backup/files"

# plant FILE FROM TO: saves FILE, then changes FROM to TO in the one line
# that holds it; fails when not exactly one line holds it.
plant() {
  local saved
  saved="$backup/files/$(tr '/' '_' <<<"$1")"
  cp "$1" "$saved" && printf '%s' "$1" >"$saved.path" || return 1
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, old, new = sys.argv[1:]
lines = open(path, encoding="utf-8").read().split("\n")
hits = [i for i, line in enumerate(lines) if old in line]
if len(hits) != 1:
    sys.exit("%s: %d lines hold %s" % (path, len(hits), old))
lines[hits[0]] = lines[hits[0]].replace(old, new)
open(path, "w", encoding="utf-8").write("\n".join(lines))
PY
}

# ---- Trees and suites ---------------------------------------------------------------
check_wine_tests='setup-check|^check\.'
if bash tests/wine/probe-32bit.sh >/dev/null; then preset=win32; else preset=win64; fi
echo "== where the file is built: the Wine suite of the $preset tree, the native tests without" \
  "the fuzzers"
for p in native $preset; do
  [ -f "build/$p/CMakeCache.txt" ] || cmake --preset "$p" >/dev/null || exit 1
done

# suites_for FILE: which suites a fault in FILE can reach, by the trees whose
# last build compiled it or a file that includes it (the compilers' .d
# files): "wine", "native" or "both"; "both" when no tree names it.
suites_for() {
  local p dir in_native=no in_wine=no
  for p in native "$preset"; do
    dir=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "build/$p/CMakeCache.txt")
    if grep -rqF --include='*.d' -- "$dir/$1" "build/$p"; then
      if [ "$p" = native ]; then in_native=yes; else in_wine=yes; fi
    fi
  done
  if [ $in_native = yes ] && [ $in_wine = no ]; then
    echo native
  elif [ $in_wine = yes ] && [ $in_native = no ]; then
    echo wine
  else
    echo both
  fi
}

# run_suites SUITES LOG [WINE_TESTS]: builds the trees of SUITES (wine, native
# or both) and runs their tests (of the Wine suite, those WINE_TESTS matches
# where it is given), leaving in LOG the names of the tests that failed, one
# a line ("build" when a build failed).
run_suites() {
  local suites=$1 out=$2 only=${3:-} log
  log=$(mktemp)
  : >"$out"
  if [ "$suites" != native ]; then
    if ! cmake --build --preset "$preset" >"$log" 2>&1; then
      echo build >"$out"
      rm -f "$log"
      return
    fi
    ctest --preset "$preset" -LE release ${only:+-R "$only"} >"$log" 2>&1
    sed -nE 's/^\s+[0-9]+ - (\S+) \((Failed|Timeout|Exception|SEGFAULT|Not Run)\).*/\1/p' \
      "$log" >>"$out"
  fi
  if [ "$suites" != wine ]; then
    if cmake --build --preset native >"$log" 2>&1; then
      ctest --preset native -LE fuzz >"$log" 2>&1
      sed -nE 's/^\s+[0-9]+ - (\S+) \((Failed|Timeout|Exception|SEGFAULT|Not Run)\).*/native:\1/p' \
        "$log" >>"$out"
    else
      echo build >>"$out"
    fi
  fi
  rm -f "$log"
}

# The suites must pass on the tree as it is, or a failure tells nothing.
result=$(mktemp)
t0=$(date +%s)
run_suites both "$result"
if [ -s "$result" ]; then
  echo "the tests fail on the tree as it is: $(paste -sd' ' "$result")"
  echo "0 planted, 0 caught"
  exit 1
fi
echo "   they pass on the tree as it is ($(( $(date +%s) - t0 )) s)"

planted=0
caught=0
table_start=$(date +%s)
for n in "${chosen[@]}"; do
  i=$((n - 1))
  if [ "$i" -lt 0 ] || [ "$i" -ge "$count" ]; then
    echo "no fault $n (1 to $count)"
    continue
  fi
  file=${faults_file[$i]}
  t0=$(date +%s)
  suites=$(suites_for "$file")
  case $suites in
    wine) ran="the Wine suite" ;;
    native) ran="the native tests" ;;
    *) ran="both suites" ;;
  esac
  # The folder check's code reaches only setup-check.exe of the Wine tree:
  # of the Wine suite, its tests run.
  only=
  if [[ $file == check/* ]]; then
    only=$check_wine_tests
    ran="$ran; of the Wine suite, setup-check.exe's tests"
  fi
  printf '%2d  %s: %s\n' "$n" "$file" "${faults_what[$i]}"
  if ! plant "$file" "${faults_from[$i]}" "${faults_to[$i]}"; then
    echo "    not planted"
    restore
    continue
  fi
  run_suites "$suites" "$result" "$only"
  restore
  if grep -qx build "$result"; then
    echo "    not planted: the build failed with it"
    continue
  fi
  planted=$((planted + 1))
  if [ -s "$result" ]; then
    caught=$((caught + 1))
    echo "    caught by: $(paste -sd' ' "$result") ($ran, $(( $(date +%s) - t0 )) s)"
  else
    echo "    NOT caught ($ran, $(( $(date +%s) - t0 )) s)"
  fi
done
elapsed=$(( $(date +%s) - table_start ))
entries=${#chosen[@]}
echo "   $entries entries in $elapsed s ($(( elapsed / (entries > 0 ? entries : 1) )) s an entry)"

# The build in step with the restored tree again.
restore
cmake --build --preset "$preset" >/dev/null 2>&1 || echo "rebuilding the $preset tree failed"
cmake --build --preset native >/dev/null 2>&1 || echo "rebuilding the native tree failed"
rm -f "$result"
echo "$planted planted, $caught caught"
