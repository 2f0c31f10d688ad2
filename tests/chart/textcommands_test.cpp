// The commands of the one selected text: edit, font, delete, duplicate; the
// search for the selected text through the selection records; the enable rule.

#include "chart_fixture.h"
#include "modal_script.h"

#include "chart/charttext.h"
#include "dialogs/fontchooser.h"
#include "dialogs/kit/controls.h"
#include "platform/messagebox.h"
#include "render/textlayout.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kTextDialog = 7;

class TextCommands : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        w = MakeChart();
        w->CmZoom50();
        set = w->Document.Current;
        for (const char* s : {"first", "middle", "last"}) {
            auto t = std::make_unique<TText>();
            t->String = s;
            t->Position = TPoint(2000, 1500 + 600 * int(set->TextList.GetItemsInContainer()));
            ::LayoutText(t.get(), set);
            set->TextList.Add(t.release());
        }
        ASSERT_GT(set->LeftAxis.LabelTexts.GetItemsInContainer(), 2);
        w->UpdateWindow();
    }
    // One text selected as a click selects it.
    void SelectText(SelectedFlags::IndexList& list, TIArrayAsVector<TText>& texts, int n) {
        w->ClearFeedback();
        list.Add(n);
        w->TextSelected = 1;
        w->TextFrameShown = 1;
        w->FeedbackRect = w->GetTextRect(set, texts[n]);
        w->DrawRubberRect(*w->WindowDC, w->FeedbackRect);
        w->UpdateWindow();
    }
    void SelectFree(int n) { SelectText(set->Selected.Texts, set->TextList, n); }
    std::vector<std::string> Strings(const TIArrayAsVector<TText>& texts) const {
        std::vector<std::string> v;
        for (TText* t : texts) v.push_back(t->String);
        return v;
    }
    // The client rectangle of a page rectangle widened by the repaint margin.
    QRect Device(TRect r) const {
        r = r.Normalized();
        const int m = w->InvalidateMargin;
        TRect g(r.left - m, r.top - m, r.right + m, r.bottom + m);
        w->WindowDC->LPtoDP(g);
        g = g.Normalized();
        return QRect(g.left, g.top, g.right - g.left, g.bottom - g.top);
    }
    bool Invalid(const TRect& page) const { return w->GetInvalidRegion().contains(Device(page)); }
    static ModalScript::Action TypeAndOk(const char* text) {
        return [text](PDialog& d) {
            // The text field is a multi-line edit.
            auto* edit = d.Control<PMultiEdit>(101);
            ASSERT_NE(edit, nullptr) << "no text field in dialog " << d.ResourceId();
            edit->setPlainText(QString::fromUtf8(text));
            ModalScript::Ok()(d);
        };
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(TextCommands, SelectedTextIsTheFirstListHoldingExactlyOneLiveNumber) {
    SelectedFlags& sel = set->Selected;
    EXPECT_FALSE(SelectedTextOf(*set));
    // Two bottom labels (a multiple selection's list) are passed over, so is a
    // number that names no label any more.
    sel.AxisTexts1.Add(1);
    sel.AxisTexts1.Add(2);
    sel.AxisTexts2.Add(999);
    sel.Texts.Add(2);
    SelectedTextRef ref = SelectedTextOf(*set);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref.Text, set->TextList[2]);
    EXPECT_EQ(ref.Home, &set->TextList);
    EXPECT_EQ(ref.Number, 2);
    // A label list before the free texts wins.
    sel.AxisTexts3.Flush();
    set->TopAxis.LabelTexts.Add(new TText);
    sel.AxisTexts3.Add(1);
    ref = SelectedTextOf(*set);
    EXPECT_EQ(ref.Home, &set->TopAxis.LabelTexts);
    EXPECT_EQ(ref.Selection, &sel.AxisTexts3);
}

