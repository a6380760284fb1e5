#!/usr/bin/env python3
"""What a screen reader finds in Kelp, read through AT-SPI as Orca reads it: every tab,
sub-tab and secondary window; a Tab walk of one page. Prints the figure; exits 1 on a failure.
Usage: a11y_walk.py KELP DATABASE  (inside an X display and a D-Bus session)
"""
import os
import subprocess
import sys
import time

import pyatspi

KELP, DATABASE = sys.argv[1], sys.argv[2]
# Generous on a busy machine; every wait polls and ends as soon as its condition holds.
PATIENCE = float(os.environ.get("KELP_A11Y_PATIENCE", "90"))
TAB, ESCAPE = 0xFF09, 0xFF1B  # key symbols

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


def wait_for(what, condition):
    end = time.time() + PATIENCE
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
    return [c for c in (acc.getChildAtIndex(i) for i in range(acc.childCount)) if c is not None]


def showing_descendants(acc):
    """The showing objects under acc, in tree order, without the insides of leaves."""
    out = []
    for child in children(acc):
        if state(child, pyatspi.STATE_SHOWING):
            out.append(child)
            if child.getRole() not in LEAVES:
                out.extend(showing_descendants(child))
    return out


def controls_of(window):
    return [a for a in showing_descendants(window) if a.getRole() in INPUT_ROLES]


def value_of(acc):
    if acc.getRole() in (pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER):
        return str(acc.queryValue().currentValue)
    try:  # boxes, and a list's current entry
        text = acc.queryText()
        return text.getText(0, text.characterCount)
    except NotImplementedError:
        return None


def alt_keys(acc):
    try:
        action = acc.queryAction()
    except NotImplementedError:
        return set()
    bindings = (b.strip().lower() for i in range(action.nActions)
                for b in action.getKeyBinding(i).split(";"))
    return {b.replace("<alt>", "alt+") for b in bindings if b.startswith(("<alt>", "alt+"))}


def check_page(window, where):
    """Each showing control: a name neither empty, nor its value, nor another's beside it; a
    picture says what it shows; no two controls answer the same Alt key."""
    global checked
    names, keys = set(), {}
    bars = [a for a in showing_descendants(window) if a.getRole() == pyatspi.ROLE_MENU_BAR]
    for acc in controls_of(window):
        checked += 1
        name, value = acc.name.strip(), value_of(acc)
        label = f"{where}: {acc.getRoleName()} '{name}'"
        if not name:
            fail(f"{where}: {acc.getRoleName()} holding {value!r} has no name")
        elif value is not None and name == value.strip():
            fail(f"{label} is named by its value")
        elif name in names:
            fail(f"{label} is named as another control beside it")
        names.add(name)
        if acc.getRole() == pyatspi.ROLE_IMAGE and not acc.description:
            fail(f"{label} does not say what it shows")
    for acc in controls_of(window) + [item for bar in bars for item in children(bar)]:
        for key in alt_keys(acc):
            keys.setdefault(key, []).append(acc.name)
    for key, owners in keys.items():
        if len(owners) > 1:
            fail(f"{where}: {key} is the key of {', '.join(owners)}")


def press(acc):
    """Runs a tab, a button or a menu command. One that opens a modal window answers only
    when the window closes: the call's time-out is expected, the window is open by then."""
    try:
        acc.queryAction().doAction(0)  # Qt lists a control's own press first
    except Exception:
        pass


def tabs_of(tab_list):
    """The tabs of a tab bar (without its scroll buttons)."""
    return [t for t in children(tab_list) if t.getRole() == pyatspi.ROLE_PAGE_TAB]


def tab_lists(window, top_list=None):
    return [a for a in showing_descendants(window)
            if a.getRole() == pyatspi.ROLE_PAGE_TAB_LIST and a != top_list]


def switch_to(window, tab):
    """Presses a tab and waits for its page to show (the controls showing change)."""
    before = [a.name for a in controls_of(window)]
    press(tab)
    wait_for(f"the page of tab {tab.name}", lambda: [a.name for a in controls_of(window)] != before)


def visit_tabs(window, where, top_list=None):
    """Checks the window, then every page of every tab control showing in it."""
    check_page(window, where)
    for tabs in tab_lists(window, top_list):
        # Each window opens on its first page: the others in turn, then back to it.
        pages = [t for t in tabs_of(tabs) if state(t, pyatspi.STATE_ENABLED)]
        for tab in pages[1:]:
            switch_to(window, tab)
            check_page(window, f"{where} / {tab.name}")
        if len(pages) > 1:
            switch_to(window, pages[0])


def key(sym):
    pyatspi.Registry.generateKeyboardEvent(sym, None, pyatspi.KEY_SYM)


def secondary(app, main, title):
    return next((f for f in children(app) if f != main and title in f.name
                 and state(f, pyatspi.STATE_SHOWING)), None)


