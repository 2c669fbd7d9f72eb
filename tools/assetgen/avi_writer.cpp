#include "avi_writer.h"

#include <algorithm>

#include "byte_writer.h"

namespace assetgen {
namespace {

constexpr uint32_t kHasIndex = 0x10, kIsInterleaved = 0x100, kKeyFrame = 0x10;

struct IndexEntry {
    char id[5];
    uint32_t offset, size;
};

uint32_t frame_bytes(const AviClip& c) { return ((static_cast<uint32_t>(c.width) * 3 + 3) & ~3u) * c.height; }

void stream_header(ByteWriter& w, const char* type, const char* handler, uint32_t scale, uint32_t rate,
                   uint32_t length, uint32_t buffer, uint32_t sample_size, int width, int height) {
    size_t at = w.begin_chunk("strh");
    w.tag(type);
    if (handler) w.tag(handler); else w.u32(0);
    w.u32(0);  // flags
    w.u16(0);  // priority
    w.u16(0);  // language
    w.u32(0);  // initial frames
    w.u32(scale);
    w.u32(rate);
    w.u32(0);  // start
    w.u32(length);
    w.u32(buffer);
    w.u32(0xFFFFFFFFu);  // default quality
    w.u32(sample_size);
    w.u16(0), w.u16(0), w.u16(static_cast<uint16_t>(width)), w.u16(static_cast<uint16_t>(height));
    w.end_chunk(at);
}

void write_headers(ByteWriter& w, const AviClip& c, uint32_t samples_per_frame) {
    const uint32_t frames = static_cast<uint32_t>(c.frames.size());
    size_t hdrl = w.begin_chunk("LIST");
    w.tag("hdrl");
    size_t avih = w.begin_chunk("avih");
    w.u32(1000000u / c.frames_per_second);
    w.u32(frame_bytes(c) * c.frames_per_second + c.sample_rate);
    w.u32(0);
    w.u32(kHasIndex | kIsInterleaved);
    w.u32(frames);
    w.u32(0);
    w.u32(2);  // streams
    w.u32(frame_bytes(c));
    w.u32(static_cast<uint32_t>(c.width));
    w.u32(static_cast<uint32_t>(c.height));
    w.zeros(16);
    w.end_chunk(avih);

    size_t video = w.begin_chunk("LIST");
    w.tag("strl");
    stream_header(w, "vids", "DIB ", 1, static_cast<uint32_t>(c.frames_per_second), frames, frame_bytes(c), 0,
                  c.width, c.height);
    size_t vf = w.begin_chunk("strf");
    w.u32(40);
    w.i32(c.width);
    w.i32(c.height);  // positive: rows stored bottom-up
    w.u16(1);
    w.u16(24);
    w.u32(0);  // BI_RGB
    w.u32(frame_bytes(c));
    w.zeros(16);
    w.end_chunk(vf);
    w.end_chunk(video);

    size_t audio = w.begin_chunk("LIST");
    w.tag("strl");
    stream_header(w, "auds", nullptr, 1, static_cast<uint32_t>(c.sample_rate), static_cast<uint32_t>(c.sound.size()),
                  samples_per_frame, 1, 0, 0);
    size_t af = w.begin_chunk("strf");
    w.u16(1);  // PCM
    w.u16(1);
    w.u32(static_cast<uint32_t>(c.sample_rate));
    w.u32(static_cast<uint32_t>(c.sample_rate));
    w.u16(1);
    w.u16(8);
    w.u16(0);  // cbSize
    w.end_chunk(af);
    w.end_chunk(audio);
    w.end_chunk(hdrl);
}

void write_frame(ByteWriter& w, const Image& img) {
    const int pad = ((img.width() * 3 + 3) & ~3) - img.width() * 3;
    for (int y = img.height() - 1; y >= 0; --y) {
        for (int x = 0; x < img.width(); ++x) {
            Rgb p = img.get(x, y);
            w.u8(p.b), w.u8(p.g), w.u8(p.r);
        }
        w.zeros(static_cast<size_t>(pad));
    }
}

}  // namespace

std::vector<uint8_t> encode_avi(const AviClip& c) {
    const uint32_t per_frame = static_cast<uint32_t>((c.sample_rate + c.frames_per_second - 1) / c.frames_per_second);
    ByteWriter w;
    size_t riff = w.begin_chunk("RIFF");
    w.tag("AVI ");
    write_headers(w, c, per_frame);

    std::vector<IndexEntry> index;
    size_t movi = w.begin_chunk("LIST");
    const size_t movi_tag = w.size();
    w.tag("movi");
    size_t sound_at = 0;
    for (const Image& frame : c.frames) {
        size_t at = w.begin_chunk("00db");
        write_frame(w, frame);
        index.push_back({"00db", static_cast<uint32_t>(at - 4 - movi_tag), frame_bytes(c)});
        w.end_chunk(at);
        const size_t n = std::min<size_t>(per_frame, c.sound.size() - sound_at);
        if (n > 0) {
            size_t sat = w.begin_chunk("01wb");
            w.bytes(c.sound.data() + sound_at, n);
            index.push_back({"01wb", static_cast<uint32_t>(sat - 4 - movi_tag), static_cast<uint32_t>(n)});
            w.end_chunk(sat);
            sound_at += n;
        }
    }
    w.end_chunk(movi);

    size_t idx = w.begin_chunk("idx1");
    for (const IndexEntry& e : index) {
        w.tag(e.id);
        w.u32(kKeyFrame);
        w.u32(e.offset);
        w.u32(e.size);
    }
    w.end_chunk(idx);
    w.end_chunk(riff);
    return w.take();
}

}  // namespace assetgen
