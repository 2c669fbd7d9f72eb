#include "xfile_tokenizer.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace platform {

namespace {

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
}
bool isDigit(char c) { return c >= '0' && c <= '9'; }

class Tokenizer {
public:
    Tokenizer(std::string_view body, std::vector<XToken>& out) : m_text(body), m_out(out) {}

    bool run(std::string& error) {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_pos;
            } else if (c == '#' || (c == '/' && peek(1) == '/')) {
                skipLine();
            } else if (c == '{' || c == '}' || c == ';' || c == ',') {
                push(c == '{'   ? XTokenType::OpenBrace
                     : c == '}' ? XTokenType::CloseBrace
                                : XTokenType::Separator,
                     m_text.substr(m_pos, 1));
                ++m_pos;
            } else if (c == '[' || c == ']') {
                push(XTokenType::Bracket, m_text.substr(m_pos, 1));
                ++m_pos;
            } else if (c == '.' && peek(1) == '.' && peek(2) == '.') {
                push(XTokenType::Bracket, m_text.substr(m_pos, 3));
                m_pos += 3;
            } else if (c == '"') {
                if (!readDelimited('"', XTokenType::String, error)) return false;
            } else if (c == '<') {
                if (!readDelimited('>', XTokenType::Guid, error)) return false;
            } else if (isDigit(c) || c == '-' || c == '+' || c == '.') {
                if (!readNumber(error)) return false;
            } else if (isNameStart(c)) {
                readName();
            } else {
                error = "unexpected character on line " + std::to_string(m_line);
                return false;
            }
        }
        return true;
    }

private:
    char peek(size_t ahead) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0';
    }

    void skipLine() {
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') ++m_pos;
    }

    void push(XTokenType type, std::string_view text) {
        XToken token;
        token.text = text;
        token.line = m_line;
        token.type = type;
        m_out.push_back(token);
    }

    bool readDelimited(char close, XTokenType type, std::string& error) {
        const size_t start = m_pos + 1;
        const size_t end = m_text.find(close, start);
        // Strings and GUIDs stay on one line (checked within the token only,
        // so that many tokens on one long line stay linear).
        if (end == std::string_view::npos ||
            m_text.substr(start, end - start).find('\n') != std::string_view::npos) {
            error = std::string(type == XTokenType::String ? "unterminated string" : "unterminated GUID") +
                    " on line " + std::to_string(m_line);
            return false;
        }
        push(type, m_text.substr(start, end - start));
        m_pos = end + 1;
        return true;
    }

    bool readNumber(std::string& error) {
        size_t pos = m_pos;
        if (m_text[pos] == '-' || m_text[pos] == '+') ++pos;
        const size_t digitsStart = pos;
        bool integral = true;
        while (pos < m_text.size() && isDigit(m_text[pos])) ++pos;
        if (pos < m_text.size() && m_text[pos] == '.') {
            integral = false;
            ++pos;
            while (pos < m_text.size() && isDigit(m_text[pos])) ++pos;
        }
        const bool hasDigits = pos > digitsStart && !(pos == digitsStart + 1 && !integral);
        if (hasDigits && pos < m_text.size() && (m_text[pos] == 'e' || m_text[pos] == 'E')) {
            size_t exp = pos + 1;
            if (exp < m_text.size() && (m_text[exp] == '-' || m_text[exp] == '+')) ++exp;
            if (exp < m_text.size() && isDigit(m_text[exp])) {
                integral = false;
                pos = exp;
                while (pos < m_text.size() && isDigit(m_text[pos])) ++pos;
            }
        }
        // A number runs into the next separator or space, never into a name.
        if (!hasDigits || (pos < m_text.size() && isNameChar(m_text[pos]))) {
            error = "malformed number on line " + std::to_string(m_line);
            return false;
        }
        const size_t parseFrom = m_text[m_pos] == '+' ? m_pos + 1 : m_pos;
        double value = 0.0;
        const auto parsed = std::from_chars(m_text.data() + parseFrom, m_text.data() + pos, value);
        if (parsed.ec != std::errc() || parsed.ptr != m_text.data() + pos) {
            error = "number out of range on line " + std::to_string(m_line);
            return false;
        }
        XToken token;
        token.text = m_text.substr(m_pos, pos - m_pos);
        token.number = value;
        token.line = m_line;
        token.type = XTokenType::Number;
        token.integral = integral;
        m_out.push_back(token);
        m_pos = pos;
        return true;
    }

    void readName() {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && isNameChar(m_text[m_pos])) ++m_pos;
        push(XTokenType::Name, m_text.substr(start, m_pos - start));
    }

    std::string_view m_text;
    std::vector<XToken>& m_out;
    size_t m_pos = 0;
    uint32_t m_line = 1;
};

}  // namespace

bool checkXFileHeader(std::string_view bytes, std::string& error) {
    if (bytes.size() < 16 || bytes.substr(0, 4) != "xof ") {
        error = "not a .x file (no 'xof ' header)";
        return false;
    }
    const std::string_view version = bytes.substr(4, 4), format = bytes.substr(8, 4),
                           floatSize = bytes.substr(12, 4);
    if (version != "0302" && version != "0303") {
        error = "unsupported .x version";
        return false;
    }
    if (format != "txt ") {
        error = "only the text form of .x files is supported";
        return false;
    }
    if (floatSize != "0032" && floatSize != "0064") {
        error = "unsupported .x float size";
        return false;
    }
    return true;
}

bool tokenizeXFile(std::string_view body, std::vector<XToken>& tokens, std::string& error) {
    tokens.clear();
    // Room for the tokens up front, so that the list is never copied as it
    // grows: in data nearly every value is followed by a ';' or ',', which
    // gives about two tokens per separator; names and braces add a few.
    size_t separators = 0;
    for (const char c : body) separators += (c == ';') | (c == ',');
    tokens.reserve(std::min(body.size(), 2 * separators + body.size() / 16 + 16));
    return Tokenizer(body, tokens).run(error);
}

}  // namespace platform
