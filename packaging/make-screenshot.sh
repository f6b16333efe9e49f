#!/bin/bash
# Makes the AppStream screenshot, packaging/screenshots/main-window.png, from a real run under
# Xvfb: a word typed and looked up in "English", whose template points at a page served on this
# machine. Usage: make-screenshot.sh [program, default: the installed lexivo]; needs xvfb,
# openbox, xdotool, imagemagick and python3.
set -euo pipefail

program=${1:-lexivo}
if [ "${2:-}" = --on-display ]; then
    openbox &
    sleep 1
    "$program" >/dev/null 2>&1 &
    window=$(xdotool search --sync --onlyvisible --name '^Lexivo Dictionary II')
    sleep 3
    xdotool windowfocus --sync "$window"
    xdotool type --delay 60 lexicon
    xdotool key Tab Tab Return # the word box, "Chinese", "English"
    sleep 4                    # the page, and the status bar cleared
    import -window "$window" "$SCREENSHOT"
    exit
fi

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home"
unset XDG_CONFIG_HOME
if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
fi

mkdir -p "$work/site/define" "$HOME/.config/Lexivo Dictionary II/session"
cat >"$work/site/define/lexicon.html" <<'EOF'
<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>lexicon - English dictionary</title>
<style>
body { font-family: "DejaVu Sans", sans-serif; margin: 0; color: #1d2b3a; }
header { background: #2f6db3; color: white; padding: 10px 24px; font-size: 18px; }
main { padding: 8px 24px; max-width: 46em; }
h1 { font-size: 28px; margin: 12px 0 0; } .pron { color: #5b6b7b; }
h2 { font-size: 15px; color: #2f6db3; margin: 18px 0 4px; text-transform: uppercase; }
li { margin: 6px 0; line-height: 1.4; } .ex { color: #5b6b7b; font-style: italic; }
</style></head>
<body><header>English dictionary</header><main>
<h1>lexicon</h1><div class="pron">/ˈlɛksɪkən/ · noun · plural lexicons or lexica</div>
<h2>Meanings</h2>
<ol>
<li>The vocabulary of a language, of a person, or of a field of knowledge.
<div class="ex">the growing lexicon of computing</div></li>
<li>A dictionary, especially one of an ancient language such as Greek or Hebrew.</li>
<li>In linguistics, the complete set of meaningful units of a language.</li>
</ol>
<h2>Origin</h2>
<p>Early 17th century, from modern Latin, from Greek <i>lexikon (biblion)</i> "(book) of words",
from <i>lexis</i> "word".</p>
<h2>Related</h2><p>lexical · lexicography · vocabulary · glossary · thesaurus</p>
</main></body></html>
EOF
printf '<!DOCTYPE html><title>Home</title>\n' >"$work/site/index.html"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.out" 2>/dev/null &
server=$!
trap 'kill $server; rm -rf "$work"' EXIT
until grep -q port "$work/server.out"; do sleep 0.2; done
port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.out" | head -n 1)
site="http://127.0.0.1:$port"
printf '%s\r\n' '<?xml version="1.0"?>' '<LexivoDictionaryII>' '    <Type>Option</Type>' \
    "    <Home>$site/</Home>" "    <Chinese>$site/zh/%word.html</Chinese>" \
    "    <English>$site/define/%word.html</English>" "    <Thesaurus>$site/th/%word.html</Thesaurus>" \
    "    <Japanese>$site/ja/%word.html</Japanese>" "    <ChiComputer>$site/cc/%word.html</ChiComputer>" \
    "    <EngComputer>$site/ec/%word.html</EngComputer>" \
    >"$HOME/.config/Lexivo Dictionary II/session/lexivo.xml"
printf '</LexivoDictionaryII>' >>"$HOME/.config/Lexivo Dictionary II/session/lexivo.xml"

mkdir -p "$here/screenshots"
export SCREENSHOT="$here/screenshots/main-window.png"
xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program" --on-display
identify "$SCREENSHOT"
