#include "PlyReader.h"

#include "ColourMaterials.h"
#include "GraphErrors.h"
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;
using NumberText::Space;

namespace {

// The most properties a text's vertex may have for its vertices to be read a block at a time.
constexpr std::size_t MostPlainProperties = 16;

enum class TType : std::uint8_t { Int8, UInt8, Int16, UInt16, Int32, UInt32, Float32, Float64 };

std::optional<TType> TypeNamed(std::string_view name) {
    static constexpr std::pair<std::string_view, TType> Names[] = {
        {"char", TType::Int8},       {"int8", TType::Int8},       {"uchar", TType::UInt8},
        {"uint8", TType::UInt8},     {"short", TType::Int16},     {"int16", TType::Int16},
        {"ushort", TType::UInt16},   {"uint16", TType::UInt16},   {"int", TType::Int32},
        {"int32", TType::Int32},     {"uint", TType::UInt32},     {"uint32", TType::UInt32},
        {"float", TType::Float32},   {"float32", TType::Float32}, {"double", TType::Float64},
        {"float64", TType::Float64},
    };
    for (const auto& [text, type] : Names) {
        if (name == text) {
            return type;
        }
    }
    return std::nullopt;
}

std::size_t SizeOf(TType type) {
    switch (type) {
    case TType::Int8:
    case TType::UInt8:
        return 1;
    case TType::Int16:
    case TType::UInt16:
        return 2;
    case TType::Int32:
    case TType::UInt32:
    case TType::Float32:
        return 4;
    case TType::Float64:
        break;
    }
    return 8;
}

bool Real(TType type) {
    return type == TType::Float32 || type == TType::Float64;
}

// What a property is to the reader.
enum class TRole : std::uint8_t { Other, X, Y, Z, NX, NY, NZ, Red, Green, Blue, U, V, Indices };

TRole VertexRole(std::string_view name) {
    static constexpr std::pair<std::string_view, TRole> Names[] = {
        {"x", TRole::X},
        {"y", TRole::Y},
        {"z", TRole::Z},
        {"nx", TRole::NX},
        {"ny", TRole::NY},
        {"nz", TRole::NZ},
        {"red", TRole::Red},
        {"green", TRole::Green},
        {"blue", TRole::Blue},
        {"diffuse_red", TRole::Red},
        {"diffuse_green", TRole::Green},
        {"diffuse_blue", TRole::Blue},
        {"u", TRole::U},
        {"v", TRole::V},
        {"s", TRole::U},
        {"t", TRole::V},
        {"texture_u", TRole::U},
        {"texture_v", TRole::V},
        {"texture_s", TRole::U},
        {"texture_t", TRole::V},
    };
    for (const auto& [text, role] : Names) {
        if (name == text) {
            return role;
        }
    }
    return TRole::Other;
}

struct TProperty {
    std::string Name;
    TType Type = TType::Float32;
    bool List = false;
    TType CountType = TType::UInt8;
    TRole Role = TRole::Other;
};

struct TElement {
    std::string Name;
    std::uint64_t Count = 0;
    std::vector<TProperty> Properties;
    // Where the reader finds each role among the properties; -1 where none has it.
    std::array<int, 13> At{-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

    int Where(TRole role) const { return At[std::size_t(role)]; }
    bool Has(TRole role) const { return Where(role) >= 0; }
    // The fewest bytes of an item in binary.
    std::size_t LeastBinarySize() const {
        std::size_t size = 0;
        for (const TProperty& p : Properties) {
            size += SizeOf(p.List ? p.CountType : p.Type);
        }
        return size;
    }
};

enum class TEncoding : std::uint8_t { Ascii, LittleEndian, BigEndian };

struct THeader {
    TEncoding Encoding = TEncoding::Ascii;
    std::vector<TElement> Elements;
    std::string TextureFile;
    std::size_t BodyStart = 0;
    std::size_t UnknownLines = 0;
};

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && Space(line[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && !Space(line[at])) {
            ++at;
        }
        if (at > start) {
            words.push_back(line.substr(start, at - start));
        }
    }
    return words;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && Space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && Space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

THeader ReadHeader(std::string_view text) {
    THeader header;
    std::size_t at = 0;
    bool first = true;
    bool format = false;
    for (;;) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            Refuse("PLY", first ? "the file does not begin with ply"
                                : "the header has no end_header line");
        }
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::vector<std::string_view> words = Words(line);
        if (first) {
            if (words.size() != 1 || words[0] != "ply") {
                Refuse("PLY", "the file does not begin with ply");
            }
            first = false;
            continue;
        }
        const std::string_view keyword = words.empty() ? std::string_view{} : words[0];
        if (keyword == "end_header") {
            break;
        }
        if (keyword == "format") {
            if (words.size() < 2) {
                Refuse("PLY", "the format line names no format");
            }
            if (words[1] == "ascii") {
                header.Encoding = TEncoding::Ascii;
            } else if (words[1] == "binary_little_endian") {
                header.Encoding = TEncoding::LittleEndian;
            } else if (words[1] == "binary_big_endian") {
                header.Encoding = TEncoding::BigEndian;
            } else {
                Refuse("PLY", "the format " + std::string(words[1]) +
                                  " is not ascii, binary_little_endian or binary_big_endian");
            }
            double version = 0;
            if (words.size() < 3 || !NumberText::ParseDouble(words[2], version) || version != 1) {
                Refuse("PLY", "the format line gives no version 1.0");
            }
            format = true;
        } else if (keyword == "comment") {
            const std::string_view rest = Trimmed(line.substr(line.find("comment") + 7));
            if (rest.size() > 11 && NumberText::SameWord(rest.substr(0, 11), "TextureFile") &&
                Space(rest[11]) && header.TextureFile.empty()) {
                header.TextureFile = std::string(Trimmed(rest.substr(11)));
            }
        } else if (keyword == "obj_info") {
        } else if (keyword == "element") {
            TElement element;
            std::int64_t count = 0;
            if (words.size() != 3 || !NumberText::ParseInteger(words[2], count) || count < 0) {
                Refuse("PLY", "an element line without a name and a count: " + std::string(line));
            }
            element.Name = std::string(words[1]);
            element.Count = std::uint64_t(count);
            header.Elements.push_back(std::move(element));
        } else if (keyword == "property") {
            if (header.Elements.empty()) {
                Refuse("PLY", "a property before any element");
            }
            TProperty property;
            const bool list = words.size() == 5 && words[1] == "list";
            if (!list && words.size() != 3) {
                Refuse("PLY", "a property line that cannot be read: " + std::string(line));
            }
            const auto type = TypeNamed(words[list ? 3 : 1]);
            const auto countType = list ? TypeNamed(words[2]) : std::optional(TType::UInt8);
            if (!type || !countType) {
                Refuse("PLY", "a property of a type it does not know: " + std::string(line));
            }
            property.Name = std::string(words.back());
            property.Type = *type;
            property.List = list;
            property.CountType = *countType;
            header.Elements.back().Properties.push_back(std::move(property));
        } else if (!words.empty()) {
            ++header.UnknownLines;
        }
    }
    if (!format) {
        Refuse("PLY", "the header has no format line");
    }
    header.BodyStart = at;
    return header;
}

