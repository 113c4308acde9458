// The portable settings-file reader; see ini_file.h.
#include "engine/ini_file.h"

#include <cstdio>
#include <cstring>

#include "textkit/number_parse.h"
#include "textkit/sjis_text.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string Trimmed(const char* begin, const char* end) {
    while (begin < end && IsBlank(*begin)) ++begin;
    while (end > begin && IsBlank(end[-1])) --end;
    return std::string(begin, end);
}

// A value enclosed in one pair of matching quotes loses them.
std::string Unquoted(std::string value) {
    const size_t n = value.size();
    if (n >= 2 && (value[0] == '"' || value[0] == '\'') && value[n - 1] == value[0])
        return value.substr(1, n - 2);
    return value;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const char* b) {
    const size_t n = strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

}  // namespace

IniFile::LoadResult IniFile::Load(const char* path) {
    sections_.clear();
    FILE* file = path ? fopen(path, "rb") : nullptr;
    if (!file) return kCannotRead;
    std::string text;
    char piece[65536];
    size_t got = 0;
    bool tooLarge = false;
    while ((got = fread(piece, 1, sizeof piece, file)) > 0) {
        text.append(piece, got);
        if (text.size() > kMaxBytes) {
            tooLarge = true;
            break;
        }
    }
    const bool failed = ferror(file) != 0;
    fclose(file);
    if (failed) return kCannotRead;
    if (tooLarge) return kTooLarge;
    if (memchr(text.data(), '\0', text.size())) return kNotText;
    Parse(text.data(), text.size());
    return kLoaded;
}

// One reader for every settings-style file the converter reads (settings,
// patient and calibration files): a line ends at CR, LF or CR LF alike; a
// line starting with ";" is a comment; "[name]" opens a section whose name
// runs to the last "]" of the line, and a "[" line without "]" opens none
// (it is read as any other line); "key=value" lines give values, the key up
// to the first "=".
void IniFile::Parse(const char* text, size_t length) {
    const char* end = text + length;
    for (const char* line = text; line < end;) {
        const char* stop = line;
        while (stop < end && *stop != '\n' && *stop != '\r') ++stop;
        const std::string body = Trimmed(line, stop);
        line = stop < end ? stop + 1 : end;
        if (body.empty() || body[0] == ';') continue;
        const size_t close = body.rfind(']');
        if (body[0] == '[' && close != std::string::npos) {
            const char* name = body.c_str() + 1;
            sections_.push_back({Trimmed(name, name + close - 1), {}});
            continue;
        }
        const size_t equals = body.find('=');
        if (equals == std::string::npos || sections_.empty()) continue;
        const char* b = body.c_str();
        sections_.back().entries.push_back({Trimmed(b, b + equals), Unquoted(Trimmed(b + equals + 1, b + body.size()))});
    }
}

const IniFile::Section* IniFile::FindSection(const char* name) const {
    for (const Section& s : sections_)
        if (SameName(s.name, name)) return &s;
    return nullptr;
}

bool IniFile::HasSection(const char* section) const { return FindSection(section) != nullptr; }

const std::string* IniFile::Value(const char* section, const char* key) const { return FindValue(section, key); }

const std::string* IniFile::FindValue(const char* section, const char* key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    for (const Entry& e : s->entries)
        if (SameName(e.key, key)) return &e.value;
    return nullptr;
}

int IniFile::ReadText(const char* section, const char* key, const char* fallback, char* dest, int size) const {
    if (size <= 0) return 0;
    const std::string* value = FindValue(section, key);
    CopyText(dest, size, value ? value->c_str() : (fallback ? fallback : ""));
    return static_cast<int>(strlen(dest));
}

int32_t IniFile::ReadInt(const char* section, const char* key, int32_t fallback) const {
    const std::string* value = FindValue(section, key);
    if (!value) return fallback;
    return ParseIntegerField(value->c_str(), static_cast<int>(value->size()), kBaseDecimal);
}

const char* IniLoadReason(IniFile::LoadResult result) {
    switch (result) {
        case IniFile::kLoaded: return "read";
        case IniFile::kCannotRead: return "cannot be read";
        case IniFile::kNotText: return "is not a settings file (it holds binary data)";
        case IniFile::kTooLarge: return "is not a settings file (larger than 16 MiB)";
    }
    return "cannot be read";
}
