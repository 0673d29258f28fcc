#!/usr/bin/env bash
# Debian's Wine 8 looks for its own fonts in a folder that does not resolve
# ("<data dir>\../fonts"), so without this the close box shows the letter "r"
# and dialogs fall back to another face. Fonts in the prefix's Fonts folder
# are always found. Usage: WINEPREFIX=<prefix> link-fonts.sh
set -eu
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
for f in /usr/share/wine/fonts/*; do
    [ -e "$f" ] || continue
    [ -e "$fonts/${f##*/}" ] || ln -s "$f" "$fonts/"
done
