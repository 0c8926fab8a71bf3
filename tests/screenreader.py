"""The window as a screen reader hears it, over the real accessibility bus.

Started with the updater's command line after it; listens to the bus while
the updater (played by its autopilot) runs one whole update, and says what
it missed. Exit 0: the progress bar is named, holds the focus while the
receiver is written, and every restart reached it as its description; the
result reached the focused Close."""

import subprocess
import sys

import pyatspi
from gi.repository import GLib

heard = {"focus": [], "descriptions": [], "bar": None, "close": None}


def on_event(event):
    source = event.source
    try:
        role = source.getRoleName()
        name = source.name
        if event.type.startswith("object:state-changed:focused") and event.detail1:
            heard["focus"].append((role, name))
            if role == "progress bar":
                heard["bar"] = (name, source.description)
            if role == "push button" and name == "Close" and source.description:
                heard["close"] = (name, source.description)
        elif event.type.startswith("object:property-change:accessible-description"):
            description = source.description
            heard["descriptions"].append((role, description))
            if role == "push button" and name == "Close" and description:
                heard["close"] = (name, description)
    except Exception:  # the object may be gone already
        pass


def main():
    program = subprocess.Popen(sys.argv[1:], stderr=subprocess.DEVNULL)
    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:focused",
                                           "object:property-change:accessible-description")

    def look():
        if program.poll() is not None:
            pyatspi.Registry.stop()
            return False
        return True

    GLib.timeout_add(200, look)
    GLib.timeout_add_seconds(120, lambda: pyatspi.Registry.stop())
    pyatspi.Registry.start()
    program.wait(timeout=10)

    problems = []
    if not heard["bar"] or heard["bar"][0] != "Update progress":
        problems.append("the focused progress bar is not named 'Update progress': %r" % (heard["bar"],))
    restarts = [d for role, d in heard["descriptions"] if role == "progress bar" and d.startswith("Restarting the receiver (restart")]
    for restart in ("restart 1 of 3", "restart 2 of 3", "restart 3 of 3"):
        if not any(restart in d for d in restarts):
            problems.append("no description of the bar said '%s'" % restart)
    if not heard["close"] or "has been updated. Installed: 6.01, build 83." not in heard["close"][1]:
        problems.append("the focused Close did not carry the result: %r" % (heard["close"],))
    print("focus: %s" % heard["focus"])
    print("bar descriptions: %d, e.g. %r" % (len(restarts), restarts[:1]))
    for problem in problems:
        print("screen reader: " + problem)
    return 1 if problems else 0


sys.exit(main())
