#include "RtfReader.h"

#include "Utf8.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>

namespace Plexa3DRtf {
namespace {

// Control words are at most 32 letters; a longer one is read whole and ignored.
constexpr std::size_t MaxWordLetters = 32;
constexpr std::int64_t MaxParameter = 2'147'483'647;
constexpr int MaxUnicodeSkip = 16;
constexpr std::size_t MaxColors = 4096;
constexpr char32_t Replacement = 0xFFFD;
constexpr char32_t LineSeparator = 0x2028;

// Windows-1252 codes 0x80 to 0x9F; the other codes equal their Unicode values.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

// Control words that stand for one character.
const std::unordered_map<std::string_view, char32_t> NamedCharacters = {
    {"line", LineSeparator}, {"tab", '\t'},         {"emdash", 0x2014},
    {"endash", 0x2013},      {"bullet", 0x2022},    {"lquote", 0x2018},
    {"rquote", 0x2019},      {"ldblquote", 0x201C}, {"rdblquote", 0x201D}};

// Destinations whose content is not text of the document.
const std::unordered_set<std::string_view> PassedOverDestinations = {
    "fonttbl", "stylesheet", "info",   "pict",    "object",  "header",     "headerl",
    "headerr", "headerf",    "footer", "footerl", "footerr", "footerf",    "footnote",
    "fldinst", "listtable",  "revtbl", "rsidtbl", "filetbl", "nonshppict", "listoverridetable"};

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int HexValue(unsigned char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Plain text: one paragraph of one default-format run per line; lines end with LF, CR LF or CR.
TRtfDocument ReadPlainText(std::string_view bytes) {
    const bool utf8 = IsValidUtf8(bytes);
    if (utf8 && bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    TRtfDocument document;
    std::string line;
    const auto endLine = [&] {
        TRtfParagraph paragraph;
        if (!line.empty()) {
            paragraph.Runs.push_back({std::move(line), {}});
        }
        document.Paragraphs.push_back(std::move(paragraph));
        line.clear();
    };
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            endLine();
        } else if (utf8) {
            line += static_cast<char>(c);
        } else {
            AppendUtf8(line, Windows1252ToUnicode(c));
        }
    }
    if (!line.empty()) {
        endLine();
    }
    return document;
}

enum class EDestination { Text, ColorTable, PassOver };

// What a group inherits from its parent and gives back when it closes.
struct TGroupState {
    TRtfFormat Format;
    int UnicodeSkip = 1;
    EDestination Destination = EDestination::Text;
};

struct TControlWord {
    std::string_view Name; // empty for a word too long to be one this reader knows
    bool HasParameter = false;
    std::int32_t Parameter = 0;
};

class TParser {
public:
    explicit TParser(std::string_view bytes) : bytes_(bytes) {}

    TRtfDocument Run() {
        while (position_ < bytes_.size()) {
            const auto c = static_cast<unsigned char>(bytes_[position_++]);
            if (c == '{') {
                OpenGroup();
            } else if (c == '}') {
                CloseGroup();
            } else if (c == '\\') {
                ReadControl();
            } else if (c != '\r' && c != '\n') {
                TextByte(c);
            }
        }
        FlushSurrogate();
        if (!paragraph_.Runs.empty()) {
            document_.Paragraphs.push_back(std::move(paragraph_));
        }
        document_.WasRtf = true;
        return std::move(document_);
    }

private:
    TGroupState& Top() { return stack_.back(); }
    TRtfFormat& Format() { return stack_.back().Format; }
    EDestination Destination() const {
        return overflow_ > 0 ? EDestination::PassOver : stack_.back().Destination;
    }

    // Groups past MaxGroupDepth are only counted, and everything in them is passed over.
    void OpenGroup() {
        skipLeft_ = 0;
        if (overflow_ > 0 || stack_.size() > static_cast<std::size_t>(MaxGroupDepth)) {
            ++overflow_;
        } else {
            stack_.push_back(stack_.back());
        }
    }

    void CloseGroup() {
        skipLeft_ = 0;
        if (overflow_ > 0) {
            --overflow_;
        } else if (stack_.size() > 1) {
            stack_.pop_back();
        }
    }

    // After \uN the next \ucN characters, bytes, escapes or control words, are its fallback.
    bool SkipFallback() {
        if (skipLeft_ == 0) {
            return false;
        }
        --skipLeft_;
        return true;
    }

