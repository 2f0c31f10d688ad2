#pragma once
// The test process's resident and peak resident memory in bytes, from /proc.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace kvtest {

inline std::int64_t StatusBytes(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + std::strlen(key)) * 1024;
    return -1;
}
inline std::int64_t ResidentBytes() { return StatusBytes("VmRSS:"); }
inline std::int64_t PeakResidentBytes() { return StatusBytes("VmHWM:"); }
// Sets the peak back to the present; false where that is not allowed.
inline bool ResetPeakResident() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return bool(out) && PeakResidentBytes() > 0;
}

}  // namespace kvtest
