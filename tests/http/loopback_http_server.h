// A tiny HTTP server on 127.0.0.1 and an ephemeral port for the client's tests: it records
// each request head byte for byte, with the number of the connection it came on, and
// answers from a responder. One thread, poll with a short timeout, stopped by the destructor.
#pragma once

#include "platform/file_handle.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

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
        listen_ = files::FileHandle(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!listen_.isOpen()) throw std::runtime_error("socket");
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        if (::bind(listen_.native(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listen_.native(), 16) != 0 ||
            ::getsockname(listen_.native(), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            throw std::runtime_error("bind/listen on 127.0.0.1");
        port_ = ntohs(addr.sin_port);
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
        files::FileHandle socket;
        int number;
        std::string buffer;
    };

    void run() {
        // Bounded: the destructor's flag is seen within one poll timeout.
        while (!stop_) {
            std::vector<pollfd> fds{{listen_.native(), POLLIN, 0}};
            for (auto& c : clients_) fds.push_back({c.socket.native(), POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) {
                files::FileHandle socket(::accept4(listen_.native(), nullptr, nullptr, SOCK_CLOEXEC));
                if (socket.isOpen()) {
                    const timeval limit{5, 0};  // a client that stops reading cannot hold the thread
                    ::setsockopt(socket.native(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
                    clients_.push_back({std::move(socket), ++accepted_, {}});
                }
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
                Client& c = clients_[i - 1];
                char buf[4096];
                const ssize_t n = ::recv(c.socket.native(), buf, sizeof buf, 0);
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
            if (!sendAll(c.socket.native(), bytes) || response.close)
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

    // Not FileHandle::writeAll: a client that hung up must not raise SIGPIPE (MSG_NOSIGNAL).
    static bool sendAll(int fd, const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }

    Responder responder_;
    files::FileHandle listen_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::vector<Client> clients_;  // server thread only
    mutable std::mutex mutex_;
    std::vector<RecordedRequest> requests_;
};

} // namespace upd::testing
