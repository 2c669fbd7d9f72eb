// Little-endian binary output into a byte vector, with patching of sizes
// written before their content is known (RIFF chunks).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

class ByteWriter {
public:
    void u8(uint8_t v) { m_bytes.push_back(v); }
    void u16(uint16_t v) {
        u8(static_cast<uint8_t>(v));
        u8(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v) {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void i32(int32_t v) { u32(static_cast<uint32_t>(v)); }
    // Exactly four characters (a RIFF or file tag).
    void tag(const char* four) { m_bytes.insert(m_bytes.end(), four, four + 4); }
    void bytes(const uint8_t* data, size_t n) { m_bytes.insert(m_bytes.end(), data, data + n); }
    void bytes(const std::vector<uint8_t>& data) { bytes(data.data(), data.size()); }
    void zeros(size_t n) { m_bytes.insert(m_bytes.end(), n, 0); }

    size_t size() const { return m_bytes.size(); }
    void patch_u32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) m_bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    // Starts a RIFF chunk (tag and a size to be patched); returns the
    // position of the size field for end_chunk.
    size_t begin_chunk(const char* four) {
        tag(four);
        size_t at = size();
        u32(0);
        return at;
    }
    // Patches the chunk's size and adds the pad byte of an odd size.
    void end_chunk(size_t size_at) {
        uint32_t n = static_cast<uint32_t>(size() - size_at - 4);
        patch_u32(size_at, n);
        if (n & 1) u8(0);
    }

    std::vector<uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace assetgen
