// The application object's printing, page-setup, full-screen and about commands.

#include "app/aboutdlg.h"
#include "app/app.h"
#include "app/frame.h"
#include "app/prevwindow.h"
#include "chart/chartwindow.h"
#include "platform/escape.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "platform/winmath.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace {

constexpr int kPaperMismatch = 28;
// The file name with its extension of a document name.
std::string NameWithExt(const std::string& path) {
    return QFileInfo(QString::fromStdString(path)).fileName().toStdString();
}

// The PDF file a job proposes: the document's name with ".pdf", in the folder of
// the last PDF file or else the home folder.
std::string ProposedPdf(const std::string& lastFile, const std::string& document) {
    QString dir = QDir::homePath();
    if (!lastFile.empty()) dir = QFileInfo(QString::fromStdString(lastFile)).absolutePath();
    QString base = QFileInfo(QString::fromStdString(document)).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("Untitled");
    return QDir(dir).filePath(base + QStringLiteral(".pdf")).toStdString();
}

}  // namespace

std::unique_ptr<kv::app::TPrinter> korvidaApp::MakeInitialPrinter() {
    auto printer = std::make_unique<kv::app::TPrinter>(kv::DefaultPrinter());
    printer->Data().setupFlags |= PSD_DISABLEMARGINS;
    return printer;
}

kv::app::TPrinter& korvidaApp::PrinterObject() {
    if (!Printer) Printer = std::make_unique<kv::app::TPrinter>(kv::DefaultPrinter());
    return *Printer;
}

void korvidaApp::CmFilePrint() {
    TChartWindow* w = Client();
    if (!w || !w->Document.Env) return;
    FollowDefaultPrinter();
    kv::app::TPrinter& printer = PrinterObject();

    kv::win::TPrinterPage page;
    if (!printer.GetPage(page)) return;  // no device context for the printer
    const int width = MulDiv(page.HorzRes, 1440, page.LogPixelsX);
    const int height = MulDiv(page.VertRes, 1440, page.LogPixelsY);
    if (width != w->Document.Env->PrintableWidth || height != w->Document.Env->PrintableHeight) {
        if (kv::MessageBox(static_cast<QWidget*>(w), kv::LoadString(kPaperMismatch), nullptr,
                           MB_OKCANCEL | MB_ICONSTOP) != IDOK)
            return;
        CmFilePrintSetup();
    }

    // The Escape poll stays off for the whole job, also when it ends by an exception.
    EscapePollOff pollOff;
    const std::string title = "Korvida - " + NameWithExt(w->FileName);
    kv::PrinterSettings& data = printer.Data();
    if (data.toFile) data.outputFile = ProposedPdf(data.outputFile, w->FileName);
    kv::app::ChartPrintout printout(title, w);
    printer.Print(Frame, printout, true);
}

void korvidaApp::CmFilePrintSetup() {
    FollowDefaultPrinter();
    PrinterObject().Setup(Frame);
    if (TChartWindow* w = Client()) {
        w->GetPageMetrics();
        w->CmFitPaper();
    }
}

void korvidaApp::CePrint(kv::win::TCommandEnabler& ce) { ce.Enable(PrinterObject().Error() == 0); }

void korvidaApp::FollowDefaultPrinter() {
    const std::string name = kv::DefaultPrinterName();
    if (name == seenDefaultPrinter_) return;
    seenDefaultPrinter_ = name;
    EvWinIniChange("windows");
}

void korvidaApp::EvWinIniChange(const char* section) {
    if (!section || std::strcmp(section, "windows") != 0 || !Printer) return;
    const std::string device = kv::DefaultPrinterName();
    const kv::PrinterSettings& data = Printer->Data();
    // Still the default printer (the PDF file standing for "none"): kept with the
    // paper and printer chosen in its dialogs.
    const bool same = data.error == 0 && (device.empty() ? data.toFile : (!data.toFile && data.device == device));
    if (!same) Printer = std::make_unique<kv::app::TPrinter>(kv::DefaultPrinter());
}

void korvidaApp::CmFilePrintPreview() {
    TChartWindow* w = Client();
    if (!w) return;
    auto* view = new TPrevWindow(w, "");
    view->Create();
    view->show();
    view->raise();
    view->activateWindow();
    view->ClientWidget()->setFocus();
}

void korvidaApp::CmHelpAbout() {
    korvidaAboutDlg dlg(Frame);
    dlg.Execute();
}
