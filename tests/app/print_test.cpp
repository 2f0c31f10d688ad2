// Printing, page setup and their enablers, the full-screen page view and the about
// box, through the application's commands.

#include "app_fixture.h"

#include "app/aboutdlg.h"
#include "app/menus.h"
#include "app/prevwindow.h"
#include "app/printing.h"
#include "chart/winlayer/escapepoll.h"
#include "dialogs/kit/qtservices.h"
#include "platform/escape.h"
#include "platform/printing.h"
#include "platform/stringtable.h"
#include "platform/winmath.h"
#include "render/textlayout.h"

#include <QApplication>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QFile>
#include <QFontMetrics>
#include <QLabel>
#include <QPageSize>
#include <QPointer>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include <QRegularExpression>

namespace {

using apptest::AppTest;

// The application as the program has it: the printer object measures the page.
class PrintingApp : public apptest::TestKorvidaApp {
public:
    bool GetPrinterPage(kv::win::TPrinterPage& page) override { return korvidaApp::GetPrinterPage(page); }
};

QPageLayout A5Landscape() {
    return QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(12, 12, 12, 12),
                       QPageLayout::Millimeter);
}

// The output of a poppler tool on a file; empty when the tool is not installed.
QString Poppler(const char* tool, const QString& file) {
    const QString exe = QStandardPaths::findExecutable(QString::fromLatin1(tool));
    if (exe.isEmpty()) return {};
    QProcess p;
    QStringList args{file};
    if (QLatin1String(tool) == QLatin1String("pdftotext")) args << "-";
    p.start(exe, args);
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

class PrintTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        previousSource_ = kv::SetDefaultPrinterSource({});
        previousName_ = kv::SetDefaultPrinterNameSource([this] { return defaultName_; });
    }
    void TearDown() override {
        AppTest::TearDown();
        kv::SetDefaultPrinterSource(std::move(previousSource_));
        kv::SetDefaultPrinterNameSource(std::move(previousName_));
    }
    // Start-up with the printer object of a machine without printers: the PDF file.
    void StartPrinting() {
        korvidaApp::SetArguments(0, nullptr);
        app = std::make_unique<PrintingApp>();
        app->InitMainWindow();
        chart()->SetLogPixels(96, 96);
        app->Frame->Create();
        app->UpdateCommandStates();
    }
    // A text on the page to find in the printed file.
    void AddMarker(const char* s) {
        BoxFrame* set = chart()->Document.Current;
        auto t = std::make_unique<TText>();
        t->String = s;
        t->Position = TPoint(500, 500);
        ::LayoutText(t.get(), set);
        set->TextList.Add(t.release());
    }
    kv::win::TPrinterPage ExpectedPage(const QPageLayout& layout) {
        return kv::win::PrinterPageFromLayout(layout, 1200);
    }

    kv::ScriptedPrintDialogs dialogs;
    std::string defaultName_;

private:
    kv::DefaultPrinterSource previousSource_;
    kv::DefaultPrinterNameSource previousName_;
};

