#include "StlReader.h"

#include "ColourMaterials.h"
#include "FileReader.h"
#include "GraphErrors.h"
#include "LargeBlocks.h"
#include "NumberText.h"
#include "SideBySide.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;
using NumberText::SameWord;
using NumberText::Space;

namespace {

constexpr std::size_t HeaderSize = 80;
constexpr std::size_t BinaryStart = 84; // the header and the count
constexpr std::size_t TriangleSize = 50;
// An ASCII text at least this long is read in two halves side by side.
constexpr std::size_t AsciiHalvesBytes = std::size_t(1) << 20;
// The faces of binary triangles with colours are added in runs of one material of at most this
// many.
constexpr std::size_t RunTriangles = 4096;

// Where "COLOR=" and its four bytes lie in the header, if they do.
const std::uint8_t* HeaderColour(std::span<const std::uint8_t> bytes) {
    static constexpr std::string_view Mark = "COLOR=";
    for (std::size_t at = 0; at + Mark.size() + 4 <= HeaderSize; ++at) {
        if (std::memcmp(bytes.data() + at, Mark.data(), Mark.size()) == 0) {
            return bytes.data() + at + Mark.size();
        }
    }
    return nullptr;
}

// A coordinate as stored; a NaN of any kind is given as a quiet one, which, unlike a signalling
// one, raises no fault when the vertex is placed.
float Coordinate(const std::uint8_t* p) {
    const float value = FloatAt(p);
    return std::isnan(value) ? std::numeric_limits<float>::quiet_NaN() : value;
}

void ReadBinary(std::span<const std::uint8_t> bytes, TModelBuilder& builder) {
    const std::uint32_t count = UInt32At(bytes.data() + HeaderSize);
    const std::size_t held = (bytes.size() - BinaryStart) / TriangleSize;
    const std::size_t triangles = std::min<std::size_t>(count, held);
    if (count > held) {
        builder.Note(TLooksNote::TKind::PartSkipped,
                     Plural(count - held, "triangle", "triangles") +
                         " that the count names past the end of the file");
    } else if (BinaryStart + triangles * TriangleSize < bytes.size()) {
        builder.Note(
            TLooksNote::TKind::PartSkipped,
            Plural(bytes.size() - BinaryStart - triangles * TriangleSize, "byte", "bytes") +
                " after the triangles that the count names");
    }
    const std::uint8_t* headerColour = HeaderColour(bytes);
    TColourMaterials colours(builder);
    std::uint32_t headerMaterial = 0;
    const auto materialOf = [&](const std::uint8_t* record) -> std::uint32_t {
        const std::uint16_t word = UInt16At(record + 48);
        if (headerColour) {
            if ((word & 0x8000) == 0) {
                return colours.Of5Bits(word & 0x7FFF);
            }
            if (headerMaterial == 0) {
                headerMaterial =
                    colours.Add({float(headerColour[0]) / 255, float(headerColour[1]) / 255,
                                 float(headerColour[2]) / 255});
            }
            return headerMaterial;
        }
        if (word & 0x8000) {
            return colours.Of5Bits(
                std::uint16_t(((word >> 10) & 31) | (word & (31 << 5)) | ((word & 31) << 10)));
        }
        return 0;
    };
    builder.Reserve(3 * triangles, triangles);
    // Each triangle has three vertices of its own; whether any has a colour is seen on the way.
    const std::uint8_t* const first = bytes.data() + BinaryStart;
    std::atomic<bool> coloured = headerColour != nullptr;
    const std::uint32_t vertex =
        builder.AddVerticesSideBySide(3 * triangles, [&](std::size_t i, TPoint3D& point) {
            const std::size_t t = i / 3;
            const std::uint8_t* record = first + t * TriangleSize;
            const std::uint8_t* p = record + 12 + 12 * (i - 3 * t);
            point = {Coordinate(p), Coordinate(p + 4), Coordinate(p + 8)};
            if (i == 3 * t && (record[49] & 0x80) != 0) {
                coloured.store(true, std::memory_order_relaxed);
            }
        });
    const auto faces = [&](std::size_t start, std::size_t count, std::uint32_t material) {
        builder.AddFaces(count, material, 0, [&](std::size_t i, TFace3D& face) {
            const auto a = vertex + std::uint32_t(3 * (start + i));
            face = {a, a + 1, a + 2};
        });
    };
    if (!coloured.load()) {
        faces(0, triangles, 0);
        return;
    }
    // In runs of one material, at most RunTriangles long.
    for (std::size_t start = 0; start < triangles;) {
        const std::uint32_t material = materialOf(first + start * TriangleSize);
        std::size_t count = 1;
        while (count < RunTriangles && start + count < triangles &&
               materialOf(first + (start + count) * TriangleSize) == material) {
            ++count;
        }
        faces(start, count, material);
        start += count;
    }
}

// The text of an ASCII file, word by word; '#' starts a comment to the end of its line.
class TWords {
public:
    explicit TWords(std::string_view text) : at_(text.data()), end_(text.data() + text.size()) {}

