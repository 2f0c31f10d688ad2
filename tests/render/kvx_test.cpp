#include "render/kvx.h"
#include "render/output.h"

#include "platform/decimal_comma_locale.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// A scratch file read back as bytes.
class ScratchFile {
public:
    ScratchFile() : f_(std::tmpfile()) {}
    ~ScratchFile() {
        if (f_) std::fclose(f_);
    }
    FILE* get() const { return f_; }
    operator FILE*() const { return f_; }
    std::string Text() const {
        std::fflush(f_);
        std::string s;
        long pos = std::ftell(f_);
        std::rewind(f_);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f_)) > 0) s.append(buf, n);
        std::fseek(f_, pos, SEEK_SET);
        return s;
    }

private:
    FILE* f_;
};

// The page of the format's worked example: one black line of width 100 drawn as a
// path, no fill, white background.
void DrawExamplePage(int mode, TDC& dc, FILE* file, TRect* extent) {
    OutSelectPen(mode, dc, TColor(0), 100, file);
    OutSelectBrush(mode, dc, TColor(0), -2, file);
    OutSetBkColor(mode, dc, TColor(0xFFFFFF), file);
    OutBeginPath(mode, dc, file);
    OutMoveTo(mode, TPoint(2000, 3000), dc, file, extent, 100, true);
    OutLineTo(mode, TPoint(4000, 3000), dc, file, extent, 100);
    OutEndPath(mode, dc, file);
    OutStrokePath(mode, dc, file);
}

TEST(KvxFile, WorkedExampleByteForByte) {
    kvtest::UnderDecimalCommaLocaleToo([] {
        TDC dc;
        TRect extent;
        DrawExamplePage(OUT_EXTENT, dc, nullptr, &extent);
        EXPECT_EQ(extent, TRect(1949, 2949, 4051, 3051));

        ScratchFile f;
        OutFileHeader(1340, f);
        OutPageInfo(8000, 9000, f);
        OutBoundingBox(extent.left, extent.top, extent.right, extent.bottom, f);
        DrawExamplePage(OUT_VECTOR, dc, f, nullptr);
        OutFileFooter(f);
        EXPECT_EQ(f.Text(),
                  "% Korvida kvx format file exported by Korvida version 1.34\r\n"
                  "/PAI\r\n8000,9000\r\n"
                  "/BBX\r\n1949,5949,4051,6051\r\n"
                  "/PEN\r\n1,0,0,0\r\n100\r\n"
                  "/BRS\r\n-2,0,0,0\r\n"
                  "/SBC\r\n1,255,255,255\r\n"
                  "/BGP\r\n"
                  "/MVT\r\n2000,6000\r\n"
                  "/LNT\r\n4000,6000\r\n"
                  "/EDP\r\n/SRP\r\n"
                  "% End of Korvida kvx format file\r\n");
    });
}

TEST(KvxFile, HeaderVersionAndBoundingBox) {
    struct Case {
        int version;
        const char* shown;
    } cases[] = {{1340, "1.34"}, {1000, "1.00"}, {1005, "1.01"}, {1004, "1.00"}, {12345, "12.35"}};
    for (const Case& c : cases) {
        ScratchFile f;
        OutFileHeader(c.version, f);
        EXPECT_EQ(f.Text(), std::string("% Korvida kvx format file exported by Korvida version ") +
                                c.shown + "\r\n");
    }

    ScratchFile f;
    OutPageInfo(2000, 1000, f);
    OutBoundingBox(100, 200, 300, 400, f);
    OutBoundingBox(300, 400, 100, 200, f);  // normalised
    EXPECT_EQ(f.Text(), "/PAI\r\n2000,1000\r\n/BBX\r\n100,600,300,800\r\n/BBX\r\n100,600,300,800\r\n");
    EXPECT_EQ(PageHeight, 1000);
}

TEST(KvxFile, YIsFlippedAgainstThePrintableHeight) {
    OutPageInfo(500, 1000, nullptr);  // sets the height even without a file
    EXPECT_EQ(PageToFileY(0), 1000);
    EXPECT_EQ(PageToFileY(1000), 0);
    EXPECT_EQ(PageToFileY(1200), -200);
    EXPECT_EQ(PageToFileY(-2147483647 - 1), 2147483647);  // saturates

    TDC dc;
    ScratchFile f;
    OutMoveTo(OUT_VECTOR, TPoint(5, 0), dc, f, nullptr, 0, false);
    OutLineTo(OUT_VECTOR, TPoint(-7, 1300), dc, f, nullptr, 0);
    TPoint tri[3] = {{0, 0}, {10, 20}, {30, 1000}};
    OutPolygon(OUT_VECTOR, tri, 3, dc, f, nullptr, 0, false);
    OutEllipse(OUT_VECTOR, dc, TRect(300, 400, 100, 200), f, nullptr, 0);
    OutEllipseCoords(OUT_VECTOR, dc, 1, 2, 3, 4, f, nullptr, 0);
    OutRoundRect(OUT_VECTOR, dc, TPoint(10, 20), TPoint(5, 900), 400, 300, f, nullptr, 0);
    OutSetClip(OUT_VECTOR, dc, TRect(0, 100, 200, 300), f);
    OutRestoreClip(OUT_VECTOR, dc, f);
    EXPECT_EQ(f.Text(),
              "/MVT\r\n5,1000\r\n"
              "/LNT\r\n-7,-300\r\n"
              "/PLY\r\n3\r\n0,1000\r\n10,980\r\n30,0\r\n"
              "/ELS\r\n300,600,100,800\r\n"
              "/ELS\r\n1,998,3,996\r\n"
              "/RRT\r\n10,980,5,100\r\n400,300\r\n"
              "/SCP\r\n0,900,200,700\r\n"
              "/RCP\r\n");
}