TEST_F(PrintTest, PageSetupThenPrintWritesOnePdfPageOfThatPaperWithTheDrawing) {
    StartPrinting();
    AddMarker("PrintedMarker");
    // Page setup: A5 landscape. The margins typed there are not the printer's.
    dialogs.Accept([](kv::PrinterSettings& s) { s.layout = A5Landscape(); });
    ASSERT_TRUE(Run(CM_FILEPRINTSETUP));
    QPageLayout kept = A5Landscape();
    kept.setMargins(QMarginsF(5, 5, 5, 5));
    const kv::win::TPrinterPage page = ExpectedPage(kept);
    EXPECT_EQ(chart()->Document.Env->PrintableWidth, MulDiv(page.HorzRes, 1440, 1200));
    EXPECT_EQ(chart()->Document.Env->PrintableHeight, MulDiv(page.VertRes, 1440, 1200));
    EXPECT_GT(chart()->Document.Env->PaperWidth, chart()->Document.Env->PaperHeight);
    EXPECT_EQ(dialogs.Shown()[0].kind, kv::PrintDialogKind::PageSetup);
    EXPECT_TRUE(dialogs.Shown()[0].settings.setupFlags & PSD_DISABLEMARGINS);

    const std::string pdf = PathIn("page.pdf");
    dialogs.Accept([&](kv::PrinterSettings& s) { s.outputFile = pdf; });
    AbortPollEnabled = 1;
    ASSERT_TRUE(Run(CM_FILEPRINT));
    EXPECT_TRUE(boxes.Shown().empty()) << boxes.Shown()[0].text;  // sizes agree: no question
    EXPECT_EQ(AbortPollEnabled, 1);
    ASSERT_EQ(dialogs.Shown().size(), 2u);
    const kv::PrintDialogRequest& print = dialogs.Shown()[1];
    EXPECT_EQ(print.kind, kv::PrintDialogKind::Print);
    EXPECT_EQ(print.maxPage, 0);  // no page range, no selection
    EXPECT_TRUE(print.settings.toFile);
    EXPECT_EQ(QFileInfo(QString::fromStdString(print.settings.outputFile)).fileName(), "Untitled.pdf");
    ASSERT_TRUE(QFile::exists(QString::fromStdString(pdf)));

    const QString info = Poppler("pdfinfo", QString::fromStdString(pdf));
    if (info.isEmpty()) GTEST_SKIP() << "poppler-utils not installed";
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\b"))) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Title:\\s+Korvida - Untitled.kv3"))) << info.toStdString();
    const QRegularExpressionMatch m = QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+) pts").match(info);
    ASSERT_TRUE(m.hasMatch()) << info.toStdString();
    const QRegularExpressionMatch rot = QRegularExpression("Page rot:\\s+(\\d+)").match(info);
    const bool turned = rot.hasMatch() && (rot.captured(1) == "90" || rot.captured(1) == "270");
    const double w = m.captured(turned ? 2 : 1).toDouble(), h = m.captured(turned ? 1 : 2).toDouble();
    EXPECT_NEAR(w, 595.3, 1.0);  // A5 landscape: 210 x 148 mm
    EXPECT_NEAR(h, 419.5, 1.0);
    QString text = Poppler("pdftotext", QString::fromStdString(pdf));
    text.remove(QRegularExpression("\\s"));
    EXPECT_TRUE(text.contains("PrintedMarker")) << text.toStdString();

    // Copies a PDF file cannot ask for are pages of their own.
    dialogs.Accept([&](kv::PrinterSettings& s) { s.copies = 2; });
    ASSERT_TRUE(Run(CM_FILEPRINT));
    // The next job proposes the document's name in the folder of the last file.
    const QString again = QString::fromStdString(dialogs.Shown().back().settings.outputFile);
    EXPECT_EQ(again, QString::fromStdString(PathIn("Untitled.pdf")));
    EXPECT_TRUE(Poppler("pdfinfo", again).contains(QRegularExpression("Pages:\\s+2\\b")));
}

TEST_F(PrintTest, PaperMismatchAsksAndCancelChangesNothing) {
    StartPrinting();
    chart()->Document.Env->PrintableWidth = 5000;  // laid out for another printer
    const int zoom = chart()->Document.Env->Zoom;

    boxes.Answer(IDCANCEL);
    Run(CM_FILEPRINT);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(28));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL | MB_ICONSTOP);
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_EQ(chart()->Document.Env->PrintableWidth, 5000);
    EXPECT_EQ(chart()->Document.Env->Zoom, zoom);

    // OK: page setup (cancelled: the paper is still measured again), then the print
    // dialog (cancelled: nothing is written).
    boxes.Answer(IDOK);
    dialogs.Cancel();
    dialogs.Cancel();
    Run(CM_FILEPRINT);
    ASSERT_EQ(dialogs.Shown().size(), 2u);
    EXPECT_EQ(dialogs.Shown()[0].kind, kv::PrintDialogKind::PageSetup);
    EXPECT_EQ(dialogs.Shown()[1].kind, kv::PrintDialogKind::Print);
    const kv::win::TPrinterPage page = ExpectedPage(kv::PdfFilePrinter().layout);
    EXPECT_EQ(chart()->Document.Env->PrintableWidth, MulDiv(page.HorzRes, 1440, 1200));
    EXPECT_EQ(AbortPollEnabled, 1);
    EXPECT_EQ(chart()->Document.Modified, 0);
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dialogs.Shown()[1].settings.outputFile)));
}

