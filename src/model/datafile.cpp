// The numeric data-file reader: fills a series' columns from a text file of
// numbers separated by commas, TABs or blanks.
//
// The file is read in large blocks and cut into lines in place; a line is what the
// C runtime's fgets with a 5000-byte buffer gave on a text-mode stream, because
// stored reading settings (first and last row) count those lines: a CR before a
// LF is dropped, the LF ends the line and counts among its at most 4999
// characters, and a longer physical line arrives in pieces that are lines of their
// own. Only one block and the field positions of one line are held besides the
// columns.

#include "model/datafile.h"

#include "model/plot.h"
#include "platform/cp932.h"
#include "platform/largealloc.h"
#include "platform/numconv.h"
#include "platform/paths.h"
#include "platform/safefile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

char g_dataDrive[3] = "A:";
bool g_shortcut = true;

constexpr double kInf = std::numeric_limits<double>::infinity();

// A piece and the line end after it: the most a line takes in the file (its CR
// LF counted as two bytes).
constexpr std::size_t kLineWindow = DataLineChars + 1;
// Small enough to come from the heap's reused memory rather than fresh pages.
constexpr std::size_t kBlockBytes = std::size_t(1) << 16;
constexpr std::size_t kBufferBytes = kBlockBytes + kLineWindow + 1;

// Occurrences of c in [p, p + n), eight bytes at a time.
std::size_t CountByte(const char* p, std::size_t n, char c) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const std::uint64_t pattern = kOnes * std::uint8_t(c);
    std::size_t count = 0;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        w ^= pattern;  // a zero byte where c was
        const std::uint64_t nonzero = ((w & kLow7) + kLow7) | w;
        const std::uint64_t zeros = (~nonzero >> 7) & kOnes;
        count += std::size_t((zeros * kOnes) >> 56);
    }
    for (; i < n; ++i) count += p[i] == c;
    return count;
}

// Cuts the file into lines. Each line handed out lies in the block with one more
// writable byte after it, so the caller may terminate it in place (and must
// restore that byte: it may be the first of the next line).
class LineReader {
public:
    LineReader(std::FILE* file, std::int64_t fileSize)
        : file_(file), fileSize_(fileSize), buf_(std::make_unique_for_overwrite<char[]>(kBufferBytes)) {}

    bool Next(char*& begin, char*& end) {
        if (!eof_ && len_ - pos_ < kLineWindow) Fill();
        if (pos_ >= len_) return false;
        char* p = buf_.get() + pos_;
        const std::size_t avail = len_ - pos_;
        const std::size_t window = std::min(avail, kLineWindow);
        if (auto* nl = static_cast<char*>(std::memchr(p, '\n', window))) {
            const std::size_t k = std::size_t(nl - p);
            // CR LF reads as one LF, so it fits where a lone LF one place later
            // would not.
            if (k > 0 && p[k - 1] == '\r') {
                begin = p;
                end = p + k - 1;
                pos_ += k + 1;
                return true;
            }
            if (k < std::size_t(DataLineChars)) {
                begin = p;
                end = p + k;
                pos_ += k + 1;
                return true;
            }
        }
        const std::size_t n = std::min(avail, std::size_t(DataLineChars));
        begin = p;
        end = p + n;
        pos_ += n;
        return true;
    }

    // The unread rest of the block (refilled as Next would): a line that ends in
    // it lies there whole, and the zero byte after the block stops every scan.
    char* Window() {
        if (!eof_ && len_ - pos_ < kLineWindow) Fill();
        return buf_.get() + pos_;
    }
    // Takes everything before next as read.
    void Consume(const char* next) { pos_ = std::size_t(next - buf_.get()); }

    bool Failed() const { return error_; }
    // False when no line handed out since the last refill holds a zero byte.
    bool MayHoldNul() const { return hasNul_; }

