#pragma once
// The printer as the program sees it: the settings of the printer object (which
// printer or PDF file, paper, orientation, resolution, copies), the system's
// default printer, and the print and page-setup dialogs, each as a service. The
// program installs the system's printers and real dialogs at start-up
// (app/printing.h); tests install a scripted answerer and a printer of their own.
// Headless code without either sees a PDF-file printer on A4 and dialogs that
// are cancelled.
//
// Printing on a machine without any installed printer writes a PDF file: the
// default printer is then the PDF-file printer, whose output file the print
// dialog asks for.

#include "wintypes.h"

#include <QPageLayout>

#include <functional>
#include <string>
#include <vector>

// Page-setup flags with their Win32 values.
constexpr DWORD PSD_DISABLEMARGINS = 0x10;

namespace kv {

struct PrinterSettings {
    // The printer's name; empty for the PDF-file printer.
    std::string device;
    // Printing writes a PDF file (outputFile, a local UTF-8 path) in place of
    // sending the job to a printer.
    bool toFile = false;
    std::string outputFile;
    QPageLayout layout;     // paper, orientation and the printer's margins
    int resolution = 0;     // dots per inch of the printer's device context
    int copies = 1;
    // Non-zero: no usable printer (the print commands are then disabled).
    int error = 0;
    // PSD_* flags of the page-setup dialog.
    DWORD setupFlags = 0;

    bool operator==(const PrinterSettings&) const = default;
};

// The PDF-file printer: A4 portrait with 5 mm margins at 1200 dots per inch.
PrinterSettings PdfFilePrinter();

// The system's default printer; the PDF-file printer when there is none.
using DefaultPrinterSource = std::function<PrinterSettings()>;
DefaultPrinterSource SetDefaultPrinterSource(DefaultPrinterSource source);
PrinterSettings DefaultPrinter();
// The name of the system's default printer ("" when there is none); used to
// notice that the user changed it.
using DefaultPrinterNameSource = std::function<std::string()>;
DefaultPrinterNameSource SetDefaultPrinterNameSource(DefaultPrinterNameSource source);
std::string DefaultPrinterName();

enum class PrintDialogKind { Print, PageSetup };

struct PrintDialogRequest {
    PrintDialogKind kind = PrintDialogKind::Print;
    void* owner = nullptr;       // the owning window, opaque here
    PrinterSettings settings;    // what the dialog opens with
    // The print dialog's page numbers; a maximum page of 0 offers neither a page
    // range nor a selection.
    int minPage = 0;
    int maxPage = 0;
    int fromPage = 0;
    int toPage = 0;
};

struct PrintDialogResult {
    bool accepted = false;      // false: cancelled
    PrinterSettings settings;   // the user's choice when accepted
};

using PrintDialogHandler = std::function<PrintDialogResult(const PrintDialogRequest&)>;

// Installs the handler that runs every print and page-setup dialog; returns the
// previous one.
PrintDialogHandler SetPrintDialogHandler(PrintDialogHandler handler);
// Runs a dialog. Without a handler: cancelled, with a line on stderr.
PrintDialogResult RunPrintDialog(const PrintDialogRequest& request);

// A scripted answerer for tests: records every request and answers from a queue;
// an empty queue answers "cancelled". Installed for its lifetime.
class ScriptedPrintDialogs {
public:
    ScriptedPrintDialogs();
    ~ScriptedPrintDialogs();
    ScriptedPrintDialogs(const ScriptedPrintDialogs&) = delete;
    ScriptedPrintDialogs& operator=(const ScriptedPrintDialogs&) = delete;

    // The user presses OK after change (none: as the dialog opened).
    void Accept(std::function<void(PrinterSettings&)> change = {});
    void Cancel();

    const std::vector<PrintDialogRequest>& Shown() const { return shown_; }
    void Clear() { shown_.clear(); }

private:
    struct Answer {
        bool accept = false;
        std::function<void(PrinterSettings&)> change;
    };
    std::vector<Answer> answers_;
    std::vector<PrintDialogRequest> shown_;
    PrintDialogHandler previous_;
};

}  // namespace kv
