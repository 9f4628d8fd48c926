// Requests of exactly the bytes a test gives, to the station view on
// 127.0.0.1 (a client library would fix up what the refusals need broken:
// the Host header, the body's length), and the answer read until the server
// closes the connection.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace kq::test {

struct RawAnswer {
    bool connected = false;
    int status = 0;  // 0: no status line came
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

RawAnswer rawRequest(int port, const std::string& bytes, std::chrono::milliseconds timeout = std::chrono::seconds(5));

// "GET /path HTTP/1.1\r\nHost: 127.0.0.1:PORT\r\n" + extra + "\r\n".
std::string requestBytes(const std::string& method, const std::string& path, int port, const std::string& extra = "");

// An open connection that reads as it goes: for the event stream, and for
// clients that misbehave (send part of a request, then nothing).
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const;
    bool send(const std::string& bytes);
    // Reads until `until` is found in what was read since the last call (it is
    // consumed up to its end) or the time is up; returns what was read up to
    // and with it, "" on time-out or close.
    std::string readUntil(const std::string& until, std::chrono::milliseconds timeout);
    // Everything read and not yet handed out.
    std::string takeAll();
    // True when the server closed the connection within the time.
    bool closedWithin(std::chrono::milliseconds timeout);

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace kq::test
