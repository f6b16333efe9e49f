#!/bin/sh
# Adds Lexivo Dictionary II to your desktop's application menu, pointing at this folder.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
id=com.lexivo.Dictionary
apps="${XDG_DATA_HOME:-$HOME/.local/share}/applications"
mkdir -p "$apps"
sed -e "s|^Exec=.*|Exec=\"$here/lexivo\"|" -e "s|^Icon=.*|Icon=$here/lexivo.svg|" \
    "$here/$id.desktop" > "$apps/$id.desktop"
# The entry's earlier name, when it was made for this folder.
if grep -qsF "Exec=\"$here/lexivo\"" "$apps/lexivo.desktop"; then rm -f "$apps/lexivo.desktop"; fi
echo "Installed $apps/$id.desktop"
