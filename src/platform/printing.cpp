#include "platform/printing.h"

#include <QPageSize>

#include <cstdio>
#include <mutex>
#include <utility>

namespace kv {

namespace {

std::mutex& ServiceMutex() {
    static std::mutex m;
    return m;
}

DefaultPrinterSource& Source() {
    static DefaultPrinterSource s;
    return s;
}

DefaultPrinterNameSource& NameSource() {
    static DefaultPrinterNameSource s;
    return s;
}

PrintDialogHandler& Handler() {
    static PrintDialogHandler h;
    return h;
}

template <class T>
T Current(T& slot) {
    std::lock_guard<std::mutex> lock(ServiceMutex());
    return slot;
}

template <class T>
T Replace(T& slot, T value) {
    std::lock_guard<std::mutex> lock(ServiceMutex());
    return std::exchange(slot, std::move(value));
}

}  // namespace

PrinterSettings PdfFilePrinter() {
    PrinterSettings s;
    s.toFile = true;
    s.layout = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                           QPageLayout::Millimeter);
    s.resolution = 1200;
    return s;
}

DefaultPrinterSource SetDefaultPrinterSource(DefaultPrinterSource source) {
    return Replace(Source(), std::move(source));
}

PrinterSettings DefaultPrinter() {
    const DefaultPrinterSource source = Current(Source());
    return source ? source() : PdfFilePrinter();
}

DefaultPrinterNameSource SetDefaultPrinterNameSource(DefaultPrinterNameSource source) {
    return Replace(NameSource(), std::move(source));
}

std::string DefaultPrinterName() {
    const DefaultPrinterNameSource source = Current(NameSource());
    return source ? source() : std::string();
}

PrintDialogHandler SetPrintDialogHandler(PrintDialogHandler handler) {
    return Replace(Handler(), std::move(handler));
}

PrintDialogResult RunPrintDialog(const PrintDialogRequest& request) {
    const PrintDialogHandler handler = Current(Handler());
    if (handler) return handler(request);
    std::fprintf(stderr, "%s dialog: no dialog service, cancelled\n",
                 request.kind == PrintDialogKind::Print ? "print" : "page-setup");
    return {};
}

ScriptedPrintDialogs::ScriptedPrintDialogs() {
    previous_ = SetPrintDialogHandler([this](const PrintDialogRequest& request) {
        shown_.push_back(request);
        PrintDialogResult result;
        if (answers_.empty()) return result;
        Answer a = std::move(answers_.front());
        answers_.erase(answers_.begin());
        if (!a.accept) return result;
        result.accepted = true;
        result.settings = request.settings;
        if (a.change) a.change(result.settings);
        return result;
    });
}

ScriptedPrintDialogs::~ScriptedPrintDialogs() { SetPrintDialogHandler(std::move(previous_)); }

void ScriptedPrintDialogs::Accept(std::function<void(PrinterSettings&)> change) {
    answers_.push_back({true, std::move(change)});
}

void ScriptedPrintDialogs::Cancel() { answers_.push_back({false, {}}); }

}  // namespace kv
