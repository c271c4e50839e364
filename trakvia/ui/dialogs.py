"""The window's dialogs: errors, information, the deletion confirmation and folder choice.

Tabs call these through the module (dialogs.confirm_deletion(...)) so tests can answer them."""
from typing import Optional, Sequence

from PyQt5.QtCore import Qt
from PyQt5.QtWidgets import (QDialog, QDialogButtonBox, QFileDialog, QLabel, QListWidget,
                             QMessageBox, QVBoxLayout)


def show_error(parent, title: str, text: str) -> None:
    QMessageBox.critical(parent, title, text)


def show_info(parent, title: str, text: str) -> None:
    QMessageBox.information(parent, title, text)


class PathListDialog(QDialog):
    """A message over the full list of files concerned. With `accept_text` it asks: the accept
    button (e.g. "Sil") is never a default button, so Enter does nothing anywhere in the dialog
    and Escape or "Vazgeç" refuses; only a click on the button or its own accelerator accepts."""

    def __init__(self, parent, title: str, message: str, paths: Sequence[str], accept_text: Optional[str]):
        super().__init__(parent)
        self.setWindowTitle(title)
        self.resize(760, 420)
        layout = QVBoxLayout(self)
        label = QLabel(message)
        label.setWordWrap(True)
        layout.addWidget(label)
        self.list = QListWidget()
        self.list.addItems(list(paths))
        layout.addWidget(self.list)
        buttons = QDialogButtonBox()
        if accept_text:
            self.btn_cancel = buttons.addButton("Vazgeç", QDialogButtonBox.RejectRole)
            self.btn_accept = buttons.addButton(f"&{accept_text}", QDialogButtonBox.DestructiveRole)
            self.btn_accept.clicked.connect(self.accept)
            self.btn_cancel.setFocus()
        else:
            self.btn_cancel = buttons.addButton("Kapat", QDialogButtonBox.RejectRole)
            self.btn_accept = None
        for button in buttons.buttons():
            button.setAutoDefault(False)
            button.setDefault(False)
        buttons.rejected.connect(self.reject)
        layout.addWidget(buttons)

    def keyPressEvent(self, event) -> None:
        # QDialog clicks a default (or focused auto-default) button on Enter; there is none here,
        # and Enter must not fall through to anything that could accept.
        if event.key() in (Qt.Key_Return, Qt.Key_Enter):
            event.accept()
            return
        super().keyPressEvent(event)


def confirm_deletion(parent, title: str, message: str, paths: Sequence[str]) -> bool:
    """Shows every file that will be deleted; True only when the user clicks "Sil" (or Alt+S)."""
    return PathListDialog(parent, title, message, paths, "Sil").exec_() == QDialog.Accepted


def show_path_list(parent, title: str, message: str, paths: Sequence[str]) -> None:
    PathListDialog(parent, title, message, paths, None).exec_()


def choose_folder(parent, title: str, start: str) -> str:
    return QFileDialog.getExistingDirectory(parent, title, start)


def choose_file(parent, title: str, start: str, filters: str) -> str:
    path, _ = QFileDialog.getOpenFileName(parent, title, start, filters)
    return path
