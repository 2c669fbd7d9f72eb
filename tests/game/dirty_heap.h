// Frees a block of `bytes` filled with a non-zero pattern, so that an
// allocation of the same size made right after it (which most likely gets
// the same block) shows any record its owner leaves uninitialised.
#pragma once

#include <cstddef>
#include <cstring>

inline void dirtyHeap(std::size_t bytes) {
    char* block = new char[bytes];
    std::memset(block, 0xA5, bytes);
    // Keeps the compiler from dropping the block and its filling as unused.
    asm volatile("" : : "r"(block) : "memory");
    delete[] block;
}