// The values of a binary body, in its byte order.
class TBinaryValues {
public:
    TBinaryValues(std::span<const std::uint8_t> body, bool big)
        : at_(body.data()), end_(body.data() + body.size()), big_(big) {}

    // The next value of the type; false, when the body ends first.
    [[gnu::always_inline]] bool Value(TType type, double& value) {
        const std::size_t size = SizeOf(type);
        if (std::size_t(end_ - at_) < size) {
            at_ = end_;
            return false;
        }
        value = At(type, at_);
        at_ += size;
        return true;
    }

    // The value of the type at `bytes`, which hold it.
    [[gnu::always_inline]] double At(TType type, const std::uint8_t* bytes) const {
        switch (type) {
        case TType::Int8:
            return std::int8_t(bytes[0]);
        case TType::UInt8:
            return bytes[0];
        case TType::Int16:
            return std::int16_t(Load<std::uint16_t>(bytes));
        case TType::UInt16:
            return Load<std::uint16_t>(bytes);
        case TType::Int32:
            return std::int32_t(Load<std::uint32_t>(bytes));
        case TType::UInt32:
            return Load<std::uint32_t>(bytes);
        case TType::Float32:
            return std::bit_cast<float>(Load<std::uint32_t>(bytes));
        case TType::Float64:
            break;
        }
        return std::bit_cast<double>(Load<std::uint64_t>(bytes));
    }

    // The next `size` bytes, passed over; none, and nothing passed over, when fewer are left.
    const std::uint8_t* Take(std::size_t size) {
        if (std::size_t(end_ - at_) < size) {
            return nullptr;
        }
        const std::uint8_t* taken = at_;
        at_ += size;
        return taken;
    }

    // Passes over `count` values of the type; false, when the body ends first.
    bool Skip(TType type, std::uint64_t count) {
        const std::size_t size = SizeOf(type);
        if (count > std::size_t(end_ - at_) / size) {
            at_ = end_;
            return false;
        }
        at_ += count * size;
        return true;
    }

