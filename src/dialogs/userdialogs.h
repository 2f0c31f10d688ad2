#pragma once
// The "C" and "F" buttons of the style and fit dialogs open the user-constant and
// user-function dialogs of the chart window's current axis set. Those dialogs
// install their runners here; until they do, the buttons open nothing.

#include <functional>

class QWidget;

namespace kv {

// Runs a modal dialog with the given parent; its result is not used.
using ParentedDialogRunner = std::function<void(QWidget* parent)>;

// Installs a runner (an empty one: nothing opens); returns the previous one.
ParentedDialogRunner SetUserConstDialogRunner(ParentedDialogRunner runner);
ParentedDialogRunner SetUserFunctionDialogRunner(ParentedDialogRunner runner);

// The user-constant and user-function dialogs, through the installed runners.
void RunUserConstDialog(QWidget* parent);
void RunUserFunctionDialog(QWidget* parent);

}  // namespace kv
