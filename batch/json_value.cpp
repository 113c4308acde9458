// The small JSON reader; see json_value.h.
#include "batch/json_value.h"

#include <cstdlib>

namespace {

const JsonValue kNull;
const std::string kEmpty;
const int kDeepest = 64;    // nesting deeper than any file of ours

struct Reader {
    const std::string& s;
    size_t at = 0;

    void Space() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r')) ++at;
    }
    bool Word(const char* word) {
        size_t n = 0;
        while (word[n]) ++n;
        if (s.compare(at, n, word) != 0) return false;
        at += n;
        return true;
    }
    static void PutUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += char(code);
        } else if (code < 0x800) {
            out += char(0xC0 | (code >> 6));
            out += char(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += char(0xE0 | (code >> 12));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        } else {
            out += char(0xF0 | (code >> 18));
            out += char(0x80 | ((code >> 12) & 0x3F));
            out += char(0x80 | ((code >> 6) & 0x3F));
            out += char(0x80 | (code & 0x3F));
        }
    }
    bool Hex4(unsigned& code) {
        if (at + 4 > s.size()) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s[at++];
            code <<= 4;
            if (c >= '0' && c <= '9') code |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f') code |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F') code |= unsigned(c - 'A' + 10);
            else return false;
        }
        return true;
    }
    bool String(std::string& out) {
        if (at >= s.size() || s[at] != '"') return false;
        ++at;
        while (at < s.size()) {
            const char c = s[at++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at >= s.size()) return false;
            const char e = s[at++];
            switch (e) {
                case '"': case '\\': case '/': out += e; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    unsigned code = 0;
                    if (!Hex4(code)) return false;
                    if (code >= 0xD800 && code < 0xDC00 && s.compare(at, 2, "\\u") == 0) {
                        at += 2;
                        unsigned low = 0;
                        if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return false;
                        code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                    }
                    PutUtf8(out, code);
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool Value(JsonValue& v, int depth) {
        if (depth > kDeepest) return false;
        Space();
        if (at >= s.size()) return false;
        const char c = s[at];
        if (c == '{') return Members(v, depth);
        if (c == '[') return Items(v, depth);
        if (c == '"') {
            v.kind = JsonValue::String;
            return String(v.text);
        }
        if (Word("null")) return v.kind = JsonValue::Null, true;
        if (Word("true")) return v.kind = JsonValue::Bool, v.flag = true, true;
        if (Word("false")) return v.kind = JsonValue::Bool, v.flag = false, true;
        const char* begin = s.c_str() + at;
        char* end = nullptr;
        v.number = strtod(begin, &end);
        if (end == begin || !(c == '-' || (c >= '0' && c <= '9'))) return false;
        v.kind = JsonValue::Number;
        at += size_t(end - begin);
        return true;
    }
    bool Members(JsonValue& v, int depth) {
        v.kind = JsonValue::Object;
        ++at;
        Space();
        if (at < s.size() && s[at] == '}') return ++at, true;
        for (;;) {
            Space();
            std::string name;
            if (!String(name)) return false;
            Space();
            if (at >= s.size() || s[at++] != ':') return false;
            if (!Value(v.members[name], depth + 1)) return false;
            Space();
            if (at >= s.size()) return false;
            const char next = s[at++];
            if (next == '}') return true;
            if (next != ',') return false;
        }
    }
    bool Items(JsonValue& v, int depth) {
        v.kind = JsonValue::Array;
        ++at;
        Space();
        if (at < s.size() && s[at] == ']') return ++at, true;
        for (;;) {
            v.items.emplace_back();
            if (!Value(v.items.back(), depth + 1)) return false;
            Space();
            if (at >= s.size()) return false;
            const char next = s[at++];
            if (next == ']') return true;
            if (next != ',') return false;
        }
    }
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& name) const {
    if (kind != Object) return kNull;
    const auto found = members.find(name);
    return found == members.end() ? kNull : found->second;
}

const std::string& JsonValue::Text() const { return kind == String ? text : kEmpty; }

bool ParseJson(const std::string& text, JsonValue& value) {
    Reader reader{text};
    value = JsonValue();
    if (!reader.Value(value, 0)) return false;
    reader.Space();
    return reader.at == text.size();
}
