#!/bin/sh
# Adds Lexivo Dictionary II to your desktop's application menu, pointing at this folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed -e "s|^Exec=.*|Exec=\"$here/lexivo\"|" -e "s|^Icon=.*|Icon=$here/lexivo.svg|" \
    "$here/lexivo.desktop" > "$apps/lexivo.desktop"
echo "Installed $apps/lexivo.desktop"
