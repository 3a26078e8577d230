// A small reader of Rich Text Format, enough for the licence window: paragraphs of text runs with
// bold, italic, underline, font size and colour. It uses the standard library only, so the parser
// can be tested and fuzzed without Qt; RtfDocument.h turns its result into a QTextDocument.
//
// The reader accepts any bytes. It parses without recursion, keeps at most MaxGroupDepth nested
// groups (a group nested deeper is passed over with everything in it), ignores a '}' that closes
// nothing, accepts a document whose last groups are never closed, saturates numbers, and runs in
// time linear in the input.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Plexa3DRtf {

struct TRgb {
    std::uint8_t Red = 0;
    std::uint8_t Green = 0;
    std::uint8_t Blue = 0;
    bool operator==(const TRgb&) const = default;
};

constexpr int DefaultHalfPoints = 24; // 12 points
// \fsN is clamped to this range of half-points (0.5 to 1000 points).
constexpr int MinHalfPoints = 1;
constexpr int MaxHalfPoints = 2000;
constexpr int MaxGroupDepth = 1000;

// Character formatting. Color is empty for the automatic (default) text colour.
struct TRtfFormat {
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    int HalfPoints = DefaultHalfPoints;
    std::optional<TRgb> Color;
    bool operator==(const TRtfFormat&) const = default;
};

// Text in UTF-8, never empty. A line break inside the paragraph is U+2028, a tab is '\t'.
struct TRtfRun {
    std::string Text;
    TRtfFormat Format;
    bool operator==(const TRtfRun&) const = default;
};

// Neighbouring runs always differ in format.
struct TRtfParagraph {
    std::vector<TRtfRun> Runs;
    std::string Text() const;
};

struct TRtfDocument {
    std::vector<TRtfParagraph> Paragraphs;
    bool WasRtf = false; // false when the bytes were read as plain text
    // The paragraphs' text joined with '\n'.
    std::string Text() const;
};

// Reads RTF when the bytes start with "{\rtf" (after an optional UTF-8 byte order mark and white
// space). Otherwise the bytes are plain text, UTF-8 when they are valid UTF-8 and Windows-1252
// when not, one paragraph per line.
//
// In RTF, each \par ends a paragraph; text after the last one makes a final paragraph. Text bytes
// and \'hh escapes are Windows-1252 whatever \ansicpg says; control characters other than tab
// are dropped. \uN gives the UTF-16 unit N (negative N counts from 65536; a surrogate pair joins
// into one character) and then skips its \ucN fallback characters, \ucN clamped to 0..16: each
// text byte, \'hh escape or control word counts one, and a brace ends the skipping. \pard only
// resets paragraph properties, which this reader does not keep. Font tables, style sheets,
// document information, pictures, objects, headers, footers, footnotes, field instructions (the
// field's result is kept) and every {\* ...} group are passed over, \binN data included.
TRtfDocument ReadRtf(std::string_view bytes);

// The Unicode character of a Windows-1252 byte; U+FFFD for the five codes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D).
char32_t Windows1252ToUnicode(unsigned char byte);

// True when the bytes are well-formed UTF-8: no overlong forms, surrogates or code points past
// U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

} // namespace Plexa3DRtf
