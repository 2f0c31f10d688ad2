#pragma once
// The font chooser: face, style, size, strike-out, underline and colour of a
// LOGFONT, as the style dialogs hand it over in a data record with the common
// chooser's flags. Callers may grey any of its six controls by id (the multiple-
// selection font command greys the attributes it will not copy).
//
// Every chooser goes through one service (kv::RunFontChooser), so tests answer it
// with kv::ScriptedFontChoosers; without one installed the real dialog runs.
//
// Units: the record's lfHeight is in points (the document's twentieths of a point
// divided by 20); below 0 it is the character height, above 0 the cell height.
// Face names are CP932 bytes as the document keeps them; the faces offered are the
// installed scalable families whose names CP932 can hold, one entry each, the
// Windows faces the program maps to installed fonts, and the face the record
// starts with when it is none of these (a document's face keeps its name and shows
// through the program's face mapping).
//
// What the user did not change comes back exactly as it went in: a font confirmed
// unchanged keeps its weight, character set, pitch and every other member. A new
// face brings its own character set and pitch-and-family; a new style sets
// lfWeight 400 or 700 and lfItalic; a new size sets lfHeight to minus the points.

#include "dialogs/kit/pdialog.h"
#include "platform/wintypes.h"

#include <QStringList>

#include <functional>
#include <vector>

class PComboBox;

// CHOOSEFONT flags with their Win32 values.
constexpr DWORD CF_SCREENFONTS = 0x00000001;
constexpr DWORD CF_INITTOLOGFONTSTRUCT = 0x00000040;
constexpr DWORD CF_EFFECTS = 0x00000100;
constexpr DWORD CF_LIMITSIZE = 0x00002000;
constexpr DWORD CF_FORCEFONTEXIST = 0x00010000;
constexpr DWORD CF_TTONLY = 0x00040000;
// What every chooser of the program asks for: screen fonts, initialised from the
// LOGFONT, with effects, existing TrueType faces only (0x50141).
constexpr DWORD ChooseFontFlags =
    CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS | CF_FORCEFONTEXIST | CF_TTONLY;
constexpr WORD SCREEN_FONTTYPE = 0x2000;

// The chooser's controls.
constexpr int FontFaceId = 1136;       // face-name list
constexpr int FontStyleId = 1137;      // style list (weight and italic)
constexpr int FontSizeId = 1138;       // size, typed or picked
constexpr int FontStrikeOutId = 1040;  // strike-out check box
constexpr int FontUnderlineId = 1041;  // underline check box
constexpr int FontColorId = 1139;      // colour list
constexpr int FontSampleId = 1092;     // the sample text

// Size range offered and accepted without CF_LIMITSIZE, points.
constexpr int ChooseFontMinSize = 1;
constexpr int ChooseFontMaxSize = 1638;

// The chooser's data record.
struct TChooseFontData {
    DWORD Flags = ChooseFontFlags;
    LOGFONT LogFont{};    // in and out; lfHeight in points
    COLORREF Color = 0;   // in and out (with CF_EFFECTS)
    WORD FontType = SCREEN_FONTTYPE;
    int SizeMin = 0;      // with CF_LIMITSIZE, points
    int SizeMax = 0;
    // Controls shown greyed (ids above); their values come back unchanged.
    std::vector<int> DisabledControls;

    // A record for a document font (heights in twentieths of a point): the
    // program's flags, lfHeight divided by 20 (truncated toward zero).
    static TChooseFontData ForDocumentFont(const LOGFONT& docFont, COLORREF color);
    // The record's font for the document: lfHeight multiplied by 20 (saturated).
    LOGFONT DocumentFont() const;
};

class TChooseFontDialog : public PDialog {
    Q_OBJECT
public:
    // data: read at set-up, written only by a successful OK.
    TChooseFontDialog(QWidget* parent, TChooseFontData& data);

    // The faces the chooser offers for these flags, sorted without regard to
    // case: one entry per installed family and the Windows faces the program maps
    // to installed fonts (kv::OfferedWindowFaces).
    static std::vector<QString> InstalledFaces(DWORD flags);
    // One name per family of a font database's list, in its order: the foundry
    // that tells apart the same family from several foundries ("Nimbus Sans
    // [urw]", "Nimbus Sans [UKWN]") is dropped, and a family met again (in any
    // case) is left out.
    static std::vector<QString> OneEntryPerFamily(const QStringList& families);
    // The sixteen colours of the colour list.
    static const COLORREF StandardColors[16];

protected:
    void SetupWindow() override;
    void CmOk() override;

private:
    void UpdateSample();
    COLORREF SelectedColor() const;

    TChooseFontData& Data;
    PComboBox* Face = nullptr;
    PComboBox* Style = nullptr;
    PComboBox* Size = nullptr;
    PComboBox* Colors = nullptr;
    int InitialFace = -1;
    int InitialStyle = -1;
    QString InitialSize;
};

namespace kv {

using FontChooserHandler = std::function<int(QWidget* owner, TChooseFontData& data)>;

// Installs the handler that answers every font chooser; returns the previous one.
// An empty handler runs the real dialog.
FontChooserHandler SetFontChooserHandler(FontChooserHandler handler);

// Runs a font chooser on data; IDOK when a font was chosen (data then holds it),
// IDCANCEL otherwise (data untouched).
int RunFontChooser(QWidget* owner, TChooseFontData& data);

// A scripted answerer for tests: records every record it is shown and answers from
// a queue; an empty queue answers IDCANCEL. Installed for its lifetime.
class ScriptedFontChoosers {
public:
    ScriptedFontChoosers();
    ~ScriptedFontChoosers();
    ScriptedFontChoosers(const ScriptedFontChoosers&) = delete;
    ScriptedFontChoosers& operator=(const ScriptedFontChoosers&) = delete;

    // The user picks this font and colour.
    void Choose(const LOGFONT& font, COLORREF color);
    // The user confirms what the chooser shows.
    void Accept();
    void Cancel();

    const std::vector<TChooseFontData>& Shown() const { return shown_; }

private:
    struct Answer {
        int code;
        bool replace;
        LOGFONT font;
        COLORREF color;
    };
    std::vector<Answer> answers_;
    std::vector<TChooseFontData> shown_;
    FontChooserHandler previous_;
};

}  // namespace kv
