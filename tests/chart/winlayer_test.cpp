// The window layer: scroll information with Win32's meaning, invalidation and
// painting into the backing image, scrolling pixels, client device contexts with
// NOT-XOR drawing, mouse and key messages in Win32's order, capture and cursors.

#include "test_util.h"

#include "chart/winlayer/cursors.h"
#include "chart/winlayer/keys.h"
#include "chart/winlayer/services.h"
#include "chart/winlayer/window.h"
#include "platform/cformat.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QScrollBar>
#include <QStatusBar>

#include <algorithm>
#include <string>
#include <vector>

using charttest::PixelAt;
using kv::win::TWindow;

namespace {

// Paints row y in RGB(y % 256, 0, 0) and logs what reaches it.
class Probe : public TWindow {
public:
    void Paint(TDC& dc, bool erase, const TRect& rect) override {
        ++paints;
        lastErase = erase;
        lastRect = rect;
        for (int y = rect.top; y < rect.bottom; ++y) {
            dc.SelectObject(TPen(RGB(BYTE(y % 256), 0, 0), 0));
            dc.MoveToEx(rect.left, y);
            dc.LineTo(rect.right, y);
        }
        dc.RestoreObjects();
        if (paintWith) paintWith->Rectangle(0, 0, 10, 10);  // refused while painting
    }
    void EvLButtonDown(UINT k, const TPoint& p) override { Log("down", k, p); }
    void EvLButtonUp(UINT k, const TPoint& p) override { Log("up", k, p); }
    void EvLButtonDblClk(UINT k, const TPoint& p) override { Log("dbl", k, p); }
    void EvRButtonDown(UINT k, const TPoint& p) override { Log("rdown", k, p); }
    void EvMouseMove(UINT k, const TPoint& p) override { Log("move", k, p); }
    void EvKeyDown(UINT key, UINT, UINT flags) override { log.push_back(kv::Format("key %u %u", key, flags)); }
    void EvHScroll(UINT code, int pos) override { log.push_back(kv::Format("hscroll %u %d", code, pos)); }

    void Log(const char* what, UINT k, const TPoint& p) { log.push_back(kv::Format("%s %u %d,%d", what, k, p.x, p.y)); }

    int paints = 0;
    bool lastErase = false;
    TRect lastRect;
    TDC* paintWith = nullptr;
    std::vector<std::string> log;
};

std::unique_ptr<Probe> MakeProbe(int w = 100, int h = 80) {
    auto p = std::make_unique<Probe>();
    p->SetLogPixels(96, 96);
    p->SetClientSize(w, h);
    p->Create();
    return p;
}

TEST(ScrollInfo, Win32Semantics) {
    auto win = MakeProbe();
    struct {
        UINT mask;
        int nMin, nMax;
        UINT page;
        int pos;
        UINT wantPage;
        int wantPos;
        bool enabled, visible;
    } cases[] = {
        {SIF_ALL | SIF_DISABLENOSCROLL, 0, 100, 10, 95, 10, 91, true, true},      // position where the page fits
        {SIF_ALL | SIF_DISABLENOSCROLL, 0, 100, 200, 50, 101, 0, false, true},    // page limited to the range
        {SIF_ALL, 0, 100, 200, 50, 101, 0, true, false},                          // hidden without DISABLENOSCROLL
        {SIF_ALL | SIF_DISABLENOSCROLL, -500, -100, 50, -1000, 50, -500, true, true},  // signed positions
        {SIF_ALL | SIF_DISABLENOSCROLL, 0, 100, 0, 100, 0, 100, true, true},      // no page
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pos);
        SCROLLINFO in;
        in.fMask = c.mask;
        in.nMin = c.nMin;
        in.nMax = c.nMax;
        in.nPage = c.page;
        in.nPos = c.pos;
        EXPECT_EQ(win->SetScrollInfo(SB_HORZ, in), c.wantPos);
        SCROLLINFO out;
        out.fMask = SIF_ALL;
        ASSERT_TRUE(win->GetScrollInfo(SB_HORZ, out));
        EXPECT_EQ(out.nMin, c.nMin);
        EXPECT_EQ(out.nMax, c.nMax);
        EXPECT_EQ(out.nPage, c.wantPage);
        EXPECT_EQ(out.nPos, c.wantPos);
        QScrollBar* bar = win->ScrollBar(SB_HORZ);
        EXPECT_EQ(bar->isEnabled(), c.enabled);
        EXPECT_EQ(bar->isVisibleTo(win.get()), c.visible);
        EXPECT_EQ(bar->value(), c.wantPos);
    }
    // Only the position: range and page stay; the old position comes back.
    SCROLLINFO in;
    in.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    in.nMin = 0;
    in.nMax = 1000;
    in.nPage = 100;
    in.nPos = 10;
    win->SetScrollInfo(SB_VERT, in);
    EXPECT_EQ(win->SetScrollPos(SB_VERT, 2000), 10);
    EXPECT_EQ(win->GetScrollPos(SB_VERT), 901);
}

