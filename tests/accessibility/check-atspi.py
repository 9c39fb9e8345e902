"""Reads qzm's window over the AT-SPI bus and checks what a reader gets."""
import subprocess
import sys
import time

import pyatspi

program, document = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def wait_for(find, what, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if qzm.poll() is not None:
            sys.exit("qzm exited with %d before %s was found" % (qzm.returncode, what))
        found = find()
        if found is not None:
            return found
        time.sleep(0.1)
    sys.exit("not found over AT-SPI within %d s: %s" % (seconds, what))


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "QZM":
            return app
    return None


def find(root, role, name=None):
    for node in walk(root):
        if node.getRoleName() == role and (name is None or node.name == name):
            return node
    return None


def text_of(node):
    try:
        return node.queryText().getText(0, -1)
    except NotImplementedError:
        return None


qzm = subprocess.Popen([program, document])
try:
    app = wait_for(application, "the QZM application")
    window = wait_for(lambda: find(app, "frame"), "the main window")
    wait_for(lambda: find(window, "combo box", "Protocol"), "the Protocol drop-down")

    # Each drop-down: its label as name (and by relation), its value as
    # text, and its items as a list to walk.
    expected = {
        "Protocol": ("Protocol:", "MODBUS-RTU", ["Zelvra", "MODBUS-RTU"]),
        "Baudrate": ("Baudrate:", "9600", ["9600", "19200"]),
        "Parity": ("Parity:", "NONE", ["EVEN", "ODD", "NONE"]),
    }
    for name, (label, value, items) in expected.items():
        box = find(window, "combo box", name)
        check(box is not None, "%s: no combo box of that name" % name)
        if box is None:
            continue
        labels = [relation.getTarget(0).name for relation in box.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        check(label in labels, "%s: labelled by %r, not %r" % (name, labels, label))
        check(text_of(box) == value, "%s: text %r, not %r" % (name, text_of(box), value))
        listed = find(box, "list")
        shown = [item.name for item in listed] if listed is not None else None
        check(shown == items, "%s: items %r, not %r" % (name, shown, items))

    # The Transfer Monitor is a window, not a filler.
    item = find(window, "menu item", "Transfer Monitor")
    check(item is not None, "no Transfer Monitor menu item")
    if item is not None:
        item.queryAction().doAction(0)
        monitor = wait_for(lambda: next((child for child in app if child is not None
                                         and child.name == "Transfer Monitor"), None), "the Transfer Monitor")
        check(monitor.getRoleName() in ("frame", "window", "dialog"),
              "Transfer Monitor: role %s" % monitor.getRoleName())

    # The Block Memory Table: a window, its lists as named tables whose
    # cells read as the form shows them, and named buttons.
    item = find(window, "menu item", "Block Memory Table")
    check(item is not None, "no Block Memory Table menu item")
    if item is not None:
        item.queryAction().doAction(0)
        table_window = wait_for(lambda: next((child for child in app if child is not None
                                              and child.name == "Block Memory Table"), None),
                                "the Block Memory Table")
        check(table_window.getRoleName() in ("frame", "window", "dialog"),
              "Block Memory Table: role %s" % table_window.getRoleName())
        table = wait_for(lambda: find(table_window, "table", "Read list"), "the Read list table")
        cells = [node.name or text_of(node) for node in walk(table) if node.getRoleName() == "table cell"]
        check(any(cell and "Boiler" in cell for cell in cells), "Read list: cells %r" % cells[:12])
        for name in ("Insert", "Delete", "Move Up", "Move Down", "Copy", "Paste", "Undo", "Redo"):
            check(find(table_window, "push button", name) is not None, "Block Memory Table: no %s button" % name)
finally:
    qzm.terminate()
    qzm.wait(10)

for failure in failures:
    print(failure)
sys.exit(1 if failures else 0)
