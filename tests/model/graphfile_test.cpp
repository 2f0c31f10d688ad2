// The graph document file: writing, reading and adding, the backup copy, refused
// and damaged files, and data read again for parameter-only axis sets.
#include "model/graphfile.h"
#include "platform/largealloc.h"

#include "model/boxframe.h"
#include "platform/messagebox.h"
#include "platform/stringtable.h"
#include "resident_memory.h"
#include "stream_bytes.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using kvtest::Le32;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The bytes a document is written as.
std::string Serialized(const GraphDocument& doc) {
    opstream os;
    WriteGraphContent(os, *doc.Env, doc.AxisSets);
    return os.buffer();
}

// Everything of a file after the tag: the version, the page settings and the
// axis sets.
std::string FileWith(const std::string& tagAndVersion, const GraphDocument& doc) {
    opstream os;
    os << *doc.Env;
    os.writeWord32(std::uint32_t(doc.AxisSets.GetItemsInContainer()));
    for (const BoxFrame* set : doc.AxisSets) os << *set;
    return kvtest::kHeader + tagAndVersion + os.buffer().substr(kvtest::kHeader.size());
}

std::string Tag(const std::string& tag) { return Le32(std::uint32_t(tag.size())) + tag; }

// A file of the given bytes made `size` bytes long with zeros that take no room on
// the disk; false where the file system cannot hold such a file.
bool WriteSparse(const std::string& path, const std::string& head, std::uint64_t size) {
    WriteFile(path, head);
    return ::truncate(path.c_str(), off_t(size)) == 0;
}

using kvtest::PeakResidentBytes;
using kvtest::ResetPeakResident;
using kvtest::ResidentBytes;

// A document without an axis set, or the file of one whose count says n.
GraphDocument NoAxisSet() {
    GraphDocument doc;
    doc.AxisSets.Flush();
    return doc;
}
std::string NoAxisSet(std::uint32_t n) {
    const std::string file = FileWith(Tag("korvida") + Le32(1340), NoAxisSet());
    return file.substr(0, file.size() - 4) + Le32(n);
}

class GraphFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kv-graphfile-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        hooks_.ClearFeedback = [this] { ++cleared_; };
        hooks_.SetGridMenu = [this](int item) { gridItems_.push_back(item); };
        hooks_.Repaint = [this] { ++repaints_; };
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::string Path(const char* name) const { return dir_ + "/" + name; }

    // A document of two axis sets holding every kind of object, on a grid.
    static GraphDocument Sample() {
        GraphDocument doc;
        doc.Env->PaperWidth = 16838;
        doc.Env->IsGrid = 1;
        doc.Env->GridPitch = 200;
        doc.AxisSets.Destroy(1);
        doc.AxisSets.Add(kvtest::MakeSampleBoxFrame().release());
        auto second = kvtest::MakeSampleBoxFrame();
        second->Frame.OriginX = 9000;
        doc.AxisSets.Add(second.release());
        doc.Current = doc.AxisSets[2];
        doc.CurrentNo = 2;
        doc.Modified = 1;
        return doc;
    }

    // The shown messages' texts and flags.
    static std::vector<std::pair<std::string, unsigned>> Shown(const kv::ScriptedMessageBoxes& boxes) {
        std::vector<std::pair<std::string, unsigned>> out;
        for (const kv::MessageBoxRequest& r : boxes.Shown()) out.emplace_back(r.text, r.flags);
        return out;
    }

    std::string dir_;
    GraphFileHooks hooks_;
    int cleared_ = 0;
    int repaints_ = 0;
    std::vector<int> gridItems_;
};

