// Locale-free parsing of header values; see taff_text.h.
#include "taffread/taff_text.h"

#include <cmath>
#include <cstddef>

namespace taff {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads 1..maxDigits digits at text[*pos]; false when none are there.
bool ReadSmallNumber(const std::string& text, size_t* pos, int maxDigits, int* value) {
    int digits = 0;
    int result = 0;
    while (*pos < text.size() && IsDigit(text[*pos]) && digits < maxDigits) {
        result = result * 10 + (text[*pos] - '0');
        ++*pos;
        ++digits;
    }
    *value = result;
    return digits > 0;
}

bool ReadChar(const std::string& text, size_t* pos, char expected) {
    if (*pos < text.size() && text[*pos] == expected) {
        ++*pos;
        return true;
    }
    return false;
}

}  // namespace

std::string TrimSpaces(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsSpace(text[begin])) ++begin;
    while (end > begin && IsSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    const std::string trimmed = TrimSpaces(text);
    if (trimmed.empty()) return items;
    size_t start = 0;
    for (;;) {
        const size_t comma = trimmed.find(',', start);
        if (comma == std::string::npos) {
            items.push_back(TrimSpaces(trimmed.substr(start)));
            break;
        }
        items.push_back(TrimSpaces(trimmed.substr(start, comma - start)));
        start = comma + 1;
        if (start == trimmed.size()) break;  // one trailing comma adds nothing
    }
    return items;
}

// Steps over an optional leading sign; returns the position after it.
static size_t SkipSign(const std::string& t, bool* negative) {
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        *negative = t[0] == '-';
        return 1;
    }
    return 0;
}

bool ParseInteger(const std::string& text, int64_t* value) {
    const std::string t = TrimSpaces(text);
    bool negative = false;
    size_t pos = SkipSign(t, &negative);
    if (pos == t.size()) return false;
    uint64_t magnitude = 0;
    const uint64_t limit = negative ? (uint64_t{1} << 63) : (uint64_t{1} << 63) - 1;
    for (; pos < t.size(); ++pos) {
        if (!IsDigit(t[pos])) return false;
        const unsigned digit = static_cast<unsigned>(t[pos] - '0');
        if (magnitude > (limit - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    if (negative) {
        *value = magnitude == (uint64_t{1} << 63) ? INT64_MIN : -static_cast<int64_t>(magnitude);
    } else {
        *value = static_cast<int64_t>(magnitude);
    }
    return true;
}

bool ParseNumber(const std::string& text, double* value) {
    const std::string t = TrimSpaces(text);
    bool negative = false;
    size_t pos = SkipSign(t, &negative);
    // Mantissa digits are gathered as an integer with a decimal exponent;
    // digits beyond 18 significant ones only shift the exponent.
    uint64_t mantissa = 0;
    int significant = 0;
    int64_t exponent = 0;
    int digits = 0;
    for (; pos < t.size() && IsDigit(t[pos]); ++pos, ++digits) {
        if (significant < 18) {
            mantissa = mantissa * 10 + static_cast<unsigned>(t[pos] - '0');
            if (mantissa != 0) ++significant;
        } else {
            ++exponent;
        }
    }
    if (pos < t.size() && t[pos] == '.') {
        for (++pos; pos < t.size() && IsDigit(t[pos]); ++pos, ++digits) {
            if (significant < 18) {
                mantissa = mantissa * 10 + static_cast<unsigned>(t[pos] - '0');
                if (mantissa != 0) ++significant;
                --exponent;
            }
        }
    }
    if (digits == 0) return false;
    if (pos < t.size() && (t[pos] == 'e' || t[pos] == 'E')) {
        ++pos;
        bool expNegative = false;
        if (pos < t.size() && (t[pos] == '+' || t[pos] == '-')) {
            expNegative = t[pos] == '-';
            ++pos;
        }
        if (pos == t.size() || !IsDigit(t[pos])) return false;
        int64_t e = 0;
        for (; pos < t.size() && IsDigit(t[pos]); ++pos) {
            if (e < 100000) e = e * 10 + (t[pos] - '0');
        }
        exponent += expNegative ? -e : e;
    }
    if (pos != t.size()) return false;
    if (exponent > 400 || exponent < -400) {
        if (mantissa == 0 || exponent < -400) {
            *value = 0.0;
            return true;
        }
        return false;  // overflows
    }
    // Dividing by an exact power of ten keeps "2.5" exactly 2.5.
    const double scale = std::pow(10.0, static_cast<double>(exponent < 0 ? -exponent : exponent));
    double result = exponent < 0 ? static_cast<double>(mantissa) / scale
                                 : static_cast<double>(mantissa) * scale;
    if (!std::isfinite(result)) return false;
    *value = negative ? -result : result;
    return true;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return (month == 2 && leap) ? 29 : kDays[month - 1];
}

bool ParseDate(const std::string& text, TaffDate* date) {
    const std::string t = TrimSpaces(text);
    size_t pos = 0;
    TaffDate d;
    if (!ReadSmallNumber(t, &pos, 2, &d.month)) return false;
    const char separator = pos < t.size() ? t[pos] : '\0';
    if (separator != '-' && separator != '/') return false;
    ++pos;
    if (!ReadSmallNumber(t, &pos, 2, &d.day)) return false;
    if (!ReadChar(t, &pos, separator)) return false;
    const size_t yearStart = pos;
    if (!ReadSmallNumber(t, &pos, 4, &d.year) || pos - yearStart != 4) return false;
    if (pos != t.size()) return false;
    if (d.year < 1900 || d.month < 1 || d.month > 12) return false;
    if (d.day < 1 || d.day > DaysInMonth(d.year, d.month)) return false;
    *date = d;
    return true;
}

bool ParseTime(const std::string& text, TaffTime* time) {
    const std::string t = TrimSpaces(text);
    size_t pos = 0;
    TaffTime result;
    if (!ReadSmallNumber(t, &pos, 2, &result.hour)) return false;
    if (!ReadChar(t, &pos, ':')) return false;
    if (!ReadSmallNumber(t, &pos, 2, &result.minute)) return false;
    if (!ReadChar(t, &pos, ':')) return false;
    if (!ReadSmallNumber(t, &pos, 2, &result.second)) return false;
    if (ReadChar(t, &pos, '.')) {
        while (pos < t.size() && IsDigit(t[pos])) ++pos;
    }
    if (pos != t.size()) return false;
    if (result.hour > 23 || result.minute > 59 || result.second > 59) return false;
    *time = result;
    return true;
}

}  // namespace taff
