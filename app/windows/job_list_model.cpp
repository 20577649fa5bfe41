#include "app/windows/job_list_model.h"

#include <algorithm>

namespace vorl {

int JobListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(fNames.size());
}

QVariant JobListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() < 0 || index.row() >= fNames.size()) return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return fNames.at(index.row());
  return {};
}

bool JobListModel::setNames(const QStringList& names) {
  if (names == fNames) return false;
  // The queue changes at its ends (the next job is taken, new jobs arrive) or by one job in the middle, so the
  // common head and tail stay and only the rows between them are replaced.
  const auto oldSize = static_cast<int>(fNames.size());
  const auto newSize = static_cast<int>(names.size());
  int head = 0;
  while (head < oldSize && head < newSize && fNames.at(head) == names.at(head)) ++head;
  int tail = 0;
  while (tail < oldSize - head && tail < newSize - head &&
         fNames.at(oldSize - 1 - tail) == names.at(newSize - 1 - tail))
    ++tail;
  const int removed = oldSize - head - tail;
  const int inserted = newSize - head - tail;
  if (removed > 0) {
    beginRemoveRows(QModelIndex(), head, head + removed - 1);
    fNames.remove(head, removed);
    endRemoveRows();
  }
  if (inserted > 0) {
    beginInsertRows(QModelIndex(), head, head + inserted - 1);
    for (int i = 0; i < inserted; ++i) fNames.insert(head + i, names.at(head + i));
    endInsertRows();
  }
  return true;
}

bool JobListModel::removeName(int row) {
  if (row < 0 || row >= fNames.size()) return false;
  beginRemoveRows(QModelIndex(), row, row);
  fNames.removeAt(row);
  endRemoveRows();
  return true;
}

}  // namespace vorl
