// The program's reading and writing of a 5 MB profile, for profiles of several
// shapes, each beside a reference measured in the same run:
//
// - StartUp: the application as the program builds it (the chart view's and the
//   frame's set-up, which read the profile) on the offscreen platform, each time
//   on a file the process has not read before, as at a real start. The same
//   start-up without a profile (StartUpWithoutProfile) gives what the windows
//   alone cost, so the profile's share is the difference. Reference: PlainRead,
//   the file's bytes read whole into memory.
// - Close: the whole-profile save of a passed close check in a running program,
//   with one value changed so that the file is really written. Reference:
//   PlainWrite, the bytes the program writes written whole to a temporary file
//   that is then renamed over the file.
// - SingleRead: one key read outside a batch from the unchanged file.
//   Reference: StatAndLookUp, a stat of the file (any reader has to learn
//   whether the file changed) and a hash-map lookup of the key in a table
//   prepared from the file beforehand.
// - SingleReadAfterWrite: the same read moments after the program changed a
//   value in the file (outside the timing), when the file's times cannot yet
//   tell a rewrite of the same size in the same clock tick apart and its bytes
//   are compared with those written. Reference: PlainRead.
//
// The shapes are about 5 MB of other settings around the program's own sections
// (written by a first run), the kind of file that grows when a profile is shared
// with other tools. Each benchmark takes the shape's index as its argument; the
// label names the shape.
#include "app/app.h"
#include "app/frame.h"
#include "chart/chartwindow.h"
#include "platform/profile.h"
#include "platform/safefile.h"
#include "../interleaved.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr std::size_t kForeignBytes = 5u << 20;
// The value the shapes hold for [Other] AutoScaleMargin; the program's result
// and the references are checked against it.
constexpr int kMargin = 17;

// No printer is asked for: the question can take long on a machine with a
// print system, and has nothing to do with the profile.
class BenchApp : public korvidaApp {
public:
    bool GetPrinterPage(kv::win::TPrinterPage&) override { return false; }
};

std::string KeyLines(const std::string& prefix, int from, int count) {
    std::string text;
    for (int k = from; k < from + count; ++k)
        text += prefix + std::to_string(k) + "=C:\\Program Files\\Tool\\value " + std::to_string(k * 7) + "\r\n";
    return text;
}

// Sections of `keys` keys each until they hold 5 MB: [Tool0], [Tool1] and so on,
// or, given a name, all of that name with their keys numbered on from one to
// the next.
std::string ForeignSections(int keys, const char* sameName = nullptr) {
    std::string text;
    for (int s = 0; text.size() < kForeignBytes; ++s) {
        if (sameName)
            text += "[" + std::string(sameName) + "]\r\n" + KeyLines("Setting", s * keys, keys);
        else
            text += "[Tool" + std::to_string(s) + "]\r\n" + KeyLines("Setting", 0, keys);
    }
    return text;
}

// own: the program's sections as a first run writes them.
struct Shape {
    const char* name;
    std::function<std::string(const std::string& own)> make;
};

const std::vector<Shape>& Shapes() {
    static const std::vector<Shape> shapes = {
        {"3000 sections of 40 keys", [](const std::string& own) { return ForeignSections(40) + own; }},
        {"20000 sections of 5 keys", [](const std::string& own) { return ForeignSections(5) + own; }},
        {"4 sections of 28000 keys", [](const std::string& own) { return ForeignSections(28000) + own; }},
        {"110000 other keys in [Other]",
         [](const std::string& own) {
             std::string text = own;
             const std::size_t at = text.find("[Other]\r\n");
             if (at == std::string::npos) std::abort();
             text.insert(at + 9, KeyLines("Setting", 0, 110000));
             return text;
         }},
        {"50 lines of 100 kB",
         [](const std::string& own) {
             std::string text = "[Notes]\r\n";
             for (int k = 0; k < 50; ++k)
                 text += "Note" + std::to_string(k) + "=" + std::string(100 << 10, char('a' + k % 26)) + "\r\n";
             return text + own;
         }},
        {"20000 sections named [Tool]", [](const std::string& own) { return ForeignSections(5, "Tool") + own; }},
        {"20000 sections named [Text]", [](const std::string& own) { return own + ForeignSections(5, "Text"); }},
    };
    return shapes;
}

