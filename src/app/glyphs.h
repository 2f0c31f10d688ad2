#pragma once
// The pictures of the command-bar and tool-palette buttons and the program's icon,
// drawn in code in the sixteen-colour look of the bar: 20 x 20 for the command bar,
// 24 x 24 for the tool palette.

#include <QIcon>
#include <QPixmap>

namespace kv::app {

// The picture of the button with this command id at size x size pixels; a blank
// picture for an id without one.
QPixmap ButtonGlyph(int id, int size);

// The program's icon (a small graph) in the usual sizes.
QIcon ProgramIcon();

}  // namespace kv::app
