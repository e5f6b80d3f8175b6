#include "log_view.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <climits>

namespace upd::gui {

namespace {

const QEvent::Type kSyncScrollBars = static_cast<QEvent::Type>(QEvent::registerEventType());

int clampToInt(qint64 v) { return static_cast<int>(std::clamp<qint64>(v, 0, INT_MAX)); }

} // namespace

LogView::LogView(QWidget* parent) : QAbstractItemView(parent) {
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    measureRowHeight();
}

int LogView::rows() const { return model() ? model()->rowCount(rootIndex()) : 0; }

int LogView::count() const { return rows(); }

QString LogView::text(int row) const {
    return model() ? model()->index(row, 0, rootIndex()).data().toString() : QString();
}

int LogView::currentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void LogView::selectRow(int row) {
    if (!model() || row < 0 || row >= rows()) return;
    const QModelIndex index = model()->index(row, 0, rootIndex());
    setCurrentIndex(index);
    scrollTo(index);
}

int LogView::contentWidth() const { return std::max(viewport()->width(), widest_); }

int LogView::maxTop(int viewportHeight) const { return clampToInt(qint64(rows()) * rowHeight_ - viewportHeight); }

QRect LogView::rowRect(int row) const {
    return QRect(-horizontalOffset(), row * rowHeight_ - top_, contentWidth(), rowHeight_);
}

void LogView::setTop(qint64 top) {
    const int clamped = std::min(clampToInt(top), maxTop(viewport()->height()));
    if (clamped != top_) {
        top_ = clamped;
        viewport()->update();
    }
    requestScrollBarSync();
}

void LogView::requestScrollBarSync() {
    if (syncPending_) return;
    syncPending_ = true;
    QCoreApplication::postEvent(this, new QEvent(kSyncScrollBars));
}

void LogView::syncScrollBars() {
    syncPending_ = false;
    const int height = viewport()->height();
    const int width = viewport()->width();
    const int wanted = top_;  // a narrower range moves the bar, and the view with it, on the way
    QScrollBar* vertical = verticalScrollBar();
    vertical->setSingleStep(rowHeight_);
    vertical->setPageStep(height);
    vertical->setRange(0, maxTop(height));
    vertical->setValue(wanted);
    top_ = vertical->value();
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setSingleStep(std::max(1, fontMetrics().averageCharWidth() * 2));
    horizontal->setPageStep(width);
    horizontal->setRange(0, std::max(0, widest_ - width));
}

bool LogView::event(QEvent* event) {
    if (event->type() == kSyncScrollBars) {
        if (syncPending_) syncScrollBars();
        return true;
    }
    return QAbstractItemView::event(event);
}

// The height the item delegate gives a line of text in this font and style: one for all rows.
void LogView::measureRowHeight() {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("Ag");
    rowHeight_ = std::max(1, style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).height());
    advances_.clear();
}

// The sum of the characters' advances: no shaping per line (it would cost more than the line's
// extraction), and close enough for a scroll range. Surrogate pairs are rare in paths: such a
// line is shaped whole.
int LogView::textWidth(const QString& text) {
    if (advances_.empty()) advances_.assign(0x10000, -1);
    const QFontMetrics metrics = fontMetrics();
    int width = 0;
    for (const QChar c : text) {
        if (c.isSurrogate()) return metrics.horizontalAdvance(text);
        int16_t& advance = advances_[c.unicode()];
        if (advance < 0) advance = static_cast<int16_t>(std::clamp(metrics.horizontalAdvance(c), 0, INT16_MAX));
        width += advance;
    }
    return width;
}

void LogView::measureRows(int first, int last) {
    if (first > last) return;
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    for (int row = first; row <= last; ++row) widest_ = std::max(widest_, textWidth(text(row)) + margins);
}

QRect LogView::visualRect(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex()) return {};
    return rowRect(index.row());
}

void LogView::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model()) return;
    const qint64 top = qint64(index.row()) * rowHeight_;
    const qint64 height = viewport()->height();
    qint64 value = top_;
    switch (hint) {
    case PositionAtTop: value = top; break;
    case PositionAtBottom: value = top + rowHeight_ - height; break;
    case PositionAtCenter: value = top + (rowHeight_ - height) / 2; break;
    case EnsureVisible:
        if (top < value) value = top;
        else if (top + rowHeight_ > value + height) value = top + rowHeight_ - height;
        break;
    }
    setTop(value);
}

QModelIndex LogView::indexAt(const QPoint& point) const {
    const qint64 y = qint64(point.y()) + top_;
    if (!model() || y < 0) return {};
    const qint64 row = y / rowHeight_;
    return row < rows() ? model()->index(static_cast<int>(row), 0, rootIndex()) : QModelIndex();
}

void LogView::setModel(QAbstractItemModel* model) {
    QAbstractItemView::setModel(model);
    widest_ = 0;
    measureRows(0, rows() - 1);
    updateGeometries();
}