    // The next word, empty at the end of the text.
    std::string_view Next() {
        for (;;) {
            while (at_ != end_ && Space(*at_)) {
                ++at_;
            }
            if (at_ == end_ || *at_ != '#') {
                break;
            }
            SkipLine();
        }
        const char* start = at_;
        while (at_ != end_ && !Space(*at_) && *at_ != '#') {
            ++at_;
        }
        return {start, std::size_t(at_ - start)};
    }

    // The next word when it is a number; else false, and the word is left to be read.
    bool Number(float& value) {
        const char* before = at_;
        const std::string_view word = Next();
        double read = 0;
        if (NumberText::ParseDouble(word, read)) {
            value = float(read);
            return true;
        }
        at_ = before;
        return false;
    }

    // The rest of the line, without its comment and the white space around it.
    std::string_view RestOfLine() {
        const char* start = at_;
        SkipLine();
        std::string_view rest(start, std::size_t(at_ - start));
        rest = rest.substr(0, rest.find('#'));
        while (!rest.empty() && Space(rest.front())) {
            rest.remove_prefix(1);
        }
        while (!rest.empty() && Space(rest.back())) {
            rest.remove_suffix(1);
        }
        return rest;
    }

private:
    void SkipLine() {
        const void* line = std::memchr(at_, '\n', std::size_t(end_ - at_));
        at_ = line ? static_cast<const char*>(line) + 1 : end_;
    }

    const char* at_;
    const char* end_;
};

// What a stretch of an ASCII file read, beside its facets: what the reading of the whole file
// needs of it.
struct TAsciiStretch {
    std::string FirstName;
    bool Named = false;
    bool InFacet = false; // at its end
    bool InSolid = false; // likewise, when SolidSeen
    bool SolidSeen = false;
    std::size_t Passed = 0; // facets passed over
};

// Reads a stretch of an ASCII file that begins where a word begins outside a facet (the file's
// start, or a line that begins with "facet"), giving each facet's three corners to put.
template <class Put> TAsciiStretch ReadAsciiStretch(std::string_view text, Put put) {
    TAsciiStretch stretch;
    TWords words(text);
    int corners = 0;
    bool spoilt = false;
    TPoint3D corner[3];
    const auto endFacet = [&] {
        if (stretch.InFacet) {
            if (corners == 3 && !spoilt) {
                put(corner);
            } else {
                ++stretch.Passed;
            }
        }
        stretch.InFacet = false;
        corners = 0;
        spoilt = false;
    };
    for (std::string_view word = words.Next(); !word.empty(); word = words.Next()) {
        const char first = word[0] | 0x20; // lower case, for letters
        if (first == 'v' && SameWord(word, "vertex")) {
            stretch.InFacet = true; // a vertex outside a facet starts one
            TPoint3D p;
            if (words.Number(p.X) && words.Number(p.Y) && words.Number(p.Z)) {
                if (corners < 3) {
                    corner[corners] = p;
                }
            } else {
                spoilt = true;
            }
            corners = std::min(corners + 1, 4);
        } else if (first == 'f' && SameWord(word, "facet")) {
            endFacet();
            stretch.InFacet = true;
        } else if (first == 'e' && SameWord(word, "endfacet")) {
            endFacet();
        } else if (first == 's' && SameWord(word, "solid")) {
            endFacet();
            const std::string_view name = words.RestOfLine();
            if (!stretch.Named) {
                stretch.FirstName = std::string(name);
                stretch.Named = true;
            }
            stretch.InSolid = stretch.SolidSeen = true;
        } else if (first == 'e' && SameWord(word, "endsolid")) {
            endFacet();
            words.RestOfLine();
            stretch.InSolid = false;
            stretch.SolidSeen = true;
        }
    }
    const bool inFacet = stretch.InFacet;
    endFacet(); // as the word after the stretch, "facet" or the end, ends it
    stretch.InFacet = inFacet;
    return stretch;
}

// Where the second half of a long text may be read on its own: the first line from its middle on
// that begins with "facet" (after blanks); the text's end when there is none.
std::size_t SecondHalf(std::string_view text) {
    std::size_t at = text.find('\n', text.size() / 2);
    while (at != std::string_view::npos) {
        std::size_t word = at + 1;
        while (word < text.size() &&
               (text[word] == ' ' || text[word] == '\t' || text[word] == '\r')) {
            ++word;
        }
        const std::string_view facet = "facet";
        if (text.size() - word >= facet.size() &&
            SameWord(text.substr(word, facet.size()), facet) &&
            (word + facet.size() == text.size() || Space(text[word + facet.size()]) ||
             text[word + facet.size()] == '#')) {
            return word;
        }
        at = text.find('\n', word);
    }
    return text.size();
}

} // namespace

