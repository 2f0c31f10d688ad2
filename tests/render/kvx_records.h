#pragma once
// Reading back what the output layer wrote in vector mode, for tests: a scratch
// file and a compact form of its records with y turned back to page coordinates.

#include "render/kvx.h"

#include <cstdio>
#include <string>
#include <vector>

namespace kvxtest {

class ScratchFile {
public:
    ScratchFile() : f_(std::tmpfile()) {}
    ~ScratchFile() {
        if (f_) std::fclose(f_);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    operator FILE*() const { return f_; }
    std::string Text() const {
        std::fflush(f_);
        std::string s;
        std::rewind(f_);
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f_)) > 0) s.append(buf, n);
        return s;
    }

private:
    FILE* f_;
};

// One string per record: the tag without its slash, then the values with points
// in page coordinates (y = PageHeight - the written y): "MVT 100,200",
// "PLY 0,0 10,0 10,10", "ELS 0,0,10,10", "BGP". Value lines of other records
// follow as written, separated by blanks.
inline std::vector<std::string> Records(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    auto point = [](const std::string& s) {
        int x = 0, y = 0;
        std::sscanf(s.c_str(), "%d,%d", &x, &y);
        std::string out = std::to_string(x);
        out += ',';
        out += std::to_string(PageHeight - y);
        return out;
    };
    std::vector<std::string> out;
    for (size_t i = 0; i < lines.size();) {
        const std::string tag = lines[i].substr(lines[i].empty() ? 0 : 1);
        std::string rec = tag;
        size_t j = i + 1;
        for (; j < lines.size() && (lines[j].empty() || lines[j][0] != '/'); ++j) {
            const std::string& v = lines[j];
            if (tag == "MVT" || tag == "LNT" || (tag == "PLY" && j > i + 1)) {
                rec += ' ';
                rec += point(v);
            } else if (tag == "ELS") {
                int l = 0, t = 0, r = 0, b = 0;
                std::sscanf(v.c_str(), "%d,%d,%d,%d", &l, &t, &r, &b);
                const int values[4] = {l, PageHeight - t, r, PageHeight - b};
                for (int k = 0; k < 4; ++k) {
                    rec += k == 0 ? ' ' : ',';
                    rec += std::to_string(values[k]);
                }
            } else if (tag != "PLY") {
                rec += ' ';
                rec += v;
            }
        }
        out.push_back(rec);
        i = j;
    }
    return out;
}

}  // namespace kvxtest
