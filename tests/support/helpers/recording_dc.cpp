#include "support/helpers/recording_dc.h"

namespace {

class RecordingBackend final : public TDCBackend {
public:
    RecordingBackend(std::vector<std::string>* log, int dpi) : log_(log), dpi_(dpi) {}

    int GetDeviceCaps(int index) const override {
        switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return dpi_;
        case HORZRES:
        case PHYSICALWIDTH: return dpi_ * 17 / 2;
        case VERTRES:
        case PHYSICALHEIGHT: return dpi_ * 11;
        case TECHNOLOGY: return DT_RASDISPLAY;
        case PLANES: return 1;
        case BITSPIXEL: return 32;
        case NUMCOLORS: return -1;
        default: return 0;
        }
    }
    void Trace(const TDCCall& call) override { log_->push_back(FormatDCCall(call)); }
    COLORREF SetPixel(const TDC&, TPoint, COLORREF c) override { return c; }

private:
    std::vector<std::string>* log_;
    int dpi_;
};

}  // namespace

RecordingDC::RecordingDC(int dpi)
    : TDC(std::make_unique<RecordingBackend>(&calls, dpi)) {}

std::vector<std::string> RecordingDC::Calls(std::string_view prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : calls)
        if (std::string_view(c).substr(0, prefix.size()) == prefix) out.push_back(c);
    return out;
}
