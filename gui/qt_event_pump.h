// The core's event pump over Qt's event loop: pending events are processed in place, and
// window messages become posted events of the main window.
#pragma once

#include "ui/event_pump.h"

#include <QEvent>

class QObject;

namespace upd::gui {

class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type eventType();
    explicit PostedMessageEvent(const PostedMessage& m) : QEvent(eventType()), message(m) {}
    PostedMessage message;
};

class QtEventPump : public EventPump {
public:
    void setReceiver(QObject* receiver) { receiver_ = receiver; }
    void processPendingEvents() override;
    void post(const PostedMessage& message) override;

private:
    QObject* receiver_ = nullptr;
};

} // namespace upd::gui
