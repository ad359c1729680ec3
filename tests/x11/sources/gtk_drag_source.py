"""A drag source of a real toolkit (GTK 3) for the X11 drop tests.

One undecorated window at the screen's origin, 200 x 100, with two zones: files (the paths
given, as a text/uri-list) at x < 100 and the text given at x >= 100; each starts a drag when
the mouse is pressed in it and moved past GTK's drag threshold. Prints, one line each,
flushed: "ready" when shown, "drag-started TARGETS", "action-changed ACTION" for each answer
of the target that changes the action, "finished" when the target reports the end of the drop
(XdndFinished), "deleted" when GTK asks the source to delete what it moved (a move the target
reported as done), and "result ACTION succeeded|failed" when the drag is over.

Usage: gtk_drag_source.py TEXT PATH...
"""
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("Gdk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

ACTION_NAMES = {
    0: "none",
    int(Gdk.DragAction.COPY): "copy",
    int(Gdk.DragAction.MOVE): "move",
    int(Gdk.DragAction.LINK): "link",
}


def say(*words):
    print(*words, flush=True)


def action_name(action):
    return ACTION_NAMES.get(int(action), str(int(action)))


def drag_zone(width, fill_data):
    zone = Gtk.EventBox()
    zone.set_size_request(width, 100)
    zone.drag_source_set(
        Gdk.ModifierType.BUTTON1_MASK, [], Gdk.DragAction.COPY | Gdk.DragAction.MOVE
    )

    def begun(widget, context):
        context.connect("action-changed", lambda c, a: say("action-changed", action_name(a)))
        context.connect("dnd-finished", lambda c: say("finished"))
        say("drag-started", ",".join(target.name() for target in context.list_targets()))

    def ended(widget, context):
        outcome = "succeeded" if Gdk.drag_drop_succeeded(context) else "failed"
        say("result", action_name(context.get_selected_action()), outcome)

    zone.connect("drag-begin", begun)
    zone.connect("drag-data-get", lambda w, c, selection, i, t: fill_data(selection))
    zone.connect("drag-data-delete", lambda w, c: say("deleted"))
    zone.connect("drag-end", ended)
    return zone


text = sys.argv[1]
uris = [GLib.filename_to_uri(path, None) for path in sys.argv[2:]]
files = drag_zone(100, lambda selection: selection.set_uris(uris))
files.drag_source_add_uri_targets()
words = drag_zone(100, lambda selection: selection.set_text(text, -1))
words.drag_source_add_text_targets()

window = Gtk.Window(type=Gtk.WindowType.POPUP)
window.move(0, 0)
row = Gtk.Box(orientation=Gtk.Orientation.HORIZONTAL)
row.pack_start(files, False, False, 0)
row.pack_start(words, False, False, 0)
window.add(row)
window.connect("map-event", lambda w, e: say("ready"))
window.show_all()
Gtk.main()