void LogView::reset() {
    QAbstractItemView::reset();
    top_ = 0;
    widest_ = 0;
    measureRows(0, rows() - 1);
    updateGeometries();
}

QModelIndex LogView::moveCursor(CursorAction action, Qt::KeyboardModifiers) {
    const int n = rows();
    if (n == 0) return {};
    const int page = std::max(1, viewport()->height() / rowHeight_);
    const int current = currentRow();
    int row = current;
    switch (action) {
    case MoveUp:
    case MovePrevious: row = current - 1; break;
    case MoveDown:
    case MoveNext: row = current + 1; break;
    case MovePageUp: row = current - page; break;
    case MovePageDown: row = current + page; break;
    case MoveHome: row = 0; break;
    case MoveEnd: row = n - 1; break;
    case MoveLeft:
    case MoveRight: return currentIndex();
    }
    return model()->index(std::clamp(row, 0, n - 1), 0, rootIndex());
}

int LogView::horizontalOffset() const { return horizontalScrollBar()->value(); }

int LogView::verticalOffset() const { return top_; }

bool LogView::isIndexHidden(const QModelIndex&) const { return false; }

void LogView::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
    if (!model()) return;
    const QRect r = rect.normalized();
    const qint64 top = std::max<qint64>(0, qint64(r.top()) + top_);
    const qint64 bottom = qint64(r.bottom()) + top_;
    const int first = static_cast<int>(std::min<qint64>(INT_MAX, top / rowHeight_));
    const int last = static_cast<int>(std::min<qint64>(rows() - 1, bottom / rowHeight_));
    if (bottom < 0 || first > last) {
        selectionModel()->select(QItemSelection(), command);
        return;
    }
    selectionModel()->select(QItemSelection(model()->index(first, 0, rootIndex()), model()->index(last, 0, rootIndex())),
                             command);
}

QRegion LogView::visualRegionForSelection(const QItemSelection& selection) const {
    QRegion region;
    const QRect visible = viewport()->rect();
    for (const QItemSelectionRange& range : selection) {
        if (!range.isValid() || range.parent() != rootIndex()) continue;
        region += rowRect(range.top()).united(rowRect(range.bottom())).intersected(visible);
    }
    return region;
}

void LogView::updateGeometries() {
    // A view that showed the end of the list keeps showing it when it gets lower (a horizontal
    // scroll bar appearing under the last line).
    const int height = viewport()->height();
    if (height != syncedHeight_) {
        const bool atEnd = top_ >= maxTop(syncedHeight_);
        syncedHeight_ = height;
        top_ = atEnd ? maxTop(height) : std::min(top_, maxTop(height));
    }
    syncScrollBars();
    QAbstractItemView::updateGeometries();
}

void LogView::rowsInserted(const QModelIndex& parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    if (parent != rootIndex()) return;
    measureRows(start, end);
    requestScrollBarSync();
    if (qint64(start) * rowHeight_ < qint64(top_) + viewport()->height()) viewport()->update();
}

void LogView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles) {
    QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    if (!topLeft.isValid() || topLeft.parent() != rootIndex()) return;
    measureRows(topLeft.row(), bottomRight.row());
    requestScrollBarSync();
}

// The scroll bars moved (by the user, or by a sync): the view follows them. The viewport is
// drawn again on the next paint rather than its pixels moved at once.
void LogView::scrollContentsBy(int, int) {
    top_ = verticalScrollBar()->value();
    viewport()->update();
}

void LogView::paintEvent(QPaintEvent* event) {
    const int n = rows();
    if (n == 0) return;
    QPainter painter(viewport());
    const QRect area = event->rect();
    const int first = static_cast<int>(std::max<qint64>(0, qint64(area.top()) + top_) / rowHeight_);
    const int last = static_cast<int>(std::min<qint64>(n - 1, (qint64(area.bottom()) + top_) / rowHeight_));

    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QStyle::State base = option.state;
    const QModelIndex current = currentIndex();
    const bool focus = hasFocus() && current.isValid();
    option.palette.setCurrentColorGroup(isEnabled() ? QPalette::Normal : QPalette::Disabled);
    for (int row = first; row <= last; ++row) {
        const QModelIndex index = model()->index(row, 0, rootIndex());
        option.rect = rowRect(row);
        option.state = base;
        if (selectionModel()->isSelected(index)) option.state |= QStyle::State_Selected;
        if (focus && index == current) option.state |= QStyle::State_HasFocus;
        itemDelegateForIndex(index)->paint(&painter, option, index);
    }
}

void LogView::changeEvent(QEvent* event) {
    QAbstractItemView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        measureRowHeight();
        widest_ = 0;
        measureRows(0, rows() - 1);
        updateGeometries();
        viewport()->update();
    }
}

} // namespace upd::gui