// Presses the Cancel button of the printing window once it shows: the click is
// posted, so it arrives while the job draws and asks the window system.
class CancelWhenPrinting : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->objectName() == "PrintingWindow") {
            shown = true;
            if (auto* button = o->findChild<QWidget*>(QString::number(IDCANCEL))) {
                for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(
                        button, new QMouseEvent(t, QPointF(3, 3), button->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                                                t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                Qt::NoModifier));
            }
        }
        return false;
    }
    bool shown = false;
};

// A long job stops at Cancel in its printing window: no file is left, nothing is
// reported, the Escape poll is on again; Escape alone never stops a job.
TEST_F(PrintTest, CancelInThePrintingWindowStopsTheJob) {
    kv::win::InstallEscapePoll();  // as the program does at start-up
    StartPrinting();
    auto plot = std::make_unique<TPlot>();
    for (int i = 0; i < 300000; ++i) {
        plot->AddX(TDataElement(i * 3e-5));
        plot->AddY(TDataElement((i % 13) * 0.7));
    }
    chart()->Document.Current->PlotList.Add(plot.release());
    dialogs.Accept();
    ASSERT_TRUE(Run(CM_FILEPRINTSETUP));

    CancelWhenPrinting cancel;
    qApp->installEventFilter(&cancel);
    const std::string pdf = PathIn("cancelled.pdf");
    dialogs.Accept([&](kv::PrinterSettings& s) { s.outputFile = pdf; });
    const long long looks = kv::win::EscapePollLooks();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(Run(CM_FILEPRINT));
    const qint64 cancelledIn = clock.elapsed();
    qApp->removeEventFilter(&cancel);
    EXPECT_TRUE(cancel.shown);
    EXPECT_GT(kv::win::EscapePollLooks(), looks);  // the job asked the window system
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(pdf)));
    EXPECT_EQ(AbortPollEnabled, 1);

    // The same job without Cancel, an Escape waiting meanwhile: printed whole, and
    // it took longer than the cancelled one.
    QCoreApplication::postEvent(chart()->ClientWidget(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    dialogs.Accept([&](kv::PrinterSettings& s) { s.outputFile = pdf; });
    clock.restart();
    ASSERT_TRUE(Run(CM_FILEPRINT));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(pdf)));
    EXPECT_GT(clock.elapsed(), cancelledIn);
    EXPECT_TRUE(boxes.Shown().empty());
}

// Bytes this process has handed to the system to write so far; -1 where the
// system does not tell.
long long BytesWritten() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : io.readAll().split('\n'))
        if (line.startsWith("wchar:")) return line.mid(6).trimmed().toLongLong();
    return -1;
}

// Presses the Cancel button of the printing window once the job has drawn for
// drawMs (ticks posted to the button reach it each time the job lets the window
// have its input), and notes what the job still does from the click to its end.
class CancelLate : public QObject {
public:
    explicit CancelLate(qint64 drawMs) : drawMs_(drawMs) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->objectName() == "PrintingWindow") {
            button_ = o->findChild<QWidget*>(QString::number(IDCANCEL));
            if (!button_) return false;
            button_->installEventFilter(this);
            // Cancel hides the window at once; the job is over when it goes.
            QObject::connect(o, &QObject::destroyed, [this] {
                if (!cancelled.isValid()) return;
                afterCancel = cancelled.elapsed();
                if (writtenAtCancel >= 0) writtenAfterCancel = BytesWritten() - writtenAtCancel;
            });
            shown.start();
            QCoreApplication::postEvent(button_, new QEvent(kTick));
        } else if (o == button_ && e->type() == kTick) {
            if (shown.elapsed() < drawMs_) {
                QCoreApplication::postEvent(button_, new QEvent(kTick));
            } else {
                for (QEvent::Type t : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(
                        button_, new QMouseEvent(t, QPointF(3, 3), button_->mapToGlobal(QPointF(3, 3)), Qt::LeftButton,
                                                 t == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                 Qt::NoModifier));
            }
            return true;
        } else if (o == button_ && e->type() == QEvent::MouseButtonRelease && !cancelled.isValid()) {
            drawn = shown.elapsed();
            writtenAtCancel = BytesWritten();
            cancelled.start();  // the button takes the click after this
        }
        return false;
    }
    static constexpr QEvent::Type kTick = QEvent::Type(QEvent::User + 71);
    QElapsedTimer shown, cancelled;
    qint64 drawn = -1, afterCancel = -1;
    long long writtenAtCancel = -1, writtenAfterCancel = -1;

