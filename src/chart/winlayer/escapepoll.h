#pragma once
// The Escape check's window-system side. Long drawings, exports and fits run on the
// one GUI thread without an event loop; each poll of CheckEscapeAbort
// (platform/escape.h) takes one waiting key message from the queue this keeps.
//
// When that queue is empty a poll lets Qt fetch what the window system has waiting,
// with an application-wide event filter that, for the duration of that fetch only:
// - records key presses and releases (in order, as WM_KEYDOWN / WM_KEYUP with their
//   virtual keys) and keeps them from every widget and shortcut;
// - holds back input and window-management events (mouse, wheel, tablet, touch,
//   context menu, close, and the resizing, moving and state changes of top-level
//   windows) and posts them again afterwards, so that they run once the operation
//   is over and the event loop resumes;
// - lets everything else through (painting, timers, internal events): the window
//   layer never runs Paint during a poll, so nothing re-enters the document.
// Key messages still queued when the event loop resumes go to their windows then,
// as they would have without the poll.

#include <cstddef>

namespace kv::win {

// Installs the filter on the application and makes it the Escape check's key
// source. Needs the QApplication; installing twice does nothing.
void InstallEscapePoll();
// Removes both again.
void UninstallEscapePoll();
// True while a poll lets Qt fetch waiting events.
bool EscapePollPumping();
// Recorded key messages not yet taken by a poll.
std::size_t EscapePollPendingKeys();

}  // namespace kv::win
