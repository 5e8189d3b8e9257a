#!/usr/bin/python3
"""Prints the accessible tree of one process as a screen reader reads it
over the AT-SPI bus, as JSON on standard output.

    atspi_tree.py <process id>

Each node: role, name, states (AT-SPI state names), text (when the node has
the Text interface), value (when it has the Value interface) and children.
Windows that are not showing are left out. Exit status 2: the process is
not (yet) on the bus; 1: the bus could not be read.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

MAX_CHILDREN = 400
MAX_DEPTH = 40


def state_names(node):
    states = node.get_state_set()
    names = []
    for state in states.get_states():
        names.append(state.value_nick)
    return sorted(names)


def read(node, depth):
    out = {
        "role": node.get_role_name(),
        "name": node.get_name() or "",
        "states": state_names(node),
    }
    text = node.get_text_iface()
    if text is not None:
        out["text"] = Atspi.Text.get_text(text, 0, Atspi.Text.get_character_count(text))
    value = node.get_value_iface()
    if value is not None:
        out["value"] = Atspi.Value.get_current_value(value)
    children = []
    if depth < MAX_DEPTH:
        count = min(node.get_child_count(), MAX_CHILDREN)
        for i in range(count):
            child = node.get_child_at_index(i)
            if child is None:
                continue
            if depth == 0 and "showing" not in state_names(child):
                continue
            children.append(read(child, depth + 1))
    out["children"] = children
    return out


def main():
    pid = int(sys.argv[1])
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None:
            continue
        try:
            if app.get_process_id() != pid:
                continue
        except Exception:  # an application that went away meanwhile
            continue
        json.dump(read(app, 0), sys.stdout, ensure_ascii=False)
        return 0
    print("process %d is not on the accessibility bus" % pid, file=sys.stderr)
    return 2


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Exception as e:  # the bus or the process did not answer
        print("reading the accessibility bus failed: %s" % e, file=sys.stderr)
        sys.exit(1)
