// The text and legend tools: the new text is centred on what the window shows,
// with the two rounding rules of the text and of the legend, drawn at once and
// marks the graph; a cancelled dialog changes nothing.

#include "chart_fixture.h"
#include "modal_script.h"

#include "dialogs/kit/controls.h"
#include "dialogs/legenddialog.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <memory>

using charttest::ModalScript;
using charttest::TestApp;

namespace {

constexpr int kTextDialog = 7;
constexpr int kLegendDialog = 8;

class Insertion : public ::testing::Test {
protected:
    void SetUp() override {
        charttest::ResetEscape();
        // 600 x 450 pixels at zoom 100: the client area spans 9000 x 6750 twips.
        w = charttest::MakeChart(600, 450);
        set = w->Document.Current;
        set->PlotList.Add(kvtest::MakeSampleSeries(4).release());
        w->Document.Env->Zoom = 100;
        Centre(4500, 3375);
        w->Document.Modified = 0;
    }
    void Centre(int x, int y) {
        w->Document.Env->ViewCenterX = x;
        w->Document.Env->ViewCenterY = y;
        w->Invalidate(true);
        w->UpdateWindow();
    }
    static ModalScript::Action TypeAndOk(const char* text) {
        return [text](PDialog& d) {
            auto* edit = d.Control<PMultiEdit>(101);
            ASSERT_NE(edit, nullptr);
            edit->SetText(QString::fromUtf8(text));
            d.Control<QAbstractButton>(IDOK)->click();
        };
    }
    static TPoint BoxCentre(const TText* t) {
        return TPoint((t->BoundingBox.left + t->BoundingBox.right) / 2,
                      (t->BoundingBox.top + t->BoundingBox.bottom) / 2);
    }

    TestApp app;
    std::unique_ptr<TChartWindow> w;
    BoxFrame* set = nullptr;
};

TEST_F(Insertion, ATextIsCentredOnTheViewAndDrawnAtOnce) {
    struct Case {
        double ox, oy;
        int cx, cy;  // view centre
    } cases[] = {
        {2000, 3000, 4500, 3375},
        {2000, 3000, 6000, 5000},  // scrolled: the centre of what is shown
        {9000, 9000, 4500, 3375},  // left of and above the frame: negative
        {2000.5, 3000.5, 4500, 3375},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "origin " << c.ox << ", centre " << c.cx << ", " << c.cy);
        // Each case on a page without the texts of the cases before: the text of the
        // fractional origin lands within a twip of the first case's, on the very
        // same pixels, and would leave the image as it was.
        set->TextList.Flush();
        set->Frame.OriginX = c.ox;
        set->Frame.OriginY = c.oy;
        Centre(c.cx, c.cy);
        const QImage before = w->BackingImage().copy();
        const int count = set->TextList.GetItemsInContainer();
        ModalScript script;
        script.Then(kTextDialog, TypeAndOk("Inserted"));
        w->InsertText();
        ASSERT_EQ(set->TextList.GetItemsInContainer(), count + 1);
        const TText* t = set->TextList[count + 1];
        EXPECT_EQ(t->String, "Inserted");
        const TPoint b = BoxCentre(t);
        // Worked in doubles with the origin as it is, truncated at the end.
        EXPECT_EQ(t->Position.x, int(c.cx - b.x - c.ox));
        EXPECT_EQ(t->Position.y, int(c.cy - b.y - c.oy));
        EXPECT_EQ(w->Document.Modified, 1);
        EXPECT_TRUE(w->GetInvalidRegion().isEmpty());
        EXPECT_NE(w->BackingImage(), before);
        EXPECT_EQ(w->TextSelected, 0);
    }
}

TEST_F(Insertion, ALegendTruncatesTheOriginFirst) {
    set->Frame.OriginX = 2000.5;
    set->Frame.OriginY = 3000.5;
    w->Invalidate(true);
    w->UpdateWindow();
    ModalScript script;
    script.Then(kLegendDialog, [](PDialog& d) {
        auto* list = d.Control<PListBox>(101);
        ASSERT_NE(list, nullptr);
        list->SetSel(0, true);
        d.Control<QAbstractButton>(IDOK)->click();
    });
    w->InsertLegend();
    ASSERT_EQ(set->TextList.GetItemsInContainer(), 1);
    const TText* t = set->TextList[1];
    EXPECT_EQ(t->String, MakeLegendString({1}));
    const TPoint b = BoxCentre(t);
    EXPECT_EQ(t->Position.x, 4500 - b.x - 2000);
    EXPECT_EQ(t->Position.y, 3375 - b.y - 3000);
    EXPECT_EQ(w->Document.Modified, 1);
}

TEST_F(Insertion, CancelledDialogsAddNothing) {
    ModalScript script;
    script.Then(kTextDialog, ModalScript::Cancel()).Then(kLegendDialog, ModalScript::Cancel());
    w->InsertText();
    w->InsertLegend();
    EXPECT_TRUE(set->TextList.IsEmpty());
    EXPECT_EQ(w->Document.Modified, 0);
}

}  // namespace
