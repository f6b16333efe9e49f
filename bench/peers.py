"""The peers, set up to be measured alike: this build and the previous one (copied with their
modules and given settings that point at the bench's server), the bare engine window, GoldenDict
(a configuration of its own with one website dictionary on the bench's server) and the two
floors; each one's environment and command line."""

import os
import shutil
import subprocess
import xml.sax.saxutils

from procfs import read_text
from trial import Program

GOLDENDICT_WORD = "bench"  # the word GoldenDict is started with


def prepare_run_dir(run_dir: str):
    """An empty folder for the programs' copies, with XDG folders of their own."""
    if os.path.exists(run_dir):
        shutil.rmtree(run_dir)
    for sub in ("runtime", "cache", "data", "config"):
        os.makedirs(os.path.join(run_dir, "xdg", sub), mode=0o700)


def install_lexivo(exe: str, folder: str, build: str, port: int, home: str,
                   distant_port: int = None):
    """Copies a lexivo_bench, with the modules it loads at run time (listed by its build),
    into a folder of its own and writes the bench settings beside it with the program's own
    writer, with every template pointing at our server; the Japanese one at the distant server
    when there is one (the first lookup of a provider whose connections are slow to set up)."""
    os.makedirs(os.path.join(folder, "session"), exist_ok=True)
    shutil.copy2(exe, os.path.join(folder, "lexivo_bench"))
    modules = read_text(os.path.join(os.path.dirname(exe), "lexivo_bench_modules.txt"))
    for module in modules.splitlines():
        shutil.copy2(module, folder)
    templates = [f"http://127.0.0.1:{distant_port if lang == 'ja' and distant_port else port}"
                 f"/{lang}/%firstchar/%word.html"
                 for lang in ("zh", "en", "th", "ja", "zhc", "enc")]
    subprocess.run([os.path.join(build, "bench_write_settings"),
                    os.path.join(folder, "session", "lexivo.xml"), home, *templates],
                   check=True)


def write_goldendict_config(home: str, dictionary_url: str):
    """A GoldenDict configuration in home/.goldendict with one website dictionary and nothing
    else: no dictionary folders, no Wikipedia or dictd servers, no tray icon, scan popup or
    hotkeys, and no check for new releases, so that it asks nothing of any other address."""
    folder = os.path.join(home, ".goldendict")
    os.makedirs(folder, exist_ok=True)
    url = xml.sax.saxutils.quoteattr(dictionary_url)
    off = ("enableTrayIcon startToTray closeToTray autoStart enableMainWindowHotkey "
           "enableClipboardHotkey enableScanPopup startWithScanPopupOn checkForNewReleases "
           "disallowContentFromOtherSites enableWebPlugins").split()
    preferences = "".join(f"<{name}>0</{name}>" for name in off)
    with open(os.path.join(folder, "config"), "w", encoding="utf-8") as f:
        f.write(
            "<config><paths/><sounddirs/><dictionaryOrder name=\"\" id=\"0\"/>"
            "<inactiveDictionaries name=\"\" id=\"0\"/><groups nextId=\"1\"/>"
            "<hunspell dictionariesPath=\"\"/>"
            "<forvo><enable>0</enable><apiKey/><languageCodes/></forvo><mediawikis/>"
            "<websites><website id=\"6c656b69766f62656e6368\" name=\"Bench dictionary\" "
            f"url={url} enabled=\"1\" icon=\"\" inside_iframe=\"1\"/></websites>"
            "<dictservers/><programs/><voiceEngines/><mutedDictionaries/>"
            f"<popupMutedDictionaries/><preferences>{preferences}"
            "<proxyserver enabled=\"0\" useSystemProxy=\"0\"/></preferences></config>\n")


def program_env(display: str, run_dir: str, extra: dict) -> dict:
    env = dict(os.environ)
    env.update({
        "DISPLAY": display,
        "XDG_RUNTIME_DIR": os.path.join(run_dir, "xdg", "runtime"),
        "XDG_CACHE_HOME": os.path.join(run_dir, "xdg", "cache"),
        "XDG_DATA_HOME": os.path.join(run_dir, "xdg", "data"),
        "XDG_CONFIG_HOME": os.path.join(run_dir, "xdg", "config"),
    })
    for k in ("QT_QPA_PLATFORM", "QTWEBENGINE_CHROMIUM_FLAGS", "QT_QUICK_BACKEND",
              "QT_XCB_GL_INTEGRATION", "WAYLAND_DISPLAY"):
        env.pop(k, None)
    env.update(extra)
    return env


