#pragma once
// Tests of code that must never wait on a pipe: the body runs on the calling
// thread while a watchdog thread watches the clock. When the body has not
// returned in time, the test fails and the watchdog opens the pipe from the other
// end and closes it again, over and over, which releases a reader blocked on it,
// so a regression fails instead of hanging the test program.

#include <functional>
#include <string>

namespace kvtest {

// Makes a named pipe at path (the test fails when it cannot).
void MakeFifo(const std::string& path);

// Runs body; fails the test when it takes longer than seconds.
void WithFifoWatchdog(const std::string& fifo, const std::function<void()>& body, double seconds = 5.0);

}  // namespace kvtest
