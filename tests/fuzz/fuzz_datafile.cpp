// Feeds arbitrary bytes to the numeric data-file reader as a file, with reading
// settings taken from the first bytes, and checks that every column it fills
// ends with as many rows as X, and that reading without the shortcut for lines
// of plain numbers gives the very same series.
#include "model/datafile.h"
#include "model/plot.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr std::size_t kSettingBytes = 8;

const std::string& ScratchFile() {
    static const std::string path = [] {
        const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string p = std::string(dir) + "/kv-fuzz-datafile-XXXXXX";
        const int fd = ::mkstemp(p.data());
        if (fd < 0) std::abort();
        ::close(fd);
        std::atexit([] { ::unlink(ScratchFile().c_str()); });
        return p;
    }();
    return path;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool SameColumn(const TDataColumn& a, const TDataColumn& b) {
    if (a.GetItemsInContainer() != b.GetItemsInContainer()) return false;
    for (int i = 0; i < a.GetItemsInContainer(); ++i)
        if (std::memcmp(&a[i].Value, &b[i].Value, sizeof(double)) != 0 || a[i].Flag != b[i].Flag) return false;
    return true;
}

bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kSettingBytes) return 0;
    TPlot p;
    TPlotFile& f = p.PlotFile;
    f.CommentMode = 1 + data[0] % 4;  // 4 stands for a value no dialog sets
    f.RowSkip = int(data[1] % 5) - 1;
    f.StartRow = int(data[2] % 6) - 1;
    f.EndRow = data[3] % 4 == 0 ? -1 : int(data[3] >> 2) - 8;
    f.XColumn = data[4] % 5;
    f.YColumn = (data[4] >> 3) % 5;
    f.IsXErrorBar = data[5] & 1;
    f.IsYErrorBar = (data[5] >> 1) & 1;
    f.XMaxColumn = (data[5] >> 2) % 4;
    f.XMinColumn = (data[5] >> 4) % 4;
    f.YMaxColumn = data[6] % 4;
    f.YMinColumn = (data[6] >> 2) % 4;
    static const char* const kSpecs[] = {"", "1", "2-4", "1,3", "99", "1-99", "3-2", "x"};
    f.ParamColumnSpec = kSpecs[(data[6] >> 4) % 8];
    const std::uint8_t maskByte = data[7];

    std::FILE* out = std::fopen(ScratchFile().c_str(), "wb");
    if (!out) std::abort();
    std::fwrite(data + kSettingBytes, 1, size - kSettingBytes, out);
    std::fclose(out);
    std::snprintf(p.DataFileName, sizeof p.DataFileName, "%s", ScratchFile().c_str());

    TPlot general = p;
    const int result = p.ReadData();
    Check(result == 0 || result == 1);
    SetDataReaderShortcut(false);
    const int generalResult = general.ReadData();
    SetDataReaderShortcut(true);
    Check(generalResult == result);
    Check(SameColumn(p.XData, general.XData) && SameColumn(p.YData, general.YData));
    Check(SameColumn(p.XMinData, general.XMinData) && SameColumn(p.XMaxData, general.XMaxData));
    Check(SameColumn(p.YMinData, general.YMinData) && SameColumn(p.YMaxData, general.YMaxData));
    for (int c = 0; c < ParamColumnCount; ++c)
        Check(SameColumn(p.ParamData[c], general.ParamData[c]) &&
              p.PlotFile.ParamColumns[c] == general.PlotFile.ParamColumns[c]);
    Check(SameDouble(p.XMin, general.XMin) && SameDouble(p.XMax, general.XMax));
    Check(SameDouble(p.YMin, general.YMin) && SameDouble(p.YMax, general.YMax));
    const int rows = p.XData.GetItemsInContainer();
    Check(p.YData.GetItemsInContainer() == rows);
    const int xBars = f.IsXErrorBar == 1 ? rows : 0, yBars = f.IsYErrorBar == 1 ? rows : 0;
    Check(p.XMinData.GetItemsInContainer() == xBars && p.XMaxData.GetItemsInContainer() == xBars);
    Check(p.YMinData.GetItemsInContainer() == yBars && p.YMaxData.GetItemsInContainer() == yBars);
    for (int c = 0; c < ParamColumnCount; ++c)
        Check(p.ParamData[c].GetItemsInContainer() == (f.ParamColumns[c] == 1 ? rows : 0));
    for (int i = 0; i < rows; ++i) {
        const TDataElement& x = p.XData[i];
        if (IsValidElement(x)) Check(x.Value >= p.XMin && x.Value <= p.XMax);
    }

    // The row lists on the rows just read.
    char mask[8];
    std::snprintf(mask, sizeof mask, "%d-%d", maskByte % 16, maskByte / 16);
    Check(p.ApplyMask(mask, 1) >= 0);
    p.ApplyMask(mask, 0);
    return 0;
}