    // Whether `count` values of the type could still follow.
    bool Hold(TType type, std::uint64_t count) const {
        // No more values than bytes, so the product cannot wrap: no division for every list.
        const auto left = std::uint64_t(end_ - at_);
        return count <= left && count * SizeOf(type) <= left;
    }
    std::size_t BytesLeft() const { return std::size_t(end_ - at_); }
    bool Damaged() const { return false; }

private:
public:
    // The unsigned number at `bytes`, which hold it, in the file's byte order.
    template <class T> T Load(const std::uint8_t* bytes) const {
        T bits;
        std::memcpy(&bits, bytes, sizeof(T));
        if (big_ != (std::endian::native == std::endian::big)) {
            if constexpr (sizeof(T) == 2) {
                bits = __builtin_bswap16(bits);
            } else if constexpr (sizeof(T) == 4) {
                bits = __builtin_bswap32(bits);
            } else {
                bits = __builtin_bswap64(bits);
            }
        }
        return bits;
    }

private:
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    bool big_;
};

// The values of an ASCII body: words between white space; a line beginning with "comment" is
// passed over.
class TAsciiValues {
public:
    explicit TAsciiValues(std::string_view body)
        : at_(body.data()), end_(body.data() + body.size()) {}

    bool Value(TType type, double& value) {
        if (Plain(type, value)) {
            return true;
        }
        const std::string_view word = Next();
        if (word.empty()) {
            return false;
        }
        if (!NumberText::ParseDouble(word, value)) {
            damaged_ = true;
            at_ = end_;
            return false;
        }
        return true;
    }

    bool Skip(TType, std::uint64_t count) {
        for (std::uint64_t i = 0; i < count; ++i) {
            if (Next().empty()) {
                return false;
            }
        }
        return true;
    }

    // The plain items of triangles and of vertices (PlainTriangles, PlainItems) from here on, at
    // most `most`, read and added by InLinePieces; their number.
    template <class TAdd>
    std::uint64_t TriangleItems(std::uint64_t most, std::vector<std::uint32_t>& first,
                                std::vector<std::uint32_t>& second, const TAdd& add) {
        const char* const was = at_;
        const std::uint64_t read = InLinePieces(
            at_, end_, most, 3, ShortestTriangle, first, second,
            [this](const char*& p, const char* stop, std::uint32_t* corners, std::size_t room) {
                return PlainTriangles(p, stop, corners, room);
            },
            add);
        AfterItems(was);
        return read;
    }
    template <class TAdd>
    std::uint64_t ScalarItems(std::span<const TType> types, std::uint64_t most,
                              std::vector<double>& first, std::vector<double>& second,
                              const TAdd& add) {
        const char* const was = at_;
        const std::uint64_t read = InLinePieces(
            at_, end_, most, types.size(), 2 * types.size(), first, second,
            [this, types](const char*& p, const char* stop, double* values, std::size_t room) {
                return PlainItems(p, stop, types, values, room);
            },
            add);
        AfterItems(was);
        return read;
    }

    // Items of a count of 3 and three indices, each written as up to seven digits, from p on,
    // those whose first value begins before `stop`, at most `most` of them: their vertex numbers
    // (from 1) into `corners`, three an item, as Value and VertexNumber read them. p moves past
    // each item and the blanks after it up to `stop`; an item begun before `stop` may end past
    // it. Stops before the first item of any other form, and near the end of the text; returns
    // how many it read.
    std::size_t PlainTriangles(const char*& from, const char* stop, std::uint32_t* corners,
                               std::size_t most) const {
        std::size_t read = 0;
        for (; read < most; ++read) {
            const char* p = Blanks(from, stop);
            double count = 0;
            double index[3] = {};
            if (p >= stop || !(p = WholeAt(p, count)) || count != 3 ||
                !(p = WholeAt(Blanks(p, end_), index[0])) ||
                !(p = WholeAt(Blanks(p, end_), index[1])) ||
                !(p = WholeAt(Blanks(p, end_), index[2]))) {
                break;
            }
            for (std::size_t k = 0; k < 3; ++k) {
                corners[3 * read + k] = std::uint32_t(index[k]) + 1;
            }
            from = Blanks(p, stop);
        }
        return read;
    }

    // Items of scalars alone, of the properties' types in order, each value written in the form
    // Value reads without finding its word first, from p on, those whose first value begins
    // before `stop`, at most `most` of them: into `values`, one an item's property. p moves as in
    // PlainTriangles. Stops before the first item of any other form; returns how many it read.
    std::size_t PlainItems(const char*& from, const char* stop, std::span<const TType> types,
                           double* values, std::size_t most) const {
        std::size_t read = 0;
        for (; read < most; ++read) {
            const char* p = Blanks(from, stop);
            if (p >= stop) {
                return read;
            }
            double* item = values + types.size() * read;
            for (std::size_t k = 0; k < types.size(); ++k) {
                p = Blanks(p, end_);
                if (!(p = Real(types[k]) ? DecimalAt(p, item[k]) : WholeAt(p, item[k]))) {
                    return read;
                }
            }
            from = Blanks(p, stop);
        }
        return read;
    }

