"""A drag source of a real toolkit (Qt 5) for the X11 drop tests.

One frameless window at the screen's origin, 300 x 100, with three zones that each start a
different drag when the mouse is pressed in them and moved past Qt's drag distance: files
(the paths given, plus a web link) at x < 100, the text given at x < 200, an image only
(no text, no files) at x >= 200. Prints, one line each, flushed: "ready" when shown,
"drag-started FORMATS", "action-changed ACTION" for each answer of the target that changes
the action, and "result ACTION" when the drag is over.

Usage: qt_drag_source.py TEXT PATH...
"""
import sys

from PyQt5.QtCore import QMimeData, Qt, QUrl
from PyQt5.QtGui import QColor, QDrag, QImage
from PyQt5.QtWidgets import QApplication, QWidget

ACTION_NAMES = {
    Qt.IgnoreAction: "none",
    Qt.CopyAction: "copy",
    Qt.MoveAction: "move",
    Qt.LinkAction: "link",
}


def say(*words):
    print(*words, flush=True)


def action_name(action):
    return ACTION_NAMES.get(action, str(int(action)))


class Source(QWidget):
    def __init__(self, text, paths):
        super().__init__(None, Qt.FramelessWindowHint)
        self.text = text
        self.paths = paths
        self.pressed_at = None

    def showEvent(self, event):
        say("ready")

    def mousePressEvent(self, event):
        self.pressed_at = event.pos()

    def mouseMoveEvent(self, event):
        if self.pressed_at is None:
            return
        if (event.pos() - self.pressed_at).manhattanLength() < QApplication.startDragDistance():
            return
        zone = self.pressed_at.x() // 100
        self.pressed_at = None
        data = QMimeData()
        if zone == 0:
            urls = [QUrl.fromLocalFile(path) for path in self.paths]
            data.setUrls(urls + [QUrl("https://example.org/page")])
        elif zone == 1:
            data.setText(self.text)
        else:
            image = QImage(8, 8, QImage.Format_RGB32)
            image.fill(QColor(200, 40, 40))
            data.setImageData(image)
        drag = QDrag(self)
        drag.setMimeData(data)
        drag.actionChanged.connect(lambda action: say("action-changed", action_name(action)))
        say("drag-started", ",".join(data.formats()))
        result = drag.exec_(Qt.CopyAction | Qt.MoveAction, Qt.MoveAction)
        say("result", action_name(result))


application = QApplication(sys.argv[:1])
source = Source(sys.argv[1], sys.argv[2:])
source.setGeometry(0, 0, 300, 100)
source.show()
application.exec_()