TEST(ScrollInfo, BarReleaseEndsTheScroll) {
    auto win = MakeProbe();
    SCROLLINFO in;
    in.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
    in.nMax = 1000;
    in.nPage = 100;
    win->SetScrollInfo(SB_HORZ, in);
    QScrollBar* bar = win->ScrollBar(SB_HORZ);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release);
    EXPECT_EQ(win->log, (std::vector<std::string>{"hscroll 8 0"}));
    // A dragged thumb: tracking positions, then its last position, then the end.
    win->log.clear();
    bar->setSliderDown(true);
    bar->setSliderPosition(40);
    QMouseEvent release2(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                         Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &release2);
    bar->setSliderDown(false);
    EXPECT_EQ(win->log, (std::vector<std::string>{"hscroll 5 40", "hscroll 4 40", "hscroll 8 0"}));
}

TEST(Painting, InvalidAreasArePaintedOnceWithTheirBoundingRectangle) {
    auto win = MakeProbe();
    // The first size leaves everything invalid, with erasing.
    EXPECT_EQ(win->GetInvalidRegion(), QRegion(0, 0, 100, 80));
    win->UpdateWindow();
    EXPECT_EQ(win->paints, 1);
    EXPECT_TRUE(win->lastErase);
    EXPECT_EQ(win->lastRect, TRect(0, 0, 100, 80));
    EXPECT_EQ(PixelAt(win->BackingImage(), TPoint(50, 70)), RGB(70, 0, 0));
    win->UpdateWindow();
    EXPECT_EQ(win->paints, 1);  // nothing invalid

    win->InvalidateRect(TRect(30, 20, 10, 10), false);  // reversed: normalised
    win->InvalidateRect(TRect(50, 50, 60, 60), false);
    win->InvalidateRect(TRect(200, 200, 300, 300), false);  // outside: nothing
    win->InvalidateRect(TRect(5, 5, 5, 9), false);          // empty: nothing
    win->UpdateWindow();
    EXPECT_EQ(win->paints, 2);
    EXPECT_FALSE(win->lastErase);
    EXPECT_EQ(win->lastRect, TRect(10, 10, 60, 60));

    win->InvalidateRect(TRect(0, 0, 10, 10));
    win->ValidateRect(TRect(0, 0, 10, 10));
    win->UpdateWindow();
    EXPECT_EQ(win->paints, 2);
}

TEST(Painting, PostedPaintRunsWhenTheWindowIsShown) {
    auto win = MakeProbe();
    QCoreApplication::processEvents();
    EXPECT_EQ(win->paints, 0);  // hidden: nothing to show yet
    win->show();
    QCoreApplication::processEvents();
    EXPECT_GE(win->paints, 1);
    const int before = win->paints;
    win->InvalidateRect(TRect(1, 1, 5, 5));
    EXPECT_EQ(win->paints, before);  // not at once
    QCoreApplication::processEvents();
    EXPECT_EQ(win->paints, before + 1);
}

TEST(Painting, ScrollWindowMovesPixelsAndInvalidatesTheUncoveredStrip) {
    auto win = MakeProbe();
    win->UpdateWindow();
    win->InvalidateRect(TRect(0, 0, 10, 10), false);  // waiting: moves along
    win->ScrollWindow(0, -5);
    const QImage& img = win->BackingImage();
    EXPECT_EQ(PixelAt(img, TPoint(50, 0)), RGB(5, 0, 0));
    EXPECT_EQ(PixelAt(img, TPoint(50, 70)), RGB(75, 0, 0));
    QRegion expected = QRegion(0, 75, 100, 5) + QRegion(0, 0, 10, 5);
    EXPECT_EQ(win->GetInvalidRegion(), expected);
    win->UpdateWindow();

    // Only inside the scroll rectangle: the right half moves right by 10.
    const TRect scroll(50, 0, 90, 80);
    win->ScrollWindow(10, 0, &scroll, nullptr);
    EXPECT_EQ(win->GetInvalidRegion(), QRegion(50, 0, 10, 80));
    // Clipped: nothing lands outside the clip rectangle.
    win->UpdateWindow();
    const QImage before = win->BackingImage().copy();
    const TRect clip(0, 0, 50, 80);
    win->ScrollWindow(0, 3, nullptr, &clip);
    EXPECT_EQ(win->BackingImage().copy(50, 0, 50, 80), before.copy(50, 0, 50, 80));
    EXPECT_EQ(win->GetInvalidRegion(), QRegion(0, 0, 50, 3));
}