TEST_F(GraphFileTest, WrittenReadAndWrittenAgainIsTheSameFile) {
    kv::ScriptedMessageBoxes boxes;
    int laidOut = 0;
    static int* counter;
    counter = &laidOut;
    SetTextRelayoutHook([](BoxFrame&) { ++*counter; });

    GraphDocument doc = Sample();
    ASSERT_EQ(WriteGraphFile(doc, Path("a.kv3"), hooks_), 1);
    EXPECT_EQ(doc.Modified, 0);
    const std::string first = ReadFile(Path("a.kv3"));
    EXPECT_EQ(first.substr(0, 20), kvtest::kHeader + Tag("korvida") + Le32(1340));
    EXPECT_EQ(first, kvtest::kHeader + Serialized(doc).substr(kvtest::kHeader.size()));

    GraphDocument back;
    ASSERT_EQ(ReadGraphFile(back, Path("a.kv3"), hooks_), 1);
    SetTextRelayoutHook(nullptr);
    EXPECT_EQ(back.AxisSets.GetItemsInContainer(), 2);
    EXPECT_EQ(back.Current, back.AxisSets[1]);
    EXPECT_EQ(back.CurrentNo, 1);
    EXPECT_EQ(back.Env->PaperWidth, 16838);
    EXPECT_EQ(back.AxisSets[2]->Frame.OriginX, 9000);
    EXPECT_EQ(laidOut, 2) << "every axis set's texts laid out again";
    EXPECT_EQ(cleared_, 1);
    EXPECT_EQ(gridItems_, std::vector<int>{GridMenu10});
    EXPECT_TRUE(boxes.Shown().empty());

    ASSERT_EQ(WriteGraphFile(back, Path("b.kv3"), hooks_), 1);
    EXPECT_EQ(ReadFile(Path("b.kv3")), first);
}

TEST_F(GraphFileTest, GridMenuFollowsThePageSettings) {
    struct Case {
        int grid, pitch, item;
    };
    for (Case c : {Case{0, 100, GridMenuNone}, Case{1, 100, GridMenu5}, Case{1, 300, GridMenu15},
                   Case{1, 400, GridMenu20}, Case{1, 250, 0}}) {
        TEnv env;
        env.IsGrid = c.grid;
        env.GridPitch = c.pitch;
        EXPECT_EQ(GridMenuItemFor(env), c.item) << c.grid << " " << c.pitch;
    }
}

TEST_F(GraphFileTest, BackupHoldsThePreviousFile) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc = Sample();
    const std::string path = Path("g.kv3");
    ASSERT_EQ(WriteGraphFile(doc, path, hooks_), 1);
    const std::string v1 = ReadFile(path);
    EXPECT_FALSE(std::filesystem::exists(Path("g.kv3~")));

    doc.Env->Zoom = 150;
    ASSERT_EQ(WriteGraphFile(doc, path, hooks_), 1);
    const std::string v2 = ReadFile(path);
    EXPECT_NE(v1, v2);
    EXPECT_EQ(ReadFile(Path("g.kv3~")), v1);

    doc.Env->Zoom = 200;
    ASSERT_EQ(WriteGraphFile(doc, path, hooks_), 1);
    EXPECT_EQ(ReadFile(Path("g.kv3~")), v2);
    // Nothing else is left in the folder: no temporary file.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) files += entry.is_regular_file();
    EXPECT_EQ(files, 2);
}

TEST_F(GraphFileTest, SavingThroughASymbolicLinkKeepsTheLink) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc = Sample();
    const std::string real = Path("real.kv3"), link = Path("link.kv3");
    WriteFile(real, "previous");
    std::filesystem::create_symlink(real, link);
    ASSERT_EQ(WriteGraphFile(doc, link, hooks_), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadFile(link), Serialized(doc));
    EXPECT_EQ(ReadFile(Path("link.kv3~")), "previous");
}

TEST_F(GraphFileTest, FailedWriteLeavesTheOldFile) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc = Sample();

    // No folder to create the file in: 24, then 25.
    EXPECT_EQ(WriteGraphFile(doc, Path("missing/x.kv3"), hooks_), 0);
    EXPECT_EQ(doc.Modified, 1);
    const std::vector<std::pair<std::string, unsigned>> expected = {
        {kv::LoadString(24), MB_OK | MB_ICONEXCLAMATION}, {kv::LoadString(25), MB_OK | MB_ICONSTOP}};
    EXPECT_EQ(Shown(boxes), expected);
    EXPECT_NE(kv::LoadString(25).find("\n"), std::string::npos);

    // A write that fails half way (a record class nobody registered) leaves the
    // old file and no temporary file, and says so.
    const std::string path = Path("keep.kv3");
    WriteFile(path, "old content");
    boxes.Clear();
    { TStreamableClass shadow("TPlot", nullptr); }  // takes "TPlot" out of the registry
    EXPECT_EQ(WriteGraphFile(doc, path, hooks_), 0);
    RegisterSeriesStreamables();
    EXPECT_EQ(ReadFile(path), "old content");
    EXPECT_EQ(Shown(boxes), (std::vector<std::pair<std::string, unsigned>>{{kv::LoadString(25), MB_OK | MB_ICONSTOP}}));
    EXPECT_EQ(doc.Modified, 1);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) files += entry.is_regular_file();
    EXPECT_EQ(files, 2) << "the file and its backup only";
}

