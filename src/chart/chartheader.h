#pragma once
// The page's margin texts: the document's file name or today's date at the head
// and the foot of the printable area (TChartWindow::DrawHeaderFooter), and the
// settings command that chooses them.

#include <string>

// What a margin text shows (HeaderType, FooterType) and where (HeaderPosition,
// FooterPosition).
enum HeaderFooterType : int { HeaderFooterNone = 0, HeaderFooterFilename = 1, HeaderFooterDate = 2 };
enum HeaderFooterPosition : int { HeaderFooterCenter = 0, HeaderFooterLeft = 1, HeaderFooterRight = 2 };

// Distance of the margin texts from the edges of the printable area, twips.
constexpr int HeaderFooterMargin = 300;
// Character height of the margin texts, twips.
constexpr int HeaderFooterHeight = 250;

namespace kv {

// A CP932 text shown literally by the text markup: each single-byte "%", "@", "^"
// and "_" gets a "%" before it; double-byte characters are copied whole, so a
// trail byte that equals a markup character is left alone.
std::string EscapeTextMarkup(const std::string& cp932);

// The string of a margin text of the given type: empty for none (and any unknown
// type), the escaped file name (a local UTF-8 path, turned into document bytes;
// a character the code page lacks shows as "?"), or the date as
// "year / month / day" without leading zeros.
std::string HeaderFooterString(int type, const std::string& fileName, int year, int month, int day);

}  // namespace kv
