#include "format_checks.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <utility>

namespace formats {
namespace {

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
int32_t i32(const std::vector<uint8_t>& b, size_t at) { return static_cast<int32_t>(u32(b, at)); }
bool tag(const std::vector<uint8_t>& b, size_t at, const char* four) {
    return at + 4 <= b.size() && std::memcmp(b.data() + at, four, 4) == 0;
}

struct Chunk {
    std::string id;
    size_t data, size;  // payload position and size
};

// Reads the chunks in [begin, end); each must fit, odd sizes padded.
std::string chunks(const std::vector<uint8_t>& b, size_t begin, size_t end, std::vector<Chunk>& out) {
    size_t at = begin;
    while (at < end) {
        if (at + 8 > end) return "chunk header runs past its parent at " + std::to_string(at);
        Chunk c{std::string(reinterpret_cast<const char*>(&b[at]), 4), at + 8, u32(b, at + 4)};
        if (c.data + c.size > end) return "chunk '" + c.id + "' runs past its parent";
        out.push_back(c);
        at = c.data + c.size + (c.size & 1);
    }
    if (at != end) return "padding runs past the parent";
    return {};
}

}  // namespace

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string parse_bmp(const std::vector<uint8_t>& b, Bitmap& out) {
    if (b.size() < 54) return "shorter than the two headers";
    if (b[0] != 'B' || b[1] != 'M') return "no BM magic";
    if (u32(b, 2) != b.size()) return "bfSize does not match the file";
    if (u32(b, 10) != 54) return "pixels do not follow the headers";
    if (u32(b, 14) != 40) return "not a BITMAPINFOHEADER";
    const int32_t w = i32(b, 18), h = i32(b, 22);
    if (w <= 0 || h <= 0) return "width or height not positive (want bottom-up)";
    if (u16(b, 26) != 1) return "planes is not 1";
    if (u16(b, 28) != 24) return "not 24 bits per pixel";
    if (u32(b, 30) != 0) return "compressed";
    const size_t pitch = (static_cast<size_t>(w) * 3 + 3) & ~size_t{3};
    if (u32(b, 34) != pitch * h) return "biSizeImage does not match";
    if (b.size() != 54 + pitch * h) return "file size does not match width x height";
    out.width = w;
    out.height = h;
    out.pixels.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t at = 54 + (h - 1 - y) * pitch + x * 3;
            out.pixels[static_cast<size_t>(y) * w + x] = {b[at + 2], b[at + 1], b[at]};
        }
    return {};
}

std::string parse_wav(const std::vector<uint8_t>& b, Wave& out) {
    if (b.size() < 12 || !tag(b, 0, "RIFF") || !tag(b, 8, "WAVE")) return "not RIFF WAVE";
    if (u32(b, 4) != b.size() - 8) return "RIFF size does not match the file";
    std::vector<Chunk> list;
    if (std::string e = chunks(b, 12, b.size(), list); !e.empty()) return e;
    if (list.size() != 2 || list[0].id != "fmt " || list[1].id != "data") return "want exactly 'fmt ' then 'data'";
    const Chunk& fmt = list[0];
    if (fmt.size != 16) return "fmt is not 16 bytes";
    if (u16(b, fmt.data) != 1) return "not PCM";
    out.channels = u16(b, fmt.data + 2);
    out.sample_rate = static_cast<int>(u32(b, fmt.data + 4));
    const uint32_t per_second = u32(b, fmt.data + 8);
    const uint16_t align = u16(b, fmt.data + 12);
    out.bits = u16(b, fmt.data + 14);
    if (align != out.channels * out.bits / 8) return "block align does not match";
    if (per_second != static_cast<uint32_t>(out.sample_rate) * align) return "bytes per second do not match";
    const Chunk& data = list[1];
    if (data.size < 4) return "data shorter than 4 bytes";
    out.samples.assign(b.begin() + data.data, b.begin() + data.data + data.size);
    return {};
}

