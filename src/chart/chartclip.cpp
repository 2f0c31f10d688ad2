// The clipboard commands of the page view, the show/hide and option dialogs, and
// the services on one series' data outside the page: its information text and its
// file in the external editor.

#include "chart/chartclip.h"

#include "chart/chartwindow.h"
#include "dialogs/datamanager.h"
#include "dialogs/dataselect.h"
#include "dialogs/mesdialog.h"
#include "dialogs/optiondialog.h"
#include "platform/cp932.h"
#include "platform/escape.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/metafile.h"
#include "platform/stringtable.h"
#include "render/output.h"

#include <QBuffer>
#include <QByteArray>
#include <QClipboard>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QUuid>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>

namespace {

// String ids.
constexpr int kMemoryError = 17;
constexpr int kWriteError = 26;
constexpr int kNoClipboardData = 39;
constexpr int kNoClipboardText = 40;
constexpr int kInterrupted = 108;
constexpr int kPathTooLong = 1161;
constexpr int kPathNotStorable = 1162;
constexpr int kPictureTooLarge = 1404;

void Stop(TChartWindow& w, int id) {
    kv::MessageBox(static_cast<QWidget*>(&w), kv::LoadString(id), nullptr, MB_OK | MB_ICONSTOP);
}

// The metafile of the drawing inside window (page twips): the window extent and
// origin first, then the drawing. False when the drawing was stopped with Escape
// (the bytes then hold what was drawn up to there).
bool RecordMetafile(TChartWindow& w, const TRect& window, std::vector<std::uint8_t>& out) {
    TMetaFileDC dc;
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize(window.right - window.left, window.bottom - window.top));
    dc.SetWindowOrg(TPoint(window.left, window.top));
    w.DrawGraph(OUT_DC, dc, nullptr, nullptr);
    const bool whole = AbortRequested == 0;
    dc.Close();
    kv::wmf::PlaceableBox box;
    box.right = std::int16_t(window.right - window.left);
    box.bottom = std::int16_t(window.bottom - window.top);
    box.unitsPerInch = 1440;
    out = kv::wmf::MakePlaceable(dc.Bytes(), box);
    return whole;
}

// The drawing inside window on a white image whose resolution gives it the
// picture's physical size. False when stopped with Escape.
bool RenderImage(TChartWindow& w, const ClipboardPictureGeometry& g, QImage& out) {
    const double tw = double(g.Window.right) - g.Window.left;
    const double th = double(g.Window.bottom) - g.Window.top;
    double dpi = ClipboardImageDpi;
    const double side = std::max(tw, th) * dpi / 1440.0;
    if (side > ClipboardImageMaxSide) dpi = dpi * ClipboardImageMaxSide / side;
    const int px = std::max(1, int(std::ceil(tw * dpi / 1440.0)));
    const int py = std::max(1, int(std::ceil(th * dpi / 1440.0)));
    QImage image(px, py, QImage::Format_RGB32);
    if (image.isNull()) return true;  // no memory for it: the metafile alone goes
    image.fill(Qt::white);
    const int dpm = std::max(1, int(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterX(dpm);
    image.setDotsPerMeterY(dpm);
    bool whole;
    {
        TDeviceInfo info;
        info.logPixelsX = std::max(1, int(dpi));
        info.logPixelsY = info.logPixelsX;
        TDC dc(&image, info);
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowOrg(TPoint(g.Window.left, g.Window.top));
        dc.SetWindowExt(TSize(g.Window.right - g.Window.left, g.Window.bottom - g.Window.top));
        dc.SetViewportOrg(TPoint(0, 0));
        dc.SetViewportExt(TSize(px, py));
        w.DrawGraph(OUT_DC, dc, nullptr, nullptr);
        whole = AbortRequested == 0;
        dc.Flush();
    }
    out = std::move(image);
    return whole;
}

}  // namespace

ClipboardPictureGeometry ClipboardPictureFor(const TRect& extent, int margin) {
    const std::int64_t m = margin;
    const std::int64_t left = std::int64_t(extent.left) - m, top = std::int64_t(extent.top) - m;
    const std::int64_t w = std::max<std::int64_t>(1, std::int64_t(extent.right) + m - left);
    const std::int64_t h = std::max<std::int64_t>(1, std::int64_t(extent.bottom) + m - top);
    auto sat = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); };
    ClipboardPictureGeometry g;
    g.Window = TRect(sat(left), sat(top), sat(left + w), sat(top + h));
    g.XExt = sat(std::int64_t(double(w) * 1.76));
    g.YExt = sat(std::int64_t(double(h) * 1.76));
    g.FitsMetafile = left >= INT16_MIN && top >= INT16_MIN && left + w <= INT16_MAX &&
                     top + h <= INT16_MAX && w <= INT16_MAX && h <= INT16_MAX;
    return g;
}

