// Conversions between the process's UTF-8 text and the UTF-16 that
// DirectMusic descriptions and filter names carry (MultiByteToWideChar is
// declared with the other Win32 names).
#include "dmusic_objects.h"
#include "win32_api.h"

#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `text` (at most `left` bytes); a bad one
// yields U+FFFD and consumes one byte.
char32_t decodeUtf8(const unsigned char* text, size_t left, size_t& used) {
    const unsigned char lead = text[0];
    used = 1;
    if (lead < 0x80) return lead;
    int extra;
    char32_t code;
    if ((lead & 0xE0) == 0xC0) extra = 1, code = lead & 0x1F;
    else if ((lead & 0xF0) == 0xE0) extra = 2, code = lead & 0x0F;
    else if ((lead & 0xF8) == 0xF0) extra = 3, code = lead & 0x07;
    else return kReplacement;
    if (size_t(extra) >= left) return kReplacement;
    for (int i = 1; i <= extra; ++i) {
        if ((text[i] & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (text[i] & 0x3F);
    }
    static const char32_t smallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < smallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return kReplacement;
    used = size_t(extra) + 1;
    return code;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(char(code));
    } else if (code < 0x800) {
        out.push_back(char(0xC0 | (code >> 6)));
        out.push_back(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(char(0xE0 | (code >> 12)));
        out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (code >> 18)));
        out.push_back(char(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(char(0x80 | (code & 0x3F)));
    }
}

}  // namespace

int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int length, WCHAR* wide, int wideLength) {
    if (!text || length < -1 || wideLength < 0 || (wideLength > 0 && !wide)) return 0;
    const size_t bytes = length == -1 ? std::strlen(text) + 1 : size_t(length);
    const auto* in = reinterpret_cast<const unsigned char*>(text);
    int written = 0;
    for (size_t pos = 0; pos < bytes;) {
        size_t used;
        const char32_t code = decodeUtf8(in + pos, bytes - pos, used);
        pos += used;
        const int units = code >= 0x10000 ? 2 : 1;
        if (wideLength > 0) {
            if (written + units > wideLength) return 0;  // does not fit: nothing usable
            if (units == 2) {
                wide[written] = WCHAR(0xD800 + ((code - 0x10000) >> 10));
                wide[written + 1] = WCHAR(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                wide[written] = WCHAR(code);
            }
        }
        written += units;
    }
    return written;
}

namespace platform {

bool wideToUtf8(const WCHAR* wide, size_t capacity, std::string& out) {
    out.clear();
    for (size_t i = 0; i < capacity; ++i) {
        const char32_t unit = wide[i];
        if (unit == 0) return true;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < capacity && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (char32_t(wide[i + 1]) - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            appendUtf8(out, kReplacement);
        } else {
            appendUtf8(out, unit);
        }
    }
    return false;
}

}  // namespace platform
