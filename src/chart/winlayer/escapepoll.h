#pragma once
// The Escape check's window-system side. Long drawings, exports and fits run on the
// one GUI thread without an event loop; each poll of CheckEscapeAbort
// (platform/escape.h) takes one waiting key message from the queue this keeps.
//
// A poll costs a clock reading. Only when its queue is empty and the last look at
// the window system is at least EscapeLookInterval old (or the event loop has run
// since, so the first poll of an operation looks at once) does it let Qt fetch what
// the window system has waiting, without timers or socket notifiers, with an
// application-wide event filter that, for the duration of that look only:
// - records key presses and releases (in order, as WM_KEYDOWN / WM_KEYUP with their
//   virtual keys) and keeps them from every widget and shortcut;
// - holds back input and window-management events (mouse, wheel, tablet, touch,
//   context menu, close, and the resizing, moving and state changes of top-level
//   windows), painting (update requests, exposes, paint events), the program's own
//   events and its deferred calls (PostCall), and posts them again afterwards, so
//   that they run once the operation is over and the event loop resumes;
// - lets drags through: a drop must be answered while the source waits, and the
//   program's drop handler only reads the names and defers the work with PostCall;
// - lets Qt's own internal events through.
// So no handler of the program runs inside a poll and nothing re-enters the
// document. Key messages still queued when the event loop resumes go to their
// windows then, as they would have without the poll.

#include <chrono>
#include <cstddef>
#include <functional>

class QObject;
class QWidget;

namespace kv::win {

// The least time between two looks at the window system while an operation polls:
// Escape stops a drawing within this (plus the work between two polls).
constexpr std::chrono::milliseconds EscapeLookInterval{25};

// Installs the filter on the application and makes it the Escape check's key
// source. Needs the QApplication; installing twice does nothing.
void InstallEscapePoll();
// Removes both again.
void UninstallEscapePoll();
// True while a poll lets Qt fetch waiting events.
bool EscapePollPumping();
// Recorded key messages not yet taken by a poll.
std::size_t EscapePollPendingKeys();
// How many times the polls looked at the window system since installation.
long long EscapePollLooks();

// One look at the window system as an Escape poll takes it, except that window
// (a modeless window of the running operation: a print job's printing window
// with its Cancel button) and its children get their input and painting meanwhile.
// Everything else is held as in a poll. Needs the installed poll; false without.
bool PumpWindowEvents(QWidget* window);

// Runs call from the event loop, after everything waiting now, and never inside an
// Escape poll; nothing happens when context is gone by then. The program defers
// its own work (a dropped file, for one) this way rather than with queued signals
// or zero timers, which Qt would deliver inside a poll.
void PostCall(QObject* context, std::function<void()> call);

}  // namespace kv::win
