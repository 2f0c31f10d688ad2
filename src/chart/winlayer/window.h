#pragma once
// The window under the chart window: a Qt widget that behaves like the child window
// the chart window's code was written for.
//
// - The client area keeps its picture in a backing image. Paint runs on a device
//   context over that image, clipped to the invalid area, whenever an invalidated
//   area waits (soon after InvalidateRect, or at once through UpdateWindow); the
//   widget's own paint event only copies the image to the screen. Client device
//   contexts (MakeClientDC) draw into the same image outside painting, NOT-XOR
//   included, and the touched area reaches the screen at once.
// - Scroll bars keep Win32's scroll information (range, page, position; signed 32-bit
//   positions) and report the Win32 scroll codes; the window itself moves the view.
// - Mouse and key input arrive as the Win32 messages with their arguments, in
//   Win32's order: a double click is press, release, double click, release.
//
// Coordinates are client pixels with the origin at the top-left corner of the
// client area (the area beside the scroll bars).

#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

#include <QImage>
#include <QRegion>
#include <QWidget>

#include <memory>
#include <vector>

class QScrollBar;

// Scroll bars and codes.
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr UINT SB_LINEUP = 0;
constexpr UINT SB_LINELEFT = 0;
constexpr UINT SB_LINEDOWN = 1;
constexpr UINT SB_LINERIGHT = 1;
constexpr UINT SB_PAGEUP = 2;
constexpr UINT SB_PAGELEFT = 2;
constexpr UINT SB_PAGEDOWN = 3;
constexpr UINT SB_PAGERIGHT = 3;
constexpr UINT SB_THUMBPOSITION = 4;
constexpr UINT SB_THUMBTRACK = 5;
constexpr UINT SB_TOP = 6;
constexpr UINT SB_LEFT = 6;
constexpr UINT SB_BOTTOM = 7;
constexpr UINT SB_RIGHT = 7;
constexpr UINT SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x1;
constexpr UINT SIF_PAGE = 0x2;
constexpr UINT SIF_POS = 0x4;
constexpr UINT SIF_DISABLENOSCROLL = 0x8;
constexpr UINT SIF_TRACKPOS = 0x10;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

// A scroll bar's state with the Win32 member names and meaning: the position runs
// from nMin to nMax - (nPage - 1); the bar can scroll only when nPage does not
// cover the whole range.
struct SCROLLINFO {
    UINT cbSize = 28;
    UINT fMask = 0;
    int nMin = 0;
    int nMax = 0;
    UINT nPage = 0;
    int nPos = 0;
    int nTrackPos = 0;
};

// Mouse-message key flags.
constexpr UINT MK_LBUTTON = 0x1;
constexpr UINT MK_RBUTTON = 0x2;
constexpr UINT MK_SHIFT = 0x4;
constexpr UINT MK_CONTROL = 0x8;
constexpr UINT MK_MBUTTON = 0x10;

// WM_SIZE types.
constexpr UINT SIZE_RESTORED = 0;

// Key-message flags (the high word of a key message's lParam).
constexpr UINT KF_REPEAT = 0x4000;

namespace kv::win {

class TWindow : public QWidget {
    Q_OBJECT
public:
    explicit TWindow(QWidget* parent = nullptr);
    ~TWindow() override;

    // ---- What a window answers, in the framework's manner. Each default does
    // nothing (CanClose answers true).
    // Runs once, from Create(), when the window exists but before it is shown.
    virtual void SetupWindow() {}
    virtual bool CanClose() { return true; }
    // dc is a fresh context on the backing image (MM_TEXT, default objects),
    // clipped to the invalid area; rect is that area's bounding rectangle.
    virtual void Paint(TDC& dc, bool erase, const TRect& rect);
    virtual void EvSize(UINT sizeType, const TSize& size);
    virtual void EvHScroll(UINT code, int thumbPos);
    virtual void EvVScroll(UINT code, int thumbPos);
    virtual void EvLButtonDown(UINT modKeys, const TPoint& point);
    virtual void EvMouseMove(UINT modKeys, const TPoint& point);
    virtual void EvLButtonUp(UINT modKeys, const TPoint& point);
    virtual void EvLButtonDblClk(UINT modKeys, const TPoint& point);
    virtual void EvRButtonDown(UINT modKeys, const TPoint& point);
    virtual void EvKeyDown(UINT key, UINT repeatCount, UINT flags);

