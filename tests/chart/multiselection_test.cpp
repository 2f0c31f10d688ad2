// The commands of a multiple selection: deleting every selected label text, free
// text and figure after one question, and giving them only the chosen attributes
// of a font, a text style or a figure style that start from the default style.

#include "chart_fixture.h"
#include "modal_script.h"

#include "dialogs/kit/controls.h"
#include "dialogs/styleitems.h"
#include "dialogs/textdialog.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "render/textlayout.h"

#include <gtest/gtest.h>

#include <QRegion>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using charttest::MakeChart;
using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kFigureDialog = 6;
constexpr int kTextDialog = 7;
constexpr int kFontItemsDialog = 30;
constexpr int kTextItemsDialog = 31;
constexpr int kFigureItemsDialog = 32;

// The item dialog with only the given boxes ticked, then OK.
ModalScript::Action Tick(std::vector<int> boxes, int clearAll) {
    return [boxes, clearAll](PDialog& d) {
        ModalScript::Press(clearAll)(d);
        for (int id : boxes) ModalScript::Press(id)(d);
        ModalScript::Ok()(d);
    };
}

class MultiSelection : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        ResetStyleItems();
        w = MakeChart();
        w->CmZoom50();
        set = w->Document.Current;
        // Seven hand-made labels on the bottom axis, two free texts, three figures.
        set->BottomAxis.IsAutoLabel = 0;
        set->BottomAxis.LabelTexts.Flush();
        for (int i = 1; i <= 7; ++i) AddText(set->BottomAxis.LabelTexts, "L" + std::to_string(i), 300 * i);
        AddText(set->TextList, "free one", 200);
        AddText(set->TextList, "free two", 2000);
        for (int i = 1; i <= 3; ++i) {
            auto z = std::make_unique<TZukei>();
            z->Kind = ZukeiPolyline;
            z->PenColor = COLORREF(i);
            z->Nodes.Add(DoublePoint(100.0 * i, 0));
            z->Nodes.Add(DoublePoint(100.0 * i + 500, 300));
            z->Nodes.Add(DoublePoint(100.0 * i, 600));
            z->UpdateBounds();
            set->ZukeiList.Add(z.release());
        }
        w->UpdateWindow();
    }
    void AddText(TIArrayAsVector<TText>& list, const std::string& s, int x) {
        auto t = std::make_unique<TText>();
        t->String = s;
        t->Position = TPoint(x, 500);
        LayoutText(t.get(), set);
        list.Add(t.release());
    }
    void SelectMany(std::vector<int> labels, std::vector<int> texts, std::vector<int> figures) {
        for (int n : labels) set->Selected.AxisTexts1.Add(n);
        for (int n : texts) set->Selected.Texts.Add(n);
        for (int n : figures) set->Selected.Zukeis.Add(n);
        w->MultiSelected = 1;
        w->TextFrameShown = 1;
        w->FeedbackRect = w->GetSelectionRect(set);
    }
    std::vector<std::string> Labels() const {
        std::vector<std::string> v;
        for (const TText* t : set->BottomAxis.LabelTexts) v.push_back(t->String);
        return v;
    }
    TText& Label(int n) { return *set->BottomAxis.LabelTexts[n]; }
    TText& Free(int n) { return *set->TextList[n]; }
    TZukei& Figure(int n) { return *set->ZukeiList[n]; }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(MultiSelection, EnabledOnlyForAMultipleSelection) {
    const int ids[] = {CM_SELECTIONDELETE, CM_SELECTIONFONT, CM_SELECTIONTEXTSTYLE, CM_SELECTIONZUKEISTYLE};
    for (int id : ids) {
        kv::win::TCommandEnabler off(id);
        ASSERT_TRUE(w->ProcessCommandEnable(off));
        EXPECT_FALSE(off.IsEnabled()) << id;
    }
    SelectMany({1}, {}, {});
    for (int id : ids) {
        kv::win::TCommandEnabler on(id);
        w->ProcessCommandEnable(on);
        EXPECT_TRUE(on.IsEnabled()) << id;
    }
}