def menu_item(main, path):
    """A menu bar item, or an item of its menus: path is ("Help", "About")."""
    bar = next(a for a in showing_descendants(main) if a.getRole() == pyatspi.ROLE_MENU_BAR)
    item = next(i for i in children(bar) if i.name == path[0])
    for name in path[1:]:
        item = next(i for i in children(item.getChildAtIndex(0)) if i.name == name)
    return item


def visit_window(app, main, title, open_it):
    """Opens a secondary window, checks it, and closes it with Escape."""
    open_it()
    window = wait_for(f"window '{title}'", lambda: secondary(app, main, title))
    wait_for(f"'{title}' to be laid out", lambda: controls_of(window))
    visit_tabs(window, title)
    key(ESCAPE)
    try:
        wait_for(f"Escape to close '{title}'", lambda: secondary(app, main, title) is None)
    except SystemExit:
        fail(f"Escape does not close '{title}'")


def extents(acc):
    e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x, e.y, e.width, e.height


def tab_walk(main, top, page_name):
    """Tab from the page's first box round to it again: every control once, in reading order."""
    # The editor on the main window's current tab: the showing page beside the tab bar.
    stack = next(c for c in children(top.parent) if c != top)
    editor = next(c for c in children(stack) if state(c, pyatspi.STATE_SHOWING))
    page = controls_of(editor)
    reachable = [a for a in page if state(a, pyatspi.STATE_FOCUSABLE)
                 and state(a, pyatspi.STATE_ENABLED) and a.getRole() != pyatspi.ROLE_IMAGE]
    first = reachable[0]
    first.queryComponent().grabFocus()
    wait_for("focus in the first box", lambda: state(first, pyatspi.STATE_FOCUSED))
    order = [first]
    everything = showing_descendants(main)
    for _ in range(3 * len(reachable) + 20):
        key(TAB)
        # The focus has moved once the control holding it is another than before.
        now = wait_for("the focus after Tab", lambda: next(
            (a for a in everything if a != order[-1] and state(a, pyatspi.STATE_FOCUSED)), None))
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


def main():
    started = time.time()
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
    kelp = subprocess.Popen([KELP, DATABASE], env=env)

    def on_bus():
        if kelp.poll() is not None:
            raise SystemExit(f"FAIL: kelp ended at its start with status {kelp.returncode}")
        return next((a for a in children(pyatspi.Registry.getDesktop(0))
                     if a.get_process_id() == kelp.pid), None)

    try:
        app = wait_for("kelp on the accessibility bus", on_bus)
        main_window = wait_for("the main window with its eleven tabs", lambda: next(
            f for f in children(app) if any(len(tabs_of(t)) == 11 for t in tab_lists(f))))
        top = next(t for t in tab_lists(main_window) if len(tabs_of(t)) == 11)
        for i, tab in enumerate(tabs_of(top)):
            if i > 0:
                switch_to(main_window, tab)
            visit_tabs(main_window, tab.name, top)
        # The toolbar's controls, those a narrow window hides too.
        for bar in (a for a in showing_descendants(main_window) if a.getRole() == pyatspi.ROLE_TOOL_BAR):
            for acc in children(bar):
                if acc.getRole() in INPUT_ROLES and not acc.name.strip():
                    fail(f"toolbar: {acc.getRoleName()} has no name")
        switch_to(main_window, tabs_of(top)[0])
        # The keyboard first, while the main window still has it from the start.
        tab_walk(main_window, top, "Timers / Port 1")

        switch_to(main_window, next(t for t in tabs_of(top) if t.name.startswith("Special")))
        button = next(a for a in controls_of(main_window) if a.name.startswith("Change Unlock"))
        visit_window(app, main_window, "Unlock", lambda: press(button))
        for title, path in (("DTMF Dialer", ("DTMF Test Pad",)),
                            ("Manual Send", ("Manual Data Send",)),
                            ("Send To QZ740", ("QZ740", "Upload to QZ740")),
                            ("Network Port", ("Configure Kelp", "Use Serial Port", "Network...")),
                            ("History of", ("QZ740", "History…")),
                            ("About", ("Help", "About")),
                            ("Company", ("Help", "Company Information"))):
            visit_window(app, main_window, title,
                         lambda: press(menu_item(main_window, path)))
        # Compare asks about the autopatch board (the question box is checked too), then
        # downloads the controller's memory from the simulator before it opens.
        visit_window(app, main_window, "Compare with QZ740", lambda: visit_window(
            app, main_window, "Download from AP1",
            lambda: press(menu_item(main_window, ("QZ740", "Compare with QZ740")))))
        print(f"accessibility: {checked} controls checked, {len(failures)} failing "
              f"({time.time() - started:.0f} s)")
    finally:
        kelp.kill()
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