    // Runs SetupWindow once; later calls do nothing. Showing the window creates it
    // too when nobody did.
    void Create();
    bool IsCreated() const { return created_; }

    // ---- The client area.
    TRect GetClientRect() const;
    // Resizes the window so that its client area gets w x h pixels.
    void SetClientSize(int w, int h);
    // The resolution the window's device contexts report as LOGPIXELSX/Y. By
    // default the screen's logical resolution; tests fix it.
    void SetLogPixels(int x, int y);
    int GetLogPixelsX() const;
    int GetLogPixelsY() const;
    // The colour the background is erased with (white, the usual window colour).
    void SetBackgroundColor(COLORREF color);

    // ---- Painting.
    // Adds the rectangle (client pixels, normalised here) or the whole client area
    // to the invalid area; with erase the background is filled before Paint.
    void InvalidateRect(const TRect& r, bool erase = true);
    void Invalidate(bool erase = true);
    void ValidateRect(const TRect& r);
    // Paints the invalid area now, if any.
    void UpdateWindow();
    QRegion GetInvalidRegion() const { return invalid_; }
    // Moves the pixels inside scroll (whole client area when null) by dx, dy, only
    // inside clip (whole client area when null); the uncovered part of the scroll
    // rectangle becomes invalid, and a waiting invalid area inside it moves along.
    void ScrollWindow(int dx, int dy, const TRect* scroll = nullptr, const TRect* clip = nullptr);
    // A device context on the client area, alive as long as the caller keeps it
    // (and no longer than the window). What it draws shows at once.
    std::unique_ptr<TDC> MakeClientDC();
    // The picture of the client area.
    const QImage& BackingImage() const { return backing_; }

    // ---- Scroll bars.
    // Win32 semantics: the members named by fMask are taken, the page is limited to
    // the range, the position to [nMin, nMax - max(nPage - 1, 0)]; a bar that
    // cannot scroll is disabled with SIF_DISABLENOSCROLL and hidden without it.
    // Returns the bar's position.
    int SetScrollInfo(int bar, const SCROLLINFO& info, bool redraw = true);
    bool GetScrollInfo(int bar, SCROLLINFO& info) const;
    int SetScrollPos(int bar, int pos, bool redraw = true);
    int GetScrollPos(int bar) const;
    QScrollBar* ScrollBar(int bar) const;

    // ---- Mouse capture and cursors.
    // While captured, every mouse move reaches the window, also with no button
    // held and outside it.
    void SetCapture();
    void ReleaseCapture();
    bool HasCapture() const { return captured_; }
    // A system cursor (IDC_*) or one of the program's cursors (7000 to 7004).
    void SetCursor(int id);
    int GetCursorId() const { return cursorId_; }

    // The widget that receives input and shows the client area.
    QWidget* ClientWidget() const;

    // True while Paint runs.
    bool IsPainting() const { return inPaint_; }

protected:
    bool event(QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    class Client;
    class ClientDCBackend;
    friend class Client;
    friend class ClientDCBackend;

    // Ends the painters of the client device contexts so that something else may
    // paint on the backing image.
    void FlushClientDCs();
    void SchedulePaint();
    // Paints now unless painting is not safe (a paint or an Escape poll runs);
    // false when it had to wait.
    bool PaintNow();
    void ClientResized(const QSize& size);
    void ApplyPendingResize();
    void ShowTouched(const QRect& deviceRect);
    void ScrollAction(int bar, int action);
    void ScrollReleased(int bar, bool wasSliderDown, int thumbPos);
    void ApplyScrollBar(int bar);
    TDeviceInfo DeviceInfo() const;

    Client* client_ = nullptr;
    QScrollBar* bars_[2] = {nullptr, nullptr};
    QWidget* corner_ = nullptr;
    SCROLLINFO info_[2];
    bool applyingBars_ = false;

    QImage backing_;
    QRegion invalid_;
    bool eraseNeeded_ = false;
    bool paintPosted_ = false;
    bool inPaint_ = false;
    bool resizePending_ = false;
    QSize pendingSize_;
    COLORREF background_ = 0xFFFFFF;
    int logPixelsX_ = 0;
    int logPixelsY_ = 0;

    std::vector<ClientDCBackend*> clientDCs_;
    bool created_ = false;
    bool captured_ = false;
    int cursorId_ = 0;
};

}  // namespace kv::win
