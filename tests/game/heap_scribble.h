// Fills a freed heap block with a pattern, so that a pool allocated right
// after it (and likely given the same block) shows any record it leaves
// uninitialised.
#pragma once

#include <cstddef>

inline void Scribble(size_t bytes) {
    char* block = new char[bytes];
    volatile char* bytesOf = block;  // the stores must happen
    for (size_t i = 0; i < bytes; i++) bytesOf[i] = char(0xA5);
    delete[] block;
}
