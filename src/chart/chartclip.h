#pragma once
// The page on the clipboard and numeric text from it.
//
// The page goes to the clipboard twice: as a Windows metafile (placeable, 1440
// units per inch, under MetafileMimeType) for programs that take vector
// pictures, and as a raster image (PNG, with the picture's physical size in its
// resolution) for every other program. Both show the drawing's extent widened by
// the metafile margin; the paper and the grid are not part of the picture.

#include "platform/geometry.h"

// The clipboard format of the metafile.
inline constexpr const char* MetafileMimeType = "image/x-wmf";

// The picture of a drawing extent (page twips) widened by margin twips on every
// side: its logical window, and its size in hundredths of a millimetre as the
// metafile picture suggests it (the window's twips times 1.76, truncated).
// Window sides of less than one twip count as one twip.
struct ClipboardPictureGeometry {
    TRect Window;
    int XExt = 0;
    int YExt = 0;
    // The window fits the metafile format's signed 16-bit coordinates.
    bool FitsMetafile = true;
};
ClipboardPictureGeometry ClipboardPictureFor(const TRect& extent, int margin);

// The raster image's resolution, dots per inch, and the largest side it may take
// in pixels (a larger picture is drawn at a lower resolution).
inline constexpr int ClipboardImageDpi = 192;
inline constexpr int ClipboardImageMaxSide = 6000;
