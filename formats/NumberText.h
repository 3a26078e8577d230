// Numbers written as text, as the text formats' readers (STL, PLY, OFF) meet them: in any form C
// reads (a sign, digits, a decimal point, an exponent, hexadecimal with 0x, inf and nan), always
// with a point, whatever the locale. Each reads one whole token, never past its end. Besides
// them, the readers' quick ways to whole numbers where they stand in the text (OBJ's indices, the
// counts and indices of PLY and OFF), eight bytes at once where the text holds that many.
#pragma once

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstring>
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

// The commonest numbers in model files, read without the general reader: decimal digits with an
// optional point and exponent, at most FastDigits digits in all, and a power of ten up to
// FastPowers from them. Then the digits and the power are both exact doubles, and one division or
// multiplication rounds once, to the double nearest the number, which is what the general reader
// gives. Reads from p, no sign; returns where the number ends, or nullptr when it is not of that
// form (the general reader then decides what it is).
inline constexpr int FastDigits = 15;
inline constexpr int FastPowers = 22;
inline const char* FastDecimal(const char* p, const char* end, double& value) {
    static constexpr double Powers[FastPowers + 1] = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::uint64_t digits = 0; // wraps past FastDigits digits, where it is not used
    std::int64_t count = 0;
    std::int64_t places = 0; // digits after the point
    const char* c = p;
    for (; c != end && *c >= '0' && *c <= '9'; ++c, ++count) {
        digits = digits * 10 + std::uint64_t(*c - '0');
    }
    if (c != end && *c == '.') {
        for (++c; c != end && *c >= '0' && *c <= '9'; ++c, ++count, ++places) {
            digits = digits * 10 + std::uint64_t(*c - '0');
        }
    }
    if (count == 0 || count > FastDigits) {
        return nullptr;
    }
    auto power = int(-places); // places <= count <= FastDigits
    if (c != end && (*c == 'e' || *c == 'E')) {
        const char* e = c + 1;
        const bool down = e != end && *e == '-';
        e += e != end && (*e == '-' || *e == '+') ? 1 : 0;
        int exponent = 0;
        const char* first = e;
        for (; e != end && *e >= '0' && *e <= '9' && e - first < 4; ++e) {
            exponent = exponent * 10 + (*e - '0');
        }
        if (e == first || (e != end && *e >= '0' && *e <= '9')) {
            return nullptr; // no exponent's digits, or too many for this path
        }
        power += down ? -exponent : exponent;
        c = e;
    }
    if (power < -FastPowers || power > FastPowers) {
        return nullptr;
    }
    const auto whole = double(digits);
    value = power < 0 ? whole / Powers[-power] : whole * Powers[power];
    return c;
}

// The whole token as a number, always by the general reader: the reference the quick path is
// checked against. As ParseDouble.
inline bool ParseDoubleGeneral(std::string_view token, double& value);

// The whole token as a number; false when it is not one (or is empty). Out of the range of a
// double, the number is an infinity of its sign (or zero), as C reads it.
inline bool ParseDouble(std::string_view token, double& value) {
    const char* p = token.data();
    const char* end = p + token.size();
    const bool negative = p != end && *p == '-';
    p += p != end && (*p == '-' || *p == '+') ? 1 : 0;
    double read = 0;
    if (p != end && FastDecimal(p, end, read) == end) {
        value = negative ? -read : read;
        return true;
    }
    return ParseDoubleGeneral(token, value);
}

inline bool ParseDoubleGeneral(std::string_view token, double& value) {
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

// The most an index read by ReadIndex holds: larger ones are held here, which no count reaches.
inline constexpr std::int64_t MostIndex = std::int64_t(1) << 40;

// Reads a whole number with an optional sign at the start of [p, end), one digit at a time;
// returns where it ends, or p when there is none. Magnitudes past MostIndex are held there. The
// reference ReadIndex is checked against.
inline const char* ReadIndexByDigits(const char* p, const char* end, std::int64_t& value) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    const char* digits = s;
    std::int64_t v = 0;
    while (s < end && *s >= '0' && *s <= '9') {
        v = std::min(v * 10 + (*s - '0'), MostIndex);
        ++s;
    }
    if (s == digits) {
        return p;
    }
    value = negative ? -v : v;
    return s;
}

// Up to seven decimal digits at s, read from the eight bytes there (all before the text's end) at
// once, without a branch on how many digits there are: their count varies from number to number,
// and a loop mispredicts its end at nearly every one. Returns how many digits were read into
// `value`; 0, reading nothing, when there are none or eight or more.
inline int EightByteDigits(const char* s, std::uint64_t& value) {
    if constexpr (std::endian::native != std::endian::little) {
        return 0;
    }
    constexpr std::uint64_t Ones = 0x0101010101010101;
    std::uint64_t bytes = 0;
    std::memcpy(&bytes, s, 8);
    // A byte is a digit when its high half is 3 both as it is and with 6 added. Adding 6 to a
    // byte of FA or more carries into the next, but only after a byte that is not a digit, and
    // only the first of those counts.
    const std::uint64_t other =
        ((bytes & 0xF0 * Ones) ^ 0x30 * Ones) | (((bytes + 6 * Ones) & 0xF0 * Ones) ^ 0x30 * Ones);
    const int count = other == 0 ? 8 : std::countr_zero(other) / 8;
    if (count == 0 || count == 8) {
        return 0;
    }
    // The digits' values moved to the top bytes, zeros before them, then added up in pairs, fours
    // and eights; the first byte holds the most significant digit.
    std::uint64_t d = (bytes & 0x0F * Ones) << (8 * (8 - count));
    d = d * 10 + (d >> 8);
    value = ((d & 0x000000FF000000FF) * (100 + (1000000ULL << 32)) +
             ((d >> 16) & 0x000000FF000000FF) * (1 + (10000ULL << 32))) >>
            32;
    return count;
}

// As ReadIndexByDigits, a number of up to seven digits by EightByteDigits where the text goes on
// for eight bytes from its first digit.
inline const char* ReadIndex(const char* p, const char* end, std::int64_t& value) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    std::uint64_t quick = 0;
    if (const int count = end - s >= 8 ? EightByteDigits(s, quick) : 0; count > 0) {
        value = negative ? -std::int64_t(quick) : std::int64_t(quick);
        return s + count;
    }
    // The reference's loop, written out here: calling it instead measured slower.
    const char* digits = s;
    std::int64_t v = 0;
    while (s < end && *s >= '0' && *s <= '9') {
        v = std::min(v * 10 + (*s - '0'), MostIndex);
        ++s;
    }
    if (s == digits) {
        return p;
    }
    value = negative ? -v : v;
    return s;
}

} // namespace Plexa3DFormats::NumberText
