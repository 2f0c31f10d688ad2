// The Windows metafile recorder: records read back through the reader and replayed
// on a small model of a player's handle table, the placeable header's bytes, the
// limits of the 16-bit format, and the file form.

#include "platform/metafile.h"

#include "platform/color.h"
#include "platform/measure.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

using namespace kv::wmf;

namespace {

Metafile Parse(const std::vector<std::uint8_t>& bytes) {
    Metafile mf;
    std::string why;
    EXPECT_TRUE(ParseMetafile(bytes.data(), bytes.size(), &mf, &why)) << why;
    return mf;
}

std::vector<std::uint16_t> Functions(const Metafile& mf) {
    std::vector<std::uint16_t> f;
    for (const Record& r : mf.records) f.push_back(r.function);
    return f;
}

std::vector<Record> Only(const Metafile& mf, std::uint16_t function) {
    std::vector<Record> out;
    for (const Record& r : mf.records)
        if (r.function == function) out.push_back(r);
    return out;
}

// Plays the object records as a player does: a new object goes into the lowest
// free slot, a selection replaces the object of its kind, SaveDC/RestoreDC keep
// and give back the selections. Fails on a selection of an empty slot and on the
// deletion of an object some state still holds.
struct HandleTablePlayer {
    enum Kind { Pen, Brush, Font };
    std::vector<int> table;  // kind, or -1 when free
    std::vector<std::map<int, int>> saved;
    std::map<int, int> selected;  // kind -> slot
    std::vector<std::string> faults;
    int peak = 0;

    bool Held(int slot) const {
        for (const auto& [k, s] : selected)
            if (s == slot) return true;
        for (const auto& st : saved)
            for (const auto& [k, s] : st)
                if (s == slot) return true;
        return false;
    }

