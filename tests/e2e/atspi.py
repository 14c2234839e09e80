#!/usr/bin/python3
"""What a screen reader sees of a program, through AT-SPI (python3-pyatspi).

  atspi.py APP dump          one line per object: role, name, value, states,
                             description, text
  atspi.py APP press NAME    the first action ("Press") of the object named NAME
  atspi.py APP watch SECONDS "ready", then one line per name change of the
                             application's objects and per notification shown:
                             the object's role and its name, read when the event
                             arrives, as a screen reader reads it (Qt's events
                             carry the object, not the name: a name read late
                             can be a later one)

Exits with 1 when the application or the object is not there (yet)."""
import sys

import pyatspi


def objects(node):
    yield node
    for child in node:
        if child is not None:
            yield from objects(child)


def watch(app_name, seconds):
    from gi.repository import GLib

    def changed(event):
        try:
            if event.source.getApplication().name != app_name:
                return
            if event.type.startswith("object:property-change") or (
                    event.detail1 == 1 and event.source.getRole() == pyatspi.ROLE_NOTIFICATION):
                print(f"{event.source.getRoleName()}\t{event.source.name}", flush=True)
        except Exception:  # an object gone meanwhile
            pass

    pyatspi.Registry.registerEventListener(
        changed, "object:property-change:accessible-name", "object:state-changed:showing")
    print("ready", flush=True)
    GLib.timeout_add(int(float(seconds) * 1000), pyatspi.Registry.stop)
    pyatspi.Registry.start()
    return 0


def main(app_name, command, name=None):
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == app_name]
    if command == "watch":
        return watch(app_name, name) if apps else 1
    for obj in objects(apps[0]) if apps else []:
        if command == "dump":
            value = obj.queryValue().currentValue if "Value" in pyatspi.listInterfaces(obj) else ""
            states = ",".join(pyatspi.stateToString(s) for s in obj.getState().getStates())
            text = obj.queryText().getText(0, -1) if "Text" in pyatspi.listInterfaces(obj) else ""
            print(f"{obj.getRoleName()}\t{obj.name}\t{value}\t{states}\t{obj.description}\t{text}")
        elif obj.name == name:
            obj.queryAction().doAction(0)
            return 0
    return 0 if apps and command == "dump" else 1


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