TEST_F(GraphFileTest, RefusedFilesLeaveTheDocument) {
    const GraphDocument source = Sample();
    const std::string good = FileWith(Tag("korvida") + Le32(1340), source);
    struct Refusal {
        const char* name;
        std::string bytes;
        int message;
        bool addRefused = true;  // adding a file without axis sets adds nothing, and that is no error
    };
    const Refusal refusals[] = {
        {"newer version", FileWith(Tag("korvida") + Le32(1341), source), 19},
        {"other tag", FileWith(Tag("korvidb") + Le32(1340), source), 16},
        {"tag of ten characters", FileWith(Tag("korvida123") + Le32(1340), source), 16},
        {"null tag", FileWith(Le32(0xFFFFFFFFu) + Le32(1340), source), 16},
        {"no tag at all", kvtest::kHeader, 16},
        {"cut short in the page settings", good.substr(0, 40), 18},
        {"cut short in an axis set", good.substr(0, good.size() / 2), 18},
        {"one byte short", good.substr(0, good.size() - 1), 18},
        {"no axis set", FileWith(Tag("korvida") + Le32(1340), NoAxisSet()), 18, false},
        {"a count the file cannot hold", NoAxisSet(0x7FFFFFFF), 18},
        {"a broken record bracket", "", 18},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        std::string bytes = r.bytes;
        if (std::string(r.name) == "a broken record bracket") {
            bytes = good;
            bytes[bytes.size() - 1] = 'x';
        }
        WriteFile(Path("r.kv3"), bytes);

        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc = Sample();
        const std::string before = Serialized(doc);
        TEnv* env = doc.Env.get();
        BoxFrame* current = doc.Current;
        cleared_ = 0;
        gridItems_.clear();
        EXPECT_EQ(ReadGraphFile(doc, Path("r.kv3"), hooks_), 0);
        EXPECT_EQ(doc.Env.get(), env);
        EXPECT_EQ(doc.Current, current);
        EXPECT_EQ(doc.CurrentNo, 2);
        EXPECT_EQ(doc.Modified, 1);
        EXPECT_EQ(Serialized(doc), before);
        EXPECT_EQ(cleared_, 1) << "the selection is cleared once the file opened";
        EXPECT_TRUE(gridItems_.empty());
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(r.message));
        EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONEXCLAMATION);

        // Adding refuses the same files with a stop box and appends nothing.
        boxes.Clear();
        EXPECT_EQ(AddGraphFile(doc, Path("r.kv3"), hooks_), r.addRefused ? 0 : 1);
        EXPECT_EQ(Serialized(doc), before);
        ASSERT_EQ(boxes.Shown().size(), r.addRefused ? 1u : 0u);
        if (r.addRefused) {
            EXPECT_EQ(boxes.Shown()[0].flags, MB_OK | MB_ICONSTOP);
        }
    }

    // Every version up to this program's is read.
    for (int version : {1340, 1000, 0, -5}) {
        kv::ScriptedMessageBoxes boxes;
        WriteFile(Path("v.kv3"), FileWith(Tag("korvida") + Le32(std::uint32_t(version)), source));
        GraphDocument doc;
        EXPECT_EQ(ReadGraphFile(doc, Path("v.kv3"), hooks_), 1) << version;
        EXPECT_EQ(doc.AxisSets.GetItemsInContainer(), 2);
    }
}

TEST_F(GraphFileTest, MissingFileAndUnknownRecord) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc = Sample();
    const std::string before = Serialized(doc);
    EXPECT_EQ(ReadGraphFile(doc, Path("none.kv3"), hooks_), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(18));
    EXPECT_EQ(boxes.Shown()[0].flags, MB_OKCANCEL);
    EXPECT_EQ(cleared_, 0) << "a file that did not open leaves even the selection";
    EXPECT_EQ(AddGraphFile(doc, Path("none.kv3"), hooks_), 0);
    EXPECT_EQ(boxes.Shown().back().flags, MB_OK | MB_ICONSTOP);

    // A record this program does not know is reported, not left to crash.
    WriteFile(Path("u.kv3"), FileWith(Tag("korvida") + Le32(1340), Sample()));
    { TStreamableClass shadow("TUserConstElement", nullptr); }  // takes the name out of the registry
    boxes.Clear();
    EXPECT_EQ(ReadGraphFile(doc, Path("u.kv3"), hooks_), 0);
    EXPECT_EQ(AddGraphFile(doc, Path("u.kv3"), hooks_), 0);
    RegisterAxisStreamables();
    ASSERT_EQ(boxes.Shown().size(), 2u);
    EXPECT_EQ(boxes.Shown()[0].text.rfind(kv::LoadString(18), 0), 0u);
    EXPECT_NE(boxes.Shown()[0].text.find("TUserConstElement"), std::string::npos);
    EXPECT_EQ(Serialized(doc), before);
}