    void Play(const Metafile& mf) {
        for (const Record& r : mf.records) {
            switch (r.function) {
            case META_CREATEPENINDIRECT: Create(Pen); break;
            case META_CREATEBRUSHINDIRECT: Create(Brush); break;
            case META_CREATEFONTINDIRECT: Create(Font); break;
            case META_SELECTOBJECT: {
                const int s = r.Int(0);
                if (s < 0 || s >= int(table.size()) || table[size_t(s)] < 0)
                    faults.push_back("select of empty slot " + std::to_string(s));
                else
                    selected[table[size_t(s)]] = s;
                break;
            }
            case META_DELETEOBJECT: {
                const int s = r.Int(0);
                if (s < 0 || s >= int(table.size()) || table[size_t(s)] < 0)
                    faults.push_back("delete of empty slot " + std::to_string(s));
                else if (Held(s))
                    faults.push_back("delete of a held object " + std::to_string(s));
                else
                    table[size_t(s)] = -1;
                break;
            }
            case META_SAVEDC: saved.push_back(selected); break;
            case META_RESTOREDC: {
                const int n = r.Int(0);
                const int index = n < 0 ? int(saved.size()) + n : n - 1;
                if (index < 0 || index >= int(saved.size())) {
                    faults.push_back("restore without save");
                    break;
                }
                selected = saved[size_t(index)];
                saved.resize(size_t(index));
                break;
            }
            default: break;
            }
        }
    }
    void Create(int kind) {
        size_t i = 0;
        while (i < table.size() && table[i] >= 0) ++i;
        if (i == table.size()) table.push_back(kind);
        table[i] = kind;
        peak = std::max(peak, int(table.size()));
    }
};

TEST(PlaceableHeader, BytesAndChecksum) {
    // A 5000 x 3000 twips picture: 0x5711 ^ 0x1388 ^ 0x0BB8 ^ 0x05A0.
    const auto h = MakePlaceableHeader({0, 0, 5000, 3000, 1440});
    const std::vector<std::uint8_t> expected = {
        0xD7, 0xCD, 0xC6, 0x9A, 0, 0, 0, 0, 0, 0, 0x88, 0x13, 0xB8, 0x0B, 0xA0, 0x05,
        0, 0, 0, 0, 0x81, 0x4A};
    EXPECT_EQ(std::vector<std::uint8_t>(h.begin(), h.end()), expected);
    EXPECT_EQ(PlaceableChecksum(h.data()), 0x4A81);
    // Every box: the checksum is the XOR of the ten words before it.
    for (PlaceableBox box : {PlaceableBox{0, 0, 5120, 3120, 1440}, PlaceableBox{-5, 7, 32767, 1, 1440},
                             PlaceableBox{0, 0, 1, 1, 1440}}) {
        const auto b = MakePlaceableHeader(box);
        EXPECT_EQ(b[20] | (b[21] << 8), 0x5711 ^ std::uint16_t(box.left) ^ std::uint16_t(box.top) ^
                                             std::uint16_t(box.right) ^ std::uint16_t(box.bottom) ^
                                             0x05A0 ^ 0x9AC6 ^ 0xCDD7 ^ 0x5711);
    }
}

TEST(MetafileRecorder, SmallDrawingReadsBack) {
    TMetaFileDC dc;
    ASSERT_TRUE(dc.IsOpen());
    EXPECT_EQ(dc.GetDeviceCaps(TECHNOLOGY), DT_METAFILE);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt(TSize(5120, 3120));
    dc.SetWindowOrg(TPoint(940, 1940));
    dc.SelectObject(TPen(RGB(255, 0, 0), 40));
    dc.SelectObject(TBrush(RGB(0, 0, 255), HS_CROSS));
    dc.SetBkColor(RGB(1, 2, 3));
    dc.MoveToEx(1000, 2000);
    dc.LineTo(6000, 2000);
    const TPoint tri[3] = {{1000, 2000}, {2000, 5000}, {3000, 2000}};
    dc.Polygon(tri, 3);
    dc.Ellipse(4000, 3000, 3000, 4000);  // as given, not normalised
    dc.RoundRect(1000, 2000, 1500, 2500, 400, 300);
    ASSERT_TRUE(dc.Close());

    const std::vector<std::uint8_t>& bytes = dc.Bytes();
    const Metafile mf = Parse(bytes);
    EXPECT_FALSE(mf.placeable);
    EXPECT_EQ(mf.type, MEMORYMETAFILE);
    EXPECT_EQ(mf.version, 0x0300);
    EXPECT_EQ(mf.sizeWords * 2, bytes.size());
    EXPECT_EQ(mf.objects, 2);
    EXPECT_EQ(Functions(mf),
              (std::vector<std::uint16_t>{
                  META_SETMAPMODE, META_SETWINDOWEXT, META_SETWINDOWORG, META_MOVETO,
                  META_SETPOLYFILLMODE, META_SETROP2, META_CREATEPENINDIRECT, META_SELECTOBJECT,
                  META_LINETO, META_CREATEBRUSHINDIRECT, META_SELECTOBJECT, META_SETBKMODE,
                  META_SETBKCOLOR, META_POLYGON, META_ELLIPSE, META_ROUNDRECT, META_EOF}));
    // Parameters: in the reverse order of the call's arguments, points x before y.
    EXPECT_EQ(mf.records[0].params, (std::vector<std::uint16_t>{MM_ANISOTROPIC}));
    EXPECT_EQ(mf.records[1].params, (std::vector<std::uint16_t>{3120, 5120}));
    EXPECT_EQ(mf.records[2].params, (std::vector<std::uint16_t>{1940, 940}));
    EXPECT_EQ(mf.records[3].params, (std::vector<std::uint16_t>{2000, 1000}));
    EXPECT_EQ(mf.records[5].params, (std::vector<std::uint16_t>{R2_COPYPEN}));
    // LOGPEN: style, width (x, y), colour.
    EXPECT_EQ(mf.records[6].params, (std::vector<std::uint16_t>{PS_SOLID, 40, 0, 0x00FF, 0}));
    EXPECT_EQ(mf.records[7].params, (std::vector<std::uint16_t>{0}));
    EXPECT_EQ(mf.records[8].params, (std::vector<std::uint16_t>{2000, 6000}));
    // LOGBRUSH: style, colour, hatch; the second object takes slot 1.
    EXPECT_EQ(mf.records[9].params, (std::vector<std::uint16_t>{BS_HATCHED, 0, 0x00FF, HS_CROSS}));
    EXPECT_EQ(mf.records[10].params, (std::vector<std::uint16_t>{1}));
    EXPECT_EQ(mf.records[11].params, (std::vector<std::uint16_t>{OPAQUE}));
    EXPECT_EQ(mf.records[12].Dword(0), RGB(1, 2, 3));
    EXPECT_EQ(mf.records[13].params,
              (std::vector<std::uint16_t>{3, 1000, 2000, 2000, 5000, 3000, 2000}));
    EXPECT_EQ(mf.records[14].params, (std::vector<std::uint16_t>{4000, 3000, 3000, 4000}));
    EXPECT_EQ(mf.records[15].params, (std::vector<std::uint16_t>{300, 400, 2500, 1500, 2000, 1000}));
    // Sizes: every record's own size, the largest one in the header.
    std::uint32_t largest = 0;
    for (const Record& r : mf.records) largest = std::max<std::uint32_t>(largest, 3 + r.params.size());
    EXPECT_EQ(mf.maxRecordWords, largest);
    EXPECT_EQ(mf.records.back().params.size(), 0u);

    // The placeable form: box, key and checksum in front of the same bytes.
    const auto placeable = MakePlaceable(bytes, {0, 0, 5120, 3120, 1440});
    const Metafile pm = Parse(placeable);
    EXPECT_TRUE(pm.placeable);
    EXPECT_EQ(pm.box.right, 5120);
    EXPECT_EQ(pm.box.bottom, 3120);
    EXPECT_EQ(pm.box.unitsPerInch, 1440);
    EXPECT_EQ(pm.checksum, 0x5711 ^ 5120 ^ 3120 ^ 0x05A0);
    EXPECT_EQ(Functions(pm), Functions(mf));
}

TEST(MetafileRecorder, AttributesOnlyWhenADrawingNeedsThem) {
    TMetaFileDC dc;
    // Changed back and forth before anything is drawn: nothing recorded.
    dc.SelectObject(TPen(RGB(9, 9, 9), 10));
    dc.SetTextColor(RGB(1, 1, 1));
    dc.SelectStockObject(BLACK_PEN);
    dc.MoveToEx(0, 0);
    dc.LineTo(10, 10);
    // The same pen again: no new object.
    dc.SelectObject(TPen(0, 0));
    dc.LineTo(20, 20);
    // A system colour reference is written as the colour it stands for.
    dc.SelectObject(TPen(0x80000000u | COLOR_WINDOWTEXT, 0));
    dc.LineTo(30, 30);
    dc.SetPixel(5, 6, 0x80000000u | COLOR_WINDOW);
    dc.Close();
    const Metafile mf = Parse(dc.Bytes());
    EXPECT_EQ(Only(mf, META_CREATEPENINDIRECT).size(), 1u);
    EXPECT_TRUE(Only(mf, META_SETTEXTCOLOR).empty());
    EXPECT_EQ(Only(mf, META_LINETO).size(), 3u);
    const auto pixel = Only(mf, META_SETPIXEL);
    ASSERT_EQ(pixel.size(), 1u);
    EXPECT_EQ(pixel[0].Dword(0), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(pixel[0].Int(2), 6);
    EXPECT_EQ(pixel[0].Int(3), 5);
}

TEST(MetafileRecorder, ObjectsLiveAsLongAsAStateHoldsThem) {
    TMetaFileDC dc;
    dc.SelectObject(TPen(RGB(255, 0, 0), 10));
    dc.SelectObject(TBrush(RGB(0, 255, 0)));
    dc.Rectangle(0, 0, 100, 100);
    dc.SaveDC();
    dc.SelectObject(TPen(RGB(0, 0, 255), 20));
    dc.LineTo(50, 50);
    dc.SaveDC();
    dc.SelectObject(TPen(RGB(0, 255, 255), 30));
    dc.SelectObject(TBrush(RGB(9, 9, 9), HS_VERTICAL));
    dc.Ellipse(0, 0, 10, 10);
    dc.RestoreDC(-2);  // both levels at once
    dc.LineTo(60, 60);  // the first pen again, which the player restored
    dc.SelectObject(TPen(RGB(1, 1, 1), 1));
    dc.LineTo(70, 70);
    dc.RestoreDC(-1);  // nothing saved any more: refused, as the context refuses it
    dc.SelectObject(TFont("Times New Roman", -300));
    dc.TextOut(0, 0, "A");
    dc.RestorePen();
    dc.LineTo(80, 80);
    dc.Close();
    const Metafile mf = Parse(dc.Bytes());
    EXPECT_EQ(Only(mf, META_RESTOREDC).size(), 1u);
    HandleTablePlayer player;
    player.Play(mf);
    EXPECT_TRUE(player.faults.empty()) << player.faults.front();
    EXPECT_EQ(player.peak, mf.objects);
    // After the restore the red pen is selected again without a new object.
    const auto pens = Only(mf, META_CREATEPENINDIRECT);
    ASSERT_GE(pens.size(), 4u);
    EXPECT_EQ(pens[0].Dword(3), RGB(255, 0, 0));
    EXPECT_EQ(pens[3].Dword(3), RGB(1, 1, 1));
}

TEST(MetafileRecorder, TextOneCharacterOrPlacedByAdvances) {
    TMetaFileDC dc;
    LOGFONT lf;
    lf.lfHeight = -300;
    lf.lfEscapement = 900;
    lf.lfWeight = 700;
    lf.lfCharSet = SHIFTJIS_CHARSET;
    lf.lfOutPrecision = 3;
    lf.lfPitchAndFamily = 0x12;
    std::strcpy(lf.lfFaceName, "Times New Roman");
    dc.SelectObject(TFont(lf));
    dc.SetTextAlign(TA_BASELINE | TA_LEFT);
    dc.SetTextColor(RGB(0, 128, 0));
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(100, 200, "A");
    dc.TextOut(300, 400, "\x82\xa0" "B,");  // a double-byte character, then two
    dc.TextOut(0, 0, "");
    dc.Close();
    const Metafile mf = Parse(dc.Bytes());

    const auto fonts = Only(mf, META_CREATEFONTINDIRECT);
    ASSERT_EQ(fonts.size(), 1u);
    EXPECT_EQ(fonts[0].params.size(), 25u);
    EXPECT_EQ(fonts[0].Int(0), -300);
    EXPECT_EQ(fonts[0].Int(2), 900);
    EXPECT_EQ(fonts[0].Int(3), 0);
    EXPECT_EQ(fonts[0].Int(4), 700);
    EXPECT_EQ(fonts[0].Bytes(5, 8), std::string("\0\0\0\x80\x03\0\0\x12", 8));
    EXPECT_EQ(fonts[0].Bytes(9, 32).c_str(), std::string("Times New Roman"));
    EXPECT_EQ(Only(mf, META_SETTEXTALIGN)[0].params, (std::vector<std::uint16_t>{24}));
    EXPECT_EQ(Only(mf, META_SETTEXTCOLOR)[0].Dword(0), RGB(0, 128, 0));
    EXPECT_EQ(Only(mf, META_SETBKMODE)[0].params, (std::vector<std::uint16_t>{TRANSPARENT}));

    const auto one = Only(mf, META_TEXTOUT);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].params, (std::vector<std::uint16_t>{1, 'A', 200, 100}));