    // Each value takes a byte and a space at least, the last its byte only.
    bool Hold(TType, std::uint64_t count) const { return count <= BytesLeft() / 2 + 1; }
    std::size_t BytesLeft() const { return std::size_t(end_ - at_); }
    bool Damaged() const { return damaged_; }

private:
    // A value of the type in the plain form WholeAt or DecimalAt reads, as ParseDouble reads its
    // word, without finding the word first. False, having passed over the blanks before the next
    // word only, for any other word.
    bool Plain(TType type, double& value) {
        SkipSpaces();
        const char* after = Real(type) ? DecimalAt(at_, value) : WholeAt(at_, value);
        if (after == nullptr) {
            return false;
        }
        at_ = after;
        lineStart_ = false;
        return true;
    }

    // Where a plain word at p ends, or nullptr for any other word: for WholeAt a whole number of
    // up to seven digits, as lists' counts and vertex indices are written (nullptr near the end of
    // the text too); for DecimalAt a number that NumberText::FastDecimal reads, with an optional
    // sign.
    const char* WholeAt(const char* p, double& value) const {
        std::uint64_t whole = 0;
        const int count = end_ - p > 8 ? NumberText::EightByteDigits(p, whole) : 0;
        if (count == 0 || !Space(p[count])) {
            return nullptr;
        }
        value = double(whole);
        return p + count;
    }
    const char* DecimalAt(const char* p, double& value) const {
        const bool negative = p != end_ && *p == '-';
        p += p != end_ && (*p == '-' || *p == '+') ? 1 : 0;
        double read = 0;
        const char* after = p != end_ ? NumberText::FastDecimal(p, end_, read) : nullptr;
        if (after == nullptr || (after != end_ && !Space(*after))) {
            return nullptr;
        }
        value = negative ? -read : read;
        return after;
    }

    // Past the blanks from p, up to `stop` (none when p is at or past it).
    static const char* Blanks(const char* p, const char* stop) {
        while (p < stop && Space(*p)) {
            ++p;
        }
        return p;
    }

    // After plain items read from `was`: whether the blanks the reading passed after the last of
    // them hold a line's end, as SkipSpaces would have said.
    void AfterItems(const char* was) {
        if (at_ == was) {
            return;
        }
        const char* p = at_;
        while (p != was && Space(p[-1]) && p[-1] != '\n') {
            --p;
        }
        lineStart_ = p != was && p[-1] == '\n';
    }

    void SkipSpaces() {
        while (at_ != end_ && Space(*at_)) {
            lineStart_ = lineStart_ || *at_ == '\n';
            ++at_;
        }
    }

    std::string_view Next() {
        for (;;) {
            SkipSpaces();
            const char* start = at_;
            while (at_ != end_ && !Space(*at_)) {
                ++at_;
            }
            const std::string_view word(start, std::size_t(at_ - start));
            if (lineStart_ && !word.empty() && word[0] == 'c' && word == "comment") {
                const void* line = std::memchr(at_, '\n', std::size_t(end_ - at_));
                at_ = line ? static_cast<const char*>(line) : end_;
                continue;
            }
            lineStart_ = false;
            return word;
        }
    }

    const char* at_;
    const char* end_;
    bool lineStart_ = true;
    bool damaged_ = false;
};

// A vertex number (from 1) for an index read as a number; 0 (no vertex) for one that is not a
// whole number from 0 to 2^32 - 2.
std::uint32_t VertexNumber(double index) {
    // In range, truncation is the floor: a whole number is the one it truncates to.
    if (!(index >= 0 && index < 4294967295.0) || double(std::uint32_t(index)) != index) {
        return 0;
    }
    return std::uint32_t(index) + 1;
}

class TPlyReading {
public:
    TPlyReading(const THeader& header, TModelBuilder& builder)
        : header_(header), builder_(builder), colours_(builder) {
        for (const TElement& element : header_.Elements) {
            if (element.Name == "vertex" && !vertexElement_) {
                vertexElement_ = &element;
            } else if (element.Name == "face" && !faceElement_) {
                faceElement_ = &element;
            }
        }
        if (vertexElement_) {
            const TElement& e = *vertexElement_;
            if (e.Count > 0 && (!e.Has(TRole::X) || !e.Has(TRole::Y) || !e.Has(TRole::Z))) {
                Refuse("PLY", "the vertex element has no x, y and z");
            }
            vertexColours_ = e.Has(TRole::Red) && e.Has(TRole::Green) && e.Has(TRole::Blue);
            smoothing_ = e.Has(TRole::NX) && e.Has(TRole::NY) && e.Has(TRole::NZ) ? 1 : 0;
            mapping_ = e.Has(TRole::U) && e.Has(TRole::V);
        }
        if (mapping_ && !header.TextureFile.empty()) {
            TTextureMap map;
            map.FileName = header.TextureFile;
            colours_ = TColourMaterials(builder, map);
        }
    }

