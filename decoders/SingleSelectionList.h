#pragma once

#include <QListWidget>

// A list whose selected entry stays selected: only another entry replaces it.
// Qt's single-selection lists let Ctrl+click (or Ctrl+Space) on the selected
// entry leave the list with no selection, which the program never does.
class SingleSelectionList : public QListWidget {
 public:
  explicit SingleSelectionList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
  }

 protected:
  QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                       const QEvent* event) const override {
    const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
    return command.testFlag(QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate
                                                           : command;
  }
};
