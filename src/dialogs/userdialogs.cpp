#include "dialogs/userdialogs.h"

#include <utility>

namespace kv {

namespace {

ParentedDialogRunner& UserConstRunner() {
    static ParentedDialogRunner runner;
    return runner;
}

ParentedDialogRunner& UserFunctionRunner() {
    static ParentedDialogRunner runner;
    return runner;
}

}  // namespace

ParentedDialogRunner SetUserConstDialogRunner(ParentedDialogRunner runner) {
    return std::exchange(UserConstRunner(), std::move(runner));
}

ParentedDialogRunner SetUserFunctionDialogRunner(ParentedDialogRunner runner) {
    return std::exchange(UserFunctionRunner(), std::move(runner));
}

void RunUserConstDialog(QWidget* parent) {
    // A copy: the dialog may install another runner while it runs.
    if (const ParentedDialogRunner runner = UserConstRunner()) runner(parent);
}

void RunUserFunctionDialog(QWidget* parent) {
    if (const ParentedDialogRunner runner = UserFunctionRunner()) runner(parent);
}

}  // namespace kv
