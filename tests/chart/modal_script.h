#pragma once
// Answers the modal dialogs a chart-window command opens, one after another, from
// a script: each step names the dialog it expects (its resource id) and what the
// user does in it. A dialog the script does not expect, and a dialog still open
// long after its step ran, fail the test and are closed, so a command never hangs.

#include "dialogs/kit/pdialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

namespace charttest {

class ModalScript {
public:
    using Action = std::function<void(PDialog&)>;

    ModalScript() {
        QObject::connect(&poll_, &QTimer::timeout, [this] { Poll(); });
        poll_.start(5);
    }
    ~ModalScript() {
        poll_.stop();
        EXPECT_TRUE(steps_.empty()) << steps_.size() << " scripted dialog(s) never opened";
    }
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    // The next dialog is resource `id`; `act` runs once it is shown.
    ModalScript& Then(int id, Action act) {
        steps_.push_back({id, std::move(act)});
        return *this;
    }
    // Common user actions.
    static Action Press(int buttonId) {
        return [buttonId](PDialog& d) {
            auto* b = d.Control<QAbstractButton>(buttonId);
            ASSERT_NE(b, nullptr) << "no button " << buttonId << " in dialog " << d.ResourceId();
            b->click();
        };
    }
    static Action Ok() { return Press(IDOK); }
    static Action Cancel() { return Press(IDCANCEL); }

    // Resource ids of the dialogs shown, in order.
    const std::vector<int>& Seen() const { return seen_; }

private:
    struct Step {
        int id;
        Action act;
    };

    void Poll() {
        auto* dlg = qobject_cast<PDialog*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) {
            waited_ = 0;
            return;
        }
        if (dlg->property("kvScripted").toBool()) {
            // Its step ran and it is still open: the step was expected to close it.
            if (++waited_ * 5 > 5000) {
                ADD_FAILURE() << "dialog " << dlg->ResourceId() << " stayed open";
                dlg->CloseWindow(IDCANCEL);
            }
            return;
        }
        dlg->setProperty("kvScripted", true);
        waited_ = 0;
        seen_.push_back(dlg->ResourceId());
        if (steps_.empty() || steps_.front().id != dlg->ResourceId()) {
            ADD_FAILURE() << "unexpected dialog " << dlg->ResourceId();
            dlg->CloseWindow(IDCANCEL);
            return;
        }
        Step step = std::move(steps_.front());
        steps_.pop_front();
        step.act(*dlg);
    }

    QTimer poll_;
    std::deque<Step> steps_;
    std::vector<int> seen_;
    int waited_ = 0;
};

// While it lives, every modal dialog that opens is cancelled as soon as it shows
// (commands run one after another without a user).
class CancelEveryDialog {
public:
    CancelEveryDialog() {
        QObject::connect(&poll_, &QTimer::timeout, [] {
            if (auto* dlg = qobject_cast<PDialog*>(QApplication::activeModalWidget()); dlg && dlg->isVisible())
                dlg->CloseWindow(IDCANCEL);
        });
        poll_.start(5);
    }

private:
    QTimer poll_;
};

}  // namespace charttest
