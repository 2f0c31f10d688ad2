// The printer object, its jobs, the program's printout and the real printers and
// dialogs behind the printing service.

#include "app/printing.h"

#include "chart/chartwindow.h"
#include "chart/winlayer/escapepoll.h"
#include "dialogs/kit/pdialog.h"
#include "platform/messagebox.h"
#include "platform/safefile.h"
#include "platform/stringtable.h"
#include "render/output.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QPageSetupDialog>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace kv::app {

namespace {

constexpr int kPrintFailed = 1411;
// Dots per inch of a PDF file whose settings name none.
constexpr int kPdfResolution = 1200;
// A printout that never says it is done still ends: no job has more pages.
constexpr int kMaxPages = 9999;

QString ToQ(const std::string& s) { return QString::fromStdString(s); }

// Jobs that write a PDF file: the PDF-file printer, or a printer whose dialog
// chose its file.
bool WritesPdfFile(const kv::PrinterSettings& settings) { return settings.toFile || settings.device.empty(); }

// A PDF file as the device of a job.
class PdfFile : public QPdfWriter {
public:
    explicit PdfFile(QIODevice* out) : QPdfWriter(out) {}

    // Ends the painter on this file without writing out what it drew. Qt's PDF
    // engine compresses and writes a page only when the next one begins or the
    // painter ends, which for a big page takes as long as drawing it or longer;
    // it cannot be aborted. QPainter::end leaves an engine that is no longer
    // active alone, so the engine goes with this device having written nothing
    // more.
    void Discard(QPainter& painter) {
        QPaintEngine* engine = painter.paintEngine();
        if (!engine || !engine->isActive()) {
            if (painter.isActive()) painter.end();
            return;
        }
        engine->setActive(false);
        painter.end();
        painters = 0;  // the painter did not count itself off
    }
};

// Draws the printout's pages, copies times over, with the printing window's
// Cancel asked between drawings; true when the job was cancelled.
bool DrawPages(QPainter& painter, TPrintout& printout, PrintingWindow& window, int copies) {
    TDC dc(&painter);
    dc.SetAbortProc([&window] {
        kv::win::PumpWindowEvents(&window);
        return !window.Cancelled();
    });
    const TSize size(dc.GetDeviceCaps(HORZRES), dc.GetDeviceCaps(VERTRES));
    printout.SetPrintParams(&dc, size);
    printout.BeginPrinting();
    int last = 0;
    while (last < kMaxPages && printout.HasPage(last + 1)) ++last;
    printout.BeginDocument(1, last, 0);
    bool first = true;
    for (int c = 0; c < copies && !dc.Aborted(); ++c)
        for (int page = 1; page <= last && !dc.Aborted(); ++page) {
            if (!first) dc.NewPage();
            first = false;
            TRect rect(0, 0, size.cx, size.cy);
            printout.PrintPage(page, rect, 0);
        }
    printout.EndDocument();
    const bool cancelled = dc.Aborted() || window.Cancelled();
    dc.SetAbortProc({});
    dc.Flush();
    printout.SetPrintParams(nullptr, size);
    return cancelled;
}

// The layout the dialog chose with the margins the printer had before it.
QPageLayout KeepMargins(const QPageLayout& chosen, const QPageLayout& before) {
    if (!before.isValid()) return chosen;
    QPageLayout kept = chosen;
    kept.setUnits(before.units());
    if (!kept.setMargins(before.margins())) return chosen;
    return kept;
}

}  // namespace

// ---------------------------------------------------------------- the printing window

PrintingWindow::PrintingWindow(QWidget* parent, const std::string& title, const std::string& where)
    : QDialog(parent) {
    setObjectName(QStringLiteral("PrintingWindow"));
    setWindowTitle(ToQ(title));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(QStringLiteral("印刷中です。\n%1").arg(ToQ(where)), this);
    layout->addWidget(text);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel->setObjectName(QString::number(IDCANCEL));
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, [this] { cancelled_ = true; });
}

QSize PrintingWindow::sizeHint() const {
    QSize size = QDialog::sizeHint();
    size.setWidth(std::max(size.width(), CaptionWidthOf(*this)));
    return size;
}

// ---------------------------------------------------------------- Qt printers

std::unique_ptr<QPrinter> MakeQPrinter(const kv::PrinterSettings& settings) {
    std::unique_ptr<QPrinter> p;
    if (settings.toFile || settings.device.empty()) {
        p = std::make_unique<QPrinter>(QPrinter::HighResolution);
        p->setOutputFormat(QPrinter::PdfFormat);
        p->setOutputFileName(ToQ(settings.outputFile));
        if (settings.resolution > 0) p->setResolution(settings.resolution);
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(ToQ(settings.device));
        if (info.isNull()) return nullptr;  // the printer has gone
        p = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!p->isValid()) return nullptr;
    }
    if (settings.layout.isValid()) p->setPageLayout(settings.layout);
    p->setCopyCount(std::max(1, settings.copies));
    return p;
}

