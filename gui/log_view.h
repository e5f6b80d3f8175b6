// A list view whose rows all have the height of one text line. Where a row lies, which row is
// under a point and how far to scroll follow from its number alone, so appending, selecting and
// scrolling cost the same at any length of the list (QListView lays every row out again after
// each insertion). The view keeps its own scroll offset: the scroll bars follow it once per
// round of events, because each change of their range posts an event of its own and an
// extraction appends and scrolls thousands of times between two paints. Vertical scrolling is
// by pixel; the horizontal range follows the widest line.
#pragma once

#include <QAbstractItemView>

#include <cstdint>
#include <vector>

namespace upd::gui {

class LogView : public QAbstractItemView {
    Q_OBJECT
public:
    explicit LogView(QWidget* parent = nullptr);

    int count() const;
    QString text(int row) const;
    int currentRow() const;
    int rowHeight() const { return rowHeight_; }
    // Makes `row` the current and only selected row and scrolls it into view.
    void selectRow(int row);

    QRect visualRect(const QModelIndex& index) const override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex indexAt(const QPoint& point) const override;
    void setModel(QAbstractItemModel* model) override;
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex& index) const override;
    void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection& selection) const override;
    void updateGeometries() override;
    void rowsInserted(const QModelIndex& parent, int start, int end) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void scrollContentsBy(int dx, int dy) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    int rows() const;
    int contentWidth() const;
    int maxTop(int viewportHeight) const;
    void setTop(qint64 top);
    void requestScrollBarSync();
    void syncScrollBars();
    void measureRowHeight();
    void measureRows(int first, int last);
    int textWidth(const QString& text);
    QRect rowRect(int row) const;

    int rowHeight_ = 1;
    int top_ = 0;                 // vertical offset in pixels; the scroll bar shows it after a sync
    int syncedHeight_ = 0;        // the viewport height the offset was last clamped for
    bool syncPending_ = false;
    int widest_ = 0;              // the widest line seen, in pixels; lines are never shortened
    std::vector<int16_t> advances_;  // per UTF-16 unit, -1 until measured
};

} // namespace upd::gui