private:
    qint64 drawMs_;
    QPointer<QWidget> button_;
};

// Cancel on a big page stops the job there: what was drawn is not written out
// first (the PDF engine compresses and writes the whole page at its end, which
// takes as long as drawing it or longer), and no file is left.
TEST_F(PrintTest, CancelOfABigPageWritesNothing) {
    kv::win::InstallEscapePoll();
    StartPrinting();
    auto plot = std::make_unique<TPlot>();
    for (int i = 0; i < 3000000; ++i) {
        plot->AddX(TDataElement((i % 100000) * 1e-5));
        plot->AddY(TDataElement((i % 997) * 1e-3 + (i / 100000) * 0.03));
    }
    plot->Style.MarkerStyle = 2;
    plot->Style.LineStyle = 0;
    chart()->Document.Current->PlotList.Add(plot.release());
    chart()->Document.Current->AutoScale(1, 1, 1, 1, 1, 10);
    dialogs.Accept();
    ASSERT_TRUE(Run(CM_FILEPRINTSETUP));

    // A file of that name from before, which the job would have replaced.
    const std::string pdf = PathIn("big.pdf");
    QFile before(QString::fromStdString(pdf));
    ASSERT_TRUE(before.open(QIODevice::WriteOnly));
    before.write("before");
    before.close();

    CancelLate cancel(1000);
    qApp->installEventFilter(&cancel);
    dialogs.Accept([&](kv::PrinterSettings& s) { s.outputFile = pdf; });
    ASSERT_TRUE(Run(CM_FILEPRINT));
    const qint64 afterCancel = cancel.afterCancel;
    qApp->removeEventFilter(&cancel);
    ASSERT_GE(cancel.drawn, 1000) << "the job ended before Cancel";
    ASSERT_GE(afterCancel, 0) << "the job did not end";
    // Nothing of what was drawn is written out after Cancel (which took about as
    // long as the drawing), whatever the machine's load or the kind of build.
    if (cancel.writtenAfterCancel >= 0) {
        EXPECT_LT(cancel.writtenAfterCancel, 4096)
            << "drawn for " << cancel.drawn << " ms, then " << afterCancel << " ms after Cancel";
    }
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    EXPECT_EQ(before.readAll(), QByteArray("before"));
    EXPECT_EQ(QDir(QString::fromStdString(Dir())).entryList({"*.pdf*", ".*.tmp"}, QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(AbortPollEnabled, 1);
    if (cancel.writtenAfterCancel < 0) GTEST_SKIP() << "/proc/self/io unreadable: the writing after Cancel was not measured";
}

// The printing window is as wide as its title needs, as the dialogs are.
TEST(PrintingWindow, IsAtLeastAsWideAsItsTitle) {
    for (const char* title : {"Korvida - Untitled.kv3", "Korvida - measurements of the second run in May.kv3"}) {
        kv::app::PrintingWindow window(nullptr, title, "/tmp/x.pdf");
        window.show();
        EXPECT_GE(window.width(), CaptionWidthOf(window)) << title;
        EXPECT_GT(window.width(), QFontMetrics(window.font()).horizontalAdvance(QString::fromUtf8(title))) << title;
    }
}

TEST_F(PrintTest, EnablersFollowThePrinterObjectAndTheDefaultPrinter) {
    StartPrinting();
    EXPECT_TRUE(app->Router.IsEnabled(CM_FILEPRINT));  // the PDF file stands in for a printer
    EXPECT_TRUE(app->Router.IsEnabled(CM_FILEPRINTSETUP));
    EXPECT_TRUE(app->Router.IsEnabled(CM_FILEPRINTPREVIEW));
    EXPECT_TRUE(app->Router.IsEnabled(CM_HELPABOUT));

    app->Printer->Data().error = 1;
    EXPECT_FALSE(app->Router.IsEnabled(CM_FILEPRINT));
    EXPECT_FALSE(app->Router.IsEnabled(CM_FILEPRINTSETUP));
    app->Printer.reset();  // made again by the enabler
    EXPECT_TRUE(app->Router.IsEnabled(CM_FILEPRINT));
    ASSERT_NE(app->Printer, nullptr);

    // A system change: only "windows", and only when the default printer is no
    // longer the printer object's.
    kv::SetDefaultPrinterSource([] {
        kv::PrinterSettings s = kv::PdfFilePrinter();
        s.toFile = false;
        s.device = "Office";
        return s;
    });
    kv::app::TPrinter* before = app->Printer.get();
    app->EvWinIniChange("windows");  // still the PDF file while there is no default printer
    EXPECT_EQ(app->Printer.get(), before);
    defaultName_ = "Office";
    app->EvWinIniChange("intl");
    EXPECT_EQ(app->Printer.get(), before);
    app->EvWinIniChange("windows");
    ASSERT_NE(app->Printer.get(), before);
    EXPECT_EQ(app->Printer->Data().device, "Office");
    before = app->Printer.get();
    app->EvWinIniChange("windows");
    EXPECT_EQ(app->Printer.get(), before);

    // No notice arrives here: the print commands look for a changed default first.
    defaultName_ = "Home";
    Run(CM_FILEPRINTSETUP);
    EXPECT_NE(app->Printer.get(), before);
    ASSERT_EQ(dialogs.Shown().size(), 1u);
    EXPECT_EQ(dialogs.Shown()[0].kind, kv::PrintDialogKind::PageSetup);
}

// ---- the full-screen page view

TEST(PrevWindowFit, FitsTheSheetToTheDesktop) {
    struct Case {
        int w, h;
        TRect sheet;
        int zoom;
    } cases[] = {
        {1024, 768, TRect(-283, -283, 11622, 16554), 68},  // A4 upright: the height limits
        {1024, 768, TRect(0, 0, 16837, 11905), 91},        // A4 lying: the width limits
        {1024, 768, TRect(0, 0, 200000, 200000), 25},      // never below 25 %
    };
    for (const Case& c : cases) EXPECT_EQ(TPrevWindow::FitZoom(96, 96, c.w, c.h, c.sheet), c.zoom);
}

TEST_F(AppTest, FullScreenViewShowsThePageAndClosesOnEscapeOrClick) {
    Start();
    chart()->Document.Env->PaperColor = RGB(0, 200, 255);
    auto findView = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* v = qobject_cast<TPrevWindow*>(w); v && v->isVisible()) return v;
        return static_cast<TPrevWindow*>(nullptr);
    };
    for (int closer = 0; closer < 3; ++closer) {
        ASSERT_TRUE(Run(CM_FILEPRINTPREVIEW));
        QPointer<TPrevWindow> view = findView();
        ASSERT_NE(view, nullptr);
        EXPECT_TRUE(view->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(view->geometry(), view->screen()->geometry());
        EXPECT_EQ(view->GetClientRect().Width(), view->width());  // no scroll bars
        EXPECT_EQ(view->GetClientRect().Height(), view->height());
        QCoreApplication::processEvents();
        view->Invalidate();
        view->UpdateWindow();
        const QImage& img = view->BackingImage();
        int paper = 0;
        for (int y = 0; y < img.height(); y += 4)
            for (int x = 0; x < img.width(); x += 4) paper += img.pixel(x, y) == qRgb(0, 200, 255);
        EXPECT_GT(paper, img.width() * img.height() / 16 / 4);  // the sheet fills much of it

        QTest::keyClick(view->ClientWidget(), Qt::Key_A);
        EXPECT_TRUE(view->isVisible());
        if (closer == 0) QTest::keyClick(view->ClientWidget(), Qt::Key_Escape);
        else QTest::mouseClick(view->ClientWidget(), closer == 1 ? Qt::LeftButton : Qt::RightButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(view.isNull()) << "closer " << closer;
    }
}

// ---- the about box

TEST_F(AppTest, AboutBoxShowsTheProgramsVersionTexts) {
    Start();
    std::string caption, line1, line2, line3;
    apptest::ModalScript script;
    script.Then(22000, [&](PDialog& d) {
        caption = d.windowTitle().toStdString();
        line1 = d.ItemText(22001).toStdString();
        line2 = d.ItemText(22002).toStdString();
        line3 = d.ItemText(22003).toStdString();
        d.Dispatch(2);
    });
    ASSERT_TRUE(Run(CM_HELPABOUT));
    EXPECT_EQ(caption, "Ｋｏｒｖｉｄａについて");
    EXPECT_EQ(line1, "Korvida Version 0.1");
    EXPECT_EQ(line2, "Copyright (C) the Korvida developers");
    EXPECT_EQ(line3, "");
}

TEST(AboutBox, TextsFollowWhatTheVersionResourceHolds) {
    const std::string base = "\\StringFileInfo\\040904e4\\";
    const TVersionResource nameOnly{{0x0409, 0x04E4}, {{base + "ProductName", "P"}}};
    const TVersionResource special{{0x0409, 0x04E4},
                                   {{base + "ProductName", "P"}, {base + "ProductVersion", "2"},
                                    {base + "SpecialBuild", "test build"}}};
    const TVersionResource otherLanguage{{0x0411, 0x03A4}, {{base + "ProductName", "P"}, {base + "ProductVersion", "2"}}};
    struct Case {
        const TVersionResource* module;
        const char* line1;
        const char* line2;
        const char* line3;
    } cases[] = {
        {nullptr, "Version", "for Windows95 /Windows NT ready", ""},
        {&nameOnly, "Version", "for Windows95 /Windows NT ready", ""},
        {&special, "P Version 2", "for Windows95 /Windows NT ready", "test build"},
        {&otherLanguage, "Version", "for Windows95 /Windows NT ready", ""},
    };
    for (const Case& c : cases) {
        korvidaAboutDlg dlg(nullptr, c.module);
        ASSERT_TRUE(dlg.Create());
        // It opens wide enough for its whole title beside the title bar's buttons.
        QFont bold = QApplication::font();
        bold.setBold(true);
        dlg.adjustSize();
        EXPECT_GE(dlg.width(), QFontMetrics(bold).horizontalAdvance(dlg.windowTitle()) +
                                   4 * dlg.style()->pixelMetric(QStyle::PM_TitleBarHeight));
        EXPECT_EQ(dlg.ItemText(22001).toStdString(), c.line1);
        EXPECT_EQ(dlg.ItemText(22002).toStdString(), c.line2);
        EXPECT_EQ(dlg.ItemText(22003).toStdString(), c.line3);
        EXPECT_EQ(dlg.DefaultId(), 2);
    }
}

}  // namespace

// ---- the real dialogs

TEST(PrintServices, RealDialogsOpenOnThePdfPrinter) {
    auto handler = kv::SetPrintDialogHandler({});
    auto source = kv::SetDefaultPrinterSource({});
    auto name = kv::SetDefaultPrinterNameSource({});
    kv::app::InstallPrintServices();
    QTemporaryDir dir;
    kv::PrintDialogRequest request;
    request.settings = kv::PdfFilePrinter();
    request.settings.outputFile = dir.filePath("out.pdf").toStdString();
    request.settings.setupFlags = PSD_DISABLEMARGINS;

    // The user answers whatever modal dialog is up: OK or Cancel.
    bool accept = false;
    int disabledMargins = 0;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        for (QDoubleSpinBox* box : dlg->findChildren<QDoubleSpinBox*>())
            disabledMargins += box->objectName().contains("Margin", Qt::CaseInsensitive) && !box->isEnabled();
        // Page setup: the paper turned.
        if (auto* landscape = dlg->findChild<QRadioButton*>("landscape")) landscape->click();
        if (accept) dlg->accept();
        else dlg->reject();
    });
    answer.start(20);
    for (kv::PrintDialogKind kind : {kv::PrintDialogKind::Print, kv::PrintDialogKind::PageSetup}) {
        request.kind = kind;
        accept = false;
        EXPECT_FALSE(kv::RunPrintDialog(request).accepted);
        accept = true;
        const kv::PrintDialogResult r = kv::RunPrintDialog(request);
        ASSERT_TRUE(r.accepted);
        EXPECT_TRUE(r.settings.toFile);
        EXPECT_EQ(r.settings.outputFile, request.settings.outputFile);
        EXPECT_EQ(r.settings.layout.pageSize().id(), QPageSize::A4);
        if (kind == kv::PrintDialogKind::PageSetup) {
            EXPECT_EQ(r.settings.layout.orientation(), QPageLayout::Landscape);
        }
        EXPECT_EQ(r.settings.setupFlags, PSD_DISABLEMARGINS);
    }
    EXPECT_GT(disabledMargins, 0);
    kv::SetPrintDialogHandler(std::move(handler));
    kv::SetDefaultPrinterSource(std::move(source));
    kv::SetDefaultPrinterNameSource(std::move(name));
}

