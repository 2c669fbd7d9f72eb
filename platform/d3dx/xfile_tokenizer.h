// Splits a text .x file (after its 16-byte header) into tokens: names,
// numbers, quoted strings, GUIDs and the punctuation { } ; , [ ] ... Comments
// (// and #) are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Template declarations also hold array brackets and the "[...]" of an open
// template: those read as Bracket and are never valid in data.
enum class XTokenType : uint8_t { Name, Number, String, Guid, OpenBrace, CloseBrace, Separator, Bracket };

// A file holds about one token for every two bytes, so the members are
// ordered to keep a token at 32 bytes.
struct XToken {
    std::string_view text;  // into the file's bytes: the name, string contents, or GUID
    double number = 0.0;
    uint32_t line = 0;
    XTokenType type = XTokenType::Name;
    bool integral = false;  // written without a fraction or exponent
};

// The header a text .x file must start with: "xof 0302txt 0032" and its
// accepted variants (version 0302 or 0303, float size 0032 or 0064).
bool checkXFileHeader(std::string_view bytes, std::string& error);

// Tokenises everything after the header; false with a reason on a character
// that belongs to no token or an unterminated string or GUID.
bool tokenizeXFile(std::string_view body, std::vector<XToken>& tokens, std::string& error);

}  // namespace platform
