#include "escape.h"

#include <utility>

int AbortRequested = 0;
int AbortPollEnabled = 1;

namespace kv {
namespace {
KeyMessageSource& Source() {
    static KeyMessageSource source;
    return source;
}
}  // namespace

KeyMessageSource SetKeyMessageSource(KeyMessageSource source) {
    return std::exchange(Source(), std::move(source));
}

}  // namespace kv

int CheckEscapeAbort() {
    if (AbortPollEnabled != 1) return 0;
    if (AbortRequested) return 1;
    const kv::KeyMessageSource& source = kv::Source();
    if (!source) return 0;
    // One waiting key message is taken per poll; anything but an Escape press is
    // consumed and lost, as the user pressed it during a long operation.
    kv::KeyMessage message;
    if (!source(&message)) return 0;
    if (message.message == WM_KEYDOWN && message.key == VK_ESCAPE) {
        AbortRequested = 1;
        return 1;
    }
    return 0;
}