    // About how many lines follow, for sizing the columns once: the rest of the
    // file at the highest density of lines found in the rest of the block and in
    // a few samples spread over the file. Exact when the block holds the rest of
    // the file; otherwise rather more than less (room that is never written
    // takes no memory), unless the lines grow much shorter between the samples.
    std::int64_t EstimateLinesLeft() {
        const std::size_t inBlock = len_ - pos_;
        const std::int64_t ends = std::int64_t(CountByte(buf_.get() + pos_, inBlock, '\n'));
        if (eof_) return ends + 1;
        const std::int64_t from = fileOffset_ + std::int64_t(len_);  // the first byte not in the block
        const std::int64_t rest = std::max<std::int64_t>(fileSize_ - from, 0);
        double density = Density(ends, inBlock);
        constexpr int kSamples = 8;
        constexpr std::int64_t kSampleBytes = 16384;
        if (rest > 0) {
            char* sample = Scratch();
            for (int k = 0; k < kSamples; ++k) {
                const std::int64_t at = from + std::max<std::int64_t>(rest - kSampleBytes, 0) * k / (kSamples - 1);
                const ssize_t n = ::pread(::fileno(file_), sample, std::size_t(std::min(kSampleBytes, rest)), at);
                if (n <= 0) break;
                density = std::max(density, Density(std::int64_t(CountByte(sample, std::size_t(n), '\n')), std::size_t(n)));
            }
        }
        return std::int64_t(double(rest + std::int64_t(inBlock)) * density * 1.05) + 1024;
    }

    // At least as many lines as follow, unless the file grows meanwhile: the line
    // ends in the rest of the block and of the file, the pieces that lines longer
    // than a line are cut into, and a last line without an end. Reads the rest of
    // the file once.
    std::int64_t CountLinesLeft() {
        std::int64_t bytes = std::int64_t(len_ - pos_);
        std::int64_t ends = std::int64_t(CountByte(buf_.get() + pos_, len_ - pos_, '\n'));
        if (!eof_) {
            char* scratch = Scratch();
            for (std::int64_t at = fileOffset_ + std::int64_t(len_);;) {
                const ssize_t n = ::pread(::fileno(file_), scratch, kBlockBytes, at);
                if (n <= 0) break;
                ends += std::int64_t(CountByte(scratch, std::size_t(n), '\n'));
                bytes += n;
                at += n;
            }
        }
        return ends + bytes / DataLineChars + 1;
    }

private:
    // Lines per byte of a stretch of the file: its line ends, or the pieces its
    // long lines are cut into where there are more.
    static double Density(std::int64_t ends, std::size_t bytes) {
        if (bytes == 0) return 0.0;
        return std::max(double(ends), double(bytes) / DataLineChars) / double(bytes);
    }
    // A block for reading ahead of the block, made when first needed.
    char* Scratch() {
        if (!scratch_) scratch_ = std::make_unique_for_overwrite<char[]>(kBlockBytes);
        return scratch_.get();
    }

    void Fill() {
        if (pos_ > 0) {
            std::memmove(buf_.get(), buf_.get() + pos_, len_ - pos_);
            fileOffset_ += std::int64_t(pos_);
            len_ -= pos_;
            pos_ = 0;
        }
        const std::size_t cap = kBufferBytes - 1;
        while (!eof_ && len_ < cap) {
            const std::size_t n = std::fread(buf_.get() + len_, 1, cap - len_, file_);
            len_ += n;
            if (n == 0) {
                eof_ = true;
                error_ = std::ferror(file_) != 0;
            }
        }
        hasNul_ = std::memchr(buf_.get(), '\0', len_) != nullptr;
        buf_[len_] = '\0';  // within the buffer: a fill leaves its last byte free
    }

    std::FILE* file_;
    std::int64_t fileSize_;
    std::int64_t fileOffset_ = 0;  // of the block's first byte
    std::unique_ptr<char[]> buf_;
    std::unique_ptr<char[]> scratch_;
    std::size_t pos_ = 0;
    std::size_t len_ = 0;
    bool eof_ = false;
    bool error_ = false;
    bool hasNul_ = false;
};

