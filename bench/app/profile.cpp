// The program's start-up reading and exit writing of a 5 MB profile, beside a
// plain read and a plain write (temporary file and rename) of the same file.
// Start-up is the application as the program builds it (the chart view's and the
// frame's set-up, which read the profile) on the offscreen platform; the same
// start-up without a profile file gives what the windows alone cost, so the
// profile's share is the difference. Exit is the whole-profile save of a passed
// close check, with one value changed so that the file is really written.
#include "app/app.h"
#include "app/frame.h"
#include "chart/chartwindow.h"
#include "platform/profile.h"
#include "platform/safefile.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// No printer is asked for: the question can take long on a machine with a
// print system, and has nothing to do with the profile.
class BenchApp : public korvidaApp {
public:
    bool GetPrinterPage(kv::win::TPrinterPage&) override { return false; }
};

// A home folder holding a profile of about 5 MB: the program's own sections
// (written by a first run) after 4,000 sections of other settings, the kind of
// file that grows when a profile is shared with other tools.
class Home {
public:
    Home() {
        char pattern[] = "/tmp/kv-bench-profile-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
        setenv("HOME", dir_.c_str(), 1);
        {
            BenchApp app;
            app.InitMainWindow();
            app.Frame->Create();
            profile_ = app.ProfilePath();
            app.SaveSettings();
        }
        std::string own;
        if (!kv::ReadWholeFile(profile_, own)) std::abort();
        std::string text;
        for (int s = 0; text.size() < (5u << 20); ++s) {
            text += "[Tool" + std::to_string(s) + "]\r\n";
            for (int k = 0; k < 40; ++k)
                text += "Setting" + std::to_string(k) + "=C:\\Program Files\\Tool\\value " + std::to_string(s * k) + "\r\n";
        }
        text += own;
        bytes_ = text.size();
        Write(profile_, text);
        aside_ = dir_ + "/aside.korvida";
        Write(aside_, text);
    }
    ~Home() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    const std::string& Profile() const { return profile_; }
    const std::string& Aside() const { return aside_; }
    std::size_t Bytes() const { return bytes_; }
    // The profile moved away and back, for a start-up without one.
    void Hide() const { std::rename(profile_.c_str(), (profile_ + ".hidden").c_str()); }
    void Unhide() const { std::rename((profile_ + ".hidden").c_str(), profile_.c_str()); }

private:
    static void Write(const std::string& path, const std::string& text) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) std::abort();
    }
    std::string dir_, profile_, aside_;
    std::size_t bytes_ = 0;
};

const Home& TheHome() {
    static Home home;
    return home;
}

void StartUp(benchmark::State& state) {
    for (auto _ : state) {
        BenchApp app;
        app.InitMainWindow();
        app.Frame->Create();
        benchmark::DoNotOptimize(app.Client()->Settings.AutoScaleMargin);
    }
}

void BM_StartUpWith5MBProfile(benchmark::State& state) {
    TheHome();
    StartUp(state);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(TheHome().Bytes()));
}

void BM_StartUpWithoutProfile(benchmark::State& state) {
    TheHome().Hide();
    StartUp(state);
    TheHome().Unhide();
}

void BM_PlainRead5MB(benchmark::State& state) {
    std::string bytes;
    for (auto _ : state) {
        if (!kv::ReadWholeFile(TheHome().Profile(), bytes)) std::abort();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(TheHome().Bytes()));
}

void BM_ExitWith5MBProfile(benchmark::State& state) {
    BenchApp app;
    app.InitMainWindow();
    app.Frame->Create();
    int margin = 10;
    for (auto _ : state) {
        app.Client()->Settings.AutoScaleMargin = ++margin;
        app.SaveSettings();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(TheHome().Bytes()));
}

void BM_PlainWrite5MB(benchmark::State& state) {
    std::string bytes;
    if (!kv::ReadWholeFile(TheHome().Profile(), bytes)) std::abort();
    const std::string temp = TheHome().Aside() + ".tmp";
    for (auto _ : state) {
        std::FILE* f = std::fopen(temp.c_str(), "wb");
        if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0 ||
            std::rename(temp.c_str(), TheHome().Aside().c_str()) != 0)
            std::abort();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes.size()));
}

BENCHMARK(BM_StartUpWith5MBProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpWithoutProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead5MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExitWith5MBProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite5MB)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