kv::PrinterSettings SettingsOf(const QPrinter& printer, const kv::PrinterSettings& before) {
    kv::PrinterSettings s = before;
    s.toFile = printer.outputFormat() == QPrinter::PdfFormat;
    s.device = s.toFile ? std::string() : printer.printerName().toStdString();
    s.outputFile = printer.outputFileName().toStdString();
    s.layout = printer.pageLayout();
    s.resolution = printer.resolution();
    s.copies = std::max(1, printer.copyCount());
    return s;
}

// ---------------------------------------------------------------- the printer object

bool TPrinter::GetPage(kv::win::TPrinterPage& page) const {
    if (data_.error != 0) return false;
    int dpi = data_.resolution;
    QPageLayout layout = data_.layout;
    if (!data_.toFile && !data_.device.empty()) {
        const std::unique_ptr<QPrinter> p = MakeQPrinter(data_);
        if (!p) return false;
        dpi = p->resolution();
        layout = p->pageLayout();
    }
    if (dpi <= 0 || !layout.isValid()) return false;
    page = kv::win::PrinterPageFromLayout(layout, dpi);
    return page.LogPixelsX > 0 && page.LogPixelsY > 0 && page.HorzRes > 0 && page.VertRes > 0;
}

bool TPrinter::Setup(QWidget* parent) {
    kv::PrintDialogRequest request;
    request.kind = kv::PrintDialogKind::PageSetup;
    request.owner = parent;
    request.settings = data_;
    const kv::PrintDialogResult result = kv::RunPrintDialog(request);
    if (!result.accepted) return false;
    kv::PrinterSettings chosen = result.settings;
    // The page metrics come from the printer, never from margins typed in the
    // dialog (whose margin controls PSD_DISABLEMARGINS only greys).
    chosen.layout = KeepMargins(chosen.layout, data_.layout);
    chosen.setupFlags = data_.setupFlags;
    chosen.error = data_.error;
    data_ = chosen;
    return true;
}

bool TPrinter::Print(QWidget* parent, TPrintout& printout, bool prompt) {
    int minPage = 0, maxPage = 0, fromPage = 0, toPage = 0;
    printout.GetDialogInfo(minPage, maxPage, fromPage, toPage);
    if (prompt) {
        kv::PrintDialogRequest request;
        request.kind = kv::PrintDialogKind::Print;
        request.owner = parent;
        request.settings = data_;
        request.minPage = minPage;
        request.maxPage = maxPage;
        request.fromPage = fromPage;
        request.toPage = toPage;
        const kv::PrintDialogResult result = kv::RunPrintDialog(request);
        if (!result.accepted) return false;
        const DWORD flags = data_.setupFlags;
        data_ = result.settings;
        data_.setupFlags = flags;
    }

    auto fail = [parent] {
        kv::MessageBox(parent, kv::LoadString(kPrintFailed), nullptr, MB_OK | MB_ICONSTOP);
        return false;
    };
    // The Escape key does not stop a job (the Escape poll is off for the whole
    // job); the Cancel of its printing window does.
    if (WritesPdfFile(data_)) {
        // The file takes its name only when the whole job is written: a job that
        // fails or is cancelled leaves what was there before.
        if (data_.outputFile.empty()) return fail();
        kv::ReplacingFileWriter out(data_.outputFile);
        QFile file;
        if (!out.File() || !file.open(out.File(), QIODevice::WriteOnly)) return fail();
        PdfFile pdf(&file);
        pdf.setTitle(ToQ(printout.GetTitle()));
        pdf.setResolution(data_.resolution > 0 ? data_.resolution : kPdfResolution);
        if (data_.layout.isValid()) pdf.setPageLayout(data_.layout);
        QPainter painter;
        if (!painter.begin(&pdf)) return fail();
        PrintingWindow window(parent, printout.GetTitle(), data_.outputFile);
        window.show();
        // A PDF file asks for no copies: each is pages of its own.
        if (DrawPages(painter, printout, window, std::max(1, data_.copies))) {
            pdf.Discard(painter);
            printout.EndPrinting();
            window.hide();
            return false;
        }
        bool written = painter.end();
        file.close();
        written = written && file.error() == QFileDevice::NoError;
        printout.EndPrinting();
        window.hide();
        if (!(written && out.Commit())) return fail();
        return true;
    }

    const std::unique_ptr<QPrinter> printer = MakeQPrinter(data_);
    if (!printer) return fail();
    printer->setDocName(ToQ(printout.GetTitle()));
    // Copies the printer cannot make itself are sent as pages of their own.
    const int copies = printer->supportsMultipleCopies() ? 1 : std::max(1, printer->copyCount());
    if (copies > 1) printer->setCopyCount(1);

    QPainter painter;
    if (!painter.begin(printer.get())) return fail();
    PrintingWindow window(parent, printout.GetTitle(), data_.device);
    window.show();
    const bool cancelled = DrawPages(painter, printout, window, copies);
    // A cancelled job is taken back as far as the printer can.
    if (cancelled) printer->abort();
    const bool written = painter.end();
    printout.EndPrinting();
    window.hide();
    if (cancelled) return false;
    if (!written) return fail();
    return true;
}

