"""The window's dialogs: errors, information, the deletion confirmation and folder choice.

Tabs call these through the module (dialogs.confirm_deletion(...)) so tests can answer them."""
from typing import Optional, Sequence

from PyQt5.QtWidgets import (QDialog, QDialogButtonBox, QFileDialog, QLabel, QListWidget,
                             QMessageBox, QVBoxLayout)


def show_error(parent, title: str, text: str) -> None:
    QMessageBox.critical(parent, title, text)


def show_info(parent, title: str, text: str) -> None:
    QMessageBox.information(parent, title, text)


class PathListDialog(QDialog):
    """A message over the full list of files concerned, with accept/reject buttons."""

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
        if accept_text:
            buttons = QDialogButtonBox(QDialogButtonBox.Ok | QDialogButtonBox.Cancel)
            buttons.button(QDialogButtonBox.Ok).setText(accept_text)
            buttons.button(QDialogButtonBox.Cancel).setText("Vazgeç")
            buttons.button(QDialogButtonBox.Cancel).setDefault(True)
        else:
            buttons = QDialogButtonBox(QDialogButtonBox.Close)
            buttons.button(QDialogButtonBox.Close).setText("Kapat")
        buttons.accepted.connect(self.accept)
        buttons.rejected.connect(self.reject)
        layout.addWidget(buttons)


def confirm_deletion(parent, title: str, message: str, paths: Sequence[str]) -> bool:
    """Shows every file that will be deleted; True only when the user presses "Sil"."""
    return PathListDialog(parent, title, message, paths, "Sil").exec_() == QDialog.Accepted


def show_path_list(parent, title: str, message: str, paths: Sequence[str]) -> None:
    PathListDialog(parent, title, message, paths, None).exec_()


def choose_folder(parent, title: str, start: str) -> str:
    return QFileDialog.getExistingDirectory(parent, title, start)


def choose_file(parent, title: str, start: str, filters: str) -> str:
    path, _ = QFileDialog.getOpenFileName(parent, title, start, filters)
    return path