TEST_F(MultiSelection, DeleteRemovesEverySelectedObjectAfterOneQuestion) {
    SelectMany({2, 5, 6}, {1}, {1, 3});
    const TRect frame = w->FeedbackRect;
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        w->CmSelectionDelete();
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(36));
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
    }
    EXPECT_EQ(Labels().size(), 7u);
    EXPECT_EQ(w->MultiSelected, 1);
    EXPECT_EQ(w->Document.Modified, 0);

    {
        kv::ScriptedMessageBoxes boxes({IDOK});
        EXPECT_TRUE(w->ProcessCommand(CM_SELECTIONDELETE));
    }
    EXPECT_EQ(Labels(), (std::vector<std::string>{"L1", "L3", "L4", "L7"}));
    ASSERT_EQ(set->TextList.GetItemsInContainer(), 1);
    EXPECT_EQ(Free(1).String, "free two");
    ASSERT_EQ(set->ZukeiList.GetItemsInContainer(), 1);
    EXPECT_EQ(Figure(1).PenColor, 2u);
    EXPECT_EQ(set->BottomAxis.IsAutoLabel, 0);
    EXPECT_EQ(w->MultiSelected, 0);
    EXPECT_EQ(w->TextFrameShown, 0);
    EXPECT_TRUE(set->Selected.AxisTexts1.IsEmpty());
    EXPECT_EQ(w->Document.Modified, 1);
    // Only the old frame's area, widened by the margin, is repainted.
    EXPECT_EQ(w->FeedbackRect, frame);
    const int m = w->InvalidateMargin;
    TRect widened(frame.left - m, frame.top - m, frame.right + m, frame.bottom + m);
    w->WindowDC->LPtoDP(widened);
    widened = widened.Normalized();
    const QRegion invalid = w->GetInvalidRegion();
    EXPECT_EQ(invalid, QRegion(QRect(widened.left, widened.top, widened.right - widened.left,
                                     widened.bottom - widened.top)));
    EXPECT_FALSE(invalid.isEmpty());
}

TEST_F(MultiSelection, DeleteRemovesEachObjectOnceWhateverTheListsHold) {
    // Out of order, repeated and beyond the list: labels 6 and 2 go, nothing else.
    SelectMany({6, 2, 6, 99, 0}, {}, {});
    kv::ScriptedMessageBoxes boxes;
    w->CmSelectionDelete();
    EXPECT_EQ(Labels(), (std::vector<std::string>{"L1", "L3", "L4", "L5", "L7"}));
    EXPECT_EQ(set->TextList.GetItemsInContainer(), 2);
    EXPECT_EQ(set->ZukeiList.GetItemsInContainer(), 3);
}

TEST_F(MultiSelection, FontCopiesOnlyTheChosenAttributesFromTheChooser) {
    SelectMany({3}, {2}, {1});
    w->Defaults.DefaultText.Font.lfHeight = -310;
    Free(2).Font.lfWeight = 400;
    Free(2).Font.lfEscapement = 450;
    Free(2).ForColor = RGB(0, 128, 0);
    const LOGFONT before = Free(2).Font;
    const TRect oldBox = Free(2).BoundingBox;
    const LONG unselectedHeight = Free(1).Font.lfHeight;

    kv::ScriptedFontChoosers choosers;
    LOGFONT chosen = w->Defaults.DefaultText.Font;
    chosen.lfHeight = -30;  // points, as the chooser answers
    chosen.lfWeight = 700;
    chosen.lfUnderline = 1;
    std::strcpy(chosen.lfFaceName, "Arial");
    choosers.Choose(chosen, RGB(255, 0, 0));
    {
        ModalScript script;
        // Size and underline only.
        script.Then(kFontItemsDialog, Tick({103, 105}, 108));
        EXPECT_TRUE(w->ProcessCommand(CM_SELECTIONFONT));
    }
    ASSERT_EQ(choosers.Shown().size(), 1u);
    const TChooseFontData& shown = choosers.Shown()[0];
    EXPECT_EQ(shown.LogFont.lfHeight, -15);  // the default text's -310 / 20
    EXPECT_EQ(shown.Color, 0u);
    for (int id : {FontFaceId, FontStyleId, FontStrikeOutId, FontColorId})
        EXPECT_NE(std::find(shown.DisabledControls.begin(), shown.DisabledControls.end(), id),
                  shown.DisabledControls.end())
            << id;

    EXPECT_EQ(Free(2).Font.lfHeight, -600);
    EXPECT_EQ(Free(2).Font.lfUnderline, 1);
    EXPECT_EQ(Free(2).Font.lfWeight, before.lfWeight);
    EXPECT_STREQ(Free(2).Font.lfFaceName, before.lfFaceName);
    EXPECT_EQ(Free(2).Font.lfEscapement, 450);
    EXPECT_EQ(Free(2).ForColor, RGB(0, 128, 0));
    EXPECT_EQ(Label(3).Font.lfHeight, -600);
    EXPECT_EQ(Free(1).Font.lfHeight, unselectedHeight);  // not selected
    // Laid out again, and the frame follows the larger texts.
    EXPECT_NE(Free(2).BoundingBox, oldBox);
    EXPECT_EQ(w->FeedbackRect, w->GetSelectionRect(set));
    EXPECT_EQ(w->MultiSelected, 1);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(FontItems[FontItem::FaceName], 0);
    EXPECT_EQ(FontItems[FontItem::Size], 1);
}