std::string ReadAsciiStl(std::string_view text, TModelBuilder& builder, bool halves) {
    // Room for as many as the text could hold: "vertex 0 0 0" and a space, three to a facet.
    builder.Reserve(text.size() / 13, text.size() / 39);
    const auto add = [&](const TPoint3D(&corner)[3]) {
        const std::uint32_t a = builder.AddVertex(corner[0]);
        const std::uint32_t b = builder.AddVertex(corner[1]);
        const std::uint32_t c = builder.AddVertex(corner[2]);
        builder.AddFace(a, b, c);
    };
    // A long text is read in two halves side by side; the second half's facets are added after
    // the first's, as one pass would add them.
    const std::size_t split = halves ? SecondHalf(text) : text.size();
    std::vector<TPoint3D> later;
    TAsciiStretch second;
    std::optional<TJobBeside> beside;
    if (split < text.size()) {
        beside.emplace([&] {
            ReserveLarge(later, (text.size() - split) / 13);
            second = ReadAsciiStretch(text.substr(split), [&](const TPoint3D(&corner)[3]) {
                later.insert(later.end(), std::begin(corner), std::end(corner));
            });
        });
    }
    TAsciiStretch first = ReadAsciiStretch(text.substr(0, split), add);
    if (beside) {
        beside->Wait();
        for (std::size_t i = 0; i + 2 < later.size(); i += 3) {
            add({later[i], later[i + 1], later[i + 2]});
        }
        first.Passed += second.Passed;
        first.InFacet = second.InFacet;
        first.InSolid = second.SolidSeen ? second.InSolid : first.InSolid;
        if (!first.Named && second.Named) {
            first.FirstName = std::move(second.FirstName);
        }
    }
    if (first.Passed > 0) {
        builder.Note(TLooksNote::TKind::PartSkipped,
                     Plural(first.Passed, "facet", "facets") +
                         " without three vertices that can be read");
    }
    if (first.InFacet || first.InSolid) {
        builder.Note(TLooksNote::TKind::PartSkipped,
                     "the end of the file, cut short before endsolid");
    }
    return first.FirstName;
}

namespace {

bool AsciiStart(std::span<const std::uint8_t> bytes) {
    TWords words({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    const std::string_view text = words.Next();
    if (text.size() < 5 || !SameWord(text.substr(0, 5), "solid")) { // "solid", "solidname"
        return false;
    }
    const auto head = bytes.first(std::min(bytes.size(), BinaryStart));
    return std::find(head.begin(), head.end(), 0) == head.end();
}

} // namespace

std::string ReadStl(const TModelSource& source, TModelPart, TModelBuilder& builder) {
    const std::span<const std::uint8_t> bytes = source.Bytes;
    if (bytes.size() >= BinaryStart &&
        BinaryStart + std::uint64_t(UInt32At(bytes.data() + HeaderSize)) * TriangleSize ==
            bytes.size()) {
        ReadBinary(bytes, builder);
        return {};
    }
    if (AsciiStart(bytes)) {
        return ReadAsciiStl({reinterpret_cast<const char*>(bytes.data()), bytes.size()}, builder,
                            bytes.size() >= AsciiHalvesBytes);
    }
    if (bytes.size() >= BinaryStart) {
        ReadBinary(bytes, builder);
        return {};
    }
    throw RuntimeError("STL: neither a binary file (an 84-byte header and count) nor an ASCII "
                       "one (beginning with solid)");
}

} // namespace Plexa3DFormats