    void ReadControl() {
        if (position_ >= bytes_.size()) {
            return;
        }
        const auto c = static_cast<unsigned char>(bytes_[position_]);
        if (IsLetter(c)) {
            ControlWord(ReadWord());
            return;
        }
        ++position_;
        if (c == '\'') {
            ReadHexEscape();
        } else {
            ControlSymbol(c);
        }
    }

    // Letters, an optional signed number saturated at MaxParameter, an optional space.
    TControlWord ReadWord() {
        const std::size_t start = position_;
        while (position_ < bytes_.size() && IsLetter(bytes_[position_])) {
            ++position_;
        }
        TControlWord word;
        if (position_ - start <= MaxWordLetters) {
            word.Name = bytes_.substr(start, position_ - start);
        }
        const bool negative = position_ + 1 < bytes_.size() && bytes_[position_] == '-' &&
                              IsDigit(bytes_[position_ + 1]);
        position_ += negative ? 1 : 0;
        std::int64_t value = 0;
        while (position_ < bytes_.size() && IsDigit(bytes_[position_])) {
            value = std::min(value * 10 + (bytes_[position_] - '0'), MaxParameter);
            word.HasParameter = true;
            ++position_;
        }
        word.Parameter = static_cast<std::int32_t>(negative ? -value : value);
        if (position_ < bytes_.size() && bytes_[position_] == ' ') {
            ++position_;
        }
        return word;
    }

    // \'hh with two hex digits; an escape without them is dropped.
    void ReadHexEscape() {
        if (position_ + 1 >= bytes_.size()) {
            return;
        }
        const int high = HexValue(bytes_[position_]);
        const int low = HexValue(bytes_[position_ + 1]);
        if (high < 0 || low < 0) {
            return;
        }
        position_ += 2;
        TextByte(static_cast<unsigned char>(high * 16 + low));
    }

    void TextByte(unsigned char byte) {
        if (SkipFallback()) {
            return;
        }
        if (Destination() == EDestination::Text) {
            Emit(Windows1252ToUnicode(byte));
        } else if (Destination() == EDestination::ColorTable && byte == ';') {
            EndColor();
        }
    }

    void ControlSymbol(unsigned char c) {
        if (SkipFallback()) {
            return;
        }
        if (c == '*' && Destination() != EDestination::PassOver) {
            Top().Destination = EDestination::PassOver;
        }
        if (Destination() != EDestination::Text) {
            return;
        }
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Emit(c);
            break;
        case '~':
            Emit(0x00A0);
            break;
        case '_':
            Emit(0x2011);
            break;
        case '\r':
        case '\n':
            EndParagraph();
            break;
        default: // \- (optional hyphen) and the symbols this reader does not use
            break;
        }
    }

    void ControlWord(const TControlWord& word) {
        if (word.Name == "bin") {
            SkipBinary(word);
        } else if (SkipFallback()) {
            return;
        } else if (Destination() == EDestination::Text) {
            TextWord(word);
        } else if (Destination() == EDestination::ColorTable) {
            ColorWord(word);
        }
    }

    // \binN is followed by N raw bytes, which may hold anything, braces included.
    void SkipBinary(const TControlWord& word) {
        SkipFallback();
        const auto count = static_cast<std::size_t>(std::max(word.Parameter, 0));
        position_ += std::min(count, bytes_.size() - position_);
    }

    void TextWord(const TControlWord& word) {
        const std::string_view name = word.Name;
        if (const auto it = NamedCharacters.find(name); it != NamedCharacters.end()) {
            Emit(it->second);
        } else if (PassedOverDestinations.contains(name)) {
            Top().Destination = EDestination::PassOver;
        } else if (name == "colortbl") {
            Top().Destination = EDestination::ColorTable;
            colors_.clear();
            color_.reset();
        } else if (name == "par") {
            EndParagraph();
        } else if (name == "u") {
            Unicode(word);
        } else if (name == "uc") {
            Top().UnicodeSkip =
                word.HasParameter ? std::clamp(word.Parameter, 0, MaxUnicodeSkip) : 1;
        } else {
            FormatWord(word);
        }
    }

    // Character formatting; the other control words (\pard, \rtf, \f, ...) change nothing here.
    void FormatWord(const TControlWord& word) {
        const std::string_view name = word.Name;
        const bool on = !word.HasParameter || word.Parameter != 0;
        TRtfFormat& format = Format();
        if (name == "b") {
            format.Bold = on;
        } else if (name == "i") {
            format.Italic = on;
        } else if (name == "ul") {
            format.Underline = on;
        } else if (name == "ulnone") {
            format.Underline = false;
        } else if (name == "plain") {
            format = {};
        } else if (name == "fs") {
            format.HalfPoints = word.HasParameter
                                    ? std::clamp(word.Parameter, MinHalfPoints, MaxHalfPoints)
                                    : DefaultHalfPoints;
        } else if (name == "cf") {
            format.Color = ColorAt(word.HasParameter ? word.Parameter : 0);
        }
    }

