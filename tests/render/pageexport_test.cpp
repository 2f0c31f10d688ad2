// The page export writers: the kvx file of a sample document, placeable metafiles
// (header, window, the drawing's records), their failures, and external filters
// run as small shell scripts (success, an error exit, a crash, a missing program,
// one that never ends until Escape), with the temporary files gone afterwards.

#include "render/pageexport.h"

#include "kvx_records.h"
#include "platform/cformat.h"
#include "platform/escape.h"
#include "platform/messagebox.h"
#include "platform/metafile.h"
#include "platform/stringtable.h"
#include "render/graphdraw.h"
#include "render/kvx.h"
#include "render/output.h"
#include "support/helpers/sample_document.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A private temporary folder (TMPDIR) and output folder for every test, so that
// leftover temporary files show; message boxes answered and recorded.
class PageExport : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp.isValid() && out.isValid());
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toLocal8Bit());
        ASSERT_EQ(QDir::tempPath(), tmp.path());
        doc.AxisSets.Flush();
        doc.AxisSets.Add(kvtest::MakeSampleBoxFrame().release());
        doc.Env->PrintableWidth = 11338;
        doc.Env->PrintableHeight = 16270;
        AbortRequested = 0;
    }
    void TearDown() override {
        qputenv("TMPDIR", oldTmp);
        kv::SetKeyMessageSource({});
        AbortRequested = 0;
    }
    std::string Out(const char* name) const { return QDir(out.path()).filePath(name).toStdString(); }
    QStringList TempLeft() const { return QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden); }
    std::vector<std::string> Texts() const {
        std::vector<std::string> t;
        for (const auto& r : boxes.Shown()) t.push_back(r.text);
        return t;
    }
    // Escape pressed once the export has polled n times.
    void EscapeAfter(int n) {
        kv::SetKeyMessageSource([n](kv::KeyMessage* m) mutable {
            if (--n > 0) return false;
            m->message = WM_KEYDOWN;
            m->key = VK_ESCAPE;
            return true;
        });
    }
    // A page whose drawing is one rectangle.
    static ExportPage BoxPage(TRect r) {
        ExportPage page;
        page.PrintableWidth = 11338;
        page.PrintableHeight = 16270;
        page.DrawGraph = [r](int mode, TDC& dc, FILE* file, TRect* extent) {
            const TPoint pts[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom},
                                   {r.left, r.bottom}};
            OutSelectPen(mode, dc, TColor(0), 0, file);
            OutPolygon(mode, pts, 4, dc, file, extent, -2, false);  // no inflation
        };
        return page;
    }

    QTemporaryDir tmp, out;
    QByteArray oldTmp;
    GraphDocument doc;
    kv::ScriptedMessageBoxes boxes;
};

TEST_F(PageExport, KvxFileOfTheSampleDocument) {
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    const std::string path = Out("page.kvx");
    ASSERT_EQ(ExportVectorFile(page, path), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    const std::string text = ReadAll(path);

    // The same as the drawing layer writes it by hand: header, page, box, drawing,
    // footer.
    TDC none;
    TRect extent;
    DrawGraph(doc.AxisSets, OUT_EXTENT, none, nullptr, &extent);
    kvxtest::ScratchFile f;
    OutFileHeader(1340, f);
    OutPageInfo(11338, 16270, f);
    OutBoundingBox(extent.left, extent.top, extent.right, extent.bottom, f);
    DrawGraph(doc.AxisSets, OUT_VECTOR, none, f, &extent);
    OutFileFooter(f);
    EXPECT_EQ(text, f.Text());

    EXPECT_EQ(text.rfind("% Korvida kvx format file exported by Korvida version 1.34\r\n/PAI\r\n"
                         "11338,16270\r\n/BBX\r\n",
                         0),
              0u);
    const std::string box = std::to_string(extent.left) + "," +
                            std::to_string(16270 - extent.bottom) + "," +
                            std::to_string(extent.right) + "," +
                            std::to_string(16270 - extent.top) + "\r\n";
    EXPECT_EQ(text.find(box), text.find("/BBX\r\n") + 6);
    const std::string footer = "% End of Korvida kvx format file\r\n";
    EXPECT_EQ(text.size() - text.rfind(footer), footer.size());
    const auto records = kvxtest::Records(text);
    EXPECT_GT(records.size(), 100u);
    EXPECT_TRUE(TempLeft().empty());
    // Nothing but the file itself beside it.
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"page.kvx"});
}