TEST_F(TextCommands, EditRelaysTheTextOutRepaintsBothPlacesAndKeepsTheSelection) {
    SelectFree(2);
    TText* t = set->TextList[2];
    t->Font.lfHeight = -310;
    const TRect before = w->GetTextRect(set, t);
    const TPoint position = t->Position;
    {
        ModalScript script;
        script.Then(kTextDialog, TypeAndOk("a much longer middle text"));
        kv::win::TCommandEnabler ce(CM_TEXTEDIT);
        w->ProcessCommandEnable(ce);
        EXPECT_TRUE(ce.IsEnabled());
        w->ProcessCommand(CM_TEXTEDIT);
    }
    EXPECT_EQ(t->String, "a much longer middle text");
    EXPECT_EQ(t->Font.lfHeight, -300);  // whole points
    EXPECT_EQ(t->Position, position);
    const TRect after = w->GetTextRect(set, t);
    EXPECT_GT(after.right - after.left, before.right - before.left);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->TextSelected, 1);
    EXPECT_EQ(set->Selected.Texts.GetItemsInContainer(), 1);
    // Both places were painted again at once: nothing waits.
    EXPECT_TRUE(w->GetInvalidRegion().isEmpty());
}

TEST_F(TextCommands, EditOfALabelAndCancel) {
    SelectText(set->Selected.AxisTexts2, set->LeftAxis.LabelTexts, 2);
    const std::vector<std::string> labels = Strings(set->LeftAxis.LabelTexts);
    {
        ModalScript script;
        script.Then(kTextDialog, ModalScript::Cancel());
        w->CmTextEdit();
    }
    EXPECT_EQ(Strings(set->LeftAxis.LabelTexts), labels);
    EXPECT_EQ(w->Document.Modified, 0);
    {
        ModalScript script;
        script.Then(kTextDialog, TypeAndOk("label"));
        w->CmTextEdit();
    }
    std::vector<std::string> expected = labels;
    expected[1] = "label";
    EXPECT_EQ(Strings(set->LeftAxis.LabelTexts), expected);
    EXPECT_EQ(Strings(set->TextList), (std::vector<std::string>{"first", "middle", "last"}));
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(TextCommands, FontComesInPointsAndGoesBackInTwipsKeepingTheAngle) {
    SelectFree(1);
    TText* t = set->TextList[1];
    t->Font.lfHeight = -310;
    t->Font.lfEscapement = 900;
    ::LayoutText(t, set);
    SelectFree(1);
    const std::vector<std::string> before = Strings(set->TextList);
    const COLORREF labelColor = set->LeftAxis.LabelFontColor;
    {
        kv::ScriptedFontChoosers fonts;
        fonts.Cancel();
        w->ProcessCommand(CM_TEXTFONT);
        ASSERT_EQ(fonts.Shown().size(), 1u);
        EXPECT_EQ(fonts.Shown()[0].LogFont.lfHeight, -15);
        EXPECT_EQ(fonts.Shown()[0].Flags, ChooseFontFlags);
    }
    EXPECT_EQ(t->Font.lfHeight, -310);
    EXPECT_EQ(w->Document.Modified, 0);

    const TRect oldFrame = w->FeedbackRect;
    LOGFONT chosen = t->Font;
    chosen.lfHeight = -30;
    chosen.lfEscapement = 0;
    chosen.lfWeight = 700;
    {
        kv::ScriptedFontChoosers fonts;
        fonts.Choose(chosen, RGB(255, 0, 0));
        w->CmTextFont();
    }
    EXPECT_EQ(t->Font.lfHeight, -600);
    EXPECT_EQ(t->Font.lfWeight, 700);
    EXPECT_EQ(t->Font.lfEscapement, 900);
    EXPECT_EQ(t->ForColor, RGB(255, 0, 0));
    // Turned by 90 degrees, the bigger text grows downwards on the page.
    const TRect now = w->GetTextRect(set, t);
    EXPECT_GT(now.bottom - now.top, oldFrame.bottom - oldFrame.top);
    EXPECT_EQ(Strings(set->TextList), before);
    EXPECT_EQ(set->LeftAxis.LabelFontColor, labelColor);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->TextSelected, 1);
}

