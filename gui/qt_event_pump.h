// The core's event pump over Qt's event loop: pending events are processed in place, and
// window messages become posted events of the main window.
#pragma once

#include "ui/event_pump.h"

#include <QEvent>

#include <chrono>
#include <functional>
#include <optional>

class QObject;

namespace upd::gui {

class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit PostedMessageEvent(const PostedMessage& m) : QEvent(eventType()), message(m) {}
    PostedMessage message;
};

// An extraction asks for pending events after every entry, thousands of times a second;
// running them (painting among them) each time would cost more than the entries. So events
// run at most once per frame of the screen: a call less than `interval` after the end of the
// last run returns at once, and what waits runs on the next call after it, or in the message
// loop when the operation returns to it. Nothing is dropped; a person sees no difference.
class QtEventPump : public EventPump {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kFrame{16};

    explicit QtEventPump(std::chrono::milliseconds interval = kFrame, Clock clock = std::chrono::steady_clock::now)
        : interval_(interval), clock_(std::move(clock)) {}

    void setReceiver(QObject* receiver) { receiver_ = receiver; }
    void processPendingEvents() override;
    void post(const PostedMessage& message) override;

private:
    QObject* receiver_ = nullptr;
    std::chrono::milliseconds interval_;
    Clock clock_;
    std::optional<std::chrono::steady_clock::time_point> lastRun_;
};

} // namespace upd::gui
