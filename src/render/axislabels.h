#pragma once
// The numeric labels beside the ticks of an axis. They are ordinary texts kept in
// the axis's LabelTexts: built here from the axis's scale, format and font, laid
// out, placed beside the frame, and from then on drawn, moved, edited and stored
// like any other text until the next rebuild.

#include <string>

class BoxFrame;

// The most tick candidates an axis is labelled with; a range that would need more
// (a tiny increment against a wide range) gets no labels.
constexpr int MaxLabelTicks = 10000;

// Rebuilds the labels of axis 1 (bottom) to 4 (right) of set, unless the axis's
// IsAutoLabel is 0. Labels are laid out with the current text measure. The chart
// window calls this directly.
void MakeAxisLabels(BoxFrame* set, int axis);

// MakeAxisLabels for the bottom, left, top and right axes, each only when its
// IsAutoLabel is 1.
void UpdateAxisLabels(BoxFrame* set);

// The label of the tick at value. linear 1: a label of a linear axis (range start,
// end and increment give the common power-of-ten factor and the automatic
// decimals; manualPrecision 1 takes intPrecision and decimalPrecision, a
// decimalPrecision of -1 meaning automatic decimals); factorText becomes the
// markup of the common factor, "(x10^n)", or the empty string. linear 0: the
// decade label of a logarithmic axis (labelFormat 1 decimal, 2 "10^n"); factorText
// and the last three arguments are not used. addPlus 1 signs every label.
void FormatTickLabel(std::string& text, std::string& factorText, double rangeStart,
                     double rangeEnd, double rangeInc, double value, int linear, int labelFormat,
                     int addPlus, char manualPrecision, int intPrecision, int decimalPrecision);

// The label of an intermediate tick of a logarithmic axis that spans at most one
// decade: the value itself (labelFormat 1) or its leading digit (2).
void FormatLogTickLabel(std::string& text, double rangeInc, double value, int labelFormat,
                        int addPlus);
