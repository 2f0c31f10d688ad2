#include "render/pageexport.h"

#include "platform/cformat.h"
#include "platform/escape.h"
#include "platform/messagebox.h"
#include "platform/metafile.h"
#include "platform/paths.h"
#include "platform/safefile.h"
#include "platform/stringtable.h"
#include "render/graphdraw.h"
#include "render/kvx.h"
#include "render/output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>

#include <climits>
#include <memory>

namespace {

// String ids.
constexpr int kWriteError = 26;
constexpr int kCannotOpen = 27;
constexpr int kInterrupted = 108;
constexpr int kFilterNotStarted = 1401;
constexpr int kFilterFailed = 1402;
constexpr int kFilterCrashed = 1403;
constexpr int kPictureTooLarge = 1404;

constexpr std::size_t kCopyBlock = 2048;
constexpr int kFilterPollMs = 100;

void Stop(const ExportPage& page, const std::string& text) {
    kv::MessageBox(page.Owner, text, nullptr, MB_OK | MB_ICONSTOP);
}

void Stop(const ExportPage& page, int id) { Stop(page, kv::LoadString(id)); }

// A file in the system's temporary folder, created empty, named from a prefix;
// removed when this goes.
class TempFile {
public:
    explicit TempFile(const char* prefix)
        : file_(QDir(QDir::tempPath()).filePath(QString::fromLatin1(prefix) + "XXXXXX.tmp")) {
        file_.setAutoRemove(true);
        if (file_.open()) {
            path_ = file_.fileName().toStdString();
            file_.close();  // the name stays reserved until removal
        }
    }
    bool Made() const { return !path_.empty(); }
    const std::string& Path() const { return path_; }  // UTF-8

private:
    QTemporaryFile file_;
    std::string path_;
};

// A local path as the file system takes it.
std::string Local(const std::string& utf8) {
    return QFile::encodeName(QString::fromStdString(utf8)).toStdString();
}

// The writer of a file the user named; null when there is no usable name.
std::unique_ptr<kv::ReplacingFileWriter> OpenOutput(const std::string& name) {
    if (name.empty() || name.back() == '/') return nullptr;
    auto w = std::make_unique<kv::ReplacingFileWriter>(Local(name));
    if (!w->File()) return nullptr;
    return w;
}

}  // namespace

ExportPage MakeExportPage(const GraphDocument& doc, int wmfMargin, void* owner) {
    ExportPage page;
    const TIArrayAsVector<BoxFrame>* sets = &doc.AxisSets;
    page.DrawGraph = [sets](int mode, TDC& dc, FILE* file, TRect* extent) {
        DrawGraph(*sets, mode, dc, file, extent);
    };
    if (doc.Env) {
        page.PrintableWidth = doc.Env->PrintableWidth;
        page.PrintableHeight = doc.Env->PrintableHeight;
    }
    page.WMFMargin = wmfMargin;
    page.Owner = owner;
    return page;
}

TRect MeasurePage(const ExportPage& page) {
    TRect extent(0, 0, 0, 0);
    TDC none;
    if (page.DrawGraph) page.DrawGraph(OUT_EXTENT, none, nullptr, &extent);
    return extent;
}

int ExportPlaceableMetafile(const ExportPage& page, const std::string& outputFile) {
    // The drawing with its margin; the picture's window, in page twips.
    const TRect e = MeasurePage(page);
    const long long m = page.WMFMargin;
    const long long left = e.left - m, top = e.top - m, right = e.right + m, bottom = e.bottom + m;
    // A margin that swallows the drawing still leaves a picture of one twip.
    const long long width = std::max(1LL, right - left), height = std::max(1LL, bottom - top);
    // Header box and window are 16-bit values; so are the records' coordinates.
    if (left < INT16_MIN || top < INT16_MIN || left + width > INT16_MAX ||
        top + height > INT16_MAX || width > INT16_MAX || height > INT16_MAX) {
        Stop(page, kPictureTooLarge);
        return 0;
    }

    TempFile temp("kv3");
    if (!temp.Made()) {
        Stop(page, kCannotOpen);
        return 0;
    }
    {
        TMetaFileDC dc(Local(temp.Path()));
        if (!dc.IsOpen()) {
            Stop(page, kCannotOpen);
            return 0;
        }
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize(int(width), int(height)));
        dc.SetWindowOrg(TPoint(int(left), int(top)));
        AbortRequested = 0;
        page.DrawGraph(OUT_DC, dc, nullptr, nullptr);
        if (!dc.Close()) {
            Stop(page, kWriteError);
            return 0;
        }
    }

    kv::wmf::PlaceableBox box;
    box.right = std::int16_t(width);
    box.bottom = std::int16_t(height);
    box.unitsPerInch = 1440;
    const auto header = kv::wmf::MakePlaceableHeader(box);

    auto out = OpenOutput(outputFile);
    if (!out) {
        Stop(page, "File Open Error");
        return 0;
    }
    if (std::fwrite(header.data(), 1, header.size(), out->File()) != header.size()) {
        Stop(page, kWriteError);
        return 0;
    }
    std::FILE* in = kv::OpenRegularFile(Local(temp.Path()));
    if (!in) {
        Stop(page, kCannotOpen);
        return 0;
    }
    // Block by block: the picture is never held in memory as a whole.
    char block[kCopyBlock];
    bool written = true;
    std::size_t n;
    while ((n = std::fread(block, 1, sizeof block, in)) > 0) {
        if (std::fwrite(block, 1, n, out->File()) != n) {
            written = false;
            break;
        }
    }
    const bool readFailed = std::ferror(in) != 0;
    std::fclose(in);
    if (written && readFailed) {
        Stop(page, kCannotOpen);
        return 0;
    }
    if (!written || !out->Commit()) {
        Stop(page, kWriteError);
        return 0;
    }
    if (CheckEscapeAbort()) Stop(page, kInterrupted);
    return 1;
}