TEST(ClientDC, NotXorFeedbackShowsAtOnceAndDrawnTwiceRestoresEveryPixel) {
    auto win = MakeProbe();
    win->UpdateWindow();
    auto dc = win->MakeClientDC();
    EXPECT_EQ(dc->GetDeviceCaps(LOGPIXELSX), 96);
    EXPECT_EQ(dc->GetDeviceCaps(HORZRES), 100);
    const QImage before = win->BackingImage().copy();
    auto feedback = [&] {
        dc->SetROP2(R2_NOTXORPEN);
        dc->SelectObject(TPen(RGB(255, 255, 255), 0));
        dc->SelectStockObject(BLACK_BRUSH);
        dc->Rectangle(10, 10, 40, 30);
        dc->SelectObject(TPen(RGB(0, 0, 0), 0, PS_DOT));
        dc->MoveToEx(0, 50);
        dc->LineTo(99, 55);
        dc->SetROP2(R2_COPYPEN);
        dc->RestoreObjects();
    };
    feedback();
    EXPECT_NE(win->BackingImage(), before);  // no paint needed to see it
    // NOT-XOR with black inverts: row 20 is RGB(20, 0, 0) and becomes its inverse.
    EXPECT_EQ(PixelAt(win->BackingImage(), TPoint(20, 20)), RGB(235, 255, 255));
    EXPECT_TRUE(win->GetInvalidRegion().isEmpty());
    feedback();
    EXPECT_EQ(win->BackingImage(), before);

    // While Paint runs the client context stands aside; afterwards it draws again.
    win->paintWith = dc.get();
    win->Invalidate();
    win->UpdateWindow();
    win->paintWith = nullptr;
    const QImage painted = win->BackingImage().copy();
    dc->SetROP2(R2_NOTXORPEN);
    dc->SelectStockObject(BLACK_PEN);
    dc->Rectangle(60, 60, 70, 70);
    EXPECT_NE(win->BackingImage(), painted);
}

TEST(Input, DoubleClickArrivesInWin32Order) {
    auto win = MakeProbe();
    QWidget* client = win->ClientWidget();
    auto send = [&](QEvent::Type t, Qt::MouseButton b, Qt::MouseButtons held, Qt::KeyboardModifiers m,
                    QPointF p) {
        QMouseEvent e(t, p, client->mapToGlobal(p), b, held, m);
        QCoreApplication::sendEvent(client, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier, {10, 20});
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier, {10, 20});
    send(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier, {11, 20});
    send(QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, Qt::NoModifier, {11, 20});
    send(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, Qt::NoModifier, {-3, 90});
    send(QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, Qt::NoModifier, {1, 2});
    send(QEvent::MouseButtonDblClick, Qt::RightButton, Qt::RightButton, Qt::NoModifier, {1, 2});
    EXPECT_EQ(win->log, (std::vector<std::string>{"down 5 10,20", "up 4 10,20", "dbl 9 11,20", "up 0 11,20",
                                                   "move 1 -3,90", "rdown 2 1,2"}));
}

TEST(Input, KeysArriveAsVirtualKeys) {
    auto win = MakeProbe();
    QWidget* client = win->ClientWidget();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(client, &del);
    QCoreApplication::sendEvent(client, &tab);
    QCoreApplication::sendEvent(client, &repeat);
    EXPECT_EQ(win->log, (std::vector<std::string>{"key 46 0", "key 9 0", "key 37 16384"}));

    struct {
        int qt;
        Qt::KeyboardModifiers mods;
        UINT vk;
    } keys[] = {{Qt::Key_Escape, Qt::NoModifier, 0x1B}, {Qt::Key_A, Qt::NoModifier, 'A'},
                {Qt::Key_7, Qt::NoModifier, '7'}, {Qt::Key_7, Qt::KeypadModifier, 0x67},
                {Qt::Key_F1, Qt::NoModifier, 0x70}, {Qt::Key_Space, Qt::NoModifier, 0x20},
                {Qt::Key_Insert, Qt::ShiftModifier, 0x2D}, {Qt::Key_Down, Qt::NoModifier, 0x28},
                {Qt::Key_Eacute, Qt::NoModifier, 0}};
    for (const auto& k : keys) EXPECT_EQ(kv::win::VirtualKeyFromQt(k.qt, k.mods), k.vk) << k.qt;
}

