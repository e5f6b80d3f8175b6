#include "update_log_model.h"

#include "ui/update_log.h"

namespace upd::gui {

UpdateLogModel::UpdateLogModel(const UpdateLog& log, QObject* parent)
    : QAbstractListModel(parent), log_(log), rows_(static_cast<int>(log.size())) {}

void UpdateLogModel::lineAppended(size_t index) {
    const int row = static_cast<int>(index);
    if (row < rows_) return;
    beginInsertRows(QModelIndex(), rows_, row);
    rows_ = row + 1;
    endInsertRows();
}

void UpdateLogModel::lineChanged(size_t index) {
    const int row = static_cast<int>(index);
    if (row >= rows_) return;
    const QModelIndex changed = this->index(row);
    emit dataChanged(changed, changed, {Qt::DisplayRole});
}

int UpdateLogModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

QVariant UpdateLogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows_) return {};
    return QString::fromStdString(log_.lines()[static_cast<size_t>(index.row())]);
}

Qt::ItemFlags UpdateLogModel::flags(const QModelIndex& index) const {
    // Lines are shown and selected, never edited.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

} // namespace upd::gui
