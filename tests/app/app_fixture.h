#pragma once
// The application as the program builds it, on the offscreen platform: a private
// home directory for the profile, scripted message boxes, file and colour dialogs,
// no printer, the chart view at 96 dpi; and a script for the modal kit dialogs a
// command opens (with a watchdog, so a test never hangs).

#include "app/app.h"
#include "app/frame.h"
#include "chart/chartwindow.h"
#include "dialogs/kit/pdialog.h"
#include "model/graphfile.h"
#include "platform/colordialog.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "render/textlayout.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace apptest {

// The program's application object without a printer.
class TestKorvidaApp : public korvidaApp {
public:
    bool GetPrinterPage(kv::win::TPrinterPage&) override { return false; }
    void OpenHelp(const std::string& file) override { helpOpened.push_back(file); }
    std::vector<std::string> helpOpened;
};

// Answers the kit dialogs that open, in order: each step names the dialog's
// resource id and what the user does. An unexpected dialog, or one still open 5 s
// after its step, fails the test and is cancelled.
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
    ModalScript& Then(int id, Action act) {
        steps_.push_back({id, std::move(act)});
        return *this;
    }
    static Action Press(int buttonId) {
        return [buttonId](PDialog& d) {
            auto* b = d.Control<QAbstractButton>(buttonId);
            ASSERT_NE(b, nullptr) << "no button " << buttonId;
            b->click();
        };
    }
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

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        const char* old = std::getenv("HOME");
        hadHome_ = old != nullptr;
        if (old) oldHome_ = old;
        setenv("HOME", home_.path().toUtf8().constData(), 1);
        kv::InstallTextLayout();
    }
    void TearDown() override {
        app.reset();
        if (hadHome_) setenv("HOME", oldHome_.c_str(), 1);
        else unsetenv("HOME");
        korvidaApp::SetArguments(0, nullptr);
    }

    // Builds and sets up the application as start-up does, without showing the
    // frame; args are the command line after the program's name.
    void Start(std::vector<std::string> args = {}) {
        std::vector<char*> argv{const_cast<char*>("korvida")};
        for (std::string& a : args) argv.push_back(a.data());
        korvidaApp::SetArguments(int(argv.size()), argv.data());
        app = std::make_unique<TestKorvidaApp>();
        app->InitMainWindow();
        chart()->SetLogPixels(96, 96);
        app->Frame->Create();
        app->UpdateCommandStates();
    }
    // The application object, gone, as at the end of a run (no close check).
    void Stop() { app.reset(); }

    TChartWindow* chart() const { return app->Client(); }
    std::string Dir() const { return home_.path().toStdString(); }
    std::string PathIn(const std::string& name) const { return Dir() + "/" + name; }

    // A graph file of n axis sets (the first has three series of four rows).
    std::string WriteGraph(const std::string& name, int sets = 1) {
        GraphDocument doc;
        for (int i = 1; i < sets; ++i) doc.AxisSets.Add(new BoxFrame);
        doc.AxisSets[1]->PlotList.Add(new TPlot);
        const std::string path = PathIn(name);
        EXPECT_EQ(::WriteGraphFile(doc, path), 1);
        return path;
    }

    bool Run(int id) { return app->Router.Execute(id); }

    kv::ScriptedMessageBoxes boxes;
    kv::ScriptedFileDialogs files;
    kv::ScriptedColorDialogs colors;
    std::unique_ptr<TestKorvidaApp> app;

private:
    QTemporaryDir home_;
    bool hadHome_ = false;
    std::string oldHome_;
};

}  // namespace apptest
