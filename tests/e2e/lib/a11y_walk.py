#!/usr/bin/env python3
"""What a screen reader finds in Kelp, read through AT-SPI as Orca reads it.

Starts kelp on a database, then visits every tab and sub-tab of the main window and the
secondary windows its menus and buttons open, and checks every showing control: its accessible name
is not empty, is not merely its value, and no other control showing beside it has the same
one; no two controls showing together answer the same Alt key; Escape closes each
secondary window. Then Tab walks one page (Timers, Port 1) and must reach each of its
controls in reading order. Prints the figure and exits 1 on any failure.

Usage: a11y_walk.py KELP DATABASE  (run inside an X display and a D-Bus session)
"""
import os
import subprocess
import sys
import time

import pyatspi

KELP, DATABASE = sys.argv[1], sys.argv[2]
# Generous on a busy machine; every wait polls and ends as soon as its condition holds.
PATIENCE = float(os.environ.get("KELP_A11Y_PATIENCE", "90"))

INPUT_ROLES = {
    pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON,
    pyatspi.ROLE_SLIDER, pyatspi.ROLE_IMAGE,
}
# What a screen reader announces as one unit: their insides are items, not controls.
LEAVES = INPUT_ROLES | {pyatspi.ROLE_MENU_BAR, pyatspi.ROLE_PAGE_TAB_LIST, pyatspi.ROLE_TOOL_BAR}


failures = []
checked = 0


def fail(text):
    failures.append(text)
    print("FAIL: " + text, file=sys.stderr)


def wait_for(what, condition, patience=PATIENCE):
    end = time.time() + patience
    while True:
        try:
            value = condition()
            if value:
                return value
        except Exception:  # the tree changes under us while windows come and go
            pass
        if time.time() > end:
            raise SystemExit("FAIL: timed out waiting for " + what)
        time.sleep(0.2)


def state(acc, s):
    return acc.getState().contains(s)


def children(acc):
    return [acc.getChildAtIndex(i) for i in range(acc.childCount)]


def showing_descendants(acc):
    """The showing objects under acc, in tree order, without the insides of leaves."""
    out = []
    for child in children(acc):
        if child is None or not state(child, pyatspi.STATE_SHOWING):
            continue
        out.append(child)
        if child.getRole() not in LEAVES:
            out.extend(showing_descendants(child))
    return out


def value_of(acc):
    role = acc.getRole()
    if role in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT):
        text = acc.queryText()
        return text.getText(0, text.characterCount)
    if role == pyatspi.ROLE_COMBO_BOX:
        # The entry the list shows, as its text.
        try:
            text = acc.queryText()
            return text.getText(0, text.characterCount)
        except NotImplementedError:
            return None
    if role in (pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER):
        return str(acc.queryValue().currentValue)
    return None


def alt_keys(acc):
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return []
    keys = set()
    for i in range(action.nActions):
        for binding in action.getKeyBinding(i).split(";"):
            binding = binding.strip().lower()
            if binding.startswith("<alt>") or binding.startswith("alt+"):
                keys.add(binding.replace("<alt>", "alt+"))
    return sorted(keys)


def check_page(window, where):
    """Every showing control of the window as it stands."""
    global checked
    controls = [a for a in showing_descendants(window) if a.getRole() in INPUT_ROLES]
    names = {}
    keys = {}
    for acc in controls:
        checked += 1
        name = acc.name.strip()
        value = value_of(acc)
        label = f"{where}: {acc.getRoleName()} '{name}'"
        if not name:
            fail(f"{where}: {acc.getRoleName()} holding {value!r} has no name")
        elif value is not None and name == value.strip():
            fail(f"{label} is named by its value")
        elif name in names:
            fail(f"{label} is named as another control beside it")
        names.setdefault(name, acc)
        if acc.getRole() == pyatspi.ROLE_IMAGE and not acc.description:
            fail(f"{label} does not say what it shows")
    for acc in showing_descendants(window):
        if acc.getRole() in (pyatspi.ROLE_MENU_BAR,):
            for item in children(acc):
                for key in alt_keys(item):
                    keys.setdefault(key, []).append(item.name)
        elif acc.getRole() in INPUT_ROLES:
            for key in alt_keys(acc):
                keys.setdefault(key, []).append(acc.name)
    for key, owners in keys.items():
        if len(owners) > 1:
            fail(f"{where}: {key} is the key of {', '.join(owners)}")
    return controls


