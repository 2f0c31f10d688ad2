#pragma once
// The pop-up colour palette every colour button opens: a caption-less modal dialog
// right under the button with 48 fixed colours (8 columns of 6, stored column by
// column). One click on a cell returns its colour; Cancel or Escape returns
// nothing.
//
// A press outside the 8 x 6 cells selects nothing and clicks nothing; a caller
// colour that is not in the palette frames no cell and is what a click without a
// chosen cell (the keyboard's space) returns; choosing another cell removes the
// previous cell's frame.

#include "dialogs/kit/ownerdraw.h"
#include "dialogs/kit/pdialog.h"
#include "platform/geometry.h"

class TColorList : public POwnerDrawButton {
    Q_OBJECT
public:
    static constexpr int Columns = 8;
    static constexpr int Rows = 6;
    static constexpr int Count = Columns * Rows;

    TColorList(PDialog* parent, int id, COLORREF* initialColor);

    // The lowest index whose entry is the colour, or -1.
    int FindColor(COLORREF color) const;
    // Makes the cell current: its colour becomes CurrentColor and it is framed.
    void SelectCell(int index);
    // Draws the frame of one cell on the control.
    void DrawSelection(int index);
    // Frames the caller's colour when the palette has it.
    void SetupWindow();

    // The cell under (x, y) of a control of width w and height h, or -1 outside
    // the cells.
    static int IndexAt(int x, int y, int w, int h);
    // The rectangle of the cell in column c and row k (one pixel wider and taller
    // than the pitch, so neighbours share their border).
    static TRect CellRect(int c, int k, int w, int h);
    static COLORREF Entry(int index);

    COLORREF CurrentColor = 0;
    int PrevIndex = -1;
    int SelIndex = -1;

protected:
    void ODADrawEntire(DRAWITEMSTRUCT& dis) override;
    bool hitButton(const QPoint& pos) const override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void DrawFrame(TDC& dc, int index, int w, int h, COLORREF color);

    COLORREF* InitialColor;
};

class TSelectColorDialog : public PDialog {
    Q_OBJECT
public:
    // color: read as the first colour, written with the chosen one. buttonRect: the
    // colour button's rectangle in screen coordinates.
    TSelectColorDialog(QWidget* parent, COLORREF* color, const TRect& buttonRect);

    TColorList* ColorList;

protected:
    void SetupWindow() override;
    void paintEvent(QPaintEvent* e) override;

private:
    void EvColorClicked();

    COLORREF* ResultColor;
    TRect ButtonRect;
};

namespace kv {

// Where the pop-up goes: under the button, flush with its left edge; to the left
// of the button when it would pass the desktop's right edge, above it when it
// would pass the bottom. Each test is made once.
TPoint PopupPosition(const TRect& button, const TSize& popup, const TRect& desktop);

// A widget's rectangle in screen coordinates.
TRect ScreenRect(const QWidget* w);

// What every colour handler does: runs the palette under the button on *color and
// returns the pop-up's result (the colour changes only on IDOK).
int RunColorPalette(QWidget* owner, COLORREF* color, const QWidget* button);

}  // namespace kv
