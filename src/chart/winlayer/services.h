#pragma once
// What the chart window asks of the application object and its main frame: the
// profile path and program directory, saving the graph and the settings, the
// caption, the status bar, the tool palette, the printer's page, the frame menu's
// check marks and the help viewer. The application installs its own services at
// start-up; until then (and in tests that install nothing) a built-in default
// answers: no profile, no printer, a status bar and palette that only keep their
// state, and a save that is not available.

#include <QPageLayout>

#include <map>
#include <set>
#include <span>
#include <string>

class QFont;
class QLabel;
class QStatusBar;

namespace kv::win {

// The main frame's status bar: a message (the read-outs; empty removes it) and
// numbered text gadgets (1 the zoom, 2 the current axis set). Texts are UTF-8.
class TStatusBar {
public:
    virtual ~TStatusBar() = default;
    virtual void SetMessage(const std::string& text) { message_ = text; }
    virtual void SetGadgetText(int gadget, const std::string& text) { gadgets_[gadget] = text; }
    const std::string& GetMessage() const { return message_; }
    std::string GetGadgetText(int gadget) const;

private:
    std::string message_;
    std::map<int, std::string> gadgets_;
};

// A status bar shown on a QStatusBar: the message in its message area, gadgets
// 1..n as recessed labels at its right end with their text centred. Gadget i is
// widths[i - 1] characters of the bar's font wide, a character being the font's
// full-width character (one em). A text wider than that (the zoom's "100%" in a
// proportional face) widens its gadget for the rest of the run rather than being
// cut, so the gadgets do not jump as the zoom changes. The bar's font is set
// before.
class TQtStatusBar : public TStatusBar {
public:
    // The zoom (2 characters) and the current axis set (4).
    static constexpr int kGadgetCharacters[] = {2, 4};

    explicit TQtStatusBar(QStatusBar* bar, std::span<const int> widths = kGadgetCharacters);
    // The width of one character of a font, in pixels.
    static int CharacterWidth(const QFont& font);
    void SetMessage(const std::string& text) override;
    void SetGadgetText(int gadget, const std::string& text) override;

private:
    QStatusBar* bar_;
    std::map<int, QLabel*> labels_;
};

// The tool palette's buttons as the chart window reads them: the exclusive tool
// buttons of which exactly one is down (1001 at the start), and the command
// buttons 1002 and 1026, which are never down.
class TToolPalette {
public:
    TToolPalette();
    virtual ~TToolPalette() = default;
    virtual bool IsButtonDown(int id) const { return id == down_; }
    // Pressing an exclusive button releases the others; other ids do nothing.
    virtual void SetButtonDown(int id);
    static bool IsExclusiveButton(int id);

private:
    int down_ = 1001;
};

// The current printer's page in device units: what LOGPIXELSX/Y, HORZRES/VERTRES
// and the physical-page and printing-offset escapes answer.
struct TPrinterPage {
    int LogPixelsX = 0;
    int LogPixelsY = 0;
    int HorzRes = 0;          // printable width, device pixels
    int VertRes = 0;
    int PhysicalWidth = 0;    // the sheet
    int PhysicalHeight = 0;
    int PrintOffsetX = 0;     // sheet corner to printable corner
    int PrintOffsetY = 0;
};

// The page of a printer with this layout at resolution dpi (what a Qt printer's
// page layout gives).
TPrinterPage PrinterPageFromLayout(const QPageLayout& layout, int dpi);

class TApplicationServices {
public:
    virtual ~TApplicationServices() = default;

    // The per-user profile file (local path); empty: none, every key its default.
    virtual std::string ProfilePath() const { return {}; }
    // The program directory, ending with a separator.
    virtual std::string AppDirectory() const { return {}; }
    // Saves the open graph as the File menu's save does: 1 when the file was
    // written, 0 when not (a cancelled save-as dialog, a failed write; the user
    // has been told). A written graph is no longer marked modified (the graph-file
    // write clears the flag); the close check relies on that. Without an
    // application there is nothing that can save: the user is told and the answer
    // is 0.
    virtual int SaveGraph();
    // Writes every setting to the profile.
    virtual void SaveSettings() {}
    // "Korvida - " and the name in the main frame's caption.
    virtual void UpdateCaption(const char* name);
    virtual TStatusBar* StatusBar() { return &statusBar_; }
    virtual TToolPalette* ToolPalette() { return &palette_; }
    // The current printer's page; false when there is no printer.
    virtual bool GetPrinterPage(TPrinterPage& page) { (void)page; return false; }
    // The check mark of an item of the main frame's menu.
    virtual void CheckMenuItem(int id, bool checked) { checks_[id] = checked; }
    virtual bool IsMenuItemChecked(int id) const;
    // Asks the help viewer showing helpFile to close.
    virtual void CloseHelp(const std::string& helpFile) { (void)helpFile; }
    // Shows the help file in the desktop's viewer when the file exists.
    virtual void OpenHelp(const std::string& helpFile) { (void)helpFile; }

    const std::string& Caption() const { return caption_; }

private:
    TStatusBar statusBar_;
    TToolPalette palette_;
    std::map<int, bool> checks_;
    std::string caption_;
};

// The installed services, or the built-in default.
TApplicationServices& Application();
// Installs services (null: the default again); returns the previous ones.
TApplicationServices* SetApplication(TApplicationServices* services);

}  // namespace kv::win
