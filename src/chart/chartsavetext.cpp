// Saving a series made in memory as a numeric text file that the data-file reader
// reads back, after which the series refers to that file like one read from it.
//
// The file: a comment block (every line starts with an apostrophe) holding a
// header and the series' information text, then one line per row with X and Y
// separated by a comma; lines end in CR LF. Values that are not finite numbers
// are written as "*", which reads back as an invalid value.
//
// The file is written beside its target and takes the target's name only once
// all of it is on the disk: a write that fails leaves an earlier file of that
// name as it was, and the series stays a memory series with its text.

#include "chart/chartwindow.h"
#include "platform/cformat.h"
#include "platform/cp932.h"
#include "platform/filedialog.h"
#include "platform/messagebox.h"
#include "platform/safefile.h"
#include "platform/stringtable.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr int kSaveTitle = 78;          // the save dialog's title
constexpr int kWriteError = 26;         // write error

// The name chosen last, proposed again by the next save of the run.
std::string SaveTextFileName;

void Stop(TChartWindow& w, const std::string& text) {
    kv::MessageBox(static_cast<QWidget*>(&w), text, nullptr, MB_OK | MB_ICONSTOP);
}

std::string ValueText(double v) {
    // +INF marks an invalid value; a magnitude that large cannot be read back.
    if (!(std::fabs(v) < DBL_MAX)) return "*";
    return kv::Format("%.15lG", v);
}

// Buffered writes that remember the first failure.
class LineWriter {
public:
    explicit LineWriter(std::FILE* f) : f_(f) {}
    void Put(std::string_view s) {
        if (ok_ && !s.empty() && std::fwrite(s.data(), 1, s.size(), f_) != s.size()) ok_ = false;
    }
    void Put(char c) {
        if (ok_ && std::fputc(static_cast<unsigned char>(c), f_) == EOF) ok_ = false;
    }
    bool Ok() const { return ok_; }

private:
    std::FILE* f_;
    bool ok_ = true;
};

// The comment block of T = header + Info + CR LF: an apostrophe at the start and
// after every LF but the last, each CR written as a blank, each LF as a line end.
// Returns the number of lines written.
int WriteComments(LineWriter& out, const std::string& info) {
    const std::string t = "  Created by Korvida\r\n  \r\n" + info + "\r\n";
    int lines = 0;
    bool lineStart = true;
    for (char c : t) {
        if (lineStart) {
            out.Put('\'');
            lineStart = false;
        }
        if (c == '\r') {
            out.Put(' ');
        } else if (c == '\n') {
            out.Put("\r\n");
            ++lines;
            lineStart = true;
        } else {
            out.Put(c);
        }
    }
    return lines;
}

void WriteRows(LineWriter& out, const TPlot& plot) {
    const int rows = plot.XData.GetItemsInContainer();
    const int yRows = plot.YData.GetItemsInContainer();
    for (int i = 0; i < rows && out.Ok(); ++i) {
        const double x = plot.XData[plot.XData.LowerBound() + i].Value;
        // A Y column shorter than X (never made so) reads as invalid values.
        const double y = i < yRows ? plot.YData[plot.YData.LowerBound() + i].Value : HUGE_VAL;
        out.Put("  " + ValueText(x) + " , " + ValueText(y) + "   \r\n");
    }
}

}  // namespace

void TChartWindow::CmPlotSaveToFile() {
    TPlot* plot = SelectedSeries();
    // A series read from a file is that file already.
    if (!plot || plot->IsFileData == 1) return;

    const kv::FileDialogRequest request{
        .kind = kv::FileDialogKind::Save,
        .owner = static_cast<QWidget*>(this),
        .title = kv::LoadString(kSaveTitle),
        .filters = {{"(*.dat)", "*.dat"}, {"(*.*)", "*.*"}, {"(*.txt)", "*.txt"}, {"(*.csv)", "*.csv"}},
        .filterIndex = 1,
        .initialDir = {},
        .fileName = SaveTextFileName,
        .defExt = "csv",
        .flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY |
                 OFN_OVERWRITEPROMPT,
    };
    const kv::FileDialogResult chosen = kv::RunFileDialog(request);
    if (!chosen.chosen || chosen.files.empty()) {
        if (chosen.error != 0)
            kv::MessageBox(static_cast<QWidget*>(this), kv::Format("Error No. #%ld", long(chosen.error)),
                           "WARNING", MB_OK | MB_ICONSTOP);
        return;
    }
    const std::string& path = chosen.files.front();
    SaveTextFileName = path;

    // The series will refer to the file by this name: it must fit the document
    // before anything is written.
    const std::optional<std::string> stored = StorableDataPath(path);
    if (!stored) return;

    kv::ReplacingFileWriter file(path);
    if (!file.File()) {
        Stop(*this, kv::LoadString(kWriteError));
        return;
    }
    LineWriter out(file.File());
    const int commentLines = WriteComments(out, plot->Info);
    WriteRows(out, *plot);
    if (!out.Ok() || !file.Commit()) {
        file.Abort();
        Stop(*this, kv::LoadString(kWriteError));
        return;
    }

    plot->IsFileData = 1;
    lstrcpynA(plot->DataFileName, stored->c_str(), MAX_PATH);
    plot->Info.clear();  // it stands in the file's comment block now
    plot->PlotFile.StartRow = commentLines + 1;
    Document.Modified = 1;
}
