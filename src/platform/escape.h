#pragma once
// The Escape check that long drawings, exports, spline sampling, hit tests and
// fits poll. The window system side (an application-wide filter that records key
// presses) is installed by the program; headless code and tests see only the
// latch and a key queue.

#include <functional>

constexpr unsigned WM_KEYDOWN = 0x100;
constexpr unsigned WM_KEYUP = 0x101;
constexpr unsigned WM_CHAR = 0x102;
constexpr int VK_ESCAPE = 0x1B;

// Program-wide abort latch: once set, every poll answers 1 until an operation
// clears it at its start.
extern int AbortRequested;
// Poll switch: printing sets it to 0 for a whole print job.
extern int AbortPollEnabled;

// Turns the poll off for its lifetime: work whose result is stored or decides a
// pick (spline sampling for bounds and hit tests) must not depend on a key press
// or on a latch an aborted drawing left set.
class EscapePollOff {
public:
    EscapePollOff() : saved_(AbortPollEnabled) { AbortPollEnabled = 0; }
    ~EscapePollOff() { AbortPollEnabled = saved_; }
    EscapePollOff(const EscapePollOff&) = delete;
    EscapePollOff& operator=(const EscapePollOff&) = delete;

private:
    int saved_;
};

// 1 when the running operation is to stop: the latch is set, or the next waiting
// keyboard message (which this call removes) is an Escape key press.
int CheckEscapeAbort();

namespace kv {

struct KeyMessage {
    unsigned message = 0;  // WM_KEYDOWN, WM_KEYUP, WM_CHAR ...
    int key = 0;           // virtual-key code
};

// Removes the next waiting keyboard message into *out; false when none waits.
using KeyMessageSource = std::function<bool(KeyMessage* out)>;

// Installs the source of waiting keyboard messages; returns the previous one.
KeyMessageSource SetKeyMessageSource(KeyMessageSource source);

}  // namespace kv
