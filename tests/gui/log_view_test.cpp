// The update log's list on the offscreen platform: a plain log, its model and the view.
#include "log_view.h"
#include "update_log_model.h"
#include "ui/update_log.h"

#include <QScrollBar>
#include <QtTest>

using namespace upd;

namespace {

// A log shown in a view tall enough for about twenty lines, wired as the main window wires it.
struct Shown {
    UpdateLog log;
    gui::LogView view;
    gui::UpdateLogModel* model = new gui::UpdateLogModel(log, &view);

    Shown() {
        view.setModel(model);
        log.addObserver([this](size_t index, bool selected) {
            model->lineAppended(index);
            if (selected) view.selectRow(static_cast<int>(index));
        });
        log.addChangeObserver([this](size_t index) { model->lineChanged(index); });
        view.resize(400, 20 * view.rowHeight() + 2 * view.frameWidth());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
    }

    void append(int n, bool select) {
        for (int i = 0; i < n; ++i) {
            const std::string line = "Кордеваль/Файл " + std::to_string(log.size()) + ".txt";
            select ? log.AppendAndSelect(line) : log.Append(line);
        }
    }
    // The whole height of the row lies in the viewport.
    bool inView(int row) const {
        const QRect r = view.visualRect(model->index(row));
        return r.top() >= 0 && r.bottom() < view.viewport()->height();
    }
    bool selected(int row) const { return view.selectionModel()->isRowSelected(row, QModelIndex()); }
};

} // namespace

class LogViewTest : public QObject {
    Q_OBJECT
private slots:
    void appendAndSelectFollowsTheEnd() {
        Shown s;
        s.append(500, true);
        QCOMPARE(s.view.count(), 500);
        QCOMPARE(s.view.text(499), QString("Кордеваль/Файл 499.txt"));
        QCOMPARE(s.view.currentRow(), 499);
        QVERIFY(s.selected(499));
        QVERIFY(!s.selected(498));
        QVERIFY(s.inView(499));
        QVERIFY(!s.inView(0));
        // The scroll bar catches up with the view once the events have run.
        QCoreApplication::processEvents();
        QCOMPARE(s.view.verticalScrollBar()->maximum(), 500 * s.view.rowHeight() - s.view.viewport()->height());
        QCOMPARE(s.view.verticalScrollBar()->value(), s.view.verticalScrollBar()->maximum());
    }

    // Append leaves the selected line where it was, even when the new lines go below the view.
    void appendKeepsTheSelection() {
        Shown s;
        s.append(3, true);
        s.append(100, false);
        QCOMPARE(s.view.count(), 103);
        QCOMPARE(s.view.currentRow(), 2);
        QVERIFY(s.selected(2));
        QVERIFY(s.inView(2));
        QVERIFY(!s.inView(102));
    }

    void emptyLineBecomesTheSelectedLine() {
        Shown s;
        s.append(30, true);
        s.log.AppendAndSelect("");
        QCOMPARE(s.view.text(30), QString());
        QCOMPARE(s.view.currentRow(), 30);
        QVERIFY(s.selected(30));
        QVERIFY(s.inView(30));
    }

    void lineChangedInPlaceIsShown() {
        Shown s;
        s.log.AppendAndSelect("Загрузка");
        s.log.AppendToLastLine("...");
        QCOMPARE(s.view.count(), 1);
        QCOMPARE(s.view.text(0), QString("Загрузка..."));
    }

    // Every row has the same height: where a row lies and which row is under a point follow
    // from the row's number and the scroll offset.
    void rowsLieAtTheirNumbers() {
        Shown s;
        s.append(100, false);
        const int h = s.view.rowHeight();
        QVERIFY(h > 0);
        s.view.scrollTo(s.model->index(50), QAbstractItemView::PositionAtTop);
        const struct {
            int y;
            int row;
        } cases[] = {{0, 50}, {h - 1, 50}, {h, 51}, {5 * h + h / 2, 55}, {-1, 49}, {-50 * h - 1, -1}};
        for (const auto& c : cases) {
            const int row = s.view.indexAt(QPoint(10, c.y)).row();
            QVERIFY2(row == c.row, qPrintable(QString("y %1: row %2, expected %3").arg(c.y).arg(row).arg(c.row)));
        }
        QCOMPARE(s.view.visualRect(s.model->index(50)).top(), 0);
        QCOMPARE(s.view.visualRect(s.model->index(53)).top(), 3 * h);
        QCOMPARE(s.view.visualRect(s.model->index(49)).bottom(), -1);
        s.view.scrollTo(s.model->index(99), QAbstractItemView::PositionAtTop);  // no further than the end
        QVERIFY(s.inView(99));
        QCOMPARE(s.view.visualRect(s.model->index(99)).bottom(), s.view.viewport()->height() - 1);
        QCOMPARE(s.view.indexAt(QPoint(10, s.view.viewport()->height())).row(), -1);
    }

    // The list answers the keyboard and the mouse as a list box does.
    void keysAndClicksMoveTheSelection() {
        Shown s;
        s.append(100, true);
        s.view.setFocus();
        const int page = s.view.viewport()->height() / s.view.rowHeight();
        const struct {
            Qt::Key key;
            int row;
        } steps[] = {{Qt::Key_Home, 0}, {Qt::Key_Down, 1}, {Qt::Key_PageDown, 1 + page}, {Qt::Key_Up, page},
                     {Qt::Key_End, 99}, {Qt::Key_PageUp, 99 - page}, {Qt::Key_Down, 100 - page}};
        for (const auto& step : steps) {
            QTest::keyClick(&s.view, step.key);
            const QString where = QString("key %1: row %2, expected %3").arg(step.key).arg(s.view.currentRow()).arg(step.row);
            QVERIFY2(s.view.currentRow() == step.row, qPrintable(where));
            QVERIFY2(s.selected(step.row) && s.inView(step.row), qPrintable(where));
        }
        s.view.scrollTo(s.model->index(10), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        QTest::mouseClick(s.view.viewport(), Qt::LeftButton, {}, QPoint(20, 2 * s.view.rowHeight() + 1));
        QCOMPARE(s.view.currentRow(), 12);
        QVERIFY(s.selected(12));
        QCOMPARE(s.view.selectionModel()->selectedRows().size(), 1);
    }

    // The user's scrolling moves the view; the next selected line brings the end back.
    void scrollBarMovesTheView() {
        Shown s;
        s.append(200, true);
        QCoreApplication::processEvents();
        s.view.verticalScrollBar()->setValue(0);
        QVERIFY(s.inView(0));
        QVERIFY(!s.inView(199));
        s.append(1, true);
        QVERIFY(s.inView(200));
        QVERIFY(!s.inView(0));
    }

    // A line wider than the view gives a horizontal range; the end of the list stays in view
    // when the horizontal scroll bar takes room under it.
    void wideLineGivesAHorizontalRange() {
        Shown s;
        s.append(100, true);
        QCoreApplication::processEvents();
        QCOMPARE(s.view.horizontalScrollBar()->maximum(), 0);
        s.log.AppendAndSelect(std::string(300, 'W'));
        QTRY_VERIFY(s.view.horizontalScrollBar()->isVisible());
        QVERIFY(s.view.horizontalScrollBar()->maximum() >= s.view.fontMetrics().horizontalAdvance(QString(300, 'W')) -
                                                               s.view.viewport()->width());
        QVERIFY(s.inView(100));
        QCOMPARE(s.view.verticalScrollBar()->value(), s.view.verticalScrollBar()->maximum());
    }
};

QTEST_MAIN(LogViewTest)
#include "log_view_test.moc"