// ---- Page to clipboard (132).

void TChartWindow::CmCopyToClipboard() {
    TRect extent(0, 0, 0, 0);
    {
        TDC none;
        DrawGraph(OUT_EXTENT, none, nullptr, &extent);
    }
    bool whole = AbortRequested == 0;
    const ClipboardPictureGeometry g = ClipboardPictureFor(extent, Settings.WMFMargin);

    QClipboard* clipboard = QGuiApplication::clipboard();
    if (whole && clipboard) {
        auto mime = std::make_unique<QMimeData>();
        bool any = false;
        // A picture beyond the metafile's 16-bit coordinates would come out cut
        // and folded: it goes as the image alone, and the user is told.
        if (g.FitsMetafile) {
            std::vector<std::uint8_t> wmf;
            whole = RecordMetafile(*this, g.Window, wmf);
            mime->setData(MetafileMimeType,
                          QByteArray(reinterpret_cast<const char*>(wmf.data()), qsizetype(wmf.size())));
            any = true;
        }
        if (whole) {
            QImage image;
            whole = RenderImage(*this, g, image);
            if (!image.isNull()) {
                QByteArray png;
                QBuffer buffer(&png);
                if (buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"))
                    mime->setData("image/png", png);
                mime->setImageData(image);
                any = true;
            }
        }
        if (any) clipboard->setMimeData(mime.release());
        if (!g.FitsMetafile) Stop(*this, kPictureTooLarge);
    }
    if (!whole || CheckEscapeAbort() == 1) Stop(*this, kInterrupted);
}

// ---- Show/hide (130) and options (131).

void TChartWindow::CmShowHide() {
    if (!Document.Current) return;
    int result;
    {
        TPlotShowHideDialog dialog(this, Document.Current);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    Document.Modified = 1;
    ClearFeedback();
    Invalidate(true);
}

void TChartWindow::CmOptions() {
    int result;
    {
        TOptionDialog dialog(this);
        result = dialog.Execute();
    }
    if (result != IDOK) return;
    UpdateHandleSize();
    Invalidate(true);
}

// ---- Numeric text from the clipboard (142).

namespace {

// The clipboard's text as bytes for a data file, up to its first NUL: in the
// document's code page when every character has a place there, otherwise as
// UTF-8 (numbers and separators are the same bytes in both). Empty optional:
// no text on the clipboard; *noData: no clipboard or no data at all.
std::optional<std::string> ClipboardText(bool* noData) {
    *noData = false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const QMimeData* mime = clipboard ? clipboard->mimeData() : nullptr;
    if (!mime) {
        *noData = true;
        return std::nullopt;
    }
    if (!mime->hasText()) return std::nullopt;
    QString text = mime->text();
    if (const qsizetype nul = text.indexOf(QChar(0)); nul >= 0) text.truncate(nul);
    const QByteArray utf8 = text.toUtf8();
    const std::string_view view(utf8.constData(), std::size_t(utf8.size()));
    if (std::optional<std::string> cp932 = kv::Utf8ToCp932(view)) return cp932;
    return std::string(view);
}

// A file of the user's that the paste would replace, moved aside until the new
// series is in: a failed or cancelled paste puts it back, a successful one
// removes it.
class Displaced {
public:
    explicit Displaced(const QString& path) : path_(path) {
        if (!QFileInfo::exists(path_)) return;
        const QString aside = path_ + ".paste-" + QUuid::createUuid().toString(QUuid::Id128) + "~";
        if (QFile::rename(path_, aside)) aside_ = aside;
        else failed_ = true;
    }
    bool Failed() const { return failed_; }
    void Restore() {
        QFile::remove(path_);
        if (!aside_.isEmpty()) QFile::rename(aside_, path_);
        aside_.clear();
    }
    void Drop() {
        if (!aside_.isEmpty()) QFile::remove(aside_);
        aside_.clear();
    }

private:
    QString path_;
    QString aside_;
    bool failed_ = false;
};

}  // namespace

void TChartWindow::CmPasteData() { PasteDataFromClipboard(); }

void TChartWindow::PasteDataFromClipboard() {
    if (!Document.Current) return;
    const bool wasEmpty = Document.Current->PlotList.IsEmpty();

    // The user confirms replacing an existing file: the paste would otherwise
    // empty it without a word, and delete it if the data were then not read.
    const kv::FileDialogRequest request{
        .kind = kv::FileDialogKind::Save,
        .owner = static_cast<QWidget*>(this),
        .title = "Save Data from clipboard",
        .filters = {{"(*.dat)", "*.dat"}},
        .filterIndex = 1,
        .initialDir = {},
        .fileName = {},
        .defExt = "dat",
        .flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 OFN_OVERWRITEPROMPT,
    };
    const kv::FileDialogResult chosen = kv::RunFileDialog(request);
    if (!chosen.chosen || chosen.files.empty() || chosen.files.front().empty()) return;
    const std::string& path = chosen.files.front();

    // The series will keep this name: one the document cannot hold is refused
    // before anything is written.
    const std::optional<std::string> stored = kv::Utf8ToCp932(path);
    if (!stored) {
        Stop(*this, kPathNotStorable);
        return;
    }
    if (stored->size() >= std::size_t(MAX_PATH)) {
        Stop(*this, kPathTooLong);
        return;
    }

    std::optional<std::string> text;
    try {
        bool noData = false;
        text = ClipboardText(&noData);
        if (!text) {
            Stop(*this, noData ? kNoClipboardData : kNoClipboardText);
            return;
        }
    } catch (const std::bad_alloc&) {
        Stop(*this, kMemoryError);
        return;
    }

    const QString file = QString::fromStdString(path);
    Displaced previous(file);
    if (previous.Failed()) {
        Stop(*this, kWriteError);
        return;
    }
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            previous.Restore();
            Stop(*this, kWriteError);
            return;
        }
        const qint64 size = qint64(text->size());
        const bool written = out.write(text->data(), size) == size && out.flush();
        out.close();
        text.reset();
        if (!written || out.error() != QFileDevice::NoError) {
            previous.Restore();
            Stop(*this, kWriteError);
            return;
        }
    }

    if (OpenDataFile(path.c_str()) != 1) {
        previous.Restore();
        return;
    }
    previous.Drop();
    if (wasEmpty) {
        Document.Current->AutoScale(1, 1, 1, 1, 1, Settings.AutoScaleMargin);
        Document.Modified = 1;
        ClearFeedback();
        UpdateAxisLabels(Document.Current);
    }
    Invalidate(true);
}

// ---- One series' information text and data file.

void TChartWindow::ShowSeriesInfo(TPlot* plot) {
    if (!plot) return;
    const std::string before = plot->Info;
    {
        TInfoDialog dialog(this, &plot->Info);
        dialog.Execute();
    }
    // The graph file keeps the text: an edit must not be lost without the save
    // question.
    if (plot->Info != before) Document.Modified = 1;
}

void TChartWindow::EditDataFile(TPlot* plot) { ::EditDataFile(this, Settings.Editor, plot); }