TEST_F(GraphFileTest, AddingAppendsTheAxisSets) {
    kv::ScriptedMessageBoxes boxes;
    GraphDocument other = Sample();
    other.Env->PaperWidth = 1;
    other.AxisSets[1]->TextList[1]->BoundingBox = TRect(1, 2, 3, 4);
    ASSERT_EQ(WriteGraphFile(other, Path("add.kv3"), hooks_), 1);

    GraphDocument doc;
    doc.Env->PaperWidth = 11906;
    BoxFrame* first = doc.AxisSets[1];
    int laidOut = 0;
    static int* counter;
    counter = &laidOut;
    SetTextRelayoutHook([](BoxFrame&) { ++*counter; });
    EXPECT_EQ(AddGraphFile(doc, Path("add.kv3"), hooks_), 1);
    SetTextRelayoutHook(nullptr);
    ASSERT_EQ(doc.AxisSets.GetItemsInContainer(), 3);
    EXPECT_EQ(doc.AxisSets[1], first);
    EXPECT_EQ(doc.Current, first);
    EXPECT_EQ(doc.CurrentNo, 1);
    EXPECT_EQ(doc.Env->PaperWidth, 11906);
    EXPECT_EQ(doc.AxisSets[3]->Frame.OriginX, 9000);
    EXPECT_EQ(doc.AxisSets[2]->TextList[1]->BoundingBox, TRect(1, 2, 3, 4)) << "stored layout kept";
    EXPECT_EQ(laidOut, 0);
    EXPECT_EQ(repaints_, 2);
    EXPECT_EQ(cleared_, 0);
    EXPECT_TRUE(gridItems_.empty());
    EXPECT_TRUE(boxes.Shown().empty());
}

