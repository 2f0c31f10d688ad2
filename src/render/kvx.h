#pragma once
// The kvx vector file: a text file that replays, record by record and in drawing
// order, what the output layer draws in vector mode. A record is a tag line ("/" and
// three capital letters) followed by its value lines; every line ends with CR LF
// whatever the platform. Lengths are twips; y is turned upward from the bottom of
// the printable page (PageToFileY).

#include "platform/color.h"
#include "platform/geometry.h"
#include "platform/wintypes.h"

#include <cstdio>

// The printable page height that flips y; set by OutPageInfo, kept until the next.
extern int PageHeight;

// PageHeight - y (saturated to the int range).
int PageToFileY(int y);

// "/PAI": the printable width and height; sets PageHeight. Written in every mode.
void OutPageInfo(int width, int height, FILE* file);
// "/BBX": the drawing's extent with y flipped, normalised. Follows OutPageInfo.
void OutBoundingBox(int left, int top, int right, int bottom, FILE* file);
// The header comment line with the version in thousandths ("%1.2f" of version/1000).
void OutFileHeader(int version, FILE* file);
// The footer comment line.
void OutFileFooter(FILE* file);

// Record writers of the drawing primitives (the output layer calls them in vector
// mode). A null file writes nothing.
namespace kvx {

// The background colour the layer last set (OutGetBkColor outside OUT_DC); white
// again at each OutPageInfo, the start of every vector drawing.
extern COLORREF LayerBkColor;

void Tag(FILE* file, const char* tag);  // "/MVT" and the like, alone on its line
void Point(FILE* file, int x, int y);   // "x,Y" with y flipped
void Number(FILE* file, int v);
void Colour(FILE* file, int first, const TColor& c);  // "first,r,g,b"
void Rect(FILE* file, int l, int t, int r, int b);    // "l,Y(t),r,Y(b)", as given
// The bytes up to the terminator (at most maxBytes) on one line; a CR or LF byte
// becomes a blank so that the record keeps its one line.
void TextLine(FILE* file, const char* text, int maxBytes);

}  // namespace kvx
