#include "support/helpers/fifo_watchdog.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace kvtest {

void MakeFifo(const std::string& path) {
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path << ": " << std::strerror(errno);
}

void WithFifoWatchdog(const std::string& fifo, const std::function<void()>& body, double seconds) {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock<std::mutex> lock(m);
        const auto limit = std::chrono::duration<double>(seconds);
        if (cv.wait_for(lock, limit, [&] { return done; })) return;
        ADD_FAILURE() << "still waiting on " << fifo << " after " << seconds << " s";
        // Opening both ends never waits; a reader blocked in open or read sees a
        // writer come and go, and then the end of the file.
        while (!done) {
            const int fd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) ::close(fd);
            cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return done; });
        }
    });
    body();
    {
        std::lock_guard<std::mutex> lock(m);
        done = true;
    }
    cv.notify_all();
    watchdog.join();
}

}  // namespace kvtest
