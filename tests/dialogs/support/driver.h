#pragma once
// Driving kit dialogs in tests (offscreen platform): run a dialog modally with a
// watchdog, act on it by control id, act on a dialog it opens in turn, type text
// the way an input method delivers it (QTest::keyClicks cannot type Japanese).

#include "dialogs/kit/controls.h"
#include "dialogs/kit/pdialog.h"

#include <QString>

#include <functional>

namespace kvtest {

// Runs dlg with Execute(); script runs once the dialog is shown and its event loop
// runs. When the dialog is still open after timeoutMs the test fails and every
// modal dialog is closed with -1, so a test never hangs.
int RunModal(PDialog& dlg, std::function<void()> script, int timeoutMs = 5000);

// Runs f with the next modal dialog that opens above the one now on top (for a
// dialog that a handler opens, such as the colour palette). Gives up silently
// after timeoutMs; the RunModal watchdog reports the hang.
void OnNextModal(std::function<void(QWidget*)> f, int timeoutMs = 5000);

// Makes w's window the active window (so focus changes happen); false when the
// platform would not activate it.
bool Activate(QWidget* w);

// Clicks button id like the user (fails the test when it is missing).
void Click(PDialog& dlg, int id);
// Commits text into w (an edit, or the edit field of a combo box) as an input
// method does; the edit's rules (typing limit) apply.
void TypeText(QWidget* w, const QString& text);
// Sends a key press and release to w.
void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier);

}  // namespace kvtest
