#pragma once
// Owner-drawn buttons. A control class derives from POwnerDrawButton and overrides
// ODADrawEntire, ODASelect and ODAFocus, which get a DRAWITEMSTRUCT-like record
// with a device context (platform/dc.h, MM_TEXT: one unit is one pixel) on the
// button's own pixels, the item rectangle (0, 0, width, height) and the state.
//
// As in Win32 the pixels persist between draws: a draw-entire follows an erase to
// the button-face colour (first show, resize, Invalidate(), enabling), a press or
// release gives ODASelect, a focus change ODAFocus, each drawing over what is
// already there (so a focus rectangle drawn twice disappears). The paint event only
// copies the pixels to the screen. Drawing outside these calls (a selection frame)
// goes through WithClientDC.

#include "dialogs/kit/pdialog.h"
#include "platform/dc.h"

#include <QAbstractButton>
#include <QImage>

// Owner-draw actions and states with their Win32 values.
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODA_DRAWENTIRE = 0x1;
constexpr UINT ODA_SELECT = 0x2;
constexpr UINT ODA_FOCUS = 0x4;
constexpr UINT ODS_SELECTED = 0x1;
constexpr UINT ODS_GRAYED = 0x2;
constexpr UINT ODS_DISABLED = 0x4;
constexpr UINT ODS_CHECKED = 0x8;
constexpr UINT ODS_FOCUS = 0x10;

struct DRAWITEMSTRUCT {
    UINT CtlType = ODT_BUTTON;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    QWidget* hwndItem = nullptr;
    TDC* hDC = nullptr;
    TRect rcItem;
};

class POwnerDrawButton : public QAbstractButton, public PControl {
    Q_OBJECT
public:
    explicit POwnerDrawButton(QWidget* parent = nullptr);
    // Attaches itself to row id of dlg (the template's owner-drawn button).
    POwnerDrawButton(PDialog* dlg, int id);
    void ApplySpec(const PControlSpec& spec) override;

    // Erase and draw entire at the next paint ("invalidate with erasing").
    void Invalidate();
    // The item state as the button is now: ODS_SELECTED, ODS_DISABLED, ODS_FOCUS.
    UINT CurrentState() const;
    // Runs one draw action on the button's pixels with the given state (a
    // draw-entire erases first; the others draw over the pixels there are, made
    // first when there are none); schedules a repaint.
    void DrawItem(UINT action, UINT state);
    // The button's pixels as last drawn.
    const QImage& Pixels() const { return pixels_; }

    // Draws on the button's pixels outside a draw action, then repaints.
    template <class F>
    void WithClientDC(F f) {
        EnsurePixels();
        {
            QPainter p(&pixels_);
            TDC dc(&p);
            f(dc);
        }
        update();
    }

    QSize sizeHint() const override;

protected:
    // The framework's defaults: nothing is drawn.
    virtual void ODADrawEntire(DRAWITEMSTRUCT&) {}
    virtual void ODAFocus(DRAWITEMSTRUCT&) {}
    virtual void ODASelect(DRAWITEMSTRUCT&) {}

    void paintEvent(QPaintEvent*) override;
    void changeEvent(QEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

private:
    // Makes the pixels (erased and drawn entire) when there are none or they are
    // stale; true when it did.
    bool EnsurePixels();
    // New pixels of the button's size in the button-face colour.
    void Erase();
    void Run(UINT action, UINT state);
    // Brings the pixels up to the button's press and focus state.
    void Sync();

    QImage pixels_;
    bool stale_ = true;
    bool drawnDown_ = false;
    bool drawnFocus_ = false;
};

namespace kv {

// FillRect: fills (l, t, r, b), right and bottom excluded, with a solid colour;
// the device context's pen and brush are left as they were.
void FillRect(TDC& dc, const TRect& r, COLORREF color);
// DrawFocusRect: inverts every other pixel of the rectangle's border (right and
// bottom excluded); drawn twice it leaves the pixels as they were.
void DrawFocusRect(TDC& dc, const TRect& r);

}  // namespace kv
