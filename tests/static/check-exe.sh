#!/usr/bin/env bash
# Static checks of the built setup.exe: a 32-bit GUI program that imports only
# system libraries, carrying its resources with the exact ids, texts and styles.
# The 64-bit test build is checked the same way, as PE32+ with an amd64
# manifest.
# Usage: check-exe.sh <setup.exe> [i686|x86_64]
set -uo pipefail
exe=$1
case ${2:-i686} in
  i686) tools=i686-w64-mingw32 format=pei-i386 arch=x86 ;;
  x86_64) tools=x86_64-w64-mingw32 format=pei-x86-64 arch=amd64 ;;
  *) echo "check-exe.sh: unknown processor $2" >&2; exit 2 ;;
esac
passed=0
failed=0
check() {  # check <what> <command...>
  local what=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $what"; fi
}

headers=$($tools-objdump -p "$exe")
check "PE file format $format" grep -q "file format $format\$" <<<"$headers"
check "GUI subsystem" grep -qE "^Subsystem\s+00000002" <<<"$headers"
imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
check "imports only kernel32 user32 advapi32 ole32 shlwapi msvcrt (got: $imports)" \
  test "$imports" = "advapi32.dll kernel32.dll msvcrt.dll ole32.dll shlwapi.dll user32.dll "

# The shipped file stays small: a C++ library type creeping into the seam
# (a std::wstring once added 35 KB) shows here first.
if [ "$arch" = x86 ]; then
  size=$(stat -c %s "$exe")
  check "the shipped file under 90 KB (got $size bytes)" test "$size" -le 92160
fi

rc=$($tools-windres -i "$exe" -O rc 2>/dev/null)
has() { grep -qF -- "$1" <<<"$rc"; }
# A 16-bit control id of -1 reads back as 65535 in a plain DIALOG template.
expect=(
  'LANGUAGE 9, 1'
  '129 DIALOG 0, 0, 247, 111'
  'CAPTION "Quillmere Installer"'
  'CONTROL "Please select which components you\nwould like to install:", 65535, "STATIC", 0x50000000, 15, 5, 164, 20'
  'CONTROL "", 1000, "SYSLISTVIEW32", 0x50814005, 15, 25, 165, 75'
  'CONTROL "Install", 1, "BUTTON", 0x58010001, 190, 28, 50, 14'
  'CONTROL "Cancel", 2, "BUTTON", 0x50010000, 190, 45, 50, 14'
  'CONTROL "&About...", 57664, "BUTTON", 0x50010000, 190, 68, 50, 14'
  '100 DIALOGEX 0, 0, 187, 87'
  'CAPTION "About - Quillmere Installer"'
  'CONTROL "OK", 1, "BUTTON", 0x50010001, 128, 65, 50, 14'
  'CONTROL 128, -1, "STATIC", 0x50000003, 142, 23, 20, 20'
  'CONTROL "", -1, "BUTTON", 0x50000007, 7, 7, 115, 73'
  'CONTROL "Quillmere Installer", -1, "STATIC", 0x50020001, 16, 23, 99, 13, 0x20, 0'
  'CONTROL "", 1008, "STATIC", 0x50020001, 139, 45, 25, 8'
  '128, "Product Installation"'
  '61410, "Setup complete."'
  '61412, "Setup did not complete successfully."'
  '61413, "Setup requires the Palm Desktop to be installed, but Setup was unable to find it.  Please install Palm Desktop, and try again."'
  '61415, "Setup requires Microsoft ActiveSync to be installed, but Setup was unable to find it.  Please install Microsoft ActiveSync, and try again."'
  '61416, "Setup was unable to launch the Palm Desktop.  Please reinstall Palm Desktop, and try again.\n\nDetails:\n\n%s%s"'
  '128 14 /* RT_GROUP_ICON */'
  '"\040\040\000\000", 1, 8,'
  '"\020\020\000\000", 1, 8,'
  'FILEVERSION 1, 1, 0, 0'
  'PRODUCTVERSION 1, 1, 0, 0'
  'FILEOS 0x4'
  'FILETYPE 0x1'
  'BLOCK "040904b0"'
  'VALUE "Translation", 0x409, 1200'
  'VALUE "FileVersion", "1, 1, 0, 0"'
  'VALUE "ProductVersion", "1, 1, 0, 0"'
  'VALUE "InternalName", "Quillmere Installer"'
  'VALUE "ProductName", "Quillmere Installer"'
  'VALUE "OriginalFilename", "setup.exe"'
  'VALUE "FileDescription", "Application used to install Quillmere Application and Databases/Products"'
  'VALUE "Comments", ""'
  'VALUE "LegalTrademarks", ""'
  'VALUE "PrivateBuild", ""'
  'VALUE "SpecialBuild", ""'
  '1 24 /* RT_MANIFEST */'
  'assemblyIdentity name=""setup"" version=""1.0.0.0"" processorArchitecture=""'$arch'"" type=""win32""'
  '<description>setup Application</description>'
  'name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0"" processorArchitecture=""'$arch'""'
)
for line in "${expect[@]}"; do check "resource: $line" has "$line"; done
# The notice text is free, but its place and style are not.
check "About notice static" grep -qE 'CONTROL ".+", -1, "STATIC", 0x50020001, 14, 41, 102, 26, 0x20, 0' <<<"$rc"
check "company and copyright present" grep -qE 'VALUE "CompanyName", ".+"' <<<"$rc"
check "no file flags" bash -c '! grep -qE "^ FILEFLAGS 0x[1-9]" <<<"$1"' _ "$rc"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
