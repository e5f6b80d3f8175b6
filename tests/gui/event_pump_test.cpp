// The window's event pump: pending events run at most once per frame, and nothing is lost.
#include "qt_event_pump.h"
#include "ui/progress_message.h"

#include <QtTest>

#include <chrono>
#include <vector>

using namespace upd;
using namespace std::chrono_literals;

namespace {

// Records the posted messages it is handed; a handler may move the clock on (a slow run).
class Receiver : public QObject {
public:
    std::vector<intptr_t> handled;
    std::chrono::milliseconds runTakes{0};
    std::chrono::steady_clock::time_point* now = nullptr;

protected:
    bool event(QEvent* e) override {
        if (e->type() != gui::PostedMessageEvent::eventType()) return QObject::event(e);
        handled.push_back(static_cast<gui::PostedMessageEvent*>(e)->message.lParam);
        *now += runTakes;
        return true;
    }
};

// A pump over a clock that moves only when the test moves it.
struct Paced {
    std::chrono::steady_clock::time_point now{};
    Receiver receiver;
    gui::QtEventPump pump{16ms, [this] { return now; }};

    Paced() {
        receiver.now = &now;
        pump.setReceiver(&receiver);
    }
    void post(intptr_t n) { pump.post({WM_PROGRESS, 1, n}); }
};

} // namespace

class EventPumpTest : public QObject {
    Q_OBJECT
private slots:
    void firstCallRunsEverythingWaiting() {
        Paced p;
        p.post(1);
        p.post(2);
        QVERIFY(p.receiver.handled.empty());  // posted, not sent
        p.pump.processPendingEvents();
        QCOMPARE(p.receiver.handled, (std::vector<intptr_t>{1, 2}));
    }

    // Calls within a frame of the last run return at once; what waits runs on the first call
    // after the frame, in the order it was posted.
    void callsWithinAFrameWait() {
        Paced p;
        p.pump.processPendingEvents();
        const struct {
            std::chrono::milliseconds later;
            std::vector<intptr_t> handled;
        } steps[] = {{0ms, {}}, {10ms, {}}, {15ms, {}}, {16ms, {10, 11, 12, 13}}, {17ms, {10, 11, 12, 13}},
                     {32ms, {10, 11, 12, 13, 14, 15}}};
        const auto start = p.now;
        intptr_t next = 10;
        for (const auto& step : steps) {
            p.post(next++);
            p.now = start + step.later;
            p.pump.processPendingEvents();
            QVERIFY2(p.receiver.handled == step.handled, qPrintable(QString("at %1 ms").arg(step.later.count())));
        }
        // The message loop runs whatever is still waiting.
        p.post(next);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(p.receiver.handled.back(), next);
    }

    // The frame counts from the end of a run: a slow run still leaves the work a whole frame.
    void frameCountsFromTheEndOfARun() {
        Paced p;
        p.receiver.runTakes = 40ms;
        p.post(1);
        p.pump.processPendingEvents();  // the clock stands 40 ms later when the run ends
        p.receiver.runTakes = 0ms;
        p.post(2);
        p.now += 10ms;
        p.pump.processPendingEvents();
        QCOMPARE(p.receiver.handled, (std::vector<intptr_t>{1}));
        p.now += 6ms;
        p.pump.processPendingEvents();
        QCOMPARE(p.receiver.handled, (std::vector<intptr_t>{1, 2}));
    }
};

QTEST_MAIN(EventPumpTest)
#include "event_pump_test.moc"
