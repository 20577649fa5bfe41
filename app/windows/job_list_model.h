// The rows of the job list 'jobs': the long names of the waiting job files, next job first.
//
// A new list of names is matched against the rows shown: the rows that stay keep their identity and only the
// rows that changed are removed and inserted, so views keep their place and the selection model sees real row
// changes instead of a reset.
#pragma once

#include <QAbstractListModel>
#include <QStringList>

namespace vorl {

class JobListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  // Answers whether anything changed.
  bool setNames(const QStringList& names);
  const QStringList& names() const noexcept { return fNames; }
  // Removes one row (the job was removed); false for a row that does not exist.
  bool removeName(int row);

 private:
  QStringList fNames;
};

}  // namespace vorl
