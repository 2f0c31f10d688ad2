#pragma once
// Cursors by id: the system cursors the page view uses (IDC_*) and the program's
// own cursors 7000 to 7004, whose pictures are drawn here (32 x 32, with the hot
// spots the tools rely on).

#include <QCursor>
#include <QPoint>

constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_SIZENWSE = 32642;
constexpr int IDC_SIZENESW = 32643;
constexpr int IDC_SIZEWE = 32644;
constexpr int IDC_SIZENS = 32645;
constexpr int IDC_SIZEALL = 32646;
constexpr int IDC_NO = 32648;

// The program's cursors.
constexpr int IDC_NODEARROW = 7000;    // arrowhead over a polyline node, hot spot (1, 6)
constexpr int IDC_HAND = 7001;         // open hand of the pan tool, (10, 12)
constexpr int IDC_HANDPRESSED = 7002;  // closed hand while panning, (10, 12)
constexpr int IDC_PENCIL = 7003;       // pencil of the figure tools, (0, 0)
constexpr int IDC_DATAARROW = 7004;    // red arrow with a square, data cursor, (1, 6)

namespace kv::win {

// The cursor of an id; an unknown id gives the arrow.
QCursor LoadCursor(int id);
// The hot spot of a program cursor, (0, 0) for any other id.
QPoint CursorHotSpot(int id);

}  // namespace kv::win
