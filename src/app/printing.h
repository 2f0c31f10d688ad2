#pragma once
// Printing: the printer object the application owns, the printout that draws the
// graph page on it, and the real printers and dialogs behind the platform's
// printing service (platform/printing.h).
//
// A job is a printout driven by TPrinter::Print: the print dialog (no page range,
// no selection when the printout says so), then the printout's operations in the
// framework's order on a device context of the chosen printer or PDF file. On a
// machine without any printer the printer object is the PDF-file printer, so the
// print command writes a PDF file the user names in the print dialog.

#include "chart/winlayer/services.h"
#include "platform/dc.h"
#include "platform/geometry.h"
#include "platform/printing.h"

#include <QDialog>

#include <memory>
#include <string>

class QPrinter;
class QWidget;
class TChartWindow;

namespace kv::app {

// The framework's printout: what a print job asks of the program, in this order:
// GetDialogInfo, (the print dialog), SetPrintParams, BeginPrinting,
// BeginDocument, HasPage and PrintPage for each page, EndDocument, EndPrinting.
class TPrintout {
public:
    explicit TPrintout(std::string title) : title_(std::move(title)) {}
    virtual ~TPrintout() = default;
    TPrintout(const TPrintout&) = delete;
    TPrintout& operator=(const TPrintout&) = delete;

    const std::string& GetTitle() const { return title_; }
    // The device context of the job and its page size in device pixels.
    virtual void SetPrintParams(TDC* dc, TSize pageSize) {
        DC = dc;
        PageSize = pageSize;
    }
    // The print dialog's page numbers; a maximum of 0 offers no page range.
    virtual void GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage) {
        minPage = 1;
        maxPage = 1;
        selFromPage = selToPage = 0;
    }
    virtual void BeginPrinting() {}
    virtual void BeginDocument(int startPage, int endPage, unsigned flags) {
        (void)startPage, (void)endPage, (void)flags;
    }
    virtual bool HasPage(int page) { return page == 1; }
    virtual void PrintPage(int page, TRect& rect, unsigned flags) = 0;
    virtual void EndDocument() {}
    virtual void EndPrinting() {}

protected:
    TDC* DC = nullptr;
    TSize PageSize;

private:
    std::string title_;
};

// The printer object: the dialog data of one printer (or the PDF file), its
// page-setup and print dialogs and its print jobs.
class TPrinter {
public:
    explicit TPrinter(kv::PrinterSettings settings) : data_(std::move(settings)) {}

    kv::PrinterSettings& Data() { return data_; }
    const kv::PrinterSettings& Data() const { return data_; }
    int Error() const { return data_.error; }

    // The printable page of the printer's device context: LOGPIXELSX/Y, HORZRES,
    // VERTRES, the sheet and the printing offset; false when no device context
    // can be made for it.
    bool GetPage(kv::win::TPrinterPage& page) const;
    // The page-setup dialog on the printer's data (its margin controls greyed
    // with PSD_DISABLEMARGINS); true after OK. The printer keeps its own margins
    // whatever the dialog showed.
    bool Setup(QWidget* parent);
    // Runs one job: with prompt the print dialog first (a cancel ends the job
    // quietly), then the pages with the printing window shown. False when nothing
    // was printed; a job that could not be written or sent is reported (string
    // 1411); a job cancelled in the printing window is not (a PDF file stops being
    // written at once and is not made, a file of its name from before stays; a
    // printer takes back what its driver can). A PDF file takes its name only
    // when the whole job is written.
    bool Print(QWidget* parent, TPrintout& printout, bool prompt);

private:
    kv::PrinterSettings data_;
};

// The printing-in-progress window a job shows while it draws: the job's title,
// its printer or file, and a Cancel button (id 2, also Escape in the window) that
// stops the job. Input reaches it through the job's abort procedure, which asks
// the window system for this window alone.
class PrintingWindow : public QDialog {
public:
    PrintingWindow(QWidget* parent, const std::string& title, const std::string& where);
    bool Cancelled() const { return cancelled_; }
    // At least as wide as its caption needs, as the dialogs are.
    QSize sizeHint() const override;

private:
    bool cancelled_ = false;
};

// A Qt printer for the settings; never null, but not valid when the named
// printer no longer exists.
std::unique_ptr<QPrinter> MakeQPrinter(const kv::PrinterSettings& settings);
// The settings a Qt printer holds now (after its dialog).
kv::PrinterSettings SettingsOf(const QPrinter& printer, const kv::PrinterSettings& before);

// The program's printout: the chart window's page on one sheet, the printable area
// of the document mapped onto the printer's, on the paper colour, with the
// header and footer.
class ChartPrintout : public TPrintout {
public:
    ChartPrintout(std::string title, TChartWindow* chart) : TPrintout(std::move(title)), ChartWindow(chart) {}
    void GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage) override;
    void BeginPrinting() override {}
    bool HasPage(int page) override { return page == 1; }
    void PrintPage(int page, TRect& rect, unsigned flags) override;
    void EndPrinting() override { TPrintout::EndPrinting(); }

    TChartWindow* ChartWindow;
    int SavedMapMode = 0;
    TSize SavedViewportExt;
    TSize SavedWindowExt;
};

// The system's printers and the real print and page-setup dialogs behind the
// platform's printing service.
void InstallPrintServices();

}  // namespace kv::app