TEST(KvxFile, AttributeRecords) {
    TDC dc;
    ScratchFile f;
    OutPageInfo(1000, 1000, nullptr);
    OutSelectStockObject(OUT_VECTOR, dc, NULL_PEN, f);
    OutSelectPen(OUT_VECTOR, dc, TColor(0), 0, f);
    OutSelectBrush(OUT_VECTOR, dc, TColor(RGB(255, 0, 0)), HS_CROSS, f);
    OutSelectBrush(OUT_VECTOR, dc, TColor(RGB(1, 2, 3)), -1, f);
    OutSelectBrush(OUT_VECTOR, dc, TColor(RGB(1, 2, 3)), -2, f);
    OutSelectStockObject(OUT_VECTOR, dc, NULL_BRUSH, f);
    OutSelectStockObject(OUT_VECTOR, dc, BLACK_PEN, f);  // nothing
    OutSelectStockObject(OUT_VECTOR, dc, WHITE_BRUSH, f);  // nothing
    OutSetTextColor(OUT_VECTOR, dc, TColor(RGB(10, 20, 30)), f);
    OutSetBkColor(OUT_VECTOR, dc, TColor(0x80000000u | COLOR_BTNFACE), f);  // resolved
    OutSetBkMode(OUT_VECTOR, dc, OPAQUE, f);
    OutSetBkMode(OUT_VECTOR, dc, TRANSPARENT, f);
    OutSetBkMode(OUT_VECTOR, dc, 7, f);
    OutBeginPath(OUT_VECTOR, dc, f);
    OutEndPath(OUT_VECTOR, dc, f);
    OutStrokePath(OUT_VECTOR, dc, f);
    EXPECT_EQ(f.Text(),
              "/PEN\r\n-2,0,0,0\r\n0\r\n"
              "/PEN\r\n1,0,0,0\r\n0\r\n"
              "/BRS\r\n4,255,0,0\r\n"
              "/BRS\r\n-1,1,2,3\r\n"
              "/BRS\r\n-2,1,2,3\r\n"
              "/BRS\r\n-2,0,0,0\r\n"
              "/TCR\r\n1,10,20,30\r\n"
              "/SBC\r\n1,192,192,192\r\n"
              "/SBM\r\n1\r\n"
              "/SBM\r\n0\r\n"
              "/SBM\r\n"
              "/BGP\r\n/EDP\r\n/SRP\r\n");
}

TEST(KvxFile, FontRecordCarriesTheLogfont) {
    LOGFONT lf{};
    lf.lfHeight = -300;
    lf.lfWeight = 400;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    lf.lfPitchAndFamily = 0x12;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    TDC dc;
    ScratchFile f;
    OutSelectFont(OUT_VECTOR, dc, TFont(lf), f);
    // A face name that fills all 32 bytes without a terminator stops at 32.
    std::memset(lf.lfFaceName, 'x', LF_FACESIZE);
    lf.lfEscapement = 900;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfItalic = 255;
    OutSelectFont(OUT_VECTOR, dc, TFont(lf), f);
    EXPECT_EQ(f.Text(),
              "/SFT\r\n-300\r\n0\r\n0\r\n0\r\n400\r\n0\r\n0\r\n0\r\n0\r\n3\r\n2\r\n1\r\n18\r\n"
              "Times New Roman\r\n"
              "/SFT\r\n-300\r\n0\r\n900\r\n0\r\n400\r\n255\r\n0\r\n0\r\n128\r\n3\r\n2\r\n1\r\n18\r\n" +
                  std::string(LF_FACESIZE, 'x') + "\r\n");
}

TEST(KvxFile, TextRecordCopiesTheBytes) {
    TDC dc;
    ScratchFile f;
    OutPageInfo(1000, 1000, nullptr);
    OutTextOut(OUT_VECTOR, dc, 100, 200, " ,", 2, 0, 10, 10, 8, 0, f, nullptr);
    OutTextOut(OUT_VECTOR, dc, 100, 200, "\x82\xA0", 2, 0, 10, 10, 8, 0, f, nullptr);
    // A line break inside a text would split the record; it shows as a blank.
    OutTextOut(OUT_VECTOR, dc, 0, 0, "a\r\nb", 4, 0, 10, 10, 8, 0, f, nullptr);
    EXPECT_EQ(f.Text(),
              "/TXO\r\n100,800\r\n ,\r\n"
              "/TXO\r\n100,800\r\n\x82\xA0\r\n"
              "/TXO\r\n0,1000\r\na  b\r\n");
}

TEST(KvxFile, MissingFileWritesNothingAndDoesNotFail) {
    TDC dc;
    TRect extent;
    DrawExamplePage(OUT_VECTOR, dc, nullptr, &extent);
    OutTextOut(OUT_VECTOR, dc, 0, 0, "a", 1, 0, 1, 1, 1, 0, nullptr, nullptr);
    OutBoundingBox(0, 0, 1, 1, nullptr);
    OutFileHeader(1340, nullptr);
    OutFileFooter(nullptr);
    EXPECT_TRUE(extent.IsNull());
}

}  // namespace
