// Every edit that the graph file keeps marks the graph modified, so that closing
// asks before it is lost; an edit that changes nothing leaves the mark alone. The
// table holds the edits that used to slip through: the series information, the
// paper colour, and the user constants and functions changed from another
// dialog's "C" and "F" buttons whatever that dialog's own outcome.

#include "app_fixture.h"

#include "dialogs/datacommands.h"
#include "dialogs/kit/controls.h"
#include "dialogs/userdialogs.h"
#include "model/graphfile.h"
#include "platform/objstrm.h"
#include "support/helpers/sample_document.h"

#include <QTimer>

namespace {

using apptest::AppTest;
using apptest::ModalScript;

// The document as the graph file stores it.
std::string Stored(TChartWindow& w) {
    opstream os;
    WriteGraphContent(os, *w.Document.Env, w.Document.AxisSets);
    return os.buffer();
}

// A nested dialog's step: the edit, OK, and then the dialog that opened it
// closed with Cancel (or its only way out), once control is back in its loop.
ModalScript::Action EditAndCloseOuter(std::function<void(PDialog&)> edit) {
    return [edit](PDialog& d) {
        edit(d);
        if (auto* outer = qobject_cast<PDialog*>(d.parentWidget()))
            QTimer::singleShot(0, outer, [outer] { outer->CloseWindow(IDCANCEL); });
        ModalScript::Press(IDOK)(d);
    };
}

// A button that opens a nested dialog is pressed once the script's step has
// returned: the script's timer is not run again while one of its steps runs.
ModalScript::Action PressLater(int id) {
    return [id](PDialog& d) {
        auto* b = d.Control<QAbstractButton>(id);
        ASSERT_NE(b, nullptr) << "no button " << id;
        QTimer::singleShot(0, b, [b] { b->click(); });
    };
}

void AddConstant(PDialog& d) {
    d.SetItemText(101, QStringLiteral("k = 5"));
    d.Control<QAbstractButton>(102)->click();
}

void SetFunction(PDialog& d) { d.SetItemText(101, QStringLiteral("x*2")); }

TEST_F(AppTest, EveryStoredEditMarksTheGraphModified) {
    struct Case {
        const char* name;
        int command;
        std::function<void(ModalScript&, kv::ScriptedColorDialogs&)> script;
    };
    const Case cases[] = {
        {"series information", CM_PLOTINFO,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(26, [](PDialog& d) {
                 d.Control<PMultiEdit>(101)->SetText("measured on\r\nMonday");
                 ModalScript::Press(IDCANCEL)(d);
             });
         }},
        {"paper colour", CM_PAPERCOLOR,
         [](ModalScript&, kv::ScriptedColorDialogs& c) { c.Choose(RGB(250, 240, 200), {}); }},
        {"constants from the calculated curve, cancelled", CM_CALCCURVE,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(24, PressLater(110)).Then(22, EditAndCloseOuter(AddConstant));
         }},
        {"functions from the calculated curve, cancelled", CM_CALCCURVE,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(24, PressLater(111)).Then(23, EditAndCloseOuter(SetFunction));
         }},
        {"constants from the evaluation", CM_EVALUATE,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(25, PressLater(103)).Then(22, EditAndCloseOuter(AddConstant));
         }},
        {"functions from the evaluation", CM_EVALUATE,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(25, PressLater(104)).Then(23, EditAndCloseOuter(SetFunction));
         }},
        {"constants from the non-linear fit, cancelled", CM_PLOTNONLINEARFIT,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(15, PressLater(141)).Then(22, EditAndCloseOuter(AddConstant));
         }},
        {"constants from the series style, cancelled", CM_PLOTSTYLE,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(4, PressLater(130)).Then(22, EditAndCloseOuter(AddConstant));
         }},
        {"constants from the user functions, cancelled", CM_USERFUNCTION,
         [](ModalScript& s, kv::ScriptedColorDialogs&) {
             s.Then(23, PressLater(106)).Then(22, EditAndCloseOuter(AddConstant));
         }},
    };
    // The series style dialog's buttons run the program's own runners.
    auto previousConst = kv::SetUserConstDialogRunner({});
    auto previousFunction = kv::SetUserFunctionDialogRunner({});
    InstallFormulaDialogRunners();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start();
        TChartWindow* w = chart();
        ASSERT_TRUE(w->Document.Current->PlotList.Add(kvtest::MakeSampleSeries(4).release()));
        w->PlotSelected = 1;
        w->SelectedPlot = 1;
        w->Document.Modified = 0;
        const std::string before = Stored(*w);
        {
            ModalScript script;
            c.script(script, colors);
            EXPECT_TRUE(Run(c.command));
        }
        EXPECT_TRUE(Stored(*w) != before) << "the edit changed nothing the file keeps";
        EXPECT_EQ(w->Document.Modified, 1);
        Stop();
    }
    kv::SetUserConstDialogRunner(previousConst);
    kv::SetUserFunctionDialogRunner(previousFunction);
}

TEST_F(AppTest, AnEditThatChangesNothingLeavesTheGraphUnmarked) {
    Start();
    TChartWindow* w = chart();
    ASSERT_TRUE(w->Document.Current->PlotList.Add(kvtest::MakeSampleSeries(4).release()));
    w->Document.Current->PlotList[1]->Info = "note\r\n";
    w->PlotSelected = 1;
    w->SelectedPlot = 1;
    w->Document.Modified = 0;
    const std::string before = Stored(*w);
    {
        ModalScript script;
        script.Then(26, ModalScript::Press(IDCANCEL))
            .Then(25, PressLater(103))
            .Then(22, EditAndCloseOuter([](PDialog&) {}));
        EXPECT_TRUE(Run(CM_PLOTINFO));
        EXPECT_TRUE(Run(CM_EVALUATE));
    }
    colors.Choose(w->Document.Env->PaperColor, {});
    EXPECT_TRUE(Run(CM_PAPERCOLOR));
    EXPECT_TRUE(Stored(*w) == before);
    EXPECT_EQ(w->Document.Modified, 0);
}

}  // namespace