    template <class TValues> void Read(TValues& values) {
        const TElement* vertexElement = vertexElement_;
        const TElement* faceElement = faceElement_;
        for (const TElement& element : header_.Elements) {
            std::uint64_t read = 0;
            if (&element == vertexElement) {
                read = ReadVertices(values, element);
            } else if (&element == faceElement) {
                read = ReadFaces(values, element, vertexElement == nullptr || verticesRead_);
            } else {
                read = Pass(values, element);
            }
            if (read < element.Count) {
                builder_.Note(TLooksNote::TKind::PartSkipped,
                              "the rest of the file from item " + std::to_string(read + 1) +
                                  " of " + std::to_string(element.Count) + " of the element " +
                                  element.Name +
                                  (values.Damaged() ? ", at a word that is not a number"
                                   : badCount_      ? ", at an impossible list count"
                                                    : ", cut short"));
                break;
            }
        }
        for (std::size_t i = 0; i < pendingSizes_.size(); ++i) {
            const std::size_t start = pendingStarts_[i];
            Polygon({pendingCorners_.data() + start, pendingSizes_[i]},
                    pendingColours_.empty() ? nullptr : &pendingColours_[i]);
        }
        if (header_.UnknownLines > 0) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          Plural(header_.UnknownLines, "header line", "header lines") +
                              " that PLY does not know");
        }
        if (fewer_ > 0) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          Plural(fewer_, "polygon", "polygons") + " of fewer than 3 corners");
        }
    }

