// The core's update log as a Qt list model: one row per line, read from the log when drawn,
// so a line costs the window no copy and an appended line costs the same at any length.
#pragma once

#include <QAbstractListModel>

namespace upd { class UpdateLog; }

namespace upd::gui {

class UpdateLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit UpdateLogModel(const UpdateLog& log, QObject* parent = nullptr);

    // The log's observers call these: line `index` was added at the end, or changed in place.
    void lineAppended(size_t index);
    void lineChanged(size_t index);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    const UpdateLog& log_;
    int rows_ = 0;  // the rows announced to the views; the log may be ahead while it notifies
};

} // namespace upd::gui
