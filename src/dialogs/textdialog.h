#pragma once
// The text dialog: the marked-up string of a text object and its look (font and
// colour through the font chooser, background fill and colour, line spacing,
// legend length, angle). The text is written only on OK; "ﾃﾞﾌｫﾙﾄ" writes the
// same look, without the string, into the chart window's default text at once.
// Laying the text out again and repainting are the caller's work.
//
// Given a TextStyleItems array the dialog edits a template for a multiple
// selection: the string, the font button and "ﾃﾞﾌｫﾙﾄ" are disabled, so are the
// controls of every unchosen attribute, and the caller copies only the chosen
// attributes (CopyTextStyleItems) into each selected text.
//
// TFontDialog is the font chooser of the multiple-selection font command with the
// controls of the unchosen FontItems greyed; CopyFontItems applies its answer.

#include "dialogs/fontchooser.h"
#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <string>

class TColorButton;
class TComboPercent;
class TText;

// Copies the attributes whose TextStyleItems entry is 1 from the template into
// the text: background (BackColor and BackPaint), line spacing, angle
// (lfEscapement), legend length.
void CopyTextStyleItems(TText& text, const TText& templ, const BYTE* items);

// Copies the attributes whose FontItems entry is 1 from a font chooser's answer
// (its LOGFONT in points and its colour) into the text: the face with its
// character set, precisions, quality and pitch; weight and italic; the height
// (times 20); strike-out; underline; the text colour. Width, escapement and
// orientation are never changed.
void CopyFontItems(TText& text, const TChooseFontData& chosen, const BYTE* items);

class TTextDialog : public PDialog {
    Q_OBJECT
public:
    // parent: the chart window. second: passed by the callers, never read.
    // items: the 4 flags of TextStyleItems, or null for a single text.
    TTextDialog(QWidget* parent, TText* text, TText* second, const BYTE* items);

    // The font and colour the font button chose (lfHeight in points), for tests.
    const LOGFONT& GetWorkFont() const { return WorkFont; }
    COLORREF GetWorkColor() const { return WorkColor; }

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    // The angle field in tenths of a degree; false, after the message, when the
    // number is too large to keep.
    bool ReadAngle(LONG* tenths);
    void CmFont();
    void CmBackColor();
    void CmDefault();

    TText* Text;
    TText* Second;
    LOGFONT WorkFont{};
    COLORREF WorkColor = 0;
    const BYTE* Items;
    // The string as the edit showed it at set-up: an unchanged edit gives the
    // text's own bytes back, also those the edit cannot show.
    QString ShownString;
    TColorButton* BackColor;
    TComboPercent* LegendLength;
    TComboPercent* LineSpacing;
};

// The font chooser of the multiple-selection font command: the controls of every
// FontItems entry that is not 1 are greyed, the rest is the chooser's.
class TFontDialog {
public:
    // data: the chooser's record (lfHeight in points), written only on IDOK.
    TFontDialog(QWidget* parent, TChooseFontData& data, const BYTE* items);

    // Runs the chooser through kv::RunFontChooser: IDOK when a font was chosen.
    int Execute();

private:
    QWidget* Parent;
    TChooseFontData& Data;
    const BYTE* Items;
};