// A file far larger than memory is read only as far as its records go: junk, and
// counts beyond the bytes that follow them, are refused after a few bytes with
// the reader's message; records that the process could not take into memory
// are refused before anything is made for them, with the memory message.
TEST_F(GraphFileTest, HugeFilesCostNothingBeforeTheyAreRefused) {
    // A series whose stored row count is the largest a word holds, with both error
    // bars: six columns of 2^31 - 1 rows.
    GraphDocument source;
    auto plot = std::make_unique<TPlot>();
    plot->PlotFile.IsXErrorBar = plot->PlotFile.IsYErrorBar = 1;
    for (TDataColumn* c : {&plot->XData, &plot->YData, &plot->XMinData, &plot->XMaxData,
                           &plot->YMinData, &plot->YMaxData})
        c->Add(TDataElement(12345.678));
    source.AxisSets[1]->PlotList.Add(plot);
    const std::string whole = FileWith(Tag("korvida") + Le32(1340), source);
    const std::size_t data = whole.find(kvtest::Dbl(12345.678));
    ASSERT_NE(data, std::string::npos);
    const std::string hugeSeries = whole.substr(0, data - 4) + Le32(0x7FFFFFFE);
    const std::uint64_t rows = 0x7FFFFFFFull;

    struct Case {
        const char* name;
        std::string head;
        std::uint64_t size;
        int message;
    };
    const std::uint64_t GB = std::uint64_t(1) << 30;
    const Case cases[] = {
        {"zeros", "", 8 * GB, 16},
        {"a graph file's head, then zeros", kvtest::kHeader + Tag("korvida") + Le32(1340), 8 * GB, 18},
        {"a series whose rows the file cannot hold", hugeSeries, hugeSeries.size() + rows * 6 * 9 / 2, 18},
        {"a series no memory can hold", hugeSeries, hugeSeries.size() + rows * 6 * 9 + 100, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path("huge.kv3");
        if (!WriteSparse(path, c.head, c.size)) GTEST_SKIP() << "no sparse files of this size here";
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc = Sample();
        const std::string before = Serialized(doc);
        const bool watched = ResetPeakResident();
        const std::int64_t base = ResidentBytes();
        EXPECT_EQ(ReadGraphFile(doc, path, hooks_), 0);
        EXPECT_EQ(AddGraphFile(doc, path, hooks_), 0);
        if (watched) {
            EXPECT_LT(PeakResidentBytes() - base, std::int64_t(32) << 20);
        }
        EXPECT_EQ(Serialized(doc), before);
        ASSERT_EQ(boxes.Shown().size(), 2u);
        EXPECT_EQ(boxes.Shown()[0].text, kv::LoadString(c.message));
        EXPECT_EQ(boxes.Shown()[1].text, kv::LoadString(c.message));
        std::filesystem::remove(path);
    }
}

// Under a limit on the process's address space (set in a child process): a
// document that fits is read, and one beyond what the process can still take
// gets the memory message, also when the limit alone would seem to hold it
// (the process already uses part of it), and leaves the open document as it was.
TEST_F(GraphFileTest, UnderAMemoryLimitWhatFitsIsReadAndTheRestGetsTheMemoryMessage) {
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(KV_ADDRESS_SANITIZER)
    GTEST_SKIP() << "the address sanitizer reserves more address space than any limit here allows";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::uint64_t MB = std::uint64_t(1) << 20;
    const std::uint64_t inUse = std::uint64_t(kvtest::StatusBytes("VmSize:"));
    const std::uint64_t limit = inUse + 256 * MB;
    struct rlimit given;
    if (::getrlimit(RLIMIT_AS, &given) == 0 && given.rlim_max != RLIM_INFINITY && given.rlim_max < limit)
        GTEST_SKIP() << "the address space is limited below what the test needs";

    kv::ScriptedMessageBoxes boxes;
    GraphDocument fits;
    fits.AxisSets[1]->PlotList.Add(kvtest::MakeSampleSeries(200000).release());  // 6 columns of 3.2 MB
    ASSERT_EQ(WriteGraphFile(fits, Path("fits.kv3"), hooks_), 1);

    // A series of two columns that need more than the whole limit; the file holds
    // every byte they are stored in (as zeros that take no room on the disk).
    GraphDocument source;
    auto plot = std::make_unique<TPlot>();
    plot->AddX(TDataElement(12345.678));
    plot->AddY(TDataElement(12345.678));
    source.AxisSets[1]->PlotList.Add(plot);
    const std::string whole = FileWith(Tag("korvida") + Le32(1340), source);
    const std::size_t data = whole.find(kvtest::Dbl(12345.678));
    ASSERT_NE(data, std::string::npos);
    const std::uint64_t rows = (limit + 64 * MB) / (2 * sizeof(TDataElement));
    if (rows >= 0x7FFFFFFF) GTEST_SKIP() << "this process already takes too much address space for the test";
    const std::string head = whole.substr(0, data - 4) + Le32(std::uint32_t(rows - 1));
    if (!WriteSparse(Path("beyond.kv3"), head, head.size() + rows * 2 * 9 + 100))
        GTEST_SKIP() << "no sparse files of this size here";

    // The child's checks; it exits with the number that failed.
    auto child = [&] {
        struct rlimit lim;
        lim.rlim_cur = lim.rlim_max = limit;
        if (::setrlimit(RLIMIT_AS, &lim) != 0) std::_Exit(2);
        int failures = 0;
        auto check = [&](bool ok, const char* what) {
            if (!ok) {
                std::fprintf(stderr, "failed: %s\n", what);
                ++failures;
            }
        };
        GraphDocument doc;
        check(ReadGraphFile(doc, Path("fits.kv3"), hooks_) == 1, "the document that fits is read");
        check(boxes.Shown().empty(), "no message for the document that fits");
        check(doc.AxisSets[1]->PlotList.GetItemsInContainer() == 1 &&
                  doc.AxisSets[1]->PlotList[1]->YData.GetItemsInContainer() == 200000,
              "the series that fits is whole");
        const std::string before = Serialized(doc);
        check(ReadGraphFile(doc, Path("beyond.kv3"), hooks_) == 0, "reading the document beyond is refused");
        check(AddGraphFile(doc, Path("beyond.kv3"), hooks_) == 0, "adding the document beyond is refused");
        check(boxes.Shown().size() == 2, "one message each");
        for (const auto& box : boxes.Shown())
            check(box.text == kv::LoadString(17), ("the memory message, not: " + box.text).c_str());
        check(Serialized(doc) == before, "the open document stays");
        std::_Exit(failures);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "");
#endif
}

// The records a stream may make are charged to the memory it may take: a document
// beyond it is refused as too large, not half read.
TEST_F(GraphFileTest, RecordsBeyondTheMemoryLimitAreTooLarge) {
    GraphDocument doc;
    doc.AxisSets[1]->PlotList.Add(kvtest::MakeSampleSeries(10000).release());
    const std::string bytes = Serialized(doc);
    for (const std::uint64_t limit : {std::uint64_t(100000), std::uint64_t(10) << 20}) {
        ipstream is(bytes);
        is.readVersion();
        is.setMemoryLimit(limit);
        GraphFileContent content;
        EXPECT_EQ(ReadGraphContent(is, content),
                  limit < 1000000 ? GraphReadStatus::TooLarge : GraphReadStatus::Ok)
            << limit;
    }
}

// Reading takes the file a block at a time: at its peak a read holds little more
// than the document it makes (a copy of the whole file would add its size).
TEST_F(GraphFileTest, ReadingTakesNoMoreMemoryThanTheDocumentHolds) {
    const std::string path = Path("big.kv3");
    constexpr int kRows = 5000000;  // two columns of 80 MB, a file of 90 MB
    {
        kv::ScriptedMessageBoxes boxes;
        GraphDocument doc;
        auto plot = std::make_unique<TPlot>();
        plot->XData.Reserve(kRows);
        plot->YData.Reserve(kRows);
        for (int i = 0; i < kRows; ++i) {
            plot->AddX(TDataElement(i));
            plot->AddY(TDataElement(0.5 * i));
        }
        doc.AxisSets[1]->PlotList.Add(plot);
        ASSERT_EQ(WriteGraphFile(doc, path, hooks_), 1);
    }
    // The written columns' blocks are kept for reuse; reading into them would hide
    // what the document needs.
    kv::ReleaseKeptBlocks();
    if (!ResetPeakResident()) GTEST_SKIP() << "the peak resident memory cannot be watched here";
    const std::int64_t base = ResidentBytes();
    kv::ScriptedMessageBoxes boxes;
    GraphDocument doc;
    ASSERT_EQ(ReadGraphFile(doc, path, hooks_), 1);
    const TPlot& read = *doc.AxisSets[1]->PlotList[1];
    ASSERT_EQ(read.YData.GetItemsInContainer(), kRows);
    for (int i : {0, 32767, 32768, kRows - 1}) {
        EXPECT_EQ(read.XData[i].Value, i);
        EXPECT_EQ(read.YData[i].Value, 0.5 * i);
    }
    const std::int64_t held = ResidentBytes() - base;
    const std::int64_t peak = PeakResidentBytes() - base;
    RecordProperty("held_mb", int(held >> 20));
    RecordProperty("peak_mb", int(peak >> 20));
    EXPECT_GE(held, std::int64_t(150) << 20);
    EXPECT_LE(peak, held + (std::int64_t(16) << 20)) << "held " << held << ", peak " << peak;
}

TEST_F(GraphFileTest, ParameterOnlyAxisSetsReadTheirDataAgain) {
    kv::ScriptedMessageBoxes boxes;
    const std::string data = Path("series.dat");
    WriteFile(data, "1 10\n2 20\n");

    GraphDocument doc;
    auto plot = std::make_unique<TPlot>();
    std::snprintf(plot->DataFileName, sizeof plot->DataFileName, "%s", data.c_str());
    ASSERT_EQ(plot->ReadData(), 1);
    doc.AxisSets[1]->PlotList.Add(plot.release());
    doc.AxisSets[1]->SetParameterOnly(1);
    ASSERT_EQ(WriteGraphFile(doc, Path("p.kv3"), hooks_), 1);

    WriteFile(data, "1 11\n2 21\n3 31\n");
    GraphDocument back;
    ASSERT_EQ(ReadGraphFile(back, Path("p.kv3"), hooks_), 1);
    const TPlot* p = back.AxisSets[1]->PlotList[1];
    ASSERT_EQ(p->YData.GetItemsInContainer(), 3);
    EXPECT_EQ(p->YData[2].Value, 31);
    EXPECT_EQ(p->YMax, 31);

    GraphDocument added;
    ASSERT_EQ(AddGraphFile(added, Path("p.kv3"), hooks_), 1);
    EXPECT_EQ(added.AxisSets[2]->PlotList[1]->XData.GetItemsInContainer(), 3);

    // The data file gone: the series is empty and nothing is said.
    std::filesystem::remove(data);
    GraphDocument gone;
    ASSERT_EQ(ReadGraphFile(gone, Path("p.kv3"), hooks_), 1);
    EXPECT_TRUE(gone.AxisSets[1]->PlotList[1]->XData.IsEmpty());
    EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