TEST_F(MultiSelection, TextStyleCopiesOnlyTheChosenAttributesOfTheTemplate) {
    SelectMany({1}, {1, 2}, {});
    Free(1).LineSpacing = 150;
    Free(1).BackPaint = 0;
    Free(1).Font.lfHeight = -400;
    {
        ModalScript script;
        script.Then(kTextItemsDialog, Tick({103}, 105));  // the angle alone
        script.Then(kTextDialog, [](PDialog& d) {
            EXPECT_FALSE(d.Control<QWidget>(101)->isEnabled());  // the string
            EXPECT_FALSE(d.Control<QWidget>(114)->isEnabled());  // line spacing
            EXPECT_TRUE(d.Control<QWidget>(107)->isEnabled());   // the angle
            d.Control<PEdit>(107)->SetText("90");
            ModalScript::Ok()(d);
        });
        w->CmSelectionTextStyle();
    }
    for (TText* t : {&Free(1), &Free(2), &Label(1)}) EXPECT_EQ(t->Font.lfEscapement, 900);
    EXPECT_EQ(Free(1).LineSpacing, 150);
    EXPECT_EQ(Free(1).BackPaint, 0);
    EXPECT_EQ(Free(1).Font.lfHeight, -400);
    EXPECT_EQ(Free(1).String, "free one");
    // Turned upright: the box is taller than wide now.
    EXPECT_GT(Free(1).BoundingBox.Height(), Free(1).BoundingBox.Width());
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(MultiSelection, FigureStyleCopiesOnlyTheChosenAttributes) {
    SelectMany({}, {1}, {1, 3});
    const TZukei before = Figure(1);
    {
        ModalScript script;
        // Pen type and end point only.
        script.Then(kFigureItemsDialog, Tick({102, 112}, 111));
        script.Then(kFigureDialog, [](PDialog& d) {
            EXPECT_FALSE(d.Control<QWidget>(109)->isEnabled());  // brush type
            d.Control<PComboBox>(101)->SetSelIndex(3);
            d.Control<PComboBox>(114)->SetSelIndex(1);  // Closed
            ModalScript::Ok()(d);
        });
        w->CmSelectionZukeiStyle();
    }
    for (int n : {1, 3}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Figure(n).PenType, 3);
        EXPECT_EQ(Figure(n).IsClosed, 1);
        EXPECT_EQ(Figure(n).PenWidth, before.PenWidth);
        EXPECT_EQ(Figure(n).BrushType, before.BrushType);
        EXPECT_EQ(Figure(n).IsSpline, 0);
        EXPECT_EQ(Figure(n).PenColor, COLORREF(n));
        EXPECT_EQ(Figure(n).Nodes.GetItemsInContainer(), 3);
    }
    EXPECT_EQ(Figure(2).IsClosed, 0);
    EXPECT_EQ(Free(1).String, "free one");
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(MultiSelection, CancelsKeepTheObjectsAndOnlyTheItemDialogsOkKeepsItsChoice) {
    SelectMany({}, {}, {1});
    const TZukei before = Figure(1);
    {
        ModalScript script;
        script.Then(kFigureItemsDialog, [](PDialog& d) {
            ModalScript::Press(111)(d);
            ModalScript::Cancel()(d);
        });
        w->CmSelectionZukeiStyle();
    }
    EXPECT_TRUE(std::all_of(std::begin(ZukeiStyleItems), std::end(ZukeiStyleItems), [](BYTE b) { return b == 1; }));
    {
        ModalScript script;
        script.Then(kFigureItemsDialog, Tick({103}, 111));
        script.Then(kFigureDialog, [](PDialog& d) {
            d.Control<PComboBox>(101)->SetSelIndex(3);
            ModalScript::Cancel()(d);
        });
        w->CmSelectionZukeiStyle();
    }
    EXPECT_EQ(ZukeiStyleItems[ZukeiStyleItem::PenWidth], 1);
    EXPECT_EQ(ZukeiStyleItems[ZukeiStyleItem::PenType], 0);
    EXPECT_EQ(Figure(1).PenType, before.PenType);
    EXPECT_EQ(w->Document.Modified, 0);

    // Nothing chosen, both OK: no attribute changes, yet the graph is marked.
    {
        ModalScript script;
        script.Then(kFigureItemsDialog, Tick({}, 111));
        script.Then(kFigureDialog, ModalScript::Ok());
        w->CmSelectionZukeiStyle();
    }
    EXPECT_EQ(Figure(1).PenType, before.PenType);
    EXPECT_EQ(Figure(1).PenWidth, before.PenWidth);
    EXPECT_EQ(w->Document.Modified, 1);
    EXPECT_EQ(w->MultiSelected, 1);
}

}  // namespace
