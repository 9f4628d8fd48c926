#include "station_view/bounded_http_server.h"

namespace kq::station_view {

namespace {

// Reads through the library's socket stream until the request's byte or
// time budget is spent, then fails the read as a closed connection would:
// the library answers 400 (or closes) and the worker is free again.
class BudgetStream final : public httplib::Stream {
public:
    BudgetStream(httplib::Stream& inner, size_t bytes, std::chrono::steady_clock::time_point deadline)
        : inner_(inner), bytesLeft_(bytes), deadline_(deadline) {}

    bool is_readable() const override { return inner_.is_readable(); }
    bool is_writable() const override { return inner_.is_writable(); }
    ssize_t read(char* ptr, size_t size) override {
        if (bytesLeft_ == 0 || std::chrono::steady_clock::now() > deadline_) return -1;
        ssize_t n = inner_.read(ptr, size < bytesLeft_ ? size : bytesLeft_);
        if (n > 0) bytesLeft_ -= size_t(n);
        return n;
    }
    ssize_t write(const char* ptr, size_t size) override { return inner_.write(ptr, size); }
    void get_remote_ip_and_port(std::string& ip, int& port) const override { inner_.get_remote_ip_and_port(ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { inner_.get_local_ip_and_port(ip, port); }
    socket_t socket() const override { return inner_.socket(); }

private:
    httplib::Stream& inner_;
    size_t bytesLeft_;
    std::chrono::steady_clock::time_point deadline_;
};

// What the listening loop owns and deletes: it hands the tasks on.
class QueueHandle final : public httplib::TaskQueue {
public:
    explicit QueueHandle(BoundedTaskQueue& queue) : queue_(queue) {}
    void enqueue(std::function<void()> task) override { queue_.enqueue(std::move(task)); }
    void shutdown() override { queue_.shutdown(); }

private:
    BoundedTaskQueue& queue_;
};

}  // namespace

BoundedTaskQueue::BoundedTaskQueue(size_t threads, size_t queued) : queued_(queued) {
    for (size_t i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
}

BoundedTaskQueue::~BoundedTaskQueue() { shutdown(); }

void BoundedTaskQueue::enqueue(std::function<void()> task) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return released_ || tasks_.size() < queued_; });
    tasks_.push_back(std::move(task));
    changed_.notify_all();
}

void BoundedTaskQueue::release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

void BoundedTaskQueue::shutdown() {
    {
        std::lock_guard lock(mutex_);
        if (shutDown_) return;
        shutDown_ = true;
        released_ = true;
        changed_.notify_all();
    }
    for (auto& thread : threads_) thread.join();
    threads_.clear();
}

void BoundedTaskQueue::work() {
    while (true) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return shutDown_ || !tasks_.empty(); });
            // Tasks left at shutdown still run: each one closes its socket
            // (at once, since the listening socket is gone).
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
            changed_.notify_all();
        }
        task();
    }
}

BoundedHttpServer::BoundedHttpServer(const HttpBounds& bounds)
    : bounds_(bounds), queue_(std::make_unique<BoundedTaskQueue>(bounds.workerThreads, bounds.queuedConnections)) {
    new_task_queue = [this] { return new QueueHandle(*queue_); };
    set_keep_alive_max_count(1);
    set_keep_alive_timeout(bounds.idleTimeoutS);
    set_read_timeout(bounds.readTimeoutS, 0);
    set_write_timeout(bounds.writeTimeoutS, 0);
    set_payload_max_length(bounds.bodyBytes);
}

void BoundedHttpServer::stopServing() {
    queue_->release();
    stop();
}

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
    // As the library's own, with the request read through a budget.
    bool served = httplib::detail::process_server_socket(
        svr_sock_, sock, keep_alive_max_count_, keep_alive_timeout_sec_, read_timeout_sec_, read_timeout_usec_,
        write_timeout_sec_, write_timeout_usec_,
        [this](httplib::Stream& stream, bool closeConnection, bool& connectionClosed) {
            BudgetStream budget(stream, bounds_.requestBytes,
                                std::chrono::steady_clock::now() + bounds_.requestTime);
            return process_request(budget, closeConnection, connectionClosed, nullptr);
        });
    httplib::detail::shutdown_socket(sock);
    httplib::detail::close_socket(sock);
    return served;
}

}  // namespace kq::station_view
