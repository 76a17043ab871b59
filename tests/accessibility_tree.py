#!/usr/bin/python3
# Reads the program's window as a screen reader does (AT-SPI) and prints a short listing of roles
# and names: the History page brought forward first, its rows cut to the first few, then the All
# page, whose performers must be reachable by name.
# usage: accessibility_tree.py APP_NAME OUT_FILE   exit 0: every check held; 1: one failed
import re
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

FIELD_ROLES = {"text", "entry", "password text", "check box", "combo box", "spin button", "table", "tree table"}
ROWS_SHOWN = 3
# The History page's words for its events.
EVENTS = {"online at start", "came online", "went offline", "now free", "busy", "online"}
# The fields a reader must be able to tell apart, by the program's own words (in English).
NAMED = [("text", "Find a performer"), ("check box", "Favorites only"), ("table", "History"),
         ("table", "All"), ("table", "Favorite")]


def find_app(name, seconds):
    end = time.time() + seconds
    while time.time() < end:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and (app.get_name() or "").lower() == name.lower():
                return app
        time.sleep(0.2)
    return None


def walk(node, depth=0):
    """Yields (depth, role, name, accessible) for the tree below node, a table's first rows only."""
    try:
        role, name, count = node.get_role_name(), node.get_name() or "", node.get_child_count()
        if role in ("table", "tree table"):
            count = min(count, max(1, Atspi.Table.get_n_columns(node)) * (ROWS_SHOWN + 1))
    except GLib.Error:
        return  # gone: a list laid out anew replaces its cells
    yield depth, role, name, node
    for i in range(count):
        try:
            child = node.get_child_at_index(i)
        except GLib.Error:
            continue
        if child is not None:
            yield from walk(child, depth + 1)


def bring_forward(app, names):
    for _, role, _, node in walk(app):
        if role == "page tab list":
            for i in range(node.get_child_count()):
                if node.get_child_at_index(i).get_name() in names:
                    node.select_child(i)
                    return node.get_parent()
    return None


def bring_history_forward(app):
    return bring_forward(app, ("History", "履歴"))


def read_all_page(window):
    """The rows of the All page's list, and what a reader misses in them."""
    lists = [node for _, role, name, node in walk(window) if role == "table" and name == "All"]
    if not lists:
        return [], ["no table named 'All'"]
    cells = [name for _, role, name, _ in walk(lists[0]) if role == "table cell"]
    failed = []
    counts = [int(m.group(1)) for m in (re.fullmatch(r"[\u25be\u25b8] Online \((\d+)\)", c) for c in cells) if m]
    if not counts:
        failed.append("the All page's group is not readable: %r" % cells[:4])
    elif Atspi.Table.get_n_rows(lists[0]) != counts[0] + 1:
        # Every performer has a row of her own below the group's.
        failed.append("the All page has %d rows for %d performers" % (Atspi.Table.get_n_rows(lists[0]), counts[0]))
    if not any(re.fullmatch(r"[A-Za-z0-9_]+", c) and not c.isdigit() for c in cells):
        failed.append("no performer's name on the All page is readable: %r" % cells[:4])
    if not {"free", "busy"} & set(cells):
        failed.append("no performer's status on the All page is readable: %r" % cells[:8])
    return ["--- All page"] + ["table cell %r" % c for c in cells], failed


def main():
    app = find_app(sys.argv[1], 20)
    if app is None:
        desktop = Atspi.get_desktop(0)
        names = [desktop.get_child_at_index(i).get_name() for i in range(desktop.get_child_count())]
        print("FAILED: no application %r on the accessibility bus, only %r" % (sys.argv[1], names))
        return 1
    window = bring_history_forward(app)
    if window is None:
        print("FAILED: no History page tab")
        return 1
    while window.get_role_name() != "frame" and window.get_parent() is not None:
        window = window.get_parent()
    # A refresh of the list may replace its cells while they are read: a few looks.
    for _ in range(5):
        time.sleep(1)
        lines, failed = read(window)
        if not failed:
            break
    if bring_forward(app, ("All",)) is None:
        failed.append("no All page tab")
    for _ in range(5):
        time.sleep(1)
        all_lines, all_failed = read_all_page(window)
        if not all_failed:
            break
    lines += all_lines
    failed += all_failed
    with open(sys.argv[2], "w") as out:
        out.write("\n".join(lines) + "\n")
    for fault in failed:
        print("FAILED: " + fault)
    return 1 if failed else 0


def shown(node):
    try:
        return node.get_state_set().contains(Atspi.StateType.SHOWING)
    except GLib.Error:
        return False


def read(window):
    """The listing of window, and what a reader misses in it."""
    lines, texts, unnamed, named = [], [], [], set()
    for depth, role, name, node in walk(window):
        if role == "filler" and not name:
            continue
        lines.append("%s%s %r" % ("  " * min(depth, 12), role, name))
        named.add((role, name))
        if role == "table cell":
            texts.append(name)
        if role in FIELD_ROLES and not name and shown(node):
            unnamed.append(role)
    failed = []
    if not any(re.fullmatch(r"(\d{4}-\d\d-\d\d )?\d\d:\d\d:\d\d", t) for t in texts):
        failed.append("no History row's time is readable")
    if not EVENTS.intersection(texts):
        failed.append("no History row's event is readable")
    if not any(re.fullmatch(r"[A-Za-z0-9_]+", t) and not t.isdigit() for t in texts):
        failed.append("no History row's name is readable")
    for role, name in NAMED:
        if (role, name) not in named:
            failed.append("no %s named %r" % (role, name))
    if unnamed:
        failed.append("fields without a name: " + ", ".join(unnamed))
    return lines, failed

if __name__ == "__main__":
    sys.exit(main())
