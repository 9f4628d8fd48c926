#include "raw_http.h"

#include "station_view/http_library.h"

#include <algorithm>
#include <cctype>

namespace kq::test {

namespace hd = httplib::detail;

struct RawConnection::Impl {
    socket_t sock = INVALID_SOCKET;
    std::string pending;  // read, not yet handed out
    bool closed = false;

    // Waits up to ms for bytes; false when the time is up or the peer closed.
    bool fill(int ms) {
        if (closed || sock == INVALID_SOCKET) return false;
        if (hd::select_read(sock, ms / 1000, (ms % 1000) * 1000) <= 0) return false;
        char buffer[4096];
        ssize_t n = hd::read_socket(sock, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed = true;
            return false;
        }
        pending.append(buffer, size_t(n));
        return true;
    }
};

RawConnection::RawConnection(int port) : impl_(new Impl) {
    httplib::Error error = httplib::Error::Success;
    impl_->sock = hd::create_client_socket("127.0.0.1", "", port, AF_INET, false, nullptr, 2, 0, 5, 0, 5, 0, "", error);
}

RawConnection::~RawConnection() {
    if (impl_->sock != INVALID_SOCKET) hd::close_socket(impl_->sock);
    delete impl_;
}

bool RawConnection::connected() const { return impl_->sock != INVALID_SOCKET; }

bool RawConnection::send(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = hd::send_socket(impl_->sock, bytes.data() + sent, bytes.size() - sent, 0);
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}

std::string RawConnection::readUntil(const std::string& until, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        size_t at = impl_->pending.find(until);
        if (at != std::string::npos) {
            std::string out = impl_->pending.substr(0, at + until.size());
            impl_->pending.erase(0, at + until.size());
            return out;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (impl_->closed || left.count() <= 0) return "";
        impl_->fill(int(std::min<long long>(left.count(), 100)));
    }
}

std::string RawConnection::takeAll() {
    std::string out;
    out.swap(impl_->pending);
    return out;
}

bool RawConnection::closedWithin(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!impl_->closed && std::chrono::steady_clock::now() < deadline) impl_->fill(50);
    return impl_->closed;
}

std::string requestBytes(const std::string& method, const std::string& path, int port, const std::string& extra) {
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + extra + "\r\n";
}

RawAnswer rawRequest(int port, const std::string& bytes, std::chrono::milliseconds timeout) {
    RawAnswer answer;
    RawConnection connection(port);
    answer.connected = connection.connected();
    if (!answer.connected) return answer;
    connection.send(bytes);  // the server may close early (a refused head); the answer still counts
    connection.closedWithin(timeout);
    std::string all = connection.takeAll();
    size_t headEnd = all.find("\r\n\r\n");
    std::string text = all.substr(0, headEnd == std::string::npos ? all.size() : headEnd + 2);
    if (text.rfind("HTTP/1.1 ", 0) != 0 || text.size() < 12) return answer;
    answer.status = std::stoi(text.substr(9, 3));
    size_t line = text.find("\r\n") + 2;
    while (line < text.size()) {
        size_t end = text.find("\r\n", line);
        if (end == std::string::npos || end == line) break;  // text ends with the head's last CRLF
        std::string header = text.substr(line, end - line);
        size_t colon = header.find(':');
        if (colon != std::string::npos) {
            std::string name = header.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
            size_t value = header.find_first_not_of(' ', colon + 1);
            answer.headers[name] = value == std::string::npos ? "" : header.substr(value);
        }
        line = end + 2;
    }
    if (headEnd != std::string::npos) answer.body = all.substr(headEnd + 4);
    return answer;
}

}  // namespace kq::test