// Puts back the byte after a line that was terminated in place.
class RestoreByte {
public:
    explicit RestoreByte(char* p) : p_(p), c_(*p) {}
    ~RestoreByte() { *p_ = c_; }
    RestoreByte(const RestoreByte&) = delete;
    RestoreByte& operator=(const RestoreByte&) = delete;

private:
    char* p_;
    char c_;
};

bool IsCommentStart(char c) {
    switch (c) {
    case '\'': case '"': case ';': case '/': case '#': case '%': case '\r':
        return true;
    default:
        return false;
    }
}

// The white space the decimal conversion skips before a number.
inline bool IsConversionSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// When a line holds a comma or a TAB, each of them separates two fields (which
// may be empty); otherwise each run of blanks does (the line is trimmed, so no
// field is empty).
inline bool IsCommaLine(const char* b, const char* e) {
    for (; b < e; ++b)
        if (*b == '\t' || *b == ',') return true;
    return false;
}

std::size_t CountSeparators(const char* b, const char* e) {
    std::size_t n = 0;
    if (IsCommaLine(b, e)) {
        for (const char* q = b; q < e; ++q)
            if (*q == ',' || *q == '\t') ++n;
    } else {
        for (const char* q = b; q < e; ++q)
            if (*q == ' ' && q[-1] != ' ') ++n;  // q > b: the line starts with no blank
    }
    return n;
}

// The separator that ends the field starting at f, or e.
inline char* FieldEnd(char* f, char* e, bool comma) {
    if (!comma) {
        void* blank = std::memchr(f, ' ', std::size_t(e - f));
        return blank ? static_cast<char*>(blank) : e;
    }
    while (f < e && *f != ',' && *f != '\t') ++f;
    return f;
}

// A field holding "d" or "D" where the number stopped: read it with those
// letters as exponent letters (the conversion stops at no other letter).
double ConvertWithDExponent(const char* f, const char* e) {
    std::string copy(f, e);
    for (char& c : copy)
        if (c == 'd' || c == 'D') c = 'e';
    return kv::StrToD(copy.c_str());
}

// The element of the field starting at f; *fieldEnd is set to its end. Every
// field after the first stood behind a blank in the line as the format was first
// defined, so one character less of it lies in the window searched for the marks.
inline TDataElement ReadField(char* f, char* e, bool comma, bool firstField, char*& fieldEnd) {
    const std::size_t window = std::size_t(DataMarkWindow - (firstField ? 0 : 1));
    double v = 0.0;
    const char* scanFrom = f;
    char* fe;
    if (!IsConversionSpace(*f)) {
        // The conversion stops at every separator and at the line's terminator,
        // so it can run on the field in place; the characters it took are no
        // marks.
        const char* stop = f;
        v = kv::StrToD(f, &stop);
        scanFrom = stop;
        fe = FieldEnd(const_cast<char*>(stop), e, comma);
        if (*stop == 'd' || *stop == 'D') v = ConvertWithDExponent(f, fe);
    } else {
        // Leading white space would let the conversion run over a separator.
        fe = FieldEnd(f, e, comma);
        const char saved = *fe;
        *fe = '\0';
        const char* stop = f;
        v = kv::StrToD(f, &stop);
        if (*stop == 'd' || *stop == 'D') v = ConvertWithDExponent(f, fe);
        *fe = saved;
    }
    fieldEnd = fe;
    const char* markEnd = fe - f > std::ptrdiff_t(window) ? f + window : fe;
    bool bar = false;
    for (const char* q = scanFrom; q < markEnd; ++q) {
        if (*q == '*') return TDataElement(kInf, DataFlagStar);
        if (*q == '|') bar = true;
    }
    if (bar) return TDataElement(kInf, DataFlagBar);
    return TDataElement(v, 0);
}