// The print dialog's own chooser of the output file chooses only, as the
// program's choosers do: nothing can be deleted or renamed in it.
TEST(PrintServices, ThePrintDialogsFileChooserIsReadOnly) {
    auto handler = kv::SetPrintDialogHandler({});
    auto boxes = kv::SetMessageBoxHandler({});
    auto files = kv::SetFileDialogHandler({});
    auto folders = kv::SetFolderDialogHandler({});
    kv::InstallQtDialogServices();  // as the program does at start-up
    kv::app::InstallPrintServices();
    QTemporaryDir dir;
    kv::PrintDialogRequest request;
    request.settings = kv::PdfFilePrinter();
    request.settings.outputFile = dir.filePath("out.pdf").toStdString();

    // Two answerers: a timer is not fired again while its handler runs, and the
    // print dialog's handler waits in the chooser it opened.
    int choosers = 0;
    bool browsed = false;
    QTimer chooserAnswer;
    QObject::connect(&chooserAnswer, &QTimer::timeout, [&] {
        if (auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            ++choosers;
            EXPECT_TRUE(chooser->testOption(QFileDialog::ReadOnly));
            EXPECT_TRUE(chooser->testOption(QFileDialog::DontUseNativeDialog) ||
                        QCoreApplication::testAttribute(Qt::AA_DontUseNativeDialogs));
            chooser->reject();
        }
    });
    chooserAnswer.start(20);
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        if (qobject_cast<QFileDialog*>(top)) return;
        if (auto* dlg = qobject_cast<QDialog*>(top)) {
            auto* browse = dlg->findChild<QToolButton*>("fileBrowser");
            if (!browsed && browse && browse->isVisible() && browse->isEnabled()) {
                browsed = true;
                browse->click();  // returns once the chooser is answered
            } else {
                dlg->reject();
            }
        }
    });
    answer.start(20);
    EXPECT_FALSE(kv::RunPrintDialog(request).accepted);
    EXPECT_TRUE(browsed);
    EXPECT_EQ(choosers, 1);
    kv::SetPrintDialogHandler(std::move(handler));
    kv::SetMessageBoxHandler(std::move(boxes));
    kv::SetFileDialogHandler(std::move(files));
    kv::SetFolderDialogHandler(std::move(folders));
}