TEST_F(TextCommands, DeleteTakesTheTextOutAndEndsTheSelection) {
    SelectFree(2);
    const TRect place = w->FeedbackRect;
    kv::win::TCommandEnabler ce(CM_TEXTDELETE);
    w->ProcessCommandEnable(ce);
    EXPECT_TRUE(ce.IsEnabled());
    w->ProcessCommand(CM_TEXTDELETE);
    EXPECT_EQ(Strings(set->TextList), (std::vector<std::string>{"first", "last"}));
    EXPECT_EQ(w->TextSelected, 0);
    EXPECT_EQ(w->TextFrameShown, 0);
    EXPECT_TRUE(set->Selected.Texts.IsEmpty());
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_TRUE(Invalid(place));

    // A label goes from its own axis only.
    const int labels = set->LeftAxis.LabelTexts.GetItemsInContainer();
    SelectText(set->Selected.AxisTexts2, set->LeftAxis.LabelTexts, 1);
    w->CmTextDelete();
    EXPECT_EQ(set->LeftAxis.LabelTexts.GetItemsInContainer(), labels - 1);
    EXPECT_EQ(set->TextList.GetItemsInContainer(), 2);

    // Nothing selected: nothing happens, and the command is disabled.
    w->Document.Modified = 0;
    w->CmTextDelete();
    EXPECT_EQ(set->TextList.GetItemsInContainer(), 2);
    EXPECT_EQ(w->Document.Modified, 0);
    kv::win::TCommandEnabler off(CM_TEXTDELETE);
    w->ProcessCommandEnable(off);
    EXPECT_FALSE(off.IsEnabled());
}

TEST_F(TextCommands, DuplicateAppendsAnExactCopyToTheSameListAndSelectsIt) {
    SelectFree(1);
    TText* source = set->TextList[1];
    source->Font.lfEscapement = 450;
    source->BackPaint = 1;
    ::LayoutText(source, set);
    const TRect frame = w->FeedbackRect;
    w->ProcessCommand(CM_TEXTDUPLICATE);
    ASSERT_EQ(set->TextList.GetItemsInContainer(), 4);
    const TText* copy = set->TextList[4];
    EXPECT_NE(copy, source);
    EXPECT_EQ(copy->String, "first");
    EXPECT_EQ(copy->Position, source->Position);
    EXPECT_EQ(copy->BoundingBox, source->BoundingBox);
    EXPECT_EQ(copy->Font.lfEscapement, 450);
    EXPECT_EQ(copy->BackPaint, 1);
    EXPECT_EQ(copy->CharMetrics.GetItemsInContainer(), source->CharMetrics.GetItemsInContainer());
    ASSERT_EQ(set->Selected.Texts.GetItemsInContainer(), 1);
    EXPECT_EQ(set->Selected.Texts[0], 4);
    EXPECT_EQ(w->TextSelected, 1);
    EXPECT_EQ(w->FeedbackRect, frame);
    EXPECT_EQ(w->Document.Modified, 1);

    // Again: the copy of the copy, also last.
    w->CmTextDuplicate();
    ASSERT_EQ(set->TextList.GetItemsInContainer(), 5);
    EXPECT_EQ(set->Selected.Texts[0], 5);
    EXPECT_EQ(set->TextList[5]->String, "first");

    // A label's copy joins the labels of its axis.
    const int labels = set->BottomAxis.LabelTexts.GetItemsInContainer();
    SelectText(set->Selected.AxisTexts1, set->BottomAxis.LabelTexts, 2);
    w->CmTextDuplicate();
    EXPECT_EQ(set->BottomAxis.LabelTexts.GetItemsInContainer(), labels + 1);
    EXPECT_EQ(set->TextList.GetItemsInContainer(), 5);
    ASSERT_EQ(set->Selected.AxisTexts1.GetItemsInContainer(), 1);
    EXPECT_EQ(set->Selected.AxisTexts1[0], labels + 1);
    EXPECT_TRUE(set->Selected.Texts.IsEmpty());
}

TEST_F(TextCommands, OnlyTheCurrentSetsTextIsTakenWithSeveralSets) {
    auto other = std::make_unique<BoxFrame>();
    auto t = std::make_unique<TText>();
    t->String = "other";
    other->TextList.Add(t.release());
    w->Document.AxisSets.Add(other.release());
    // The text of the second set is selected, the first set's records are empty.
    BoxFrame* second = w->Document.AxisSets[2];
    w->Document.Current = second;
    w->Document.CurrentNo = 2;
    second->Selected.Texts.Add(1);
    w->TextSelected = 1;
    {
        ModalScript script;
        script.Then(kTextDialog, TypeAndOk("changed"));
        w->CmTextEdit();
    }
    EXPECT_EQ(second->TextList[1]->String, "changed");
    EXPECT_EQ(Strings(set->TextList), (std::vector<std::string>{"first", "middle", "last"}));
}

}  // namespace