TEST(Input, CaptureAndCursors) {
    auto win = MakeProbe();
    win->show();
    QCoreApplication::processEvents();
    win->SetCapture();
    EXPECT_TRUE(win->HasCapture());
    EXPECT_EQ(QWidget::mouseGrabber(), win->ClientWidget());
    win->ReleaseCapture();
    EXPECT_FALSE(win->HasCapture());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    win->SetCursor(IDC_SIZEALL);
    EXPECT_EQ(win->ClientWidget()->cursor().shape(), Qt::SizeAllCursor);
    win->SetCursor(IDC_HAND);
    EXPECT_EQ(win->GetCursorId(), IDC_HAND);
    EXPECT_EQ(win->ClientWidget()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(win->ClientWidget()->cursor().hotSpot(), QPoint(10, 12));
    struct {
        int id;
        QPoint hot;
    } own[] = {{IDC_NODEARROW, {1, 6}}, {IDC_HANDPRESSED, {10, 12}}, {IDC_PENCIL, {0, 0}}, {IDC_DATAARROW, {1, 6}}};
    for (const auto& c : own) {
        const QCursor cur = kv::win::LoadCursor(c.id);
        EXPECT_EQ(cur.shape(), Qt::BitmapCursor) << c.id;
        EXPECT_EQ(cur.hotSpot(), c.hot) << c.id;
        EXPECT_EQ(cur.pixmap().size(), QSize(32, 32)) << c.id;
    }
    EXPECT_EQ(kv::win::LoadCursor(12345).shape(), Qt::ArrowCursor);
    EXPECT_EQ(kv::win::LoadCursor(IDC_SIZENWSE).shape(), Qt::SizeFDiagCursor);
}

TEST(Services, StatusBarOnAQtStatusBar) {
    QStatusBar bar;
    kv::win::TQtStatusBar status(&bar);
    status.SetGadgetText(1, " 25%");
    status.SetGadgetText(2, "Axis 3");
    status.SetGadgetText(7, "ignored");
    status.SetMessage("X=1 Y=2");
    const QList<QLabel*> labels = bar.findChildren<QLabel*>();
    QStringList texts;
    for (QLabel* l : labels) texts << l->text();
    EXPECT_TRUE(texts.contains(" 25%"));
    EXPECT_TRUE(texts.contains("Axis 3"));
    EXPECT_EQ(bar.currentMessage(), "X=1 Y=2");
    EXPECT_EQ(status.GetGadgetText(2), "Axis 3");
    status.SetMessage("");
    EXPECT_TRUE(bar.currentMessage().isEmpty());
    EXPECT_EQ(status.GetMessage(), "");
}

TEST(Services, StatusGadgetsAreCentredAndTwoAndFourCharactersOfTheBarsFontWide) {
    QStatusBar bar;
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(15);
    bar.setFont(font);
    kv::win::TQtStatusBar status(&bar);
    status.SetGadgetText(1, " 25%");
    status.SetGadgetText(2, "Axis 3");
    bar.resize(600, 30);
    bar.show();
    QCoreApplication::processEvents();
    const int em = kv::win::TQtStatusBar::CharacterWidth(font);
    EXPECT_GE(em, 12);  // a full-width character, not an average one
    QLabel* zoom = bar.findChild<QLabel*>(QStringLiteral("gadget1"));
    QLabel* axis = bar.findChild<QLabel*>(QStringLiteral("gadget2"));
    ASSERT_TRUE(zoom && axis);
    for (QLabel* l : {zoom, axis}) {
        EXPECT_EQ(l->alignment(), Qt::AlignCenter);
        EXPECT_EQ(l->font().pixelSize(), 15);
        EXPECT_EQ(l->frameShadow(), QFrame::Sunken);
    }
    EXPECT_EQ(axis->contentsRect().width(), 4 * em);
    EXPECT_EQ(zoom->contentsRect().width(), std::max(2 * em, zoom->fontMetrics().horizontalAdvance(" 25%")));
    EXPECT_LT(zoom->x(), axis->x());  // the zoom left of the axis set

    // A text wider than its gadget widens it instead of being cut, and the
    // gadget keeps that width when a narrower text follows.
    const int wide = axis->fontMetrics().horizontalAdvance("Axis 123456");
    ASSERT_GT(wide, 4 * em);
    status.SetGadgetText(2, "Axis 123456");
    QCoreApplication::processEvents();
    EXPECT_EQ(axis->contentsRect().width(), wide);
    status.SetGadgetText(2, "Axis 3");
    QCoreApplication::processEvents();
    EXPECT_EQ(axis->contentsRect().width(), wide);
}

TEST(Services, ToolPaletteHasOneExclusiveButtonDown) {
    kv::win::TToolPalette palette;
    EXPECT_TRUE(palette.IsButtonDown(1001));
    palette.SetButtonDown(1022);
    EXPECT_TRUE(palette.IsButtonDown(1022));
    EXPECT_FALSE(palette.IsButtonDown(1001));
    palette.SetButtonDown(1002);  // a command button is never down
    EXPECT_FALSE(palette.IsButtonDown(1002));
    EXPECT_TRUE(palette.IsButtonDown(1022));
    palette.SetButtonDown(1001);
    EXPECT_TRUE(palette.IsButtonDown(1001));
}

}  // namespace