void WriteFile(const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fclose(f) != 0) std::abort();
}

// Puts bytes in place as a new file (a temporary file renamed over the path).
void ReplaceWith(const std::string& path, const std::string& bytes) {
    WriteFile(path + ".new", bytes);
    if (std::rename((path + ".new").c_str(), path.c_str()) != 0) std::abort();
}

// A home folder per shape, and one without a profile.
class Homes {
public:
    Homes() {
        char pattern[] = "/tmp/kv-bench-profile-XXXXXX";
        if (!::mkdtemp(pattern)) std::abort();
        dir_ = pattern;
        UseHome(dir_ + "/none");
        std::string own;
        {
            BenchApp app;
            app.InitMainWindow();
            app.Frame->Create();
            app.Client()->Settings.AutoScaleMargin = kMargin;
            app.SaveSettings();
            std::string lf;
            if (!kv::ReadWholeFile(app.ProfilePath(), lf)) std::abort();
            std::filesystem::remove(app.ProfilePath());
            // With the line ends of the rest of the file.
            for (char c : lf) {
                if (c == '\n') own += '\r';
                own += c;
            }
        }
        for (std::size_t i = 0; i < Shapes().size(); ++i) {
            const std::string home = dir_ + "/" + std::to_string(i);
            UseHome(home);
            BenchApp app;
            app.InitMainWindow();
            Home h;
            h.dir = home;
            h.profile = app.ProfilePath();
            h.bytes = Shapes()[i].make(own);
            WriteFile(h.profile, h.bytes);
            homes_.push_back(std::move(h));
        }
    }
    ~Homes() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    struct Home {
        std::string dir, profile, bytes;
    };
    const Home& Of(const benchmark::State& state) const { return homes_.at(std::size_t(state.range(0))); }
    void UseNone() const { UseHome(dir_ + "/none"); }
    void Use(const Home& h) const { UseHome(h.dir); }

private:
    static void UseHome(const std::string& home) {
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
    }
    std::string dir_;
    std::vector<Home> homes_;
};

const Homes& TheHomes() {
    static Homes homes;
    return homes;
}

void Describe(benchmark::State& state, std::size_t bytes) {
    state.SetLabel(Shapes().at(std::size_t(state.range(0))).name);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}

void BM_StartUp(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    TheHomes().Use(home);
    for (auto _ : state) {
        state.PauseTiming();
        ReplaceWith(home.profile, home.bytes);
        state.ResumeTiming();
        BenchApp app;
        app.InitMainWindow();
        app.Frame->Create();
        if (app.Client()->Settings.AutoScaleMargin != kMargin) {
            state.SkipWithError("the start-up did not read the profile's value");
            return;
        }
    }
    Describe(state, home.bytes.size());
}

void BM_StartUpWithoutProfile(benchmark::State& state) {
    TheHomes().UseNone();
    for (auto _ : state) {
        BenchApp app;
        app.InitMainWindow();
        app.Frame->Create();
        benchmark::DoNotOptimize(app.Client()->Settings.AutoScaleMargin);
    }
}

void BM_PlainRead(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    ReplaceWith(home.profile, home.bytes);
    std::string bytes;
    for (auto _ : state) {
        if (!kv::ReadWholeFile(home.profile, bytes)) std::abort();
        benchmark::DoNotOptimize(bytes.data());
    }
    if (bytes != home.bytes) state.SkipWithError("the bytes read are not the profile's");
    Describe(state, home.bytes.size());
}

void BM_Close(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    ReplaceWith(home.profile, home.bytes);
    TheHomes().Use(home);
    BenchApp app;
    app.InitMainWindow();
    app.Frame->Create();
    int margin = kMargin;
    for (auto _ : state) {
        margin = margin == kMargin ? kMargin + 1 : kMargin;
        app.Client()->Settings.AutoScaleMargin = margin;
        app.SaveSettings();
    }
    std::string written;
    if (!kv::ReadWholeFile(home.profile, written) ||
        written.find("AutoScaleMargin=" + std::to_string(margin) + "\r\n") == std::string::npos ||
        written.size() != home.bytes.size())
        state.SkipWithError("the close check did not write the profile");
    Describe(state, home.bytes.size());
}

