// Builds RIFF/WAV files byte by byte, good ones and broken ones alike.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

namespace soundtest {

inline std::string le16(uint32_t v) { return std::string{char(v & 0xFF), char((v >> 8) & 0xFF)}; }
inline std::string le32(uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A chunk with its pad byte; `declared` overrides the size written in the header.
inline std::string chunk(const std::string& id, const std::string& body, int64_t declared = -1) {
    const uint32_t size = declared >= 0 ? uint32_t(declared) : uint32_t(body.size());
    std::string out = id + le32(size) + body;
    if (body.size() % 2) out.push_back('\0');
    return out;
}

// The 16 bytes of a PCM format (18 with the extra-size field).
inline std::string formatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                              bool withExtraSize = false) {
    const uint16_t block = uint16_t(channels * bits / 8);
    std::string out = le16(tag) + le16(channels) + le32(rate) + le32(rate * block) + le16(block) + le16(bits);
    if (withExtraSize) out += le16(0);
    return out;
}

inline std::string riff(const std::string& form, const std::string& chunks, int64_t declared = -1) {
    const uint32_t size = declared >= 0 ? uint32_t(declared) : uint32_t(4 + chunks.size());
    return "RIFF" + le32(size) + form + chunks;
}

inline std::string formatChunk8Mono(uint32_t rate = 11025) { return chunk("fmt ", formatBody(1, 1, rate, 8)); }

// The usual file: 8-bit mono 11025 Hz, a 16-byte format chunk, then data.
inline std::string wave8Mono(const std::string& samples) {
    return riff("WAVE", formatChunk8Mono() + chunk("data", samples));
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace soundtest