// Walks the fields of the line [b, e) (terminated at *e). The element of field c
// goes to row[useOf[c]] where useOf names one (fields without one are only
// stepped over). Returns the separator count.
std::size_t WalkLine(char* b, char* e, const std::vector<int>& useOf, TDataElement* row) {
    const bool comma = IsCommaLine(b, e);
    std::size_t c = 0;
    char* f = b;
    for (;;) {
        char* fe;
        const int u = c < useOf.size() ? useOf[c] : -1;
        if (u >= 0) row[u] = ReadField(f, e, comma, c == 0, fe);
        else fe = FieldEnd(f, e, comma);
        if (fe >= e) return c;
        f = fe + 1;
        if (!comma)
            while (*f == ' ') ++f;
        ++c;
    }
}

// A data line of plain numbers, read straight from the block at p (which a zero
// byte ends) without the general walk: the line starts with a number, every
// field is a number and nothing else, the fields are separated by single TABs
// or commas or else by runs of blanks, the line ends in a line end (CR LF or LF)
// with no blank before it and within the line length, and it has `columns`
// fields. Such a line gives exactly the elements the general walk gives it.
// The element of field c goes to row[useOf[c]] where useOf names one. Returns
// the start of the next line, or nullptr for any other line (which the general
// walk then reads; row may have been written).
const char* FastRow(const char* p, const std::vector<int>& useOf, TDataElement* row, std::size_t columns) {
    const char* const start = p;
    char separator = 0;  // ',' for TABs and commas, ' ' for blanks, 0 before the first
    std::size_t c = 0;
    for (;;) {
        double v;
        const char* stop;
        if (!kv::StrToDShort(p, &stop, &v)) {
            // StrToD would skip white space, a line end included.
            if (IsConversionSpace(*p)) return nullptr;
            v = kv::StrToD(p, &stop);
            if (stop == p) return nullptr;
        }
        if (c < useOf.size() && useOf[c] >= 0) row[useOf[c]] = TDataElement(v, 0);
        ++c;
        const char* q = stop;
        switch (*q) {
        case '\t':
        case ',':
            if (separator == ' ') return nullptr;
            separator = ',';
            p = q + 1;
            break;
        case ' ':
            if (separator == ',') return nullptr;
            separator = ' ';
            while (*++q == ' ') {
            }
            p = q;
            break;
        case '\r':
            if (q[1] != '\n') return nullptr;
            ++q;
            [[fallthrough]];
        case '\n':
            if (q - start >= DataLineChars || c != columns) return nullptr;
            return q + 1;
        default:
            return nullptr;
        }
    }
}

// The data range of X or of Y as it grows.
struct Range {
    double lo = kInf;
    double hi = -kInf;
    // Widens by the valid elements of [e, end), in row order.
    void Widen(const TDataElement* e, const TDataElement* end) {
        double l = lo, h = hi;
        for (; e < end; ++e) {
            if (!IsValidElement(*e)) continue;
            if (e->Value < l) l = e->Value;
            if (e->Value > h) h = e->Value;
        }
        lo = l;
        hi = h;
    }
};

// Where the elements of one file column go.
struct Sink {
    TDataColumn* column;
    std::size_t slot = 0;  // the element's place in the row
};

struct ColumnUse {
    std::size_t field;  // 0-based
    std::vector<Sink> sinks;
};

}  // namespace

void SetDataDrive(const char* drive) {
    std::size_t n = 0;
    if (drive)
        for (; n < 2 && drive[n]; ++n) g_dataDrive[n] = drive[n];
    g_dataDrive[n] = '\0';
}

const char* GetDataDrive() { return g_dataDrive; }

void SetDataReaderShortcut(bool on) { g_shortcut = on; }

