#!/usr/bin/python3
"""Reads a program as a screen reader does, over AT-SPI, and prints it as JSON.

  atspi_reader.py tree PID [TIMEOUT_S]
      the accessibility tree of the process PID, one JSON object: role, name, description,
      states, text (of nodes with text, shortened) and children.
  atspi_reader.py events PID TYPE...
      prints {"ready": true} once listening, then one JSON line per event of the given types
      (e.g. object:state-changed:focused, object:text-changed, object:announcement) raised by
      PID, until standard input is closed.

Run on the session bus of the program (DBUS_SESSION_BUS_ADDRESS). Uses pyatspi, the library
screen readers on this desktop use.
"""

import json
import sys
import time

import pyatspi
from gi.repository import GLib

MAX_NODES = 5000
MAX_TEXT = 200


def application(pid, timeout):
    deadline = time.monotonic() + timeout
    while True:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            try:
                if app is not None and app.get_process_id() == pid:
                    return app
            except Exception:  # an application that went away while listed
                pass
        if time.monotonic() > deadline:
            return None
        time.sleep(0.1)


def text_of(node):
    try:
        text = node.queryText()
    except NotImplementedError:
        return None
    count = text.characterCount
    shown = text.getText(0, min(count, MAX_TEXT))
    return shown + "\u2026" if count > MAX_TEXT else shown


def describe(node, budget):
    budget[0] -= 1
    entry = {
        "role": node.getRoleName(),
        "name": node.name or "",
        "description": node.description or "",
        "states": sorted(pyatspi.stateToString(s) for s in node.getState().getStates()),
    }
    text = text_of(node)
    if text is not None:
        entry["text"] = text
    children = []
    for child in node:
        if budget[0] <= 0:
            break
        if child is not None:
            children.append(describe(child, budget))
    entry["children"] = children
    return entry


def print_tree(pid, timeout):
    app = application(pid, timeout)
    if app is None:
        print(json.dumps({"error": "no application with process id %d on the bus" % pid}))
        return 1
    print(json.dumps(describe(app, [MAX_NODES])))
    return 0


def print_events(pid, types):
    def on_event(event):
        try:
            if event.host_application.get_process_id() != pid:
                return
            source = event.source
            line = {
                "type": event.type,
                "detail1": event.detail1,
                "detail2": event.detail2,
                "data": event.any_data if isinstance(event.any_data, (str, int, bool)) else "",
                "role": source.getRoleName() if source else "",
                "name": (source.name or "") if source else "",
            }
        except Exception as error:  # the source went away before it could be read
            line = {"type": event.type, "error": str(error)}
        print(json.dumps(line), flush=True)

    app = application(pid, 20)
    if app is None:
        print(json.dumps({"error": "no application with process id %d on the bus" % pid}))
        return 1
    for event_type in types:
        pyatspi.Registry.registerEventListener(on_event, event_type)
    # The registry tells the program about the new listener before it answers this call, so the
    # program raises the events once "ready" is out.
    app.clear_cache()
    app.get_name()

    def on_input(channel, condition):
        if condition & (GLib.IO_HUP | GLib.IO_ERR) or not channel.readline():
            pyatspi.Registry.stop()
            return False
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()),
                      GLib.IO_IN | GLib.IO_HUP | GLib.IO_ERR, on_input)
    print(json.dumps({"ready": True}), flush=True)
    pyatspi.Registry.start()
    return 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "tree":
        return print_tree(int(argv[2]), float(argv[3]) if len(argv) > 3 else 20)
    if len(argv) >= 4 and argv[1] == "events":
        return print_events(int(argv[2]), argv[3:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