private:
    // Reads an item's values: its scalars into scalars_, the list of role Indices (if `corners`)
    // into corners_ as vertex numbers; every other list passed over. False when the body stops.
    template <class TValues> bool Item(TValues& values, const TElement& element, bool corners) {
        const std::size_t n = element.Properties.size();
        bool listRead = false;
        for (std::size_t i = 0; i < n; ++i) {
            const TProperty& p = element.Properties[i];
            if (!p.List) {
                if (!values.Value(p.Type, scalars_[i])) {
                    return false;
                }
                continue;
            }
            double count = 0;
            if (!values.Value(p.CountType, count)) {
                return false;
            }
            if (!(count >= 0 && count < 0x1p53) || double(std::uint64_t(count)) != count ||
                !values.Hold(p.Type, std::uint64_t(count))) {
                badCount_ = true; // a count that is not one, or that the bytes left cannot hold
                return false;
            }
            const auto items = std::uint64_t(count);
            if (corners && p.Role == TRole::Indices && !listRead) {
                listRead = true;
                corners_.clear();
                for (std::uint64_t k = 0; k < items; ++k) {
                    double index = 0;
                    if (!values.Value(p.Type, index)) {
                        return false;
                    }
                    corners_.push_back(VertexNumber(index));
                }
            } else if (!values.Skip(p.Type, items)) {
                return false;
            }
        }
        return true;
    }

    // Where each property of a binary item of scalars alone lies within it.
    struct TFixedLayout {
        std::size_t Size = 0; // 0 for an item with a list
        std::vector<std::size_t> Offsets;

        explicit TFixedLayout(const TElement& e) {
            for (const TProperty& p : e.Properties) {
                if (p.List) {
                    Size = 0;
                    return;
                }
                Offsets.push_back(Size);
                Size += SizeOf(p.Type);
            }
        }
    };

    // A binary item of scalars alone, read at once when all its bytes are there: its values into
    // scalars_, as Item reads them. False, reading nothing, otherwise.
    template <class TValues>
    bool FixedItem(TValues& values, const TElement& e, const TFixedLayout& layout) {
        if constexpr (std::is_same_v<TValues, TBinaryValues>) {
            const std::uint8_t* bytes = layout.Size > 0 ? values.Take(layout.Size) : nullptr;
            if (bytes != nullptr) {
                for (std::size_t i = 0; i < layout.Offsets.size(); ++i) {
                    scalars_[i] = values.At(e.Properties[i].Type, bytes + layout.Offsets[i]);
                }
                return true;
            }
        }
        return false;
    }

    // The binary vertices of scalars alone that the bytes hold, read at once as FixedItem reads
    // each; their number.
    std::uint64_t FixedVertices(TBinaryValues& values, const TElement& e,
                                const TFixedLayout& layout) {
        const std::size_t count =
            std::min<std::uint64_t>(e.Count, values.BytesLeft() / layout.Size);
        if (count == 0) {
            return 0; // a file of no vertices need not name x, y and z
        }
        const std::uint8_t* bytes = values.Take(count * layout.Size);
        struct TPlace {
            TType Type = TType::Float32;
            std::size_t Offset = 0;
        };
        const auto at = [&](TRole role) {
            const auto p = std::size_t(e.Where(role));
            return TPlace{e.Properties[p].Type, layout.Offsets[p]};
        };
        const TPlace x = at(TRole::X), y = at(TRole::Y), z = at(TRole::Z);
        const bool mapped = mapping_;
        const TPlace u = mapped ? at(TRole::U) : TPlace{}, v = mapped ? at(TRole::V) : TPlace{};
        const auto add = [&](const auto& read) {
            builder_.AddVertices(count, mapped, [&](std::size_t i, TPoint3D& point, TTexCoord& uv) {
                const std::uint8_t* item = bytes + i * layout.Size;
                point = {read(x, item), read(y, item), read(z, item)};
                if (mapped) {
                    uv = {read(u, item), read(v, item)};
                }
            });
        };
        if (x.Type == TType::Float32 && y.Type == TType::Float32 && z.Type == TType::Float32 &&
            u.Type == TType::Float32 && v.Type == TType::Float32) {
            // As most files have them: no type to look at for each value.
            add([&](const TPlace& place, const std::uint8_t* item) {
                return std::bit_cast<float>(values.Load<std::uint32_t>(item + place.Offset));
            });
        } else {
            add([&](const TPlace& place, const std::uint8_t* item) {
                return float(values.At(place.Type, item + place.Offset));
            });
        }
        return count;
    }

    // An item that is one list of a byte count and 32-bit indices, read as Item reads it into
    // corners_ without a number for each value.
    bool IndexList(TBinaryValues& values) {
        const std::uint8_t* count = values.Take(1);
        if (count == nullptr) {
            return false;
        }
        if (!values.Hold(TType::UInt32, count[0])) {
            badCount_ = true;
            return false;
        }
        const std::uint8_t* list = values.Take(std::size_t(count[0]) * 4);
        corners_.resize(count[0]);
        for (std::size_t k = 0; k < corners_.size(); ++k) {
            // A negative index, read as 2^31 or more, names a vertex beyond any a file can give,
            // and 2^32 - 1 wraps to 0, none: either keeps the face out, as VertexNumber's 0 does.
            corners_[k] = values.Load<std::uint32_t>(list + 4 * k) + 1;
        }
        return true;
    }

    // The items of one byte count of 3 and three 32-bit indices from here on, of at most `most`,
    // read at once as IndexList and Polygon read each; their number. They are found and read a
    // block at a time, while the block's bytes are at hand.
    std::uint64_t TriangleRun(TBinaryValues& values, std::uint64_t most) {
        constexpr std::size_t Size = 1 + 3 * 4;
        return InBlocks(most, [&](std::size_t room) {
            const std::uint8_t* bytes = values.Take(0);
            const std::size_t held = std::min<std::size_t>(room, values.BytesLeft() / Size);
            std::size_t count = 0;
            while (count < held && bytes[count * Size] == 3) {
                ++count;
            }
            values.Take(count * Size);
            // As in IndexList, an index of 2^32 - 1 wraps to 0, no vertex.
            builder_.AddFaces(count, colours_.Plain(), smoothing_,
                              [&](std::size_t i, TFace3D& face) {
                                  const std::uint8_t* item = bytes + i * Size;
                                  face = {values.Load<std::uint32_t>(item + 1) + 1,
                                          values.Load<std::uint32_t>(item + 5) + 1,
                                          values.Load<std::uint32_t>(item + 9) + 1};
                              });
            return count;
        });
    }

    // A text's vertices of scalars alone, each value plain, from here on, of at most `most`:
    // read a block at a time and added at once, as Item and ReadVertices read and add each;
    // their number.
    std::uint64_t VertexRun(TAsciiValues& values, const TElement& e, std::uint64_t most) {
        const std::size_t n = e.Properties.size();
        TType types[MostPlainProperties];
        for (std::size_t k = 0; k < n; ++k) {
            types[k] = e.Properties[k].Type;
        }
        const auto at = [&](TRole role) { return std::size_t(e.Where(role)); };
        const std::size_t x = at(TRole::X), y = at(TRole::Y), z = at(TRole::Z);
        const std::size_t u = mapping_ ? at(TRole::U) : 0, v = mapping_ ? at(TRole::V) : 0;
        return values.ScalarItems(
            {types, n}, most, runScalars_, moreScalars_,
            [&](const double* scalars, std::size_t count) {
                builder_.AddVertices(count, mapping_,
                                     [&](std::size_t i, TPoint3D& point, TTexCoord& mapping) {
                                         const double* item = scalars + n * i;
                                         point = {float(item[x]), float(item[y]), float(item[z])};
                                         if (mapping_) {
                                             mapping = {float(item[u]), float(item[v])};
                                         }
                                     });
            });
    }

    // As above, for a text: the items of a count of 3 and three plain indices from here on.
    std::uint64_t TriangleRun(TAsciiValues& values, std::uint64_t most) {
        return values.TriangleItems(
            most, runCorners_, moreCorners_, [&](const std::uint32_t* corners, std::size_t count) {
                builder_.AddFaces(
                    count, colours_.Plain(), smoothing_, [&](std::size_t i, TFace3D& face) {
                        face = {corners[3 * i], corners[3 * i + 1], corners[3 * i + 2]};
                    });
            });
    }

    template <class TValues> std::uint64_t Pass(TValues& values, const TElement& element) {
        if (element.Count > 0) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          "the element " + element.Name + " (" +
                              Plural(element.Count, "item", "items") + ")");
        }
        if (element.Properties.empty()) {
            return element.Count;
        }
        scalars_.resize(element.Properties.size());
        for (std::uint64_t i = 0; i < element.Count; ++i) {
            if (!Item(values, element, false)) {
                return i;
            }
        }
        return element.Count;
    }

    template <class TValues> std::uint64_t ReadVertices(TValues& values, const TElement& e) {
        const std::size_t least =
            std::max<std::size_t>(1, std::is_same_v<TValues, TAsciiValues> ? 2 * e.Properties.size()
                                                                           : e.LeastBinarySize());
        builder_.Reserve(std::min<std::uint64_t>(e.Count, values.BytesLeft() / least), 0);
        scalars_.resize(e.Properties.size());
        const auto at = [&](TRole role) { return std::size_t(e.Where(role)); };
        const std::size_t x = at(TRole::X), y = at(TRole::Y), z = at(TRole::Z);
        const TFixedLayout fixed(e);
        std::uint64_t i = 0;
        if constexpr (std::is_same_v<TValues, TBinaryValues>) {
            if (fixed.Size > 0 && !vertexColours_) {
                i = FixedVertices(values, e, fixed);
            }
        }
        const bool plain = std::is_same_v<TValues, TAsciiValues> && fixed.Size > 0 &&
                           !vertexColours_ && e.Properties.size() <= MostPlainProperties;
        for (; i < e.Count; ++i) {
            if constexpr (std::is_same_v<TValues, TAsciiValues>) {
                if (plain && (i += VertexRun(values, e, e.Count - i)) == e.Count) {
                    break;
                }
            }
            if (!FixedItem(values, e, fixed) && !Item(values, e, false)) {
                return i;
            }
            const TPoint3D point{float(scalars_[x]), float(scalars_[y]), float(scalars_[z])};
            if (mapping_) {
                builder_.AddVertex(point,
                                   {float(scalars_[at(TRole::U)]), float(scalars_[at(TRole::V)])});
            } else {
                builder_.AddVertex(point);
            }
            if (vertexColours_) {
                std::array<float, 3> colour{};
                for (int c = 0; c < 3; ++c) {
                    const auto p = std::size_t(e.Where(TRole(int(TRole::Red) + c)));
                    colour[std::size_t(c)] =
                        float(Real(e.Properties[p].Type) ? scalars_[p] : scalars_[p] / 255);
                }
                vertexColourList_.push_back(colour);
            }
        }
        verticesRead_ = true;
        return e.Count;
    }

    template <class TValues> std::uint64_t ReadFaces(TValues& values, const TElement& e, bool now) {
        if (!e.Has(TRole::Indices)) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          "the faces (" + Plural(e.Count, "item", "items") +
                              "), which have no list of vertex indices");
            return Pass(values, e);
        }
        const std::size_t least =
            std::max<std::size_t>(1, std::is_same_v<TValues, TAsciiValues> ? 2 * e.Properties.size()
                                                                           : e.LeastBinarySize());
        builder_.Reserve(0, std::min<std::uint64_t>(e.Count, values.BytesLeft() / least));
        scalars_.resize(e.Properties.size());
        const bool coloured = e.Has(TRole::Red) && e.Has(TRole::Green) && e.Has(TRole::Blue);
        const TProperty& first = e.Properties.front();
        const bool triangleList = std::is_same_v<TValues, TBinaryValues> &&
                                  e.Properties.size() == 1 && first.CountType == TType::UInt8 &&
                                  (first.Type == TType::Int32 || first.Type == TType::UInt32);
        const bool plainList = std::is_same_v<TValues, TAsciiValues> && e.Properties.size() == 1 &&
                               first.List && first.Role == TRole::Indices;
        const bool runs = (triangleList || plainList) && now && !vertexColours_;
        for (std::uint64_t i = 0; i < e.Count; ++i) {
            if (runs && (i += TriangleRun(values, e.Count - i)) == e.Count) {
                break;
            }
            if (triangleList) {
                if constexpr (std::is_same_v<TValues, TBinaryValues>) {
                    if (!IndexList(values)) {
                        return i;
                    }
                }
            } else if (!Item(values, e, true)) {
                return i;
            }
            std::array<float, 3> colour{};
            if (coloured) {
                for (int c = 0; c < 3; ++c) {
                    const auto p = std::size_t(e.Where(TRole(int(TRole::Red) + c)));
                    colour[std::size_t(c)] =
                        float(Real(e.Properties[p].Type) ? scalars_[p] : scalars_[p] / 255);
                }
            }
            if (now) {
                Polygon(corners_, coloured ? &colour : nullptr);
            } else {
                // The vertices come after: the polygon waits for them.
                pendingStarts_.push_back(pendingCorners_.size());
                pendingSizes_.push_back(corners_.size());
                pendingCorners_.insert(pendingCorners_.end(), corners_.begin(), corners_.end());
                if (coloured) {
                    pendingColours_.push_back(colour);
                }
            }
        }
        return e.Count;
    }

    // A polygon of vertex numbers (0 for none), split as a fan.
    void Polygon(std::span<const std::uint32_t> corners, const std::array<float, 3>* colour) {
        if (corners.size() < 3) {
            ++fewer_;
            return;
        }
        std::uint32_t material = 0;
        if (colour) {
            material = colours_.Of((*colour)[0], (*colour)[1], (*colour)[2]);
        } else if (vertexColours_) {
            // The mean of the corners' colours; none for a face that names a vertex that is not
            // there (the builder leaves it out).
            std::array<float, 3> sum{};
            bool there = true;
            for (const std::uint32_t v : corners) {
                there = there && v - 1 < vertexColourList_.size();
                for (std::size_t c = 0; c < 3 && there; ++c) {
                    sum[c] += vertexColourList_[v - 1][c];
                }
            }
            const auto n = float(corners.size());
            material = there ? colours_.Of(sum[0] / n, sum[1] / n, sum[2] / n) : 0;
        } else {
            material = colours_.Plain();
        }
        for (std::size_t k = 2; k < corners.size(); ++k) {
            builder_.AddFace(corners[0], corners[k - 1], corners[k], material, smoothing_);
        }
    }

    const THeader& header_;
    TModelBuilder& builder_;
    TColourMaterials colours_;
    const TElement* vertexElement_ = nullptr;
    const TElement* faceElement_ = nullptr;
    bool vertexColours_ = false;
    bool mapping_ = false;
    bool verticesRead_ = false;
    bool badCount_ = false;
    std::uint32_t smoothing_ = 0;
    std::vector<double> scalars_;
    std::vector<std::uint32_t> corners_;
    // Blocks of a text's triangles and vertices, as read at once.
    std::vector<std::uint32_t> runCorners_, moreCorners_;
    std::vector<double> runScalars_, moreScalars_;
    std::vector<std::array<float, 3>> vertexColourList_;
    std::vector<std::size_t> pendingStarts_;
    std::vector<std::size_t> pendingSizes_;
    std::vector<std::uint32_t> pendingCorners_;
    std::vector<std::array<float, 3>> pendingColours_;
    std::uint64_t fewer_ = 0;
};

} // namespace