def press(acc):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "switch", "activate"):
            action.doAction(i)
            return
    action.doAction(0)


def tabs_of(tab_list):
    """The tabs of a tab bar (without its scroll buttons)."""
    return [t for t in children(tab_list) if t is not None and t.getRole() == pyatspi.ROLE_PAGE_TAB]


def tab_lists(window, top_list=None):
    return [a for a in showing_descendants(window)
            if a.getRole() == pyatspi.ROLE_PAGE_TAB_LIST and a != top_list]


def signature(window):
    return tuple(a.name for a in showing_descendants(window) if a.getRole() in INPUT_ROLES)


def switch_to(window, tab):
    """Presses a tab and waits for its page to show (the controls showing change)."""
    before = signature(window)
    press(tab)
    wait_for(f"the page of tab {tab.name}", lambda: signature(window) != before)


def visit_tabs(window, where, top_list=None, depth=0):
    """Checks the window, then every page of every tab control showing in it."""
    check_page(window, where)
    if depth > 2:
        return
    for tabs in tab_lists(window, top_list):
        # The first page shows already (each window opens on it): the others in turn.
        pages = [t for t in tabs_of(tabs) if state(t, pyatspi.STATE_ENABLED)]
        for tab in pages[1:]:
            switch_to(window, tab)
            check_page(window, f"{where} / {tab.name}")
        if len(pages) > 1:
            switch_to(window, pages[0])


KEYSYMS = {"Tab": 0xFF09, "Escape": 0xFF1B}


def key(name):
    pyatspi.Registry.generateKeyboardEvent(KEYSYMS[name], None, pyatspi.KEY_SYM)
    time.sleep(0.15)


def frames(app):
    return [f for f in children(app) if f is not None and state(f, pyatspi.STATE_SHOWING)]


def secondary(app, main, title):
    found = [f for f in frames(app) if f != main and title in f.name]
    return found[0] if found else None


def trigger(acc):
    """Runs a command of a menu or a button. A command that opens a modal window answers only
    when the window closes: the call's time-out is expected, the window is open by then."""
    try:
        press(acc)
    except Exception:
        pass


def menu_item(main, path):
    """A menu bar item, or an item of its menu: path is ("Help", "About")."""
    bar = next(a for a in showing_descendants(main) if a.getRole() == pyatspi.ROLE_MENU_BAR)
    item = next(i for i in children(bar) if i.name == path[0])
    if len(path) > 1:
        menu = item.getChildAtIndex(0)
        item = next(i for i in children(menu) if i is not None and i.name == path[1])
    return item


def visit_window(app, main, title, open_it):
    """Opens a secondary window, checks it, and closes it with Escape."""
    open_it()
    window = wait_for(f"window '{title}'", lambda: secondary(app, main, title))
    wait_for(f"'{title}' to be laid out",
             lambda: any(a.getRole() in INPUT_ROLES for a in showing_descendants(window)))
    visit_tabs(window, title)
    key("Escape")
    try:
        wait_for(f"Escape to close '{title}'", lambda: secondary(app, main, title) is None, 20)
    except SystemExit:
        fail(f"Escape does not close '{title}'")


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def focused(candidates):
    for acc in candidates:
        if state(acc, pyatspi.STATE_FOCUSED):
            return acc
    return None


