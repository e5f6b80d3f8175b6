// A tiny HTTP server on 127.0.0.1 and an ephemeral port for the client's tests: it records
// each request head byte for byte, with the number of the connection it came on, and
// answers from a responder. One thread, waiting for input with a short timeout, stopped by
// the destructor.
#pragma once

#include "loopback_socket.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace upd::testing {

struct RecordedRequest {
    int connection = 0;  // 1 for the first connection accepted, and so on
    std::string head;    // request line and headers up to and including the empty line
    std::string method;
    std::string target;
};

struct CannedResponse {
    int status = 200;
    std::string reason = "OK";
    std::vector<std::pair<std::string, std::string>> headers;  // Content-Length is added
    std::string body;
    bool close = false;  // answer with "Connection: close" and close the connection
    std::string raw;     // when set, sent as it is instead of the above
};

class LoopbackHttpServer {
public:
    using Responder = std::function<CannedResponse(const RecordedRequest&)>;

    explicit LoopbackHttpServer(Responder responder) : responder_(std::move(responder)) {
        listen_ = listenOnLoopback(port_);
        thread_ = std::thread([this] { run(); });
    }

    ~LoopbackHttpServer() {
        stop_ = true;
        thread_.join();  // the sockets close with their handles after the thread is gone
    }

    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    uint16_t port() const { return port_; }
    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string url(const std::string& path) const { return "http://" + hostPort() + path; }

    std::vector<RecordedRequest> requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    int connections() const { return accepted_.load(); }

private:
    struct Client {
        Socket socket;
        int number;
        std::string buffer;
    };

    void run() {
        // Bounded: the destructor's flag is seen within one wait.
        while (!stop_) {
            std::vector<const Socket*> sockets{&listen_};
            for (auto& c : clients_) sockets.push_back(&c.socket);
            const std::vector<bool> ready = waitForInput(sockets, 20);
            if (ready[0]) {
                Socket socket = acceptClient(listen_);
                if (socket.isOpen()) clients_.push_back({std::move(socket), ++accepted_, {}});
            }
            for (size_t i = 1; i < ready.size(); ++i) {
                if (!ready[i]) continue;
                Client& c = clients_[i - 1];
                char buf[4096];
                const long n = receiveSome(c.socket, buf, sizeof buf);
                if (n <= 0) {
                    c.socket.close();  // a socket's close has nothing left to deliver
                    continue;
                }
                c.buffer.append(buf, static_cast<size_t>(n));
                serve(c);
            }
            std::erase_if(clients_, [](const Client& c) { return !c.socket.isOpen(); });
        }
    }

    void serve(Client& c) {
        for (size_t end; c.socket.isOpen() && (end = c.buffer.find("\r\n\r\n")) != std::string::npos;) {
            RecordedRequest r;
            r.connection = c.number;
            r.head = c.buffer.substr(0, end + 4);
            c.buffer.erase(0, end + 4);
            const size_t sp1 = r.head.find(' ');
            const size_t sp2 = r.head.find(' ', sp1 + 1);
            r.method = r.head.substr(0, sp1);
            r.target = r.head.substr(sp1 + 1, sp2 - sp1 - 1);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(r);
            }
            const CannedResponse response = responder_(r);
            const std::string bytes = encode(response, r.method == "HEAD");
            if (!sendAll(c.socket, bytes) || response.close)
                c.socket.close();  // as above: the answer was sent or cannot be
        }
    }

    static std::string encode(const CannedResponse& r, bool head) {
        if (!r.raw.empty()) return r.raw;
        std::string out = "HTTP/1.1 " + std::to_string(r.status) + " " + r.reason + "\r\n";
        for (const auto& [name, value] : r.headers) out += name + ": " + value + "\r\n";
        out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
        if (r.close) out += "Connection: close\r\n";
        out += "\r\n";
        if (!head) out += r.body;
        return out;
    }

    Responder responder_;
    Socket listen_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::vector<Client> clients_;  // server thread only
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
};

} // namespace upd::testing