std::string parse_avi(const std::vector<uint8_t>& b, Avi& out) {
    if (b.size() < 12 || !tag(b, 0, "RIFF") || !tag(b, 8, "AVI ")) return "not RIFF AVI";
    if (u32(b, 4) != b.size() - 8) return "RIFF size does not match the file";
    std::vector<Chunk> top;
    if (std::string e = chunks(b, 12, b.size(), top); !e.empty()) return e;
    if (top.size() != 3 || top[0].id != "LIST" || !tag(b, top[0].data, "hdrl") || top[1].id != "LIST" ||
        !tag(b, top[1].data, "movi") || top[2].id != "idx1")
        return "want LIST hdrl, LIST movi, idx1";
    std::vector<Chunk> hdrl;
    if (std::string e = chunks(b, top[0].data + 4, top[0].data + top[0].size, hdrl); !e.empty()) return e;
    if (hdrl.size() != 3 || hdrl[0].id != "avih" || hdrl[0].size != 56) return "want avih (56 bytes) and two strl";
    const size_t avih = hdrl[0].data;
    out.frames = static_cast<int>(u32(b, avih + 16));
    out.streams = static_cast<int>(u32(b, avih + 24));
    out.width = static_cast<int>(u32(b, avih + 32));
    out.height = static_cast<int>(u32(b, avih + 36));
    if (!(u32(b, avih + 12) & 0x10)) return "avih does not flag an index";
    for (int s = 0; s < 2; ++s) {
        const Chunk& l = hdrl[1 + s];
        if (l.id != "LIST" || !tag(b, l.data, "strl")) return "stream list missing";
        std::vector<Chunk> strl;
        if (std::string e = chunks(b, l.data + 4, l.data + l.size, strl); !e.empty()) return e;
        if (strl.size() != 2 || strl[0].id != "strh" || strl[0].size != 56 || strl[1].id != "strf")
            return "want strh (56 bytes) then strf";
        const size_t h = strl[0].data, f = strl[1].data;
        if (s == 0) {
            if (!tag(b, h, "vids")) return "stream 0 is not video";
            out.frames_per_second = static_cast<double>(u32(b, h + 24)) / u32(b, h + 20);
            if (u32(b, h + 32) != static_cast<uint32_t>(out.frames)) return "video length differs from avih";
            if (strl[1].size != 40 || u32(b, f) != 40) return "video format is not a BITMAPINFOHEADER";
            if (i32(b, f + 4) != out.width || i32(b, f + 8) != out.height) return "frame size differs from avih";
            out.bit_count = u16(b, f + 14);
            out.compression = static_cast<int>(u32(b, f + 16));
        } else {
            if (!tag(b, h, "auds")) return "stream 1 is not audio";
            if (strl[1].size < 16) return "audio format too short";
            out.audio_format = u16(b, f);
            out.audio_channels = u16(b, f + 2);
            out.audio_rate = static_cast<int>(u32(b, f + 4));
            out.audio_bits = u16(b, f + 14);
        }
    }
    std::vector<Chunk> movi;
    const size_t movi_tag = top[1].data;
    if (std::string e = chunks(b, movi_tag + 4, top[1].data + top[1].size, movi); !e.empty()) return e;
    for (const Chunk& c : movi) {
        if (c.id == "00db") out.video_chunks.emplace_back(b.begin() + c.data, b.begin() + c.data + c.size);
        else if (c.id == "01wb") out.audio.insert(out.audio.end(), b.begin() + c.data, b.begin() + c.data + c.size);
        else return "unexpected chunk '" + c.id + "' in movi";
    }
    const Chunk& idx = top[2];
    if (idx.size % 16) return "idx1 size is not a whole number of entries";
    out.index_entries = static_cast<int>(idx.size / 16);
    if (static_cast<size_t>(out.index_entries) != movi.size()) return "idx1 does not list every movi chunk";
    for (int i = 0; i < out.index_entries; ++i) {
        const size_t e = idx.data + 16 * i;
        const size_t at = movi_tag + u32(b, e + 8);  // offsets count from the 'movi' tag
        if (at + 8 > b.size() || std::memcmp(&b[at], &b[e], 4) != 0) return "idx1 entry " + std::to_string(i) + " points elsewhere";
        if (u32(b, at + 4) != u32(b, e + 12)) return "idx1 entry " + std::to_string(i) + " has the wrong size";
    }
    return {};
}