void BM_PlainWrite(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    const std::string aside = home.dir + "/aside.ini";
    for (auto _ : state) {
        std::FILE* f = std::fopen((aside + ".tmp").c_str(), "wb");
        if (!f || std::fwrite(home.bytes.data(), 1, home.bytes.size(), f) != home.bytes.size() ||
            std::fclose(f) != 0 || std::rename((aside + ".tmp").c_str(), aside.c_str()) != 0)
            std::abort();
    }
    std::string written;
    if (!kv::ReadWholeFile(aside, written) || written != home.bytes)
        state.SkipWithError("the file written is not the profile");
    Describe(state, home.bytes.size());
}

void BM_SingleRead(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    ReplaceWith(home.profile, home.bytes);
    const char* path = home.profile.c_str();
    for (auto _ : state) {
        if (int(GetPrivateProfileIntA("Other", "AutoScaleMargin", 0, path)) != kMargin) {
            state.SkipWithError("the read did not give the profile's value");
            return;
        }
    }
    Describe(state, home.bytes.size());
}

void BM_SingleReadAfterWrite(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    ReplaceWith(home.profile, home.bytes);
    const char* path = home.profile.c_str();
    int margin = kMargin;
    for (auto _ : state) {
        state.PauseTiming();
        margin = margin == kMargin ? kMargin + 1 : kMargin;
        if (!WritePrivateProfileStringA("Other", "AutoScaleMargin", std::to_string(margin).c_str(), path)) {
            state.SkipWithError("the value could not be written");
            return;
        }
        state.ResumeTiming();
        if (int(GetPrivateProfileIntA("Other", "AutoScaleMargin", 0, path)) != margin) {
            state.SkipWithError("the read did not give the value written");
            return;
        }
    }
    ReplaceWith(home.profile, home.bytes);
    Describe(state, home.bytes.size());
}

void BM_StatAndLookUp(benchmark::State& state) {
    const Homes::Home& home = TheHomes().Of(state);
    ReplaceWith(home.profile, home.bytes);
    // The table: "SECTION\nKEY" in upper case -> value, the first of each kept.
    std::unordered_map<std::string, std::string> table;
    std::string section;
    for (std::size_t at = 0; at < home.bytes.size();) {
        std::size_t end = home.bytes.find('\n', at);
        if (end == std::string::npos) end = home.bytes.size();
        std::string line = home.bytes.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        for (char& c : line)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (!line.empty() && line.front() == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (const std::size_t eq = line.find('='); eq != std::string::npos) {
            table.emplace(section + "\n" + line.substr(0, eq), line.substr(eq + 1));
        }
    }
    const std::string key = "OTHER\nAUTOSCALEMARGIN";
    const char* path = home.profile.c_str();
    for (auto _ : state) {
        struct stat st;
        if (::stat(path, &st) != 0) std::abort();
        benchmark::DoNotOptimize(st.st_ctim);
        auto it = table.find(key);
        if (it == table.end() || std::atoi(it->second.c_str()) != kMargin) {
            state.SkipWithError("the table does not give the profile's value");
            return;
        }
    }
    Describe(state, home.bytes.size());
}

void EveryShape(benchmark::internal::Benchmark* b) {
    for (std::size_t i = 0; i < Shapes().size(); ++i) b->Arg(std::int64_t(i));
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_StartUp)->Apply(EveryShape);
BENCHMARK(BM_StartUpWithoutProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Apply(EveryShape);
BENCHMARK(BM_Close)->Apply(EveryShape);
BENCHMARK(BM_PlainWrite)->Apply(EveryShape);
BENCHMARK(BM_SingleRead)->Apply(EveryShape)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SingleReadAfterWrite)->Apply(EveryShape)->Unit(benchmark::kMicrosecond)->Iterations(40);
BENCHMARK(BM_StatAndLookUp)->Apply(EveryShape)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication qt(argc, argv);
    return kvbench::RunInterleaved(argc, argv);
}
