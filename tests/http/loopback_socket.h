// The few socket calls of the loopback HTTP server, for POSIX and for Winsock: a listening
// socket on 127.0.0.1, accept, wait for input, receive and send.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include "platform/file_handle.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace upd::testing {

#ifdef _WIN32
// One owning type for a Winsock socket, which closesocket ends (not CloseHandle).
class Socket {
public:
    using Native = SOCKET;
    Socket() = default;
    explicit Socket(SOCKET s) : socket_(s) {}
    ~Socket() { close(); }
    Socket(Socket&& other) noexcept : socket_(std::exchange(other.socket_, INVALID_SOCKET)) {}
    Socket& operator=(Socket&& other) noexcept {
        std::swap(socket_, other.socket_);
        return *this;
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool isOpen() const { return socket_ != INVALID_SOCKET; }
    SOCKET native() const { return socket_; }
    void close() {
        if (socket_ != INVALID_SOCKET) ::closesocket(std::exchange(socket_, INVALID_SOCKET));
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
};

inline void startSockets() {
    // Once per process; Winsock stays up until the process ends.
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("WSAStartup");
}

inline Socket openTcpSocket() {
    startSockets();
    return Socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}
using socklen_type = int;
#else
using Socket = files::FileHandle;
using socklen_type = socklen_t;

inline Socket openTcpSocket() { return Socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)); }
#endif

// A socket listening on 127.0.0.1 and an ephemeral port, which `port` receives.
inline Socket listenOnLoopback(uint16_t& port) {
    Socket listener = openTcpSocket();
    if (!listener.isOpen()) throw std::runtime_error("socket");
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_type len = sizeof addr;
    if (::bind(listener.native(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener.native(), 16) != 0 ||
        ::getsockname(listener.native(), reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("bind/listen on 127.0.0.1");
    port = ntohs(addr.sin_port);
    return listener;
}

// The next connection; a client that stops reading cannot hold a send for more than 5 s.
inline Socket acceptClient(const Socket& listener) {
#ifdef _WIN32
    Socket client(::accept(listener.native(), nullptr, nullptr));
    const DWORD limit = 5000;
    if (client.isOpen())
        ::setsockopt(client.native(), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&limit), sizeof limit);
#else
    Socket client(::accept4(listener.native(), nullptr, nullptr, SOCK_CLOEXEC));
    const timeval limit{5, 0};
    if (client.isOpen()) ::setsockopt(client.native(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
#endif
    return client;
}

// Which of the sockets have input (or were hung up on) within `timeoutMs`.
inline std::vector<bool> waitForInput(const std::vector<const Socket*>& sockets, int timeoutMs) {
#ifdef _WIN32
    std::vector<WSAPOLLFD> fds;
    for (const Socket* s : sockets) fds.push_back({s->native(), POLLRDNORM, 0});
    const int n = ::WSAPoll(fds.data(), static_cast<ULONG>(fds.size()), timeoutMs);
#else
    std::vector<pollfd> fds;
    for (const Socket* s : sockets) fds.push_back({s->native(), POLLIN, 0});
    const int n = ::poll(fds.data(), fds.size(), timeoutMs);
#endif
    std::vector<bool> ready(sockets.size(), false);
    if (n <= 0) return ready;
    for (size_t i = 0; i < fds.size(); ++i) ready[i] = (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    return ready;
}

// Bytes received, 0 when the peer closed, negative on an error.
inline long receiveSome(const Socket& s, char* buffer, size_t size) {
#ifdef _WIN32
    return ::recv(s.native(), buffer, static_cast<int>(size), 0);
#else
    return static_cast<long>(::recv(s.native(), buffer, size, 0));
#endif
}

// Not FileHandle::writeAll: a client that hung up must not raise SIGPIPE (MSG_NOSIGNAL).
inline bool sendAll(const Socket& s, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
#ifdef _WIN32
        const long n = ::send(s.native(), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
#else
        const long n = static_cast<long>(::send(s.native(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL));
#endif
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

} // namespace upd::testing