// ---------------------------------------------------------------- the printout

void ChartPrintout::GetDialogInfo(int& minPage, int& maxPage, int& selFromPage, int& selToPage) {
    minPage = maxPage = selFromPage = selToPage = 0;
}

void ChartPrintout::PrintPage(int, TRect&, unsigned) {
    if (!DC || !ChartWindow || !ChartWindow->Document.Env) return;
    TDC& dc = *DC;
    const TEnv& env = *ChartWindow->Document.Env;
    const int horz = dc.GetDeviceCaps(HORZRES);
    const int vert = dc.GetDeviceCaps(VERTRES);

    // The document's printable area onto the printer's, each axis on its own.
    SavedMapMode = dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize(env.PrintableWidth, env.PrintableHeight), &SavedWindowExt);
    dc.SetViewportExt(TSize(horz, vert), &SavedViewportExt);

    // The sheet in the paper colour; only its printable area reaches the paper.
    const int saved = dc.SaveDC();
    dc.IntersectClipRect(0, 0, env.PrintableWidth, env.PrintableHeight);
    dc.SelectObject(TBrush(env.PaperColor));
    dc.SelectStockObject(NULL_PEN);
    dc.Rectangle(-env.PrintOffsetX, -env.PrintOffsetY, env.PaperWidth - env.PrintOffsetX,
                 env.PaperHeight - env.PrintOffsetY);
    dc.RestoreDC(saved);

    ChartWindow->DrawGraph(OUT_DC, dc, nullptr, nullptr);
    ChartWindow->DrawHeaderFooter(dc);

    dc.SetMapMode(SavedMapMode);
    dc.SetWindowExt(SavedWindowExt);
    dc.SetViewportExt(SavedViewportExt);
}

// ---------------------------------------------------------------- the real services

namespace {

kv::PrintDialogResult RunQtPrintDialog(const kv::PrintDialogRequest& request) {
    std::unique_ptr<QPrinter> printer = MakeQPrinter(request.settings);
    kv::PrinterSettings base = request.settings;
    if (!printer) {
        // The printer went away since it was chosen: start from the PDF file.
        base = kv::PdfFilePrinter();
        base.outputFile = request.settings.outputFile;
        base.setupFlags = request.settings.setupFlags;
        printer = MakeQPrinter(base);
    }
    auto* owner = static_cast<QWidget*>(request.owner);
    kv::PrintDialogResult result;
    if (request.kind == kv::PrintDialogKind::Print) {
        QPrintDialog dlg(printer.get(), owner);
        QAbstractPrintDialog::PrintDialogOptions options =
            QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
            QAbstractPrintDialog::PrintCollateCopies;
        if (request.maxPage > 0) {
            options |= QAbstractPrintDialog::PrintPageRange;
            dlg.setMinMax(request.minPage, request.maxPage);
        }
        dlg.setOptions(options);
        if (dlg.exec() != QDialog::Accepted) return result;
    } else {
        QPageSetupDialog dlg(printer.get(), owner);
        if (request.settings.setupFlags & PSD_DISABLEMARGINS)
            for (QDoubleSpinBox* box : dlg.findChildren<QDoubleSpinBox*>())
                if (box->objectName().contains(QLatin1String("Margin"), Qt::CaseInsensitive))
                    box->setEnabled(false);
        if (dlg.exec() != QDialog::Accepted) return result;
    }
    result.accepted = true;
    result.settings = SettingsOf(*printer, base);
    return result;
}

kv::PrinterSettings SystemDefaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return kv::PdfFilePrinter();
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid()) return kv::PdfFilePrinter();
    kv::PrinterSettings s;
    s.device = info.printerName().toStdString();
    s.layout = printer.pageLayout();
    s.resolution = printer.resolution();
    return s;
}

}  // namespace

void InstallPrintServices() {
    kv::SetPrintDialogHandler(RunQtPrintDialog);
    kv::SetDefaultPrinterSource(SystemDefaultPrinter);
    kv::SetDefaultPrinterNameSource([] { return QPrinterInfo::defaultPrinterName().toStdString(); });
}

}  // namespace kv::app
