#!/usr/bin/python3
"""Prints the accessible tree of one process as a screen reader reads it
over the AT-SPI bus, as JSON on standard output.

    atspi_tree.py <process id>
    atspi_tree.py <process id> --do <role> <name> <action>
    atspi_tree.py <process id> --listen <milliseconds> <event type>...

Each node: role, name, description (when it has one), states (AT-SPI state
names), text (when the node has the Text interface), value (when it has the
Value interface), actions (the names of its actions, when it has the Action
interface), table (rows, columns and the names of the column headers, when
it has the Table interface) and children.
Windows that are not showing are left out. With --do, the named action
(names compared without case) of the first node of that role and name is
done instead, as a screen reader does it, and {"done": true} is printed.
With --listen, the events of those types (AT-SPI names such as
"object:text-changed", which takes in its ":insert" and ":delete") that the
process sends are heard for that many milliseconds: "ready" is printed on a
line of its own once the listener has been registered and the process has
had the time to learn of it, then, when the time is up, the events heard
from then on as one JSON array of {type, role, name, text} (text: the
inserted or deleted text of a text change, "" for others).
Exit status 2: the process is not (yet) on the bus; 3: no such node or
action; 1: the bus could not be read.
"""
import json
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

MAX_CHILDREN = 400
MAX_DEPTH = 40


def state_names(node):
    states = node.get_state_set()
    names = []
    for state in states.get_states():
        names.append(state.value_nick)
    return sorted(names)


def action_names(action):
    return [Atspi.Action.get_action_name(action, i) for i in range(Atspi.Action.get_n_actions(action))]


def header_name(table, column):
    header = Atspi.Table.get_column_header(table, column)
    return (header.get_name() or "") if header is not None else ""


def find(node, depth, role, name):
    """The first showing node of the role and name, depth first."""
    if node.get_role_name() == role and (node.get_name() or "") == name:
        return node
    if depth >= MAX_DEPTH:
        return None
    for i in range(min(node.get_child_count(), MAX_CHILDREN)):
        child = node.get_child_at_index(i)
        if child is None:
            continue
        if depth == 0 and "showing" not in state_names(child):
            continue
        found = find(child, depth + 1, role, name)
        if found is not None:
            return found
    return None


def do_action(app, role, name, wanted):
    node = find(app, 0, role, name)
    action = node.get_action_iface() if node is not None else None
    if action is None:
        print("no %s \"%s\" with actions" % (role, name), file=sys.stderr)
        return 3
    names = action_names(action)
    for i, n in enumerate(names):
        if n.lower() == wanted.lower():
            if not Atspi.Action.do_action(action, i):
                print("the action \"%s\" was refused" % n, file=sys.stderr)
                return 3
            json.dump({"done": True}, sys.stdout)
            return 0
    print("%s \"%s\" has no action \"%s\" (it has %s)" % (role, name, wanted, names), file=sys.stderr)
    return 3


# The time the process is given to learn of a new listener: Qt's bridge sends
# an event only once the registry has told it that someone listens for it.
SETTLE_MS = 500


def listen(pid, milliseconds, types):
    heard = []
    recording = [False]

    def on_event(event):
        if not recording[0]:
            return
        source = event.source
        try:
            if source is None or source.get_process_id() != pid:
                return
            role = source.get_role_name()
            name = source.get_name() or ""
        except Exception:  # the object went away meanwhile
            return
        data = event.any_data
        heard.append({"type": event.type, "role": role, "name": name,
                      "text": data if isinstance(data, str) else ""})

    def start():
        recording[0] = True
        print("ready", flush=True)
        GLib.timeout_add(milliseconds, stop)
        return False

    def stop():
        recording[0] = False
        Atspi.event_quit()
        return False

    listener = Atspi.EventListener.new(on_event)
    for event_type in types:
        listener.register(event_type)
    GLib.timeout_add(SETTLE_MS, start)
    Atspi.event_main()
    for event_type in types:
        listener.deregister(event_type)
    json.dump(heard, sys.stdout, ensure_ascii=False)
    return 0


def read(node, depth):
    out = {
        "role": node.get_role_name(),
        "name": node.get_name() or "",
        "states": state_names(node),
    }
    description = node.get_description() or ""
    if description:
        out["description"] = description
    text = node.get_text_iface()
    if text is not None:
        out["text"] = Atspi.Text.get_text(text, 0, Atspi.Text.get_character_count(text))
    value = node.get_value_iface()
    if value is not None:
        out["value"] = Atspi.Value.get_current_value(value)
    action = node.get_action_iface()
    if action is not None:
        out["actions"] = action_names(action)
    table = node.get_table_iface()
    if table is not None:
        columns = Atspi.Table.get_n_columns(table)
        out["table"] = {
            "rows": Atspi.Table.get_n_rows(table),
            "columns": columns,
            "headers": [header_name(table, c) for c in range(min(columns, MAX_CHILDREN))],
        }
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
    listening = sys.argv[4:] if len(sys.argv) >= 5 and sys.argv[2] == "--listen" else None
    action = sys.argv[3:6] if len(sys.argv) >= 6 and sys.argv[2] == "--do" else None
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
        if listening is not None:
            return listen(pid, int(sys.argv[3]), listening)
        if action is not None:
            return do_action(app, *action)
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