std::string DataFileLocalPath(const char* storedName, int searchMethod) {
    const std::string stored(storedName, ::strnlen(storedName, MAX_PATH));
    std::string path;
    if (searchMethod == 1 || searchMethod == 2) {
        const kv::SplitPath parts = kv::SplitFilePathCp932(stored);
        if (searchMethod == 1) path = std::string(GetDataDrive()) + parts.dir;
        path += parts.name + parts.ext;
    } else {
        path = stored;
    }
    // Names are CP932 in the document and UTF-8 on disk; a name that is not
    // CP932 is tried as it is.
    const std::optional<std::string> utf8 = kv::Cp932ToUtf8(path);
    return kv::ToLocalPath(utf8 ? *utf8 : path);
}

int TPlot::ReadData() {
    if (IsFileData == 0) return 1;

    const std::string path = DataFileLocalPath(DataFileName, PlotFile.SearchMethod);
    // A folder, a device or a pipe is no data file (and some never end).
    kv::UniqueFile file(kv::OpenRegularFile(path));
    if (!file) return 0;
    struct stat st;
    if (::fstat(::fileno(file.get()), &st) != 0) return 0;

    std::unique_ptr<LineReader> reader;
    std::vector<int> useOf;
    std::vector<TDataElement> row;
    try {
        reader = std::make_unique<LineReader>(file.get(), std::int64_t(st.st_size));
        useOf.reserve(kLineWindow);
    } catch (const std::bad_alloc&) {
        return 0;
    }

    // Settings the reading dialog cannot refuse are read as the nearest sound
    // value; row arithmetic is 64-bit so that "to the end" cannot overflow.
    const TPlotFile& pf = PlotFile;
    const std::int64_t startRow = std::max(1, pf.StartRow);
    const std::int64_t endRow = pf.EndRow == -1 ? std::int64_t(INT_MAX) : std::int64_t(pf.EndRow);
    const std::int64_t rowSkip = std::max(1, pf.RowSkip);
    const std::int64_t lookAt = endRow - startRow + 1;

    char* b = nullptr;
    char* e = nullptr;
    for (std::int64_t i = 1; i < startRow; ++i)
        if (!reader->Next(b, e)) return 0;

    TDataColumn* all[6 + ParamColumnCount] = {&XData, &YData, &XMinData, &XMaxData, &YMinData, &YMaxData};
    for (int c = 0; c < ParamColumnCount; ++c) all[6 + c] = &ParamData[c];
    auto emptyAll = [&] {
        for (TDataColumn* col : all) col->Flush();
        XMin = YMin = kInf;
        XMax = YMax = -kInf;
    };
    emptyAll();
    try {
        ParseParameterColumns(PlotFile.ParamColumnSpec.c_str(), 0);
    } catch (const std::bad_alloc&) {
        return 0;
    }

    Range xRange, yRange;
    std::vector<ColumnUse> uses;
    std::vector<Sink> sinks;  // every sink of every use, for the row loop
    std::vector<TDataColumn*> filled;  // every column that gets a value per row
    bool xIsRow = false, yIsRow = false;
    auto use = [&](int column, Sink sink) {
        if (std::find(filled.begin(), filled.end(), sink.column) == filled.end())
            filled.push_back(sink.column);
        const std::size_t field = std::size_t(column - 1);
        for (ColumnUse& u : uses)
            if (u.field == field) {
                u.sinks.push_back(sink);
                return;
            }
        uses.push_back({field, {sink}});
    };

    std::int64_t kept = 0;       // rows, the next row number less one
    std::int64_t step = 0;
    std::size_t columns = 0;

    // Every filled column holds `stored` elements and is sized (not filled) for
    // `room`: a row is written straight to its place, and the columns are cut
    // back to the rows stored when the read ends. They are sized once, at the
    // first data line, for what the rest of the file seems to hold: growing as
    // rows come would write every row again at each step, into new pages. Room
    // that is never written costs no memory. X and Y join the data range a block
    // of rows at a time, while the block is still in the cache.
    std::int64_t left = lookAt;  // lines still to be looked at, this one included
    std::size_t stored = 0, room = 0, widened = 0;
    std::vector<TDataElement*> sinkData;  // the storage of each sink's column
    TDataElement* xNumbers = nullptr;     // X or Y when they take the row number
    TDataElement* yNumbers = nullptr;
    auto point = [&] {
        for (std::size_t i = 0; i < sinks.size(); ++i) sinkData[i] = sinks[i].column->data();
        xNumbers = xIsRow ? XData.data() : nullptr;
        yNumbers = yIsRow ? YData.data() : nullptr;
    };
    auto size = [&](std::size_t n) {
        room = 0;
        for (TDataColumn* col : filled) col->ResizeForOverwrite(n);
        room = n;
        point();
    };
    // Moves the stored rows to columns with room for n rows. The pages of the old
    // room go back to the system at once, so that the read holds no more than
    // the new room.
    auto move = [&](std::size_t n) {
        for (TDataColumn* col : filled) {
            TDataColumn moved;
            moved.ResizeForOverwrite(n);
            std::copy_n(col->data(), stored, moved.data());
            kv::DiscardPages(col->data(), std::size_t(col->GetItemsInContainer()) * sizeof(TDataElement));
            *col = std::move(moved);
        }
        room = n;
        point();
    };
    auto widen = [&] {
        xRange.Widen(XData.data() + widened, XData.data() + stored);
        yRange.Widen(YData.data() + widened, YData.data() + stored);
        widened = stored;
    };
    constexpr std::size_t kWidenRows = 256;

    // Stores the row's elements (X and Y the row number where they take it).
    auto store = [&] {
        if (kept >= INT_MAX) throw std::length_error("too many rows");
        if (stored == room) {
            // The first sizing fell short (the lines grew shorter than it
            // judged): room for every row the lines after this one can give.
            const std::int64_t after = std::max<std::int64_t>(std::min(reader->CountLinesLeft(), left - 1), 0);
            move(std::size_t(std::min<std::int64_t>(std::int64_t(stored) + 1 + after, INT_MAX)));
        }
        for (std::size_t i = 0; i < sinkData.size(); ++i) sinkData[i][stored] = row[sinks[i].slot];
        const TDataElement number(double(kept + 1), 0);
        if (xNumbers) xNumbers[stored] = number;
        if (yNumbers) yNumbers[stored] = number;
        ++stored;
        ++kept;
        if (stored % kWidenRows == 0) widen();
    };
    auto finish = [&](int result) {
        widen();
        XMin = xRange.lo;
        XMax = xRange.hi;
        YMin = yRange.lo;
        YMax = yRange.hi;
        // A guess far above what came (a long comment tail, an early end) gives
        // its room back; a nearer one gives back the pages of its room.
        if (room > 2 * stored + 65536) {
            try {
                move(stored);
            } catch (const std::bad_alloc&) {
                // The columns keep their room; nothing is lost.
            }
        }
        for (TDataColumn* col : filled) {
            const std::size_t have = std::size_t(col->GetItemsInContainer());
            if (have > stored) kv::DiscardPages(col->data() + stored, (have - stored) * sizeof(TDataElement));
            col->Resize(stored);
        }
        return result;
    };

    try {
        for (; left > 0; --left) {
            // After the first data line, a line of plain numbers is read where
            // it lies; every other line takes the general way below.
            if (g_shortcut && columns > 0 && rowSkip == 1) {
                if (const char* next = FastRow(reader->Window(), useOf, row.data(), columns)) {
                    reader->Consume(next);
                    store();
                    continue;
                }
            }
            if (!reader->Next(b, e)) break;
            RestoreByte restore(e);
            // A zero byte ends the line's text.
            if (reader->MayHoldNul())
                if (auto* nul = static_cast<char*>(std::memchr(b, '\0', std::size_t(e - b)))) e = nul;
            while (b < e && *b == ' ') ++b;
            while (e > b && e[-1] == ' ') --e;
            *e = '\0';
            const bool comment = b == e || IsCommentStart(*b);

            if (columns == 0) {
                // Lines before the first data line are skipped when they are comments.
                if (comment) continue;
                columns = CountSeparators(b, e) + 1;
                // A column beyond the file's, or one that cannot name a column
                // while it is to be read, would leave that column short of rows.
                auto bad = [&](int column, int lowest) {
                    return column < lowest || std::size_t(column) > columns;
                };
                if (bad(pf.XColumn, 0) || bad(pf.YColumn, 0) ||
                    (pf.IsXErrorBar == 1 && (bad(pf.XMinColumn, 1) || bad(pf.XMaxColumn, 1))) ||
                    (pf.IsYErrorBar == 1 && (bad(pf.YMinColumn, 1) || bad(pf.YMaxColumn, 1))))
                    return finish(0);
                for (std::size_t c = columns + 1; c <= std::size_t(ParamColumnCount); ++c)
                    PlotFile.ParamColumns[c - 1] = 0;
                xIsRow = pf.XColumn == 0;
                yIsRow = pf.YColumn == 0;
                if (xIsRow) filled.push_back(&XData);
                else use(pf.XColumn, {&XData});
                if (pf.IsXErrorBar == 1) {
                    use(pf.XMaxColumn, {&XMaxData});
                    use(pf.XMinColumn, {&XMinData});
                }
                if (yIsRow) filled.push_back(&YData);
                else use(pf.YColumn, {&YData});
                if (pf.IsYErrorBar == 1) {
                    use(pf.YMaxColumn, {&YMaxData});
                    use(pf.YMinColumn, {&YMinData});
                }
                for (std::size_t c = 1; c <= std::min(columns, std::size_t(ParamColumnCount)); ++c)
                    if (PlotFile.ParamColumns[c - 1] == 1) use(int(c), {&ParamData[c - 1]});
                useOf.assign(columns, -1);
                for (std::size_t u = 0; u < uses.size(); ++u) {
                    useOf[uses[u].field] = int(u);
                    for (Sink sink : uses[u].sinks) {
                        sink.slot = u;
                        sinks.push_back(sink);
                    }
                }
                row.assign(uses.size(), TDataElement());
                sinkData.assign(sinks.size(), nullptr);
                const std::int64_t expectedRows =
                    std::min<std::int64_t>(std::min(reader->EstimateLinesLeft(), left - 1) / rowSkip + 2, INT_MAX);
                try {
                    size(std::size_t(expectedRows));
                } catch (const std::bad_alloc&) {
                    size(0);  // then the first row counts the lines left and sizes them
                }
                step = 1;
                WalkLine(b, e, useOf, row.data());
                store();
                continue;
            }

            if (comment) {
                switch (pf.CommentMode) {
                case 1:
                    return finish(1);
                case 2:
                    step = 0;
                    break;
                case 3:
                    step = 0;
                    std::fill(row.begin(), row.end(), TDataElement(kInf, DataFlagStar));
                    store();
                    break;
                default:
                    // The comment line itself is a row (a field it lacks reads as
                    // an empty one); an empty line has no field and adds to no
                    // column.
                    if (b == e) {
                        ++kept;
                    } else {
                        std::fill(row.begin(), row.end(), TDataElement());
                        WalkLine(b, e, useOf, row.data());
                        store();
                    }
                    break;
                }
                continue;
            }

            ++step;
            if (rowSkip != 1 && step % rowSkip != 1) continue;
            if (WalkLine(b, e, useOf, row.data()) + 1 != columns) return finish(1);
            store();
        }
    } catch (const std::bad_alloc&) {
        emptyAll();
        return 0;
    } catch (const std::length_error&) {
        emptyAll();
        return 0;
    }
    if (reader->Failed()) {
        emptyAll();
        return 0;
    }
    return finish(1);
}