namespace {

// Tokens of the text .x format: words, numbers, strings and the
// punctuation { } ; , (comments skipped).
class XReader {
public:
    explicit XReader(std::string text) : m_text(std::move(text)) {}

    bool at_end() {
        skip();
        return m_pos >= m_text.size();
    }
    std::string token() {
        skip();
        if (m_pos >= m_text.size()) return {};
        const char c = m_text[m_pos];
        if (std::strchr("{};,", c)) return std::string(1, m_text[m_pos++]);
        if (c == '"') {
            size_t end = m_text.find('"', m_pos + 1);
            if (end == std::string::npos) return {};
            std::string s = m_text.substr(m_pos, end - m_pos + 1);
            m_pos = end + 1;
            return s;
        }
        size_t start = m_pos;
        while (m_pos < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_pos])) &&
               !std::strchr("{};,\"", m_text[m_pos]))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }
    bool expect(const std::string& want) {
        std::string got = token();
        if (got == want) return true;
        m_error = "expected '" + want + "' but found '" + got + "'";
        return false;
    }
    bool number(double& v) {
        std::string t = token();
        char* end = nullptr;
        v = std::strtod(t.c_str(), &end);
        if (t.empty() || *end) {
            m_error = "expected a number but found '" + t + "'";
            return false;
        }
        return true;
    }
    bool count(uint32_t& v) {
        double d;
        if (!number(d) || d < 0 || d != std::floor(d)) {
            if (m_error.empty()) m_error = "expected a count";
            return false;
        }
        v = static_cast<uint32_t>(d);
        return true;
    }
    const std::string& error() const { return m_error; }
    void fail(const std::string& e) { m_error = e; }

private:
    void skip() {
        while (m_pos < m_text.size()) {
            if (std::isspace(static_cast<unsigned char>(m_text[m_pos]))) ++m_pos;
            else if (m_text.compare(m_pos, 2, "//") == 0 || m_text[m_pos] == '#')
                m_pos = m_text.find('\n', m_pos) == std::string::npos ? m_text.size() : m_text.find('\n', m_pos);
            else break;
        }
    }

    std::string m_text;
    size_t m_pos = 0;
    std::string m_error;
};

// "n;" then n elements read by `element`, separated by ',' and ended by ';'.
template <typename F>
bool array(XReader& r, uint32_t n, F element) {
    for (uint32_t i = 0; i < n; ++i) {
        if (!element()) return false;
        if (!r.expect(i + 1 < n ? "," : ";")) return false;
    }
    return true;
}

bool vector3(XReader& r, Vec3& v) {
    return r.number(v.x) && r.expect(";") && r.number(v.y) && r.expect(";") && r.number(v.z) && r.expect(";");
}

bool faces(XReader& r, uint32_t n, std::vector<std::vector<uint32_t>>& out) {
    return array(r, n, [&] {
        uint32_t k;
        if (!r.count(k) || !r.expect(";") || k < 3) return false;
        std::vector<uint32_t> idx(k);
        for (uint32_t j = 0; j < k; ++j)
            if (!r.count(idx[j]) || !r.expect(j + 1 < k ? "," : ";")) return false;
        out.push_back(idx);
        return true;
    });
}

}  // namespace