    const auto ext = Only(mf, META_EXTTEXTOUT);
    ASSERT_EQ(ext.size(), 1u);
    const Record& e = ext[0];
    EXPECT_EQ(e.Int(0), 400);
    EXPECT_EQ(e.Int(1), 300);
    ASSERT_EQ(e.Int(2), 4);  // bytes
    EXPECT_EQ(e.Int(3), 0);  // no options, no rectangle
    EXPECT_EQ(e.Bytes(4, 4), "\x82\xa0" "B,");
    // One advance per byte: the double-byte character's on its first byte.
    ASSERT_EQ(e.params.size(), 4u + 2u + 4u);
    const TFont font(lf);
    std::vector<kv::FontChar> chars;
    std::vector<int> adv;
    kv::MeasureChars(font, "\x82\xa0" "B,", 4, chars, &adv);
    ASSERT_EQ(adv.size(), 3u);
    EXPECT_EQ(e.Int(6), adv[0]);
    EXPECT_EQ(e.Int(7), 0);
    EXPECT_EQ(e.Int(8), adv[1]);
    EXPECT_EQ(e.Int(9), adv[2]);
}

TEST(MetafileRecorder, SixteenBitLimits) {
    TMetaFileDC dc;
    dc.MoveToEx(40000, -40000);
    dc.LineTo(-70000, 32767);
    // A polyline longer than a record can count: pieces that join.
    std::vector<TPoint> line;
    for (int i = 0; i < 40000; ++i) line.emplace_back(i % 30000, i / 30000);
    dc.Polyline(line.data(), int(line.size()));
    // A polygon too: repeated points go first, then an even thinning that keeps
    // the first and last points.
    std::vector<TPoint> area;
    for (int i = 0; i < 70000; ++i) area.emplace_back(i / 3, i % 7);
    dc.Polygon(area.data(), int(area.size()));
    // Only repeated points over the limit: every distinct point kept.
    std::vector<TPoint> doubled;
    for (int i = 0; i < 20000; ++i) doubled.insert(doubled.end(), 2, TPoint(i, -i));
    dc.Polygon(doubled.data(), int(doubled.size()));
    dc.Close();
    const Metafile mf = Parse(dc.Bytes());
    EXPECT_EQ(Only(mf, META_MOVETO)[0].params, (std::vector<std::uint16_t>{0x8000, 32767}));
    EXPECT_EQ(Only(mf, META_LINETO)[0].params, (std::vector<std::uint16_t>{32767, 0x8000}));

    const auto pieces = Only(mf, META_POLYLINE);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].Int(0), 32767);
    EXPECT_EQ(pieces[1].Int(0), 40000 - 32767 + 1);
    // The second piece starts at the first one's last point.
    EXPECT_EQ(pieces[1].Int(1), pieces[0].Int(1 + 2 * 32766));
    EXPECT_EQ(pieces[1].Int(2), pieces[0].Int(2 + 2 * 32766));
    EXPECT_EQ(pieces[1].Int(1 + 2 * (40000 - 32767)), 39999 % 30000);

    const auto poly = Only(mf, META_POLYGON);
    ASSERT_EQ(poly.size(), 2u);
    EXPECT_EQ(poly[1].Int(0), 20000);
    for (int i = 0; i < 20000; i += 997) EXPECT_EQ(poly[1].Int(2 + 2 * i), -i);
    const int n = poly[0].Int(0);
    EXPECT_EQ(n, 32767);
    EXPECT_EQ(int(poly[0].params.size()), 1 + 2 * n);
    EXPECT_EQ(poly[0].Int(1), 0);
    EXPECT_EQ(poly[0].Int(2), 0);
    EXPECT_EQ(poly[0].Int(1 + 2 * (n - 1)), 69999 / 3);
    EXPECT_EQ(poly[0].Int(2 + 2 * (n - 1)), 69999 % 7);
}

