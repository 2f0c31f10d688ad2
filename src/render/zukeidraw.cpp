// Drawing of the figures of an axis set.

#include "model/boxframe.h"
#include "platform/dc.h"
#include "render/output.h"

void BoxFrame::DrawZukei(int, TDC&, const TZukei*, int, FILE*, TRect*) const {}

void BoxFrame::DrawArrowLine(int, TDC&, const TZukei*, TPoint, TPoint, int, FILE*, TRect*) const {}