std::string parse_x(const std::string& text, XMesh& m) {
    if (text.compare(0, 16, "xof 0303txt 0032") != 0 && text.compare(0, 16, "xof 0302txt 0032") != 0)
        return "bad .x header";
    XReader r(text.substr(16));
    uint32_t n = 0, nf = 0;
    std::string name;
    bool ok = r.expect("Mesh") && !(name = r.token()).empty() && r.expect("{") && r.count(n) && r.expect(";") &&
              array(r, n, [&] {
                  Vec3 v;
                  if (!vector3(r, v)) return false;
                  m.positions.push_back(v);
                  return true;
              }) &&
              r.count(nf) && r.expect(";") && faces(r, nf, m.faces);
    if (!ok) return "Mesh: " + r.error();
    bool normals = false, uvs = false, materials = false;
    for (std::string t = r.token(); t != "}"; t = r.token()) {
        if (t == "MeshNormals") {
            uint32_t nn = 0, nfn = 0;
            ok = r.expect("{") && r.count(nn) && r.expect(";") && array(r, nn, [&] {
                     Vec3 v;
                     if (!vector3(r, v)) return false;
                     m.normals.push_back(v);
                     return true;
                 }) && r.count(nfn) && r.expect(";") && faces(r, nfn, m.face_normals) && r.expect("}");
            if (!ok) return "MeshNormals: " + r.error();
            normals = true;
        } else if (t == "MeshTextureCoords") {
            uint32_t nt = 0;
            ok = r.expect("{") && r.count(nt) && r.expect(";") && array(r, nt, [&] {
                     double u, v;
                     if (!r.number(u) || !r.expect(";") || !r.number(v) || !r.expect(";")) return false;
                     m.uvs.push_back({u, v});
                     return true;
                 }) && r.expect("}");
            if (!ok) return "MeshTextureCoords: " + r.error();
            uvs = true;
        } else if (t == "MeshMaterialList") {
            uint32_t nm = 0, ni = 0;
            ok = r.expect("{") && r.count(nm) && r.expect(";") && r.count(ni) && r.expect(";") && array(r, ni, [&] {
                     uint32_t i;
                     if (!r.count(i)) return false;
                     m.face_materials.push_back(i);
                     return true;
                 }) && r.expect(";");
            if (!ok) return "MeshMaterialList: " + r.error();
            m.materials = static_cast<int>(nm);
            for (uint32_t k = 0; k < nm; ++k) {
                Vec3 specular, emissive;
                double rgba[4], power;
                ok = r.expect("Material") && r.expect("{");
                for (int c = 0; ok && c < 4; ++c) ok = r.number(rgba[c]) && r.expect(";");
                ok = ok && r.expect(";") && r.number(power) && r.expect(";") && vector3(r, specular) && r.expect(";") &&
                     vector3(r, emissive) && r.expect(";");
                std::string next = ok ? r.token() : "";
                if (next == "TextureFilename") {
                    ok = r.expect("{") && !(m.texture_file = r.token()).empty() && r.expect(";") && r.expect("}");
                    next = ok ? r.token() : "";
                }
                if (!ok || next != "}") return "Material: " + (r.error().empty() ? "not closed" : r.error());
            }
            if (!r.expect("}")) return "MeshMaterialList: " + r.error();
            materials = true;
        } else {
            return "unexpected '" + t + "' in Mesh";
        }
    }
    if (!r.at_end()) return "text after the Mesh";
    if (!normals || !uvs || !materials) return "MeshNormals, MeshTextureCoords or MeshMaterialList missing";
    if (m.face_normals.size() != m.faces.size()) return "face normal count differs from face count";
    if (m.uvs.size() != m.positions.size()) return "one uv per position wanted";
    if (m.face_materials.size() != m.faces.size()) return "material index count differs from face count";
    for (size_t f = 0; f < m.faces.size(); ++f) {
        if (m.faces[f].size() != m.face_normals[f].size()) return "face and normal corner counts differ";
        for (size_t k = 0; k < m.faces[f].size(); ++k)
            if (m.faces[f][k] >= m.positions.size() || m.face_normals[f][k] >= m.normals.size())
                return "index out of range in face " + std::to_string(f);
        if (m.face_materials[f] >= static_cast<uint32_t>(m.materials)) return "material index out of range";
    }
    if (m.texture_file.size() >= 2 && m.texture_file.front() == '"') m.texture_file = m.texture_file.substr(1, m.texture_file.size() - 2);
    return {};
}

}  // namespace formats
