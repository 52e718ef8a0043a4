#!/usr/bin/python3
"""What a screen reader sees of the program, through the AT-SPI bus.

  atspi.py names TITLE     waits up to 30 s for the program's window TITLE
                           to show and have the keyboard, walks its tree and fails on any focusable or
                           actionable control that has no name
  atspi.py text TITLE NAME EXPECTED
                           waits up to 30 s until the text of the control
                           NAME in window TITLE is EXPECTED
  atspi.py popup ITEM       waits up to 30 s for a pop-up menu with ITEM in it
  atspi.py listen FILE     writes every object:text-changed event of a
                           password box to FILE, one a line, as
                           "kind<TAB>text"; touches FILE.ready once listening
"""
import signal
import sys
import time

import pyatspi
from gi.repository import GLib

APP = "Quenzal"


def program():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == APP:
            return app
    return None


def window(title, active=False):
    app = program()
    if app is None:
        return None
    for child in app:
        if child is None or child.name != title:
            continue
        states = child.getState()
        if states.contains(pyatspi.STATE_SHOWING) and \
                (not active or states.contains(pyatspi.STATE_ACTIVE)):
            return child
    return None


def actionable(node):
    try:
        return node.queryAction().nActions > 0
    except NotImplementedError:
        return False


def walk(node, path, missing):
    states = node.getState()
    role = node.getRoleName()
    reachable = states.contains(pyatspi.STATE_FOCUSABLE) or actionable(node)
    # Menus, their items and the window itself are named by their captions.
    if reachable and states.contains(pyatspi.STATE_VISIBLE) and not node.name.strip():
        missing.append("%s/%s" % (path, role))
    for index, child in enumerate(node):
        if child is not None:
            walk(child, "%s/%s[%d]" % (path, role, index), missing)


def names(title):
    deadline = time.monotonic() + 30
    found = window(title, active=True)
    while found is None and time.monotonic() < deadline:
        time.sleep(0.2)
        found = window(title, active=True)
    if found is None:
        print("FAIL: no active window \"%s\" on the accessibility bus" % title, file=sys.stderr)
        return 1
    missing = []
    seen = [0]

    def count(node):
        seen[0] += 1
        for child in node:
            if child is not None:
                count(child)
    count(found)
    walk(found, title, missing)
    for path in missing:
        print("FAIL: no name: %s" % path, file=sys.stderr)
    print("%s: %d objects, %d without a name" % (title, seen[0], len(missing)))
    return 1 if missing else 0


def find(node, name):
    """The editable text control called name, under node."""
    if node.name == name and node.getState().contains(pyatspi.STATE_EDITABLE):
        return node
    for child in node:
        if child is not None:
            found = find(child, name)
            if found is not None:
                return found
    return None


def text(title, name, expected):
    deadline = time.monotonic() + 30
    got = None
    while time.monotonic() < deadline:
        found = window(title)
        control = find(found, name) if found is not None else None
        if control is not None:
            got = control.queryText().getText(0, -1)
            if got == expected:
                return 0
        time.sleep(0.2)
    print("FAIL: \"%s\" in \"%s\" reads %r, not %r" % (name, title, got, expected),
          file=sys.stderr)
    return 1


def shown_menu(node, item):
    """Whether a menu with item in it shows, at node or under it."""
    if node.getRole() in (pyatspi.ROLE_POPUP_MENU, pyatspi.ROLE_MENU) and \
            node.getState().contains(pyatspi.STATE_SHOWING) and \
            any(c is not None and c.name == item for c in node):
        return True
    return any(c is not None and shown_menu(c, item) for c in node)


def popup(item):
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        app = program()
        if app is not None and shown_menu(app, item):
            return 0
        time.sleep(0.2)
    print("FAIL: no pop-up menu with \"%s\"" % item, file=sys.stderr)
    return 1


def listen(path):
    out = open(path, "a", buffering=1)

    def heard(event):
        try:
            if event.source.getRole() != pyatspi.ROLE_PASSWORD_TEXT:
                return
        except Exception:
            return
        out.write("%s\t%s\n" % (event.type, event.any_data))

    pyatspi.Registry.registerEventListener(heard, "object:text-changed")
    open(path + ".ready", "w").close()
    loop = GLib.MainLoop()
    signal.signal(signal.SIGTERM, lambda *_: loop.quit())
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, lambda: loop.quit() or False)
    loop.run()
    return 0


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "names":
        sys.exit(names(sys.argv[2]))
    if len(sys.argv) == 5 and sys.argv[1] == "text":
        sys.exit(text(sys.argv[2], sys.argv[3], sys.argv[4]))
    if len(sys.argv) == 3 and sys.argv[1] == "popup":
        sys.exit(popup(sys.argv[2]))
    if len(sys.argv) == 3 and sys.argv[1] == "listen":
        sys.exit(listen(sys.argv[2]))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