    // Colour table entries are \redN\greenN\blueN; an entry with no component is "auto".
    void ColorWord(const TControlWord& word) {
        const std::string_view name = word.Name;
        if (name != "red" && name != "green" && name != "blue") {
            return;
        }
        TRgb& rgb = color_ ? *color_ : color_.emplace();
        const auto value = static_cast<std::uint8_t>(std::clamp(word.Parameter, 0, 255));
        (name == "red" ? rgb.Red : name == "green" ? rgb.Green : rgb.Blue) = value;
    }

    void EndColor() {
        if (colors_.size() < MaxColors) {
            colors_.push_back(color_);
        }
        color_.reset();
    }

    std::optional<TRgb> ColorAt(std::int32_t index) const {
        const bool inTable = index >= 0 && static_cast<std::size_t>(index) < colors_.size();
        return inTable ? colors_[static_cast<std::size_t>(index)] : std::nullopt;
    }

    // N is a signed 16-bit UTF-16 unit; a character past U+FFFF comes as two \u surrogates.
    void Unicode(const TControlWord& word) {
        if (!word.HasParameter) {
            return;
        }
        const std::int32_t signedUnit = std::clamp(word.Parameter, -32768, 65535);
        const auto unit = static_cast<char32_t>(signedUnit < 0 ? signedUnit + 65536 : signedUnit);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            FlushSurrogate();
            highSurrogate_ = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            const char32_t high = highSurrogate_;
            highSurrogate_ = 0;
            Emit(high != 0 ? 0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00) : Replacement);
        } else {
            Emit(unit);
        }
        skipLeft_ = Top().UnicodeSkip;
    }

    // A high surrogate not followed by a low one stands for nothing valid.
    void FlushSurrogate() {
        if (highSurrogate_ != 0) {
            highSurrogate_ = 0;
            Append(Replacement);
        }
    }

    void Emit(char32_t c) {
        FlushSurrogate();
        Append(c);
    }

    // Control characters other than tab are dropped.
    void Append(char32_t c) {
        if (c < 0x20 && c != '\t') {
            return;
        }
        auto& runs = paragraph_.Runs;
        if (runs.empty() || runs.back().Format != Format()) {
            runs.push_back({{}, Format()});
        }
        AppendUtf8(runs.back().Text, c);
    }

    void EndParagraph() {
        FlushSurrogate();
        document_.Paragraphs.push_back(std::move(paragraph_));
        paragraph_ = {};
    }

    std::string_view bytes_;
    std::size_t position_ = 0;
    std::vector<TGroupState> stack_{TGroupState{}}; // stack_[0] holds what is outside every group
    std::size_t overflow_ = 0;                      // groups open beyond MaxGroupDepth
    int skipLeft_ = 0;                              // fallback characters still to skip
    char32_t highSurrogate_ = 0;
    std::vector<std::optional<TRgb>> colors_;
    std::optional<TRgb> color_; // the colour table entry being read
    TRtfParagraph paragraph_;
    TRtfDocument document_;
};

std::size_t RtfStart(std::string_view bytes) {
    std::size_t start = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (start < bytes.size() && (bytes[start] == ' ' || bytes[start] == '\t' ||
                                    bytes[start] == '\r' || bytes[start] == '\n')) {
        ++start;
    }
    return start;
}

} // namespace

std::string TRtfParagraph::Text() const {
    std::string text;
    for (const auto& run : Runs) {
        text += run.Text;
    }
    return text;
}

std::string TRtfDocument::Text() const {
    std::string text;
    for (std::size_t i = 0; i < Paragraphs.size(); ++i) {
        text += (i > 0 ? "\n" : "") + Paragraphs[i].Text();
    }
    return text;
}

char32_t Windows1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? HighControls[byte - 0x80] : byte;
}

bool IsValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        char32_t code = 0;
        const std::size_t length = ZuveloGraphLibrary::Utf8Character(bytes, code);
        if (length == 0) {
            return false;
        }
        bytes.remove_prefix(length);
    }
    return true;
}

TRtfDocument ReadRtf(std::string_view bytes) {
    const std::string_view rest = bytes.substr(RtfStart(bytes));
    return rest.starts_with("{\\rtf") ? TParser(rest).Run() : ReadPlainText(bytes);
}

} // namespace Plexa3DRtf
