// The owner-drawn colour and brush samples, the pop-up palette and the percent
// combo box.

#include "dialogs/controls/brushbutton.h"
#include "dialogs/controls/colorbutton.h"
#include "dialogs/controls/combopercent.h"
#include "dialogs/controls/selectcolor.h"
#include "dialogs/support/driver.h"
#include "platform/color.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <string>

namespace {

QRgb Q(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
QRgb Px(const QImage& img, int x, int y) { return img.pixel(x, y) | 0xFF000000u; }

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kGrey = qRgb(127, 127, 127);
const QRgb kFace = Q(GetSysColor(COLOR_BTNFACE));
const COLORREF kRed = RGB(255, 0, 0);

// A free button of 40 x 24 pixels: l = 0, t = 0, r = 40, b = 24.
template <class B, class... A>
std::unique_ptr<B> Sized(A... args) {
    auto b = std::make_unique<B>(nullptr, 0, args...);
    b->resize(40, 24);
    return b;
}

// Pixels across the left edge and down from the top edge, at the middle.
struct Edges {
    QRgb left[5], top[5], right[4], bottom[4];
};
Edges EdgesOf(const QImage& img) {
    Edges e;
    for (int i = 0; i < 5; ++i) e.left[i] = Px(img, i, 12), e.top[i] = Px(img, 20, i);
    for (int i = 0; i < 4; ++i) e.right[i] = Px(img, 39 - i, 12), e.bottom[i] = Px(img, 20, 23 - i);
    return e;
}

TEST(ColorButton, RaisedTile) {
    auto b = Sized<TColorButton>(kRed);
    EXPECT_EQ(b->GetColor(), kRed);
    b->DrawItem(ODA_DRAWENTIRE, 0);
    const Edges e = EdgesOf(b->Pixels());
    const QRgb r = Q(kRed);
    // Frame, two visible white bevel lines, then the face.
    EXPECT_EQ((std::vector<QRgb>(e.left, e.left + 5)), (std::vector<QRgb>{kBlack, kWhite, kWhite, r, r}));
    EXPECT_EQ((std::vector<QRgb>(e.top, e.top + 5)), (std::vector<QRgb>{kBlack, kWhite, kWhite, r, r}));
    // Frame, two visible grey shadow rows, then the face.
    EXPECT_EQ((std::vector<QRgb>(e.right, e.right + 4)), (std::vector<QRgb>{kBlack, kGrey, kGrey, r}));
    EXPECT_EQ((std::vector<QRgb>(e.bottom, e.bottom + 4)), (std::vector<QRgb>{kBlack, kGrey, kGrey, r}));
    EXPECT_EQ(Px(b->Pixels(), 20, 12), r);

    auto black = Sized<TColorButton>(COLORREF(0));  // never set: a black tile
    black->DrawItem(ODA_DRAWENTIRE, 0);
    EXPECT_EQ(Px(black->Pixels(), 20, 12), kBlack);
    EXPECT_EQ(Px(black->Pixels(), 38, 12), kGrey);
    EXPECT_EQ(Px(black->Pixels(), 1, 12), kWhite);
}

TEST(ColorButton, PressedDisabledAndFocused) {
    auto b = Sized<TColorButton>(kRed);
    const QRgb r = Q(kRed);
    b->DrawItem(ODA_DRAWENTIRE, 0);
    b->DrawItem(ODA_SELECT, ODS_SELECTED);
    Edges e = EdgesOf(b->Pixels());
    // A four-pixel dark edge at top and left, two outlines, no shadow, no white.
    EXPECT_EQ((std::vector<QRgb>(e.left, e.left + 5)), (std::vector<QRgb>{kBlack, kBlack, kBlack, kBlack, r}));
    EXPECT_EQ((std::vector<QRgb>(e.top, e.top + 5)), (std::vector<QRgb>{kBlack, kBlack, kBlack, kBlack, r}));
    EXPECT_EQ((std::vector<QRgb>(e.right, e.right + 3)), (std::vector<QRgb>{kBlack, kBlack, r}));
    EXPECT_EQ((std::vector<QRgb>(e.bottom, e.bottom + 3)), (std::vector<QRgb>{kBlack, kBlack, r}));
    b->DrawItem(ODA_SELECT, 0);  // released: the raised tile again
    EXPECT_EQ(Px(b->Pixels(), 1, 12), kWhite);
    EXPECT_EQ(Px(b->Pixels(), 38, 12), kGrey);

    // Disabled: two diagonals instead of the face; strips, bevel and frame stay.
    b->DrawItem(ODA_DRAWENTIRE, ODS_DISABLED);
    EXPECT_EQ(Px(b->Pixels(), 20, 12), kBlack);  // where the diagonals cross
    EXPECT_EQ(Px(b->Pixels(), 10, 6), kBlack);   // on the diagonal from (0, 0)
    EXPECT_EQ(Px(b->Pixels(), 20, 6), kFace);    // the face is not painted
    EXPECT_EQ(Px(b->Pixels(), 38, 12), kGrey);
    EXPECT_EQ(Px(b->Pixels(), 1, 12), kWhite);

    // Focus: a dotted inverting frame inset by 5; a second focus draw removes it.
    b->DrawItem(ODA_DRAWENTIRE, ODS_FOCUS);
    const QImage focused = b->Pixels();
    EXPECT_EQ(Px(focused, 5, 5), qRgb(0, 255, 255));
    EXPECT_EQ(Px(focused, 6, 5), r);
    EXPECT_EQ(Px(focused, 34, 18), qRgb(0, 255, 255));  // (r - 6, b - 6): (29 + 13) even
    b->DrawItem(ODA_FOCUS, 0);
    EXPECT_EQ(Px(b->Pixels(), 5, 5), r);
    b->DrawItem(ODA_FOCUS, ODS_FOCUS);
    EXPECT_EQ(b->Pixels(), focused);
    b->DrawItem(ODA_SELECT, ODS_SELECTED | ODS_FOCUS);  // the focus frame in the pressed look too
    EXPECT_EQ(Px(b->Pixels(), 5, 5), qRgb(0, 255, 255));
}

TEST(ColorButton, PaintingFollowsPressAndSetColor) {
    auto b = Sized<TColorButton>(kRed);
    QImage img = b->grab().toImage();
    EXPECT_EQ(Px(img, 1, 12), kWhite);
    b->setDown(true);
    img = b->grab().toImage();
    EXPECT_EQ(Px(img, 1, 12), kBlack);
    EXPECT_EQ(Px(img, 20, 12), Q(kRed));
    b->setDown(false);
    img = b->grab().toImage();
    EXPECT_EQ(Px(img, 1, 12), kWhite);
    b->SetColor(RGB(0, 0, 255));
    EXPECT_EQ(b->GetColor(), RGB(0, 0, 255));
    img = b->grab().toImage();
    EXPECT_EQ(Px(img, 20, 12), qRgb(0, 0, 255));
    b->setEnabled(false);
    img = b->grab().toImage();
    EXPECT_EQ(Px(img, 20, 6), kFace);
}

TEST(BrushButton, NoneSolidAndHatch) {
    auto none = Sized<TBrushButton>(-2, kRed, RGB(0, 255, 0));
    none->DrawItem(ODA_DRAWENTIRE, 0);
    EXPECT_EQ(Px(none->Pixels(), 0, 12), kBlack);
    EXPECT_EQ(Px(none->Pixels(), 39, 12), kBlack);
    EXPECT_EQ(Px(none->Pixels(), 20, 12), kFace);  // the inside is not painted

    auto solid = Sized<TBrushButton>(-1, kRed, RGB(0, 255, 0));
    solid->DrawItem(ODA_DRAWENTIRE, 0);
    EXPECT_EQ(Px(solid->Pixels(), 0, 0), kBlack);
    EXPECT_EQ(Px(solid->Pixels(), 20, 12), Q(kRed));
    EXPECT_EQ(Px(solid->Pixels(), 1, 1), Q(kRed));

    auto cross = Sized<TBrushButton>(HS_CROSS, RGB(0, 0, 0), RGB(255, 255, 255));
    cross->DrawItem(ODA_DRAWENTIRE, 0);
    int black = 0, white = 0;
    for (int y = 1; y < 23; ++y)
        for (int x = 1; x < 39; ++x) {
            const QRgb p = Px(cross->Pixels(), x, y);
            const bool line = kv::HatchPixel(HS_CROSS, x % 8, y % 8, 8, 1);
            EXPECT_EQ(p, line ? kBlack : kWhite) << x << "," << y;
            (p == kBlack ? black : white) += 1;
        }
    EXPECT_GT(black, 0);
    EXPECT_GT(white, black);

    cross->SetBrush(-1, RGB(0, 0, 255), 0);
    EXPECT_EQ(cross->BrushStyle, -1);
    QImage img = cross->grab().toImage();
    EXPECT_EQ(Px(img, 20, 12), qRgb(0, 0, 255));
}

// ---- the palette ----

// The palette control's pixel centre of cell index.
QPoint CellCentre(const TColorList& list, int index) {
    const TRect r = TColorList::CellRect(index / 6, index % 6, list.width(), list.height());
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

TEST(ColorPalette, TheFortyEightEntriesColumnByColumn) {
    EXPECT_EQ(TColorList::Entry(0), RGB(255, 128, 128));
    EXPECT_EQ(TColorList::Entry(5), RGB(0, 0, 0));
    EXPECT_EQ(TColorList::Entry(6), RGB(255, 255, 128));
    EXPECT_EQ(TColorList::Entry(35), RGB(192, 192, 192));
    EXPECT_EQ(TColorList::Entry(40), RGB(64, 0, 64));
    EXPECT_EQ(TColorList::Entry(41), RGB(64, 0, 64));
    EXPECT_EQ(TColorList::Entry(45), RGB(128, 0, 255));
    EXPECT_EQ(TColorList::Entry(47), RGB(255, 255, 255));
    // Cell geometry: a cell is one pixel wider than the pitch; outside the cells
    // there is no index.
    EXPECT_EQ(TColorList::CellRect(0, 0, 180, 136), TRect(2, 2, 25, 25));
    EXPECT_EQ(TColorList::CellRect(7, 5, 180, 136), TRect(156, 112, 179, 135));
    const std::tuple<int, int, int> hits[] = {
        {2, 2, 0}, {24, 2, 6}, {2, 24, 1}, {177, 133, 47}, {1, 50, -1}, {178, 50, -1},
        {50, 134, -1}, {50, 1, -1}, {-3, 10, -1}};
    for (const auto& [x, y, want] : hits) EXPECT_EQ(TColorList::IndexAt(x, y, 180, 136), want) << x << "," << y;
}

TEST(ColorPalette, DrawsTheCellsAndFramesTheCallerColourOnTheFirstEntry) {
    COLORREF color = RGB(64, 0, 64);
    TColorList list(nullptr, 0, &color);
    ASSERT_EQ(list.size(), QSize(180, 136));
    EXPECT_EQ(list.FindColor(RGB(64, 0, 64)), 40);
    EXPECT_EQ(list.FindColor(RGB(1, 2, 3)), -1);
    list.SetupWindow();
    EXPECT_EQ(list.SelIndex, 40);
    EXPECT_EQ(list.PrevIndex, 40);
    EXPECT_EQ(list.CurrentColor, RGB(64, 0, 64));
    list.DrawItem(ODA_DRAWENTIRE, 0);
    const QImage& img = list.Pixels();
    for (int i : {0, 17, 40, 47}) EXPECT_EQ(Px(img, CellCentre(list, i).x(), CellCentre(list, i).y()), Q(TColorList::Entry(i))) << i;
    // Cell 40 is (134, 90, 157, 113): tile outline at inset 3, gap, frame at inset 1.
    EXPECT_EQ(Px(img, 137, 101), kBlack);
    EXPECT_EQ(Px(img, 136, 101), kFace);
    EXPECT_EQ(Px(img, 135, 101), kBlack);
    // Cell 41 (below it) has no frame.
    EXPECT_EQ(Px(img, 135, 123), kFace);

    // Another cell: framed, and the previous frame is erased.
    list.SelectCell(47);
    EXPECT_EQ(list.CurrentColor, RGB(255, 255, 255));
    EXPECT_EQ(Px(list.Pixels(), 135, 101), kFace);
    EXPECT_EQ(Px(list.Pixels(), 157, 123), kBlack);  // cell 47 frame, left side
    EXPECT_EQ(list.PrevIndex, 47);

    // A caller colour that is not in the palette frames nothing and is kept.
    COLORREF odd = RGB(1, 2, 3);
    TColorList other(nullptr, 0, &odd);
    other.SetupWindow();
    EXPECT_EQ(other.SelIndex, -1);
    EXPECT_EQ(other.CurrentColor, RGB(1, 2, 3));
    other.DrawItem(ODA_DRAWENTIRE, 0);
    EXPECT_EQ(Px(other.Pixels(), 3, 13), kFace);  // where cell 0's frame would be
}

TEST(ColorPalette, PopupPlacement) {
    const TRect desk(0, 0, 800, 600);
    const TSize pop(180, 170);
    struct Case {
        TRect button;
        TPoint want;
    };
    const Case cases[] = {
        {{100, 100, 140, 124}, {100, 124}},
        {{700, 100, 740, 124}, {520, 124}},  // ends at the button's left edge
        {{100, 500, 140, 524}, {100, 330}},  // ends at the button's top edge
        {{700, 500, 740, 524}, {520, 330}},
        {{620, 406, 660, 430}, {620, 430}},  // exactly fitting stays
        {{621, 407, 660, 431}, {441, 237}},
    };
    for (const Case& c : cases) {
        const TPoint at = kv::PopupPosition(c.button, pop, desk);
        EXPECT_EQ(at.x, c.want.x) << c.button.left;
        EXPECT_EQ(at.y, c.want.y) << c.button.top;
    }
    // Near the bottom right corner of the screen: left of and above the button.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const TRect button(screen.right() - 100, screen.bottom() - 100, screen.right() - 60,
                       screen.bottom() - 76);
    COLORREF color = 0;
    TSelectColorDialog dlg(nullptr, &color, button);
    dlg.Create();
    EXPECT_EQ(dlg.pos(), QPoint(button.left - dlg.width(), button.top - dlg.height()));
    EXPECT_EQ(dlg.windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);
}

struct PaletteRun {
    int code;
    COLORREF color;
    int selIndex;
};

PaletteRun RunPalette(COLORREF start, std::function<void(TSelectColorDialog&)> act) {
    COLORREF color = start;
    TSelectColorDialog dlg(nullptr, &color, TRect(10, 10, 50, 34));
    const int code = kvtest::RunModal(dlg, [&] { act(dlg); });
    return {code, color, dlg.ColorList->SelIndex};
}

TEST(ColorPalette, AClickReturnsTheCellsColourCancelKeepsTheCallers) {
    PaletteRun r = RunPalette(RGB(64, 0, 64), [](TSelectColorDialog& dlg) {
        QTest::mouseClick(dlg.ColorList, Qt::LeftButton, {}, CellCentre(*dlg.ColorList, 47));
    });
    EXPECT_EQ(r.code, IDOK);
    EXPECT_EQ(r.color, RGB(255, 255, 255));

    // The framed cell itself returns its colour.
    r = RunPalette(RGB(64, 0, 64), [](TSelectColorDialog& dlg) {
        QTest::mouseClick(dlg.ColorList, Qt::LeftButton, {}, CellCentre(*dlg.ColorList, 40));
    });
    EXPECT_EQ(r.code, IDOK);
    EXPECT_EQ(r.color, RGB(64, 0, 64));

    for (int how = 0; how < 2; ++how) {
        r = RunPalette(RGB(255, 0, 0), [how](TSelectColorDialog& dlg) {
            if (how == 0)
                kvtest::Click(dlg, IDCANCEL);
            else
                kvtest::PressKey(dlg.ColorList, Qt::Key_Escape);
        });
        EXPECT_EQ(r.code, IDCANCEL);
        EXPECT_EQ(r.color, RGB(255, 0, 0));
    }

    // A press in the margin selects and clicks nothing: the pop-up stays open.
    r = RunPalette(RGB(255, 0, 0), [](TSelectColorDialog& dlg) {
        QTest::mouseClick(dlg.ColorList, Qt::LeftButton, {}, QPoint(1, 50));
        QTest::mouseClick(dlg.ColorList, Qt::LeftButton, {}, QPoint(178, 50));
        EXPECT_FALSE(dlg.IsClosed());
        dlg.CloseWindow(IDCANCEL);
    });
    EXPECT_EQ(r.code, IDCANCEL);
    EXPECT_EQ(r.color, RGB(255, 0, 0));
    EXPECT_EQ(r.selIndex, 1);

    // A press on a cell released outside moves the selection but returns nothing.
    r = RunPalette(RGB(255, 0, 0), [](TSelectColorDialog& dlg) {
        QTest::mousePress(dlg.ColorList, Qt::LeftButton, {}, CellCentre(*dlg.ColorList, 12));
        QTest::mouseRelease(dlg.ColorList, Qt::LeftButton, {}, QPoint(500, 500));
        EXPECT_FALSE(dlg.IsClosed());
        dlg.CloseWindow(IDCANCEL);
    });
    EXPECT_EQ(r.color, RGB(255, 0, 0));
    EXPECT_EQ(r.selIndex, 12);
}

TEST(ColorPalette, TheColourButtonRoundTrip) {
    // What every colour handler does: palette under the button, then SetColor.
    PDialog* none = nullptr;
    TColorButton button(none, 0, RGB(0, 0, 0));
    button.resize(40, 24);
    COLORREF c = button.GetColor();
    kvtest::OnNextModal([](QWidget* w) {
        auto* pop = dynamic_cast<TSelectColorDialog*>(w);
        ASSERT_NE(pop, nullptr);
        EXPECT_EQ(pop->ColorList->SelIndex, 5);  // black
        QTest::mouseClick(pop->ColorList, Qt::LeftButton, {}, CellCentre(*pop->ColorList, 27));
    });
    EXPECT_EQ(kv::RunColorPalette(nullptr, &c, &button), IDOK);
    button.SetColor(c);
    EXPECT_EQ(button.GetColor(), RGB(0, 0, 255));
}

// ---- the percent combo box ----

constexpr PControlSpec kPercentRows[] = {
    {101, PKind::ComboEdit, "幅(&W):"},
    {102, PKind::Edit, "other"},
    {1, PKind::DefPushButton, "&OK"},
    {2, PKind::PushButton, "Cancel"},
};
const PDialogTemplate kPercentTemplate{901, "percent", kPercentRows};

TEST(PercentCombo, ListSelectAndFieldRules) {
    PDialog dlg(nullptr, kPercentTemplate);
    auto* combo = new TComboPercent(&dlg, 101, 1);
    EXPECT_EQ(dlg.Control<TComboPercent>(101), combo);
    combo->AddStandardPercents();
    ASSERT_EQ(combo->GetCount(), 11);
    EXPECT_EQ(combo->GetString(0), QStringLiteral("25%"));
    EXPECT_EQ(combo->GetString(10), QStringLiteral("500%"));

    EXPECT_EQ(combo->SetPercentText("100"), 3);
    EXPECT_EQ(combo->GetText(), QStringLiteral("100%"));
    EXPECT_EQ(combo->SetPercentText("120"), CB_ERR);
    EXPECT_EQ(combo->GetText(), QStringLiteral("120%"));
    EXPECT_EQ(combo->SetPercentText("1"), CB_ERR);  // "1%" is no prefix of "100%"
    EXPECT_EQ(combo->GetText(), QStringLiteral("1%"));
    EXPECT_EQ(combo->SetPercentText(nullptr), CB_ERR);
    EXPECT_EQ(combo->GetText(), QStringLiteral("%"));

    const std::pair<const char*, const char*> reads[] = {
        {"150%", "150"}, {"5%%", "5%"}, {"", ""}, {"abc", "abc"}, {"%", ""}};
    for (const auto& [field, want] : reads) {
        combo->SetText(QString::fromUtf8(field));
        EXPECT_EQ(combo->GetPercentText(), want) << field;
    }
    combo->SetText(QStringLiteral("12345%"));
    char small[4];
    EXPECT_EQ(combo->GetPercentText(small, sizeof small), 5);
    EXPECT_STREQ(small, "123");

    const std::pair<const char*, int> percents[] = {
        {"2", 2},   {"1", 100},    {"9999", 9999}, {"10000", 100}, {"abc", 100},  {"150%", 150},
        {"-5", 100}, {"75 pt", 75}, {"99999999999", 100}, {"", 100}};
    for (const auto& [field, want] : percents) {
        combo->SetText(QString::fromUtf8(field));
        EXPECT_EQ(combo->GetPercent(), want) << field;
    }
    combo->SetPercent(250);
    EXPECT_EQ(combo->GetSelIndex(), 7);
    combo->SetPercent(33);
    EXPECT_EQ(combo->GetText(), QStringLiteral("33%"));
}

TEST(PercentCombo, TypedNumbersGainTheirPercentOnDropDownAndKillFocus) {
    PDialog dlg(nullptr, kPercentTemplate);
    auto* combo = new TComboPercent(&dlg, 101, 1);
    combo->AddStandardPercents();
    combo->AnswerDropDownAndKillFocus();
    kvtest::RunModal(dlg, [&] {
        ASSERT_TRUE(kvtest::Activate(&dlg));
        combo->setFocus();
        combo->SetText(QString());
        kvtest::TypeText(combo, QStringLiteral("150"));
        EXPECT_EQ(combo->GetText(), QStringLiteral("150"));
        combo->showPopup();
        EXPECT_EQ(combo->GetText(), QStringLiteral("150%"));
        combo->hidePopup();
        combo->SetText(QStringLiteral("50%"));
        combo->showPopup();  // already ends in "%": unchanged
        combo->hidePopup();
        EXPECT_EQ(combo->GetText(), QStringLiteral("50%"));
        combo->setFocus();
        combo->SetText(QStringLiteral("75"));
        dlg.ControlWidget(102)->setFocus();  // the focus leaves
        EXPECT_EQ(combo->GetText(), QStringLiteral("75%"));
        dlg.CloseWindow(IDOK);
    });
}

}  // namespace
