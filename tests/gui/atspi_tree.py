#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# What a screen reader sees of the running app, read through AT-SPI: every screen, page and question,
# each control the keyboard can reach with a name and a role, and a page hiding what it covers.
# Pages are opened the way a reader's user opens them: by the row's "Press" action.
import sys
import time

import pyatspi

NO_ROLE = {pyatspi.ROLE_INVALID, pyatspi.ROLE_UNKNOWN, pyatspi.ROLE_FILLER}
problems = []


def wait_for(what, seconds=10.0):
    end = time.time() + seconds
    while time.time() < end:
        found = what()
        if found:
            return found
        time.sleep(0.1)
    return None


def the_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name.lower() == "vantro":
            return app
    return None


def states(acc):
    return acc.getState()


def showing(acc):
    s = states(acc)
    return s.contains(pyatspi.STATE_SHOWING) or s.contains(pyatspi.STATE_VISIBLE)


def children(acc):
    try:
        return [acc.getChildAtIndex(i) for i in range(acc.childCount)]
    except Exception:
        return []


def walk(acc, depth=0):
    if acc is None or depth > 40:
        return
    yield acc, depth
    for child in children(acc):
        yield from walk(child, depth + 1)


def check(where, root):
    """Every focusable, showing object has a name and a control's role."""
    seen = 0
    for acc, _ in walk(root):
        s = states(acc)
        if not s.contains(pyatspi.STATE_FOCUSABLE) or not s.contains(pyatspi.STATE_SHOWING):
            continue
        if not s.contains(pyatspi.STATE_ENABLED) and not s.contains(pyatspi.STATE_SENSITIVE):
            continue
        seen += 1
        role = acc.getRole()
        label = "%s %s '%s'" % (where, acc.getRoleName(), acc.name)
        if not acc.name.strip():
            problems.append(label + ": focusable without a name")
        if role in NO_ROLE:
            problems.append(label + ": focusable without a control's role")
    if seen == 0:
        problems.append(where + ": nothing focusable is shown")


def find(root, role, name=None, showing_only=True):
    for acc, _ in walk(root):
        if acc.getRole() == role and (name is None or acc.name == name):
            if not showing_only or states(acc).contains(pyatspi.STATE_SHOWING):
                return acc
    return None


def press(acc):
    action = acc.queryAction()
    for i in range(action.nActions):
        if action.getName(i).lower() in ("press", "click", "toggle"):
            action.doAction(i)
            return True
    if action.nActions:
        action.doAction(0)
        return True
    return False


def dialogs(app):
    return [w for w in children(app) if w.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_ALERT)
            and states(w).contains(pyatspi.STATE_SHOWING)]


def answer_dialogs(app, where, cancel):
    for box in dialogs(app):
        check(where + " question", box)
        buttons = [a for a, _ in walk(box) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        chosen = next((b for b in buttons if b.name == cancel), buttons[0] if buttons else None)
        if chosen:
            press(chosen)
    wait_for(lambda: not dialogs(app), 5)


def main():
    cancel, ok = sys.argv[1], sys.argv[2]
    app = wait_for(the_app, 30)
    if app is None:
        print("the app never showed up on the accessibility bus")
        return 1
    window = wait_for(lambda: next((w for w in children(app) if find(w, pyatspi.ROLE_PAGE_TAB_LIST)), None), 20)
    if window is None:
        print("no window with tabs; the app shows: %s" % [(w.getRoleName(), w.name) for w in children(app)])
        return 1
    tabs = wait_for(lambda: find(window, pyatspi.ROLE_PAGE_TAB_LIST), 10)
    if tabs is None:
        print("no tab list")
        return 1
    if not tabs.name:
        problems.append("the tab list has no name")
    tab_items = [t for t in children(tabs) if t.getRole() == pyatspi.ROLE_PAGE_TAB]
    if len(tab_items) != 4:
        problems.append("%d tabs, not 4" % len(tab_items))
    for tab in tab_items:
        press(tab)
        time.sleep(0.6)
        check("screen " + tab.name, window)
    settings_tab = tab_items[-1]
    press(settings_tab)
    time.sleep(0.5)
    settings = wait_for(lambda: find(window, pyatspi.ROLE_LIST, settings_tab.name) or find(window, pyatspi.ROLE_LIST))
    if settings is None:
        print("no settings list")
        return 1
    headings = [c for c in children(settings) if c.getRole() == pyatspi.ROLE_HEADING]
    if len(headings) < 3:
        problems.append("the settings list shows %d section headings" % len(headings))
    rows = [c.name for c in children(settings) if c.getRole() == pyatspi.ROLE_LIST_ITEM]
    pages = 0
    for name in rows:
        row = next((c for c in children(settings) if c.getRole() == pyatspi.ROLE_LIST_ITEM and c.name == name), None)
        if row is None:
            continue
        press(row)
        time.sleep(0.5)
        answer_dialogs(app, name, cancel)
        if states(settings).contains(pyatspi.STATE_SHOWING):
            continue  # a switch or a question, not a page
        pages += 1
        check("page " + name, window)
        close = find(window, pyatspi.ROLE_PUSH_BUTTON, cancel) or find(window, pyatspi.ROLE_PUSH_BUTTON, ok)
        if close is None:
            problems.append("page %s: no %s or %s button" % (name, cancel, ok))
            return 1
        press(close)
        answer_dialogs(app, name, cancel)
        if not wait_for(lambda: states(settings).contains(pyatspi.STATE_SHOWING), 5):
            problems.append("page %s: the settings do not come back" % name)
            return 1
    if pages < 10:
        problems.append("only %d pages opened" % pages)
    for p in problems:
        print("FAIL:", p)
    print("checked %d screens and %d pages" % (len(tab_items), pages))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
