#pragma once
// Signed int fields stored as words. A version-0 stream stores 16-bit words, so a
// stored -1 arrives as 0xFFFF and must be sign-extended; newer streams store all
// 32 bits.

#include "platform/objstrm.h"

#include <cstdint>

inline int ReadIntWord(ipstream& is) {
    const std::uint32_t w = is.readWord();
    if (is.getVersion() == 0) return int(std::int16_t(std::uint16_t(w)));
    return int(std::int32_t(w));
}

// The number of elements a stored "count - 1" word stands for (0 for a negative one).
inline std::int64_t RowsFromLastIndex(int lastIndex) {
    return lastIndex < 0 ? 0 : std::int64_t(lastIndex) + 1;
}
