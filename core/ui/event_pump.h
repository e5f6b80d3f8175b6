// The user-interface thread's queue as the core sees it: pending events can be let run,
// and window messages can be posted to the main window for later dispatch.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>

namespace upd {

struct PostedMessage {
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

class EventPump {
public:
    virtual ~EventPump() = default;
    // Dispatches everything waiting, then returns at once; never waits for new events.
    virtual void processPendingEvents() = 0;
    // Queues a message for the main window; it is handled on the next dispatch.
    virtual void post(const PostedMessage& message) = 0;
};

// A plain queue: posted messages wait until processPendingEvents hands them to the handler.
// The console front end and the tests use it; the Qt front end posts real events.
class QueuedEventPump : public EventPump {
public:
    using Handler = std::function<void(const PostedMessage&)>;

    void setHandler(Handler handler) { handler_ = std::move(handler); }
    void processPendingEvents() override {
        while (!queue_.empty()) {
            const PostedMessage m = queue_.front();
            queue_.pop_front();
            if (handler_) handler_(m);
        }
        if (onIdle) onIdle();
    }
    void post(const PostedMessage& message) override { queue_.push_back(message); }
    size_t pending() const { return queue_.size(); }

    // Called after each dispatch round; tests hook it to act "during" an operation.
    std::function<void()> onIdle;

private:
    std::deque<PostedMessage> queue_;
    Handler handler_;
};

} // namespace upd
