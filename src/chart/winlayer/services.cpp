#include "chart/winlayer/services.h"

#include "platform/messagebox.h"
#include "platform/stringtable.h"

#include <QFontMetrics>
#include <QLabel>
#include <QStatusBar>

#include <utility>

namespace kv::win {

std::string TStatusBar::GetGadgetText(int gadget) const {
    auto it = gadgets_.find(gadget);
    return it == gadgets_.end() ? std::string() : it->second;
}

TQtStatusBar::TQtStatusBar(QStatusBar* bar, std::span<const int> widths) : bar_(bar) {
    int gadget = 0;
    for (int characters : widths) {
        auto* label = new QLabel(bar);
        label->setObjectName(QStringLiteral("gadget%1").arg(++gadget));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(characters * CharacterWidth(label->font()) + 2 * label->frameWidth());
        bar->addPermanentWidget(label);
        labels_[gadget] = label;
    }
}

int TQtStatusBar::CharacterWidth(const QFont& font) {
    // The ideographic space: a full-width character of the Japanese faces.
    return QFontMetrics(font).horizontalAdvance(QChar(0x3000));
}

void TQtStatusBar::SetMessage(const std::string& text) {
    TStatusBar::SetMessage(text);
    if (text.empty()) bar_->clearMessage();
    else bar_->showMessage(QString::fromStdString(text));
}

void TQtStatusBar::SetGadgetText(int gadget, const std::string& text) {
    TStatusBar::SetGadgetText(gadget, text);
    auto it = labels_.find(gadget);
    if (it == labels_.end()) return;
    QLabel* label = it->second;
    const QString shown = QString::fromStdString(text);
    label->setText(shown);
    const int needed = label->fontMetrics().horizontalAdvance(shown) + 2 * label->frameWidth();
    if (needed > label->minimumWidth()) label->setMinimumWidth(needed);
}

TToolPalette::TToolPalette() = default;

bool TToolPalette::IsExclusiveButton(int id) {
    switch (id) {
    case 1001: case 1003: case 1004: case 1005: case 1021:
    case 1022: case 1023: case 1024: case 1025: case 1027:
        return true;
    default:
        return false;
    }
}

void TToolPalette::SetButtonDown(int id) {
    if (IsExclusiveButton(id)) down_ = id;
}

TPrinterPage PrinterPageFromLayout(const QPageLayout& layout, int dpi) {
    TPrinterPage page;
    if (dpi <= 0) return page;
    const QRect full = layout.fullRectPixels(dpi);
    const QRect paint = layout.paintRectPixels(dpi);
    page.LogPixelsX = dpi;
    page.LogPixelsY = dpi;
    page.HorzRes = paint.width();
    page.VertRes = paint.height();
    page.PhysicalWidth = full.width();
    page.PhysicalHeight = full.height();
    page.PrintOffsetX = paint.left() - full.left();
    page.PrintOffsetY = paint.top() - full.top();
    return page;
}

int TApplicationServices::SaveGraph() {
    // String 26: "write error".
    kv::MessageBox(nullptr, kv::LoadString(26), nullptr, MB_OK | MB_ICONSTOP);
    return 0;
}

void TApplicationServices::UpdateCaption(const char* name) {
    caption_ = std::string("Korvida - ") + (name ? name : "");
}

bool TApplicationServices::IsMenuItemChecked(int id) const {
    auto it = checks_.find(id);
    return it != checks_.end() && it->second;
}

namespace {
TApplicationServices*& Installed() {
    static TApplicationServices* installed = nullptr;
    return installed;
}
}  // namespace

TApplicationServices& Application() {
    static TApplicationServices fallback;
    TApplicationServices* s = Installed();
    return s ? *s : fallback;
}

TApplicationServices* SetApplication(TApplicationServices* services) {
    return std::exchange(Installed(), services);
}

}  // namespace kv::win