int ExportVectorFile(const ExportPage& page, const std::string& outputFile) {
    const TRect e = MeasurePage(page);
    auto out = OpenOutput(outputFile);
    if (!out) {
        Stop(page, "File open error!!");
        return 0;
    }
    FILE* f = out->File();
    OutFileHeader(page.GraphFileVersion, f);
    OutPageInfo(page.PrintableWidth, page.PrintableHeight, f);
    OutBoundingBox(e.left, e.top, e.right, e.bottom, f);
    TDC none;
    TRect extent = e;
    page.DrawGraph(OUT_VECTOR, none, f, &extent);
    OutFileFooter(f);
    // Whatever happened, the frame of the file is complete; a write that failed
    // on the way is reported, and the old file stays.
    if (!out->Commit()) {
        Stop(page, kWriteError);
        return 0;
    }
    if (CheckEscapeAbort()) {
        Stop(page, kInterrupted);
        return 0;
    }
    return 1;
}

FilterCommand MakeFilterCommand(const std::string& program, const std::string& kvxFile,
                                const std::string& outputFile, const std::string& option) {
    FilterCommand cmd;
    const std::string local = kv::ToLocalPath(program);
    if (QFileInfo(QString::fromStdString(local)).isFile()) {
        cmd.program = local;
    } else {
        const QStringList words = QProcess::splitCommand(QString::fromStdString(local));
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (i == 0)
                cmd.program = kv::ToLocalPath(words[i].toStdString());
            else
                cmd.arguments.push_back(words[i].toStdString());
        }
    }
    cmd.arguments.push_back(kvxFile);
    cmd.arguments.push_back("-o" + outputFile);
    for (const QString& w : QProcess::splitCommand(QString::fromStdString(option)))
        cmd.arguments.push_back(w.toStdString());
    return cmd;
}

int RunExportFilter(const ExportPage& page, const std::string& program,
                    const std::string& outputFile, const std::string& option) {
    TempFile temp("kvx");
    if (!temp.Made()) {
        Stop(page, kCannotOpen);
        return 0;
    }
    const FilterCommand cmd = MakeFilterCommand(program, temp.Path(), outputFile, option);
    if (!ExportVectorFile(page, temp.Path())) return 0;
    if (cmd.program.empty()) {
        Stop(page, kv::Format(kv::LoadString(kFilterNotStarted).c_str(), program.c_str()));
        return 0;
    }

    QProcess process;
    process.setProgram(QString::fromStdString(cmd.program));
    QStringList args;
    for (const std::string& a : cmd.arguments) args << QString::fromStdString(a);
    process.setArguments(args);
    // The filter talks to the program's own terminal and reads nothing: a filter
    // that asks for input gets the end of it instead of waiting for ever.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1)) {
        Stop(page, kv::Format(kv::LoadString(kFilterNotStarted).c_str(), program.c_str()));
        return 0;
    }
    // Until it ends; Escape ends it (the wait is over only once it has ended).
    bool stopped = false;
    while (!process.waitForFinished(kFilterPollMs)) {
        if (process.state() == QProcess::NotRunning) break;
        if (!stopped && CheckEscapeAbort()) {
            stopped = true;
            process.terminate();
            if (!process.waitForFinished(2000)) {
                process.kill();
                process.waitForFinished(-1);
            }
            break;
        }
    }
    if (stopped) {
        Stop(page, kInterrupted);
        return 0;
    }
    if (process.exitStatus() == QProcess::CrashExit) {
        Stop(page, kFilterCrashed);
        return 0;
    }
    if (process.exitCode() != 0) {
        Stop(page, kv::Format(kv::LoadString(kFilterFailed).c_str(), process.exitCode()));
        return 0;
    }
    return 1;
}
