// Numbers written as text, as the text formats' readers (STL, PLY, OFF) meet them: in any form C
// reads (a sign, digits, a decimal point, an exponent, hexadecimal with 0x, inf and nan), always
// with a point, whatever the locale. Each reads one whole token, never past its end.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>
#include <string_view>

namespace Plexa3DFormats::NumberText {

inline bool Space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Whether the words are equal, ignoring the case of ASCII letters.
inline bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? char(a[i] - 'A' + 'a') : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? char(b[i] - 'A' + 'a') : b[i];
        if (x != y) {
            return false;
        }
    }
    return true;
}

// For a number out of a double's range (its sign read), whether it is too large rather than too
// small: where its first digit that is not zero stands, moved by its exponent. Such a number is
// hundreds of places from 1, so the digits' count settles it.
inline bool TooLarge(const char* p, const char* end, bool hex) {
    std::int64_t place = 0; // of the first digit that is not zero, from the point: 1 just before
    bool found = false;
    bool point = false;
    std::int64_t before = 0; // digits before the point from the first that is not zero
    std::int64_t zeros = 0;  // zeros after the point before the first digit that is not zero
    const char* c = p;
    for (; c != end && *c != (hex ? 'p' : 'e') && *c != (hex ? 'P' : 'E'); ++c) {
        if (*c == '.') {
            point = true;
        } else if (*c != '0' || found) {
            found = true;
            before += point ? 0 : 1;
        } else if (point) {
            ++zeros;
        }
    }
    place = before > 0 ? before : -zeros;
    std::int64_t exponent = 0;
    if (c != end) {
        ++c;
        const bool down = c != end && *c == '-';
        c += c != end && (*c == '-' || *c == '+') ? 1 : 0;
        for (; c != end && *c >= '0' && *c <= '9'; ++c) {
            exponent = std::min<std::int64_t>(exponent * 10 + (*c - '0'), 1'000'000'000);
        }
        exponent = down ? -exponent : exponent;
    }
    return (hex ? place * 4 : place) + exponent > 0;
}

// The whole token as a number; false when it is not one (or is empty). Out of the range of a
// double, the number is an infinity of its sign (or zero), as C reads it.
inline bool ParseDouble(std::string_view token, double& value) {
    const char* p = token.data();
    const char* end = p + token.size();
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p == end || *p == '+' || *p == '-') {
        return false;
    }
    // Plain digits, the commonest token, without the general reader: exact up to 15 digits.
    if (end - p <= 15) {
        std::int64_t whole = 0;
        const char* q = p;
        while (q != end && *q >= '0' && *q <= '9') {
            whole = whole * 10 + (*q - '0');
            ++q;
        }
        if (q == end) {
            value = negative ? -double(whole) : double(whole);
            return true;
        }
    }
    std::chars_format format = std::chars_format::general;
    if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        format = std::chars_format::hex;
        p += 2;
        if (*p == '+' || *p == '-') {
            return false;
        }
    }
    double read = 0;
    const auto [stop, error] = std::from_chars(p, end, read, format);
    if (stop != end || stop == p) {
        return false;
    }
    if (error == std::errc::result_out_of_range) {
        read = TooLarge(p, end, format == std::chars_format::hex)
                   ? std::numeric_limits<double>::infinity()
                   : 0.0;
    } else if (error != std::errc{}) {
        return false;
    }
    value = negative ? -read : read;
    return true;
}

// The whole token as a whole number with an optional sign; false when it is not one, or lies
// beyond a 64-bit integer's range.
inline bool ParseInteger(std::string_view token, std::int64_t& value) {
    std::size_t at = 0;
    const bool negative = !token.empty() && token[0] == '-';
    at += !token.empty() && (token[0] == '-' || token[0] == '+') ? 1 : 0;
    if (at == token.size()) {
        return false;
    }
    std::int64_t whole = 0;
    for (; at < token.size(); ++at) {
        const char c = token[at];
        if (c < '0' || c > '9' ||
            whole > (std::numeric_limits<std::int64_t>::max() - (c - '0')) / 10) {
            return false;
        }
        whole = whole * 10 + (c - '0');
    }
    value = negative ? -whole : whole;
    return true;
}

} // namespace Plexa3DFormats::NumberText