def needs_engine(exe: str):
    """Whether the executable names a QtWebEngine library as NEEDED, so that the loader maps the
    engine before main(); None where that cannot be read."""
    done = subprocess.run(["readelf", "-d", exe], capture_output=True, text=True)
    if done.returncode != 0:
        return None
    return "libQt6WebEngine" in done.stdout


def variants(cfg) -> dict:
    """--variant LABEL:NAME=VALUE, repeatable: this build again, with that environment. The
    label is letters, digits and dashes: it tags the program's home page."""
    found = {}
    for item in cfg.variant:
        label, _, assignment = item.partition(":")
        if not label or not all(c.isalnum() or c == "-" for c in label):
            raise SystemExit(f"--variant {item}: the label may hold letters, digits and dashes")
        name, _, value = assignment.partition("=")
        found.setdefault(label, {})[name] = value
    return found


def make_programs(cfg, run_dir: str, display: str, base_url: str, port: int,
                  distant_port: int = None) -> list:
    """The rows of the table, in the order they are printed."""
    local = cfg.home == "local"

    def home_url(tag):
        return f"{base_url}/home.html?p={tag}" if local else cfg.home

    ours_env = program_env(display, run_dir, dict(i.split("=", 1) for i in cfg.ours_env))
    plain_env = program_env(display, run_dir, {})

    def button_lookup(word):
        return f"cmdEn2En {word}", f"/en/{word[0]}/{word}.html"

    def distant_lookup(word):
        return f"cmdEn2Jp {word}", f"/ja/{word[0]}/{word}.html"

    def load_lookup(word):
        return f"{base_url}/en/{word[0]}/{word}.html", f"/en/{word[0]}/{word}.html"

    def distant_load(word):
        return (f"http://127.0.0.1:{distant_port}/ja/{word[0]}/{word}.html",
                f"/ja/{word[0]}/{word}.html")

    programs = []
    builds = [("lexivo", "lexivo (this build)", cfg.build, ours_env)]
    if cfg.previous_build:
        builds.append(("previous", f"lexivo, previous build ({cfg.previous_label})",
                       cfg.previous_build, ours_env))
    for label, env in variants(cfg).items():
        builds.append((f"lexivo_{label}", f"lexivo, {label}", cfg.build, dict(ours_env, **env)))
    for key, label, build, env in builds:
        folder = os.path.join(run_dir, key)
        install_lexivo(os.path.join(build, "lexivo_bench"), folder, cfg.build, port,
                       home_url(key), distant_port)
        programs.append(Program(key, label, [os.path.join(folder, "lexivo_bench")], env,
                                folder, observer=True, lookup=button_lookup, home=local,
                                idle=key != "previous",
                                first_lookup=distant_lookup if distant_port else None))
    programs.append(Program(
        "baseline", "bare QtWebEngine window (bench_baseline)",
        [os.path.join(cfg.build, "bench_baseline"), "--home", home_url("baseline")],
        program_env(display, run_dir, dict(i.split("=", 1) for i in cfg.baseline_env)),
        run_dir, observer=True, lookup=load_lookup, home=local, idle=True,
        # The same pages as ours before the idle window, whose renderer works after each page.
        first_lookup=distant_load if distant_port else None))
    goldendict = shutil.which("goldendict")
    if goldendict:
        gd_home = os.path.join(run_dir, "goldendict-home")
        write_goldendict_config(gd_home, f"{base_url}/home.html?p=goldendict&w=%GDWORD%")
        programs.append(Program("goldendict", "GoldenDict (Debian package)",
                                [goldendict, GOLDENDICT_WORD], dict(plain_env, HOME=gd_home),
                                gd_home, takes_commands=False))
    for key, label in (("floor", "widgets-only floor (bench_floor)"),
                       ("floor_webengine", "floor linked to QtWebEngine (bench_floor_webengine)")):
        programs.append(Program(key, label, [os.path.join(cfg.build, f"bench_{key}")],
                                plain_env, run_dir, home=False))
    return programs
