// Decoding of UTF-8 one character at a time, for the readers of names and texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ZuveloGraphLibrary {

// The length of the UTF-8 character at the start of `bytes`, with its code point in `code`, or 0
// when the bytes there do not form one: none left, a stray or missing continuation byte, an
// overlong form, a surrogate, or a code point beyond U+10FFFF.
inline std::size_t Utf8Character(std::string_view bytes, char32_t& code) {
    if (bytes.empty()) {
        return 0;
    }
    const auto lead = static_cast<std::uint8_t>(bytes[0]);
    std::size_t length = 0;
    char32_t least = 0; // the lowest code point of each length rules out overlong forms
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, least = 0x80, code = lead & 0x1Fu;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, least = 0x800, code = lead & 0x0Fu;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, least = 0x10000, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (bytes.size() < length) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(bytes[i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        code = (code << 6) | (next & 0x3Fu);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= least && code <= 0x10FFFF && !surrogate ? length : 0;
}

} // namespace ZuveloGraphLibrary
