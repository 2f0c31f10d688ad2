// The figure style dialog: filled from the figure, the width rule and the arrow
// coding of OK, the live brush sample, the template of a multiple selection, and
// the Default button into the chart window's default figure.

#include "dialogs/controls/brushbutton.h"
#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/kit/controls.h"
#include "dialogs/styleitems.h"
#include "dialogs/support/driver.h"
#include "dialogs/support/fakechart.h"
#include "dialogs/zukeidialog.h"
#include "model/zukei.h"
#include "platform/messagebox.h"

#include <gtest/gtest.h>

#include <QTest>

#include <climits>
#include <string>

namespace {

const std::string kDefaultQuestion = "このスタイルをデフォルトのスタイルとして保存しますか?";

void Choose(PDialog& dlg, int id, int index) {
    auto* c = dlg.Control<PComboBox>(id);
    ASSERT_NE(c, nullptr) << id;
    c->setCurrentIndex(index);
    emit c->activated(index);
}

// Picks palette cell (column, row) in the pop-up the next click opens.
void PickColourCell(int column, int row) {
    kvtest::OnNextModal([=](QWidget* w) {
        auto* pop = dynamic_cast<TSelectColorDialog*>(w);
        ASSERT_NE(pop, nullptr);
        const TRect cell = TColorList::CellRect(column, row, pop->ColorList->width(),
                                                pop->ColorList->height());
        QTest::mouseClick(pop->ColorList, Qt::LeftButton, {},
                          QPoint((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
    });
}

TZukei StyledFigure() {
    TZukei z;
    z.Kind = ZukeiPolyline;
    z.PenType = 5;
    z.PenWidth = 150;
    z.PenColor = RGB(1, 2, 3);
    z.Arrow = 3;
    z.BrushType = 5;
    z.ForeBrushColor = RGB(4, 5, 6);
    z.BackBrushColor = RGB(7, 8, 9);
    z.IsClosed = 1;
    z.IsSpline = 1;
    z.InterPointNo = 33;
    z.Nodes.Add(DoublePoint(1, 2));
    z.Nodes.Add(DoublePoint(3, 4));
    return z;
}

TEST(ZukeiDialog, FillsItsControlsFromTheFigure) {
    TZukei z = StyledFigure();
    TZukeiDialog dlg(nullptr, &z, nullptr, nullptr);
    ASSERT_TRUE(dlg.Create());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("図形のｽﾀｲﾙ"));
    EXPECT_EQ(dlg.ResourceId(), 6);
    EXPECT_EQ(dlg.IsItemChecked(105), 1);
    EXPECT_EQ(dlg.IsItemChecked(107), 1);
    auto* pen = dlg.Control<PComboBox>(101);
    ASSERT_EQ(pen->GetCount(), 8);
    EXPECT_EQ(pen->GetString(7), QStringLiteral("Dash Dot Dot Dash"));
    EXPECT_EQ(pen->GetSelIndex(), 5);
    auto* width = dlg.Control<TComboPercent>(103);
    EXPECT_EQ(width->GetCount(), 11);
    EXPECT_EQ(width->GetText(), QStringLiteral("150%"));
    auto* brush = dlg.Control<PComboBox>(109);
    ASSERT_EQ(brush->GetCount(), 8);
    EXPECT_EQ(brush->GetString(0), QStringLiteral("Null"));
    EXPECT_EQ(brush->GetSelIndex(), 7);  // Diagonal Cross
    EXPECT_EQ(dlg.Control<TColorButton>(104)->GetColor(), RGB(1, 2, 3));
    EXPECT_EQ(dlg.Control<TColorButton>(110)->GetColor(), RGB(4, 5, 6));
    EXPECT_EQ(dlg.Control<TColorButton>(113)->GetColor(), RGB(7, 8, 9));
    const auto* sample = dlg.Control<TBrushButton>(111);
    EXPECT_EQ(sample->BrushStyle, 5);
    EXPECT_EQ(sample->BrushForeColor, RGB(4, 5, 6));
    EXPECT_EQ(dlg.Control<PComboBox>(114)->GetSelIndex(), 1);
    EXPECT_EQ(dlg.Control<PComboBox>(115)->GetSelIndex(), 1);
    EXPECT_TRUE(dlg.IsControlEnabled(112));

    // Values no line shows select nothing, and OK keeps them.
    TZukei odd;
    odd.Arrow = 7;
    odd.PenType = 9;
    odd.BrushType = INT_MAX;
    odd.IsClosed = -1;
    TZukeiDialog again(nullptr, &odd, nullptr, nullptr);
    again.Create();
    EXPECT_EQ(again.IsItemChecked(105) + again.IsItemChecked(107), 0);
    EXPECT_EQ(again.Control<PComboBox>(101)->GetSelIndex(), CB_ERR);
    EXPECT_EQ(again.Control<PComboBox>(109)->GetSelIndex(), CB_ERR);
    kvtest::Click(again, IDOK);
    EXPECT_EQ(odd.Arrow, 0);
    EXPECT_EQ(odd.PenType, 9);
    EXPECT_EQ(odd.BrushType, INT_MAX);
    EXPECT_EQ(odd.IsClosed, -1);
}

TEST(ZukeiDialog, WidthOutsideTwoTo9999Stores100Silently) {
    struct Case {
        const char* typed;
        int stored;
    };
    const Case cases[] = {{"2", 2},     {"9999", 9999}, {"1", 100},       {"0", 100},
                          {"10000", 100}, {"abc", 100}, {"  150%", 150}, {"-50", 100},
                          {"99999999999", 100}};
    for (const Case& c : cases) {
        TZukei z;
        kv::ScriptedMessageBoxes boxes;
        TZukeiDialog dlg(nullptr, &z, nullptr, nullptr);
        dlg.Create();
        dlg.Control<TComboPercent>(103)->SetText(QString::fromUtf8(c.typed));
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(dlg.ReturnValue(), IDOK);
        EXPECT_EQ(z.PenWidth, c.stored) << c.typed;
        EXPECT_TRUE(boxes.Shown().empty());
    }
}

TEST(ZukeiDialog, OkWritesEveryAttributeAndCancelNone) {
    TZukei z = StyledFigure();
    {
        TZukeiDialog dlg(nullptr, &z, nullptr, nullptr);
        const int code = kvtest::RunModal(dlg, [&] {
            dlg.CheckItem(105, BF_UNCHECKED);  // the end only
            Choose(dlg, 101, 2);
            Choose(dlg, 109, 0);  // Null: -2
            const auto* sample = dlg.Control<TBrushButton>(111);
            EXPECT_EQ(sample->BrushStyle, -2);
            // A new brush foreground colour shows in the sample at once.
            PickColourCell(2, 0);
            kvtest::Click(dlg, 110);
            const COLORREF fore = dlg.Control<TColorButton>(110)->GetColor();
            EXPECT_EQ(fore, TColorList::Entry(2 * TColorList::Rows));
            EXPECT_EQ(sample->BrushForeColor, fore);
            Choose(dlg, 114, 0);
            Choose(dlg, 115, 0);
            kvtest::Click(dlg, IDOK);
        });
        ASSERT_EQ(code, IDOK);
    }
    EXPECT_EQ(z.Arrow, 2);
    EXPECT_EQ(z.PenType, 2);
    EXPECT_EQ(z.PenWidth, 150);
    EXPECT_EQ(z.BrushType, -2);
    EXPECT_EQ(z.ForeBrushColor, TColorList::Entry(2 * TColorList::Rows));
    EXPECT_EQ(z.IsClosed, 0);
    EXPECT_EQ(z.IsSpline, 0);
    // Kind, nodes and divisions are not the dialog's.
    EXPECT_EQ(z.Kind, ZukeiPolyline);
    EXPECT_EQ(z.Nodes.GetItemsInContainer(), 2);
    EXPECT_EQ(z.InterPointNo, 33);

    // Both boxes: 3; the start alone: 1; a brush of Diagonal Cross: 5.
    for (int start : {0, 1}) {
        TZukei w;
        TZukeiDialog dlg(nullptr, &w, nullptr, nullptr);
        dlg.Create();
        dlg.CheckItem(105, BF_CHECKED);
        dlg.CheckItem(107, start ? BF_UNCHECKED : BF_CHECKED);
        Choose(dlg, 109, 7);
        kvtest::Click(dlg, IDOK);
        EXPECT_EQ(w.Arrow, start ? 1 : 3);
        EXPECT_EQ(w.BrushType, 5);
    }

    // Cancel after a new colour and brush leaves the figure as it was.
    const TZukei before = StyledFigure();
    TZukei kept = before;
    TZukeiDialog dlg(nullptr, &kept, nullptr, nullptr);
    const int code = kvtest::RunModal(dlg, [&] {
        PickColourCell(4, 1);
        kvtest::Click(dlg, 110);
        Choose(dlg, 109, 1);
        dlg.Control<TComboPercent>(103)->SetText(QStringLiteral("300"));
        kvtest::Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(code, IDCANCEL);
    EXPECT_EQ(kept.ForeBrushColor, before.ForeBrushColor);
    EXPECT_EQ(kept.BrushType, before.BrushType);
    EXPECT_EQ(kept.PenWidth, before.PenWidth);
}

TEST(ZukeiDialog, TemplateOfAMultipleSelection) {
    BYTE items[ZukeiStyleItemCount] = {1, 1, 1, 0, 1, 0, 1, 1, 0};
    kvtest::FakeChart chart;
    TZukei templ = chart.Defaults.DefaultZukei;
    TZukei scratch;
    TZukeiDialog dlg(&chart, &templ, &scratch, items);
    dlg.Create();
    EXPECT_FALSE(dlg.IsControlEnabled(112));
    for (int id : {105, 107, 110, 115}) EXPECT_FALSE(dlg.IsControlEnabled(id)) << id;
    for (int id : {101, 103, 104, 109, 113, 114, 111}) EXPECT_TRUE(dlg.IsControlEnabled(id)) << id;
    Choose(dlg, 101, 3);
    Choose(dlg, 115, 1);  // shown, but the caller does not copy it
    kvtest::Click(dlg, IDOK);
    ASSERT_EQ(dlg.ReturnValue(), IDOK);
    EXPECT_EQ(templ.PenType, 3);
    EXPECT_EQ(templ.IsSpline, 1);  // every attribute is written

    // Only the chosen attributes reach a selected figure.
    TZukei target = StyledFigure();
    templ.Arrow = 0;
    templ.ForeBrushColor = RGB(9, 9, 9);
    CopyZukeiStyleItems(target, templ, items);
    EXPECT_EQ(target.PenType, 3);
    EXPECT_EQ(target.PenWidth, templ.PenWidth);
    EXPECT_EQ(target.Arrow, 3);
    EXPECT_EQ(target.ForeBrushColor, RGB(4, 5, 6));
    EXPECT_EQ(target.IsSpline, 1);
    EXPECT_EQ(target.IsClosed, templ.IsClosed);
    EXPECT_EQ(target.InterPointNo, 33);

    // Every control disabled, and nothing copied, when nothing is chosen.
    BYTE none[ZukeiStyleItemCount] = {};
    TZukeiDialog empty(nullptr, &templ, nullptr, none);
    empty.Create();
    for (int id : {101, 103, 104, 105, 107, 109, 110, 113, 114, 115})
        EXPECT_FALSE(empty.IsControlEnabled(id)) << id;
    EXPECT_TRUE(empty.IsControlEnabled(111));
    const TZukei untouched = StyledFigure();
    TZukei copy = untouched;
    CopyZukeiStyleItems(copy, TZukei(), none);
    EXPECT_EQ(copy.PenType, untouched.PenType);
    EXPECT_EQ(copy.BrushType, untouched.BrushType);
    EXPECT_EQ(copy.Arrow, untouched.Arrow);
}

TEST(ZukeiDialog, DefaultWritesTheChartWindowsDefaultFigureAtOnce) {
    kvtest::FakeChart chart;
    TZukei* d = &chart.Defaults.DefaultZukei;
    const TZukei before = *d;
    TZukei z = StyledFigure();
    const TZukei original = z;
    TZukeiDialog dlg(&chart, &z, d, nullptr);
    dlg.Create();
    dlg.Control<TComboPercent>(103)->SetText(QStringLiteral("1"));
    dlg.CheckItem(105, BF_UNCHECKED);
    {
        kv::ScriptedMessageBoxes boxes({IDCANCEL});
        kvtest::Click(dlg, 112);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kDefaultQuestion);
        EXPECT_EQ(boxes.Shown()[0].caption, "CAUTION");
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONQUESTION);
        EXPECT_EQ(d->PenType, before.PenType);
        EXPECT_EQ(d->Arrow, before.Arrow);
    }
    kv::ScriptedMessageBoxes boxes({IDOK});
    kvtest::Click(dlg, 112);
    EXPECT_FALSE(dlg.IsClosed());
    EXPECT_EQ(d->PenType, 5);
    EXPECT_EQ(d->PenWidth, 100);  // the width rule of OK
    EXPECT_EQ(d->Arrow, 2);
    EXPECT_EQ(d->BrushType, 5);
    EXPECT_EQ(d->PenColor, RGB(1, 2, 3));
    EXPECT_EQ(d->BackBrushColor, RGB(7, 8, 9));
    EXPECT_EQ(d->IsClosed, 1);
    EXPECT_EQ(d->IsSpline, 1);
    EXPECT_EQ(d->InterPointNo, before.InterPointNo);
    kvtest::Click(dlg, IDCANCEL);
    EXPECT_EQ(z.Arrow, original.Arrow);
    EXPECT_EQ(z.PenWidth, original.PenWidth);
    EXPECT_EQ(d->Arrow, 2);  // Cancel does not undo the default
}

}  // namespace