def tab_walk(main, top, page_name):
    """Tab from the page's first box round to it again: every control once, in reading order."""
    # The editor on the main window's current tab: the showing page beside the tab bar.
    stack = next(c for c in children(top.parent) if c != top)
    editor = next(c for c in children(stack) if state(c, pyatspi.STATE_SHOWING))
    page = [a for a in showing_descendants(editor) if a.getRole() in INPUT_ROLES]
    reachable = [a for a in page if state(a, pyatspi.STATE_FOCUSABLE)
                 and state(a, pyatspi.STATE_ENABLED) and a.getRole() != pyatspi.ROLE_IMAGE]
    first = reachable[0]
    first.queryComponent().grabFocus()
    wait_for("focus in the first box", lambda: state(first, pyatspi.STATE_FOCUSED), 20)
    order = [first]
    everything = showing_descendants(main)
    for _ in range(3 * len(reachable) + 20):
        key("Tab")
        now = wait_for("the focus after Tab", lambda: focused(everything), 20)
        if now == first:
            break
        order.append(now)
    missing = [a.name for a in reachable if a not in order]
    if missing:
        fail(f"Tab on {page_name} never reaches: {', '.join(missing)}")
    stops = [a for a in order if a in page]
    backwards = 0
    for a, b in zip(stops, stops[1:]):
        ax, ay, aw, ah = extents(a)
        bx, by, bw, bh = extents(b)
        # Reading order: down the column, or on to a column or control further right.
        if by + bh / 2 < ay and bx + bw / 2 < ax:
            backwards += 1
            fail(f"Tab on {page_name} goes back from '{a.name}' to '{b.name}'")
    print(f"tab walk: {page_name}: {len(order)} stops, {len(stops)} on the page, "
          f"{backwards} against reading order, {len(missing)} never reached")


def display_ready():
    """The X server answers on its socket (a loaded machine may still be starting it)."""
    import socket
    number = os.environ.get("DISPLAY", ":0").split(":")[-1].split(".")[0]
    with socket.socket(socket.AF_UNIX) as s:
        s.connect(f"/tmp/.X11-unix/X{number}")
    return True


def start_kelp():
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               QT_QPA_PLATFORM="xcb")
    for _ in range(3):
        wait_for("the X server", display_ready)
        kelp = subprocess.Popen([KELP, DATABASE], env=env)
        try:
            kelp.wait(5)  # a program that could not reach the display ends at once
        except subprocess.TimeoutExpired:
            return kelp
    raise SystemExit("FAIL: kelp did not start on the X display")


def main():
    kelp = start_kelp()
    try:
        desktop = pyatspi.Registry.getDesktop(0)
        app = wait_for("kelp on the accessibility bus", lambda: kelp.poll() is None and next(
            (a for a in children(desktop) if a is not None and a.get_process_id() == kelp.pid),
            None))
        main_window = wait_for("the main window with its eleven tabs", lambda: next(
            (f for f in frames(app) if any(
                len(tabs_of(t)) == 11 for t in tab_lists(f))), None))
        top = next(t for t in tab_lists(main_window) if len(tabs_of(t)) == 11)
        for i, tab in enumerate(tabs_of(top)):
            if i > 0:
                switch_to(main_window, tab)
            visit_tabs(main_window, tab.name, top)
        switch_to(main_window, tabs_of(top)[0])
        # The keyboard first, while the main window still has it from the start.
        tab_walk(main_window, top, "Timers / Port 1")

        codes = next(t for t in tabs_of(top) if t.name.startswith("Special Codes"))
        switch_to(main_window, codes)
        button = next(a for a in showing_descendants(main_window)
                      if a.getRole() == pyatspi.ROLE_PUSH_BUTTON
                      and a.name.startswith("Change Unlock"))
        visit_window(app, main_window, "Unlock", lambda: trigger(button))
        for title, path in (("DTMF Dialer", ("DTMF Test Pad",)),
                            ("Manual Send", ("Manual Data Send",)),
                            ("About", ("Help", "About")),
                            ("Company", ("Help", "Company Information"))):
            visit_window(app, main_window, title,
                         lambda: trigger(menu_item(main_window, path)))
        print(f"accessibility: {checked} controls checked, {len(failures)} failing")
    finally:
        kelp.terminate()
        try:
            kelp.wait(10)
        except subprocess.TimeoutExpired:
            kelp.kill()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
