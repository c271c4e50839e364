"""The "Kart / klasör" box (the workspace, the cards found on the computer, any typed folder)
and the label that shows the media folder found in it.

Cards are listed under their title (root, label, free space) and hold their root folder as
data, so the box shows what a pilot recognises while the tab works with the path."""
from typing import Iterable

from PyQt5.QtCore import Qt
from PyQt5.QtGui import QPainter
from PyQt5.QtWidgets import QComboBox, QLabel


class FolderBox(QComboBox):
    def __init__(self, workspace: str, parent=None):
        super().__init__(parent)
        self.setEditable(True)
        self.setInsertPolicy(QComboBox.NoInsert)
        self.setSizeAdjustPolicy(QComboBox.AdjustToMinimumContentsLengthWithIcon)
        self.setMinimumContentsLength(20)
        self.setToolTip("SD kartın kökü veya herhangi bir medya klasörü")
        self._workspace = workspace
        self.addItem(workspace, workspace)

    def folder(self) -> str:
        """The chosen item's folder, or the text typed into the box."""
        text = self.currentText().strip()
        index = self.findText(text)
        if index >= 0:
            return self.itemData(index)
        return text or self._workspace

    def set_folder(self, folder: str) -> None:
        index = self.findData(folder)
        if index >= 0:
            self.setCurrentIndex(index)
        self.setEditText(self.itemText(index) if index >= 0 else folder)

    def set_cards(self, cards: Iterable) -> None:
        """Lists the workspace and then the cards, keeping what the box shows."""
        chosen = self.folder()
        self.blockSignals(True)
        self.clear()
        self.addItem(self._workspace, self._workspace)
        for card in cards:
            if card.root != self._workspace:
                self.addItem(card.title(), card.root)
        self.set_folder(chosen)
        self.blockSignals(False)


class ElidedLabel(QLabel):
    """A one-line label that shortens a long path in the middle, so both the card and the media
    folder at its end stay readable; text() keeps the whole path."""

    def paintEvent(self, _event) -> None:
        painter = QPainter(self)
        rect = self.contentsRect()
        painter.drawText(rect, int(self.alignment()), self.fontMetrics().elidedText(self.text(), Qt.ElideMiddle,
                                                                                     rect.width()))
        painter.end()
