#pragma once
// Shared pieces of the chart window tests: application services with a script,
// and a page view of a fixed client size at 96 dpi.

#include "chart/chartwindow.h"
#include "test_util.h"
#include "chart/winlayer/escapepoll.h"
#include "chart/winlayer/services.h"
#include "platform/escape.h"

#include <QCoreApplication>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace charttest {

// The application as the page view sees it, recording what it is asked.
class TestApp : public kv::win::TApplicationServices {
public:
    TestApp() { previous_ = kv::win::SetApplication(this); }
    ~TestApp() override { kv::win::SetApplication(previous_); }

    std::string ProfilePath() const override { return profile; }
    std::string AppDirectory() const override { return "/opt/korvida/"; }
    int SaveGraph() override {
        ++saveGraphCalls;
        return save ? save() : 0;
    }
    void SaveSettings() override { ++saveSettingsCalls; }
    void CloseHelp(const std::string& file) override { closedHelp.push_back(file); }
    bool GetPrinterPage(kv::win::TPrinterPage& page) override {
        if (!printer) return false;
        page = *printer;
        return true;
    }

    std::string profile;
    std::function<int()> save;
    std::unique_ptr<kv::win::TPrinterPage> printer;
    int saveGraphCalls = 0;
    int saveSettingsCalls = 0;
    std::vector<std::string> closedHelp;

private:
    kv::win::TApplicationServices* previous_ = nullptr;
};

// A page view with a client area of w x h pixels at 96 dpi, set up.
inline std::unique_ptr<TChartWindow> MakeChart(int w = 800, int h = 600, bool setUp = true) {
    auto chart = std::make_unique<TChartWindow>();
    chart->SetLogPixels(96, 96);
    chart->SetClientSize(w, h);
    if (setUp) chart->Create();
    return chart;
}

}  // namespace charttest
