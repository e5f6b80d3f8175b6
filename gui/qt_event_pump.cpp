#include "qt_event_pump.h"

#include <QCoreApplication>

namespace upd::gui {

QEvent::Type PostedMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void QtEventPump::processPendingEvents() {
    if (lastRun_ && clock_() - *lastRun_ < interval_) return;
    // Posted events first (the progress message among them), then painting and input.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Counted from the end, so that a slow run (a long repaint) still leaves the work a frame.
    lastRun_ = clock_();
}

void QtEventPump::post(const PostedMessage& message) {
    if (receiver_) QCoreApplication::postEvent(receiver_, new PostedMessageEvent(message));
}

} // namespace upd::gui
