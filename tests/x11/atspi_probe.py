#!/usr/bin/python3
"""Reads a window of ours as a screen reader does, through AT-SPI.

atspi_probe.py buttons TITLE   prints, as JSON, the window's extents and every button in it:
                               name, whether it is showing, and its extents.
Exits 1 when no window of that title is found within ten seconds.
"""
import json
import sys
import time

import pyatspi


def frames(title):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == title:
                yield window


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return [box.x, box.y, box.width, box.height]


BUTTONS = (pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX,
           pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_RADIO_BUTTON)


def buttons(window):
    found = []

    def walk(node):
        for child in node:
            if child is None:
                continue
            if child.getRole() in BUTTONS:
                states = child.getState()
                found.append({
                    "name": child.name,
                    "showing": states.contains(pyatspi.STATE_SHOWING),
                    "extents": extents(child),
                })
            walk(child)

    walk(window)
    return found


def main():
    command, title = sys.argv[1], sys.argv[2]
    if command != "buttons":
        sys.exit(2)
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        for window in frames(title):
            print(json.dumps({"window": extents(window), "buttons": buttons(window)}))
            return
        time.sleep(0.2)
    sys.exit(1)


if __name__ == "__main__":
    main()