TEST_F(PageExport, MetafileOfTheSampleDocument) {
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    const std::string path = Out("page.wmf");
    ASSERT_EQ(ExportPlaceableMetafile(page, path), 1);
    EXPECT_TRUE(boxes.Shown().empty());
    const std::string bytes = ReadAll(path);
    kv::wmf::Metafile mf;
    std::string why;
    ASSERT_TRUE(kv::wmf::ParseMetafile(bytes.data(), bytes.size(), &mf, &why)) << why;

    const TRect e = MeasurePage(page);
    const int w = e.Width() + 120, h = e.Height() + 120;
    ASSERT_TRUE(mf.placeable);
    EXPECT_EQ(mf.box.left, 0);
    EXPECT_EQ(mf.box.top, 0);
    EXPECT_EQ(mf.box.right, w);
    EXPECT_EQ(mf.box.bottom, h);
    EXPECT_EQ(mf.box.unitsPerInch, 1440);
    EXPECT_EQ(mf.checksum, 0x5711 ^ w ^ h ^ 0x05A0);
    EXPECT_EQ(mf.type, kv::wmf::DISKMETAFILE);
    ASSERT_GT(mf.records.size(), 3u);
    EXPECT_EQ(mf.records[0].function, kv::wmf::META_SETMAPMODE);
    EXPECT_EQ(mf.records[0].Int(0), MM_ANISOTROPIC);
    EXPECT_EQ(mf.records[1].function, kv::wmf::META_SETWINDOWEXT);
    EXPECT_EQ(mf.records[1].Int(0), h);
    EXPECT_EQ(mf.records[1].Int(1), w);
    EXPECT_EQ(mf.records[2].function, kv::wmf::META_SETWINDOWORG);
    EXPECT_EQ(mf.records[2].Int(0), e.top - 60);
    EXPECT_EQ(mf.records[2].Int(1), e.left - 60);
    // The page's texts, figures and series are all there.
    int text = 0, lines = 0, ellipses = 0, polygons = 0;
    for (const auto& r : mf.records) {
        text += r.function == kv::wmf::META_TEXTOUT || r.function == kv::wmf::META_EXTTEXTOUT;
        lines += r.function == kv::wmf::META_LINETO;
        ellipses += r.function == kv::wmf::META_ELLIPSE;
        polygons += r.function == kv::wmf::META_POLYGON;
    }
    EXPECT_GT(text, 10);
    EXPECT_GT(lines, 50);
    EXPECT_GT(ellipses, 0);
    EXPECT_GT(polygons, 0);
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(PageExport, MetafileWindowIsTheDrawingWithItsMargin) {
    ExportPage page = BoxPage(TRect(1000, 2000, 6000, 5000));
    const std::string path = Out("box.wmf");
    ASSERT_EQ(ExportPlaceableMetafile(page, path), 1);
    std::string bytes = ReadAll(path);
    kv::wmf::Metafile mf;
    ASSERT_TRUE(kv::wmf::ParseMetafile(bytes.data(), bytes.size(), &mf));
    EXPECT_EQ(mf.box.right, 5120);
    EXPECT_EQ(mf.box.bottom, 3120);
    EXPECT_EQ(mf.records[1].params, (std::vector<std::uint16_t>{3120, 5120}));
    EXPECT_EQ(mf.records[2].params, (std::vector<std::uint16_t>{1940, 940}));

    // No margin, and a drawing that is one point: a picture of one twip.
    page = BoxPage(TRect(300, 300, 300, 300));
    page.WMFMargin = 0;
    ASSERT_EQ(ExportPlaceableMetafile(page, path), 1);
    bytes = ReadAll(path);
    ASSERT_TRUE(kv::wmf::ParseMetafile(bytes.data(), bytes.size(), &mf));
    EXPECT_EQ(mf.box.right, 1);
    EXPECT_EQ(mf.box.bottom, 1);
}

TEST_F(PageExport, MetafileRefusesWhatSixteenBitsCannotHold) {
    const std::string path = Out("big.wmf");
    WriteAll(path, "old");
    for (TRect r : {TRect(0, 0, 32700, 100), TRect(-32750, 0, 0, 100), TRect(0, 0, 100, 40000)}) {
        boxes.Clear();
        EXPECT_EQ(ExportPlaceableMetafile(BoxPage(r), path), 0);
        EXPECT_EQ(Texts(), std::vector<std::string>{kv::LoadString(1404)});
    }
    EXPECT_EQ(ReadAll(path), "old");
    // Right at the limit it fits.
    EXPECT_EQ(ExportPlaceableMetafile(BoxPage(TRect(0, 0, 32767 - 120, 100)), path), 1);
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(PageExport, OutputThatCannotBeOpened) {
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    for (std::string name : {std::string(), out.path().toStdString(), Out("no/such/dir/x")}) {
        boxes.Clear();
        EXPECT_EQ(ExportPlaceableMetafile(page, name), 0) << name;
        EXPECT_EQ(ExportVectorFile(page, name), 0) << name;
        EXPECT_EQ(Texts(), (std::vector<std::string>{"File Open Error", "File open error!!"}));
        for (const auto& r : boxes.Shown()) EXPECT_EQ(r.flags, MB_OK | MB_ICONSTOP);
    }
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(PageExport, EscapeLeavesAFramedFile) {
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    const std::string kvx = Out("cut.kvx"), wmf = Out("cut.wmf");
    EscapeAfter(3);
    EXPECT_EQ(ExportVectorFile(page, kvx), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{kv::LoadString(108)});
    const std::string text = ReadAll(kvx);
    EXPECT_EQ(text.rfind("% Korvida kvx", 0), 0u);
    EXPECT_NE(text.find("/BBX"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 34), "% End of Korvida kvx format file\r\n");

    boxes.Clear();
    EscapeAfter(3);
    EXPECT_EQ(ExportPlaceableMetafile(page, wmf), 1);
    EXPECT_EQ(Texts(), std::vector<std::string>{kv::LoadString(108)});
    const std::string bytes = ReadAll(wmf);
    kv::wmf::Metafile mf;
    EXPECT_TRUE(kv::wmf::ParseMetafile(bytes.data(), bytes.size(), &mf));
    EXPECT_TRUE(TempLeft().empty());
}

// ---- external filters ----

TEST(FilterCommand, ArgumentsStayWhole) {
    QTemporaryDir dir;
    const std::string spaced = QDir(dir.path()).filePath("my conv").toStdString();
    WriteAll(spaced, "");
    struct Case {
        std::string program, output, option;
        std::string wantProgram;
        std::vector<std::string> wantArgs;
    };
    const std::vector<Case> cases = {
        {"conv", "/o/a b.eps", "-e -r 300", "conv", {"/t/k.tmp", "-o/o/a b.eps", "-e", "-r", "300"}},
        {"conv", "", "", "conv", {"/t/k.tmp", "-o"}},
        {"sh /x/f.sh", "o", "\"two words\" x", "sh", {"/x/f.sh", "/t/k.tmp", "-oo", "two words", "x"}},
        {spaced, "o", "", spaced, {"/t/k.tmp", "-oo"}},
        {"C:\\tools\\conv.exe", "o", "-a,b", "/tools/conv.exe", {"/t/k.tmp", "-oo", "-a,b"}},
        {"", "o", "", "", {"/t/k.tmp", "-oo"}},
    };
    for (const Case& c : cases) {
        const FilterCommand cmd = MakeFilterCommand(c.program, "/t/k.tmp", c.output, c.option);
        EXPECT_EQ(cmd.program, c.wantProgram) << c.program;
        EXPECT_EQ(cmd.arguments, c.wantArgs) << c.program;
    }
}

class ExportFilter : public PageExport {
protected:
    // A shell script as the filter; it records its arguments one per line.
    std::string Script(const char* name, const std::string& body) {
        const std::string path = Out(name);
        WriteAll(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                           Out("args.txt") + "\"\n" + body);
        ::chmod(path.c_str(), 0755);
        return path;
    }
    std::vector<std::string> Args() const {
        std::vector<std::string> lines;
        std::istringstream in(ReadAll(Out("args.txt")));
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        return lines;
    }
};

TEST_F(ExportFilter, ConvertsTheTemporaryKvxFile) {
    // Copies its input (first argument) to the file after -o.
    const std::string filter = Script("conv.sh", "out=${2#-o}\ncp \"$1\" \"$out\"\n");
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    const std::string target = Out("result file.eps");
    ASSERT_EQ(RunExportFilter(page, filter, target, "-e  -r 300"), 1);
    EXPECT_TRUE(boxes.Shown().empty());

    const auto args = Args();
    ASSERT_EQ(args.size(), 5u);
    EXPECT_EQ(QFileInfo(QString::fromStdString(args[0])).absolutePath(), tmp.path());
    EXPECT_EQ(QFileInfo(QString::fromStdString(args[0])).fileName().left(3), "kvx");
    EXPECT_EQ(args[1], "-o" + target);
    EXPECT_EQ(std::vector<std::string>(args.begin() + 2, args.end()),
              (std::vector<std::string>{"-e", "-r", "300"}));
    // The filter saw the whole kvx file; the temporary file is gone.
    const std::string converted = ReadAll(target);
    EXPECT_EQ(converted.rfind("% Korvida kvx", 0), 0u);
    EXPECT_EQ(converted.substr(converted.size() - 34), "% End of Korvida kvx format file\r\n");
    EXPECT_FALSE(QFile::exists(QString::fromStdString(args[0])));
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(ExportFilter, FailuresAreReported) {
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    struct Case {
        std::string program;
        std::string message;
    };
    const std::string missing = Out("no-such-filter");
    const std::vector<Case> cases = {
        {Script("fail.sh", "exit 3\n"), kv::Format(kv::LoadString(1402).c_str(), 3)},
        {Script("crash.sh", "kill -KILL $$\n"), kv::LoadString(1403)},
        {missing, kv::Format(kv::LoadString(1401).c_str(), missing.c_str())},
        {"", kv::Format(kv::LoadString(1401).c_str(), "")},
        {out.path().toStdString(),
         kv::Format(kv::LoadString(1401).c_str(), out.path().toStdString().c_str())},
    };
    for (const Case& c : cases) {
        boxes.Clear();
        EXPECT_EQ(RunExportFilter(page, c.program, Out("x.eps"), ""), 0) << c.program;
        EXPECT_EQ(Texts(), std::vector<std::string>{c.message}) << c.program;
        EXPECT_TRUE(TempLeft().empty()) << c.program;
    }
}

TEST_F(ExportFilter, EscapeEndsAFilterThatNeverEnds) {
    const std::string filter = Script("forever.sh", "while :; do sleep 1; done\n");
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    // The drawing polls too: the Escape comes while the filter runs.
    int polls = 0;
    kv::SetKeyMessageSource([&](kv::KeyMessage* m) {
        if (!QFile::exists(QString::fromStdString(Out("args.txt"))) || ++polls < 3) return false;
        m->message = WM_KEYDOWN;
        m->key = VK_ESCAPE;
        return true;
    });
    EXPECT_EQ(RunExportFilter(page, filter, Out("x.eps"), ""), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{kv::LoadString(108)});
    EXPECT_TRUE(TempLeft().empty());
}

TEST_F(ExportFilter, EscapeDuringTheKvxFileStartsNoFilter) {
    const std::string filter = Script("conv.sh", "");
    const ExportPage page = MakeExportPage(doc, 60, nullptr);
    EscapeAfter(2);
    EXPECT_EQ(RunExportFilter(page, filter, Out("x.eps"), ""), 0);
    EXPECT_EQ(Texts(), std::vector<std::string>{kv::LoadString(108)});
    EXPECT_FALSE(QFile::exists(QString::fromStdString(Out("args.txt"))));
    EXPECT_TRUE(TempLeft().empty());
}

}  // namespace
