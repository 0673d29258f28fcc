#!/usr/bin/env bash
# Writes the folders of many component files that e2e.many-components reads
# (C:\e2e-files\many-components in the harness's prefix), from the Linux side:
# under Wine each new file costs about 2 ms, so these 16,000 would take most
# of a minute there and take a second here. The names and contents must stay
# as tests/e2e/driver.cpp expects them (see kManyFiles there).
# Usage: WINE_TEST_ROOT=<build tree> many-files.sh
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../wine/wine-env.sh
. "$here/../wine/wine-env.sh"
skip_if_wine_unavailable
top="$WINEPREFIX/drive_c/e2e-files/many-components"
[ -d "$WINEPREFIX/drive_c" ] || { echo "no prefix at $WINEPREFIX" >&2; exit 1; }
rm -rf "$top"
mkdir -p "$top/Ten Thousand" "$top/CE Only" "$top/Palm Only"
tail=" with a long file name, for a long command line"

cd "$top/Ten Thousand"
for i in $(seq -f %05g 0 3333); do printf 'Description = Package %s\r\n' "$i" >"Package$i.ini"; done
for i in $(seq -f %05g 0 3332); do printf app >"App$i.prc"; printf db >"QM_Data$i.pdb"; done

cd "$top/CE Only"
for i in $(seq -f %04g 0 2999); do
    printf 'Description = CE component %s\r\n' "$i" >"CE component $i$tail.ini"
done

cd "$top/Palm Only"
for i in $(seq -f %04g 0 1499); do printf app >"Palm application $i$tail.prc"; done
for i in $(seq -f %04g 1500 2999); do printf db >"QM_Palm database $i$tail.pdb"; done

echo "made $(find "$top" -type f | wc -l) files under $top"
