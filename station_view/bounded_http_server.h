// cpp-httplib's server with the bounds a server left open on a line's
// network needs: a fixed number of worker threads with a short queue in
// front of them (when both are full, the listening thread waits, and the
// system's backlog holds or refuses further connections), one request per
// connection, and a request head that must arrive whole within a byte and a
// time budget (the library bounds each header line, not their number, nor
// how long a client may take to send them).
#pragma once

#include "station_view/http_bounds.h"
#include "station_view/http_library.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kq::station_view {

// The worker threads. enqueue() is called on the listening thread.
class BoundedTaskQueue final : public httplib::TaskQueue {
public:
    BoundedTaskQueue(size_t threads, size_t queued);
    ~BoundedTaskQueue() override;
    void enqueue(std::function<void()> task) override;
    void shutdown() override;
    // From now on enqueue() never waits (the server is stopping).
    void release();

private:
    void work();

    size_t queued_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    std::vector<std::thread> threads_;
    bool released_ = false;
    bool shutDown_ = false;
};

class BoundedHttpServer final : public httplib::Server {
public:
    explicit BoundedHttpServer(const HttpBounds& bounds);
    // Lets a waiting enqueue() go on, then stops the listening loop.
    void stopServing();

private:
    bool process_and_close_socket(socket_t sock) override;

    HttpBounds bounds_;
    // Owned here, not by the listening loop (which deletes what
    // new_task_queue gives it), so that stopServing() can always reach it.
    std::unique_ptr<BoundedTaskQueue> queue_;
};

}  // namespace kq::station_view