std::string ReadPly(const TModelSource& source, TModelPart, TModelBuilder& builder) {
    const std::string_view text(reinterpret_cast<const char*>(source.Bytes.data()),
                                source.Bytes.size());
    THeader header = ReadHeader(text);
    for (TElement& element : header.Elements) {
        const bool vertex = element.Name == "vertex";
        for (std::size_t i = 0; i < element.Properties.size(); ++i) {
            TProperty& p = element.Properties[i];
            if (vertex) {
                p.Role = p.List ? TRole::Other : VertexRole(p.Name);
            } else if (element.Name == "face") {
                if (p.List && (p.Name == "vertex_indices" || p.Name == "vertex_index")) {
                    p.Role = TRole::Indices;
                } else if (!p.List) {
                    const TRole role = VertexRole(p.Name);
                    p.Role = role == TRole::Red || role == TRole::Green || role == TRole::Blue
                                 ? role
                                 : TRole::Other;
                }
            }
            int& at = element.At[std::size_t(p.Role)];
            if (p.Role != TRole::Other && at < 0) {
                at = int(i);
            }
        }
    }
    TPlyReading reading(header, builder);
    if (header.Encoding == TEncoding::Ascii) {
        TAsciiValues values(text.substr(header.BodyStart));
        reading.Read(values);
    } else {
        TBinaryValues values(source.Bytes.subspan(header.BodyStart),
                             header.Encoding == TEncoding::BigEndian);
        reading.Read(values);
    }
    return {};
}

} // namespace Plexa3DFormats