TEST(MetafileRecorder, FileFormMatchesMemoryForm) {
    QTemporaryDir dir;
    const std::string path = QDir(dir.path()).filePath("page.wmf").toStdString();
    auto draw = [](TDC& dc) {
        dc.SetMapMode(MM_ANISOTROPIC);
        dc.SetWindowExt(TSize(100, 100));
        dc.SelectObject(TPen(RGB(0, 0, 0), 5));
        dc.MoveToEx(1, 2);
        dc.LineTo(3, 4);
    };
    TMetaFileDC mem;
    draw(mem);
    ASSERT_TRUE(mem.Close());
    {
        TMetaFileDC file(path);
        ASSERT_TRUE(file.IsOpen());
        draw(file);
        ASSERT_TRUE(file.Close());
        EXPECT_TRUE(file.Close());  // again: the same answer
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    std::vector<std::uint8_t> disk(4096);
    disk.resize(std::fread(disk.data(), 1, disk.size(), f));
    std::fclose(f);
    const Metafile mf = Parse(disk);
    EXPECT_EQ(mf.type, DISKMETAFILE);
    // The same records, byte for byte, behind the type word.
    ASSERT_EQ(disk.size(), mem.Bytes().size());
    EXPECT_TRUE(std::equal(disk.begin() + 2, disk.end(), mem.Bytes().begin() + 2));

    TMetaFileDC nowhere(QDir(dir.path()).filePath("no/such/dir/x.wmf").toStdString());
    EXPECT_FALSE(nowhere.IsOpen());
    nowhere.LineTo(1, 1);
    EXPECT_FALSE(nowhere.Close());
}

TEST(MetafileReader, RefusesDamagedData) {
    TMetaFileDC dc;
    dc.MoveToEx(1, 2);
    dc.LineTo(3, 4);
    dc.Close();
    const std::vector<std::uint8_t> good = MakePlaceable(dc.Bytes(), {0, 0, 10, 10, 1440});
    Metafile mf;
    ASSERT_TRUE(ParseMetafile(good.data(), good.size(), &mf));

    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    };
    const std::vector<Case> cases = {
        {"truncated", [](auto& b) { b.resize(b.size() - 2); }},
        {"short header", [](auto& b) { b.resize(30); }},
        {"checksum", [](auto& b) { b[10] ^= 1; }},
        {"record size zero", [](auto& b) { b[22 + 18] = 0; }},
        {"record size huge", [](auto& b) { b[22 + 18 + 3] = 0x7F; }},
        {"size in header", [](auto& b) { b[22 + 6] ^= 1; }},
        {"no EOF", [](auto& b) { b.resize(b.size() - 6); }},
        {"header type", [](auto& b) { b[22] = 7; }},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> b = good;
        c.damage(b);
        std::string why;
        EXPECT_FALSE(ParseMetafile(b.data(), b.size(), &mf, &why)) << c.what;
        EXPECT_FALSE(why.empty()) << c.what;
    }
    EXPECT_FALSE(ParseMetafile(nullptr, 0, &mf));
}

}  // namespace
