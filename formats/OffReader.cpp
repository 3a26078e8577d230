#include "OffReader.h"

#include "ColourMaterials.h"
#include "GraphErrors.h"
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <vector>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;
using NumberText::Space;

namespace {

// The file's lines that say something, each as its words, comments left out.
class TWordLines {
public:
    explicit TWordLines(std::string_view text)
        : at_(text.data()), end_(text.data() + text.size()) {}

    // The words of the next line that has any; false at the end of the text.
    bool Next(std::vector<std::string_view>& words) {
        words.clear();
        const char* p = at_;
        while (p != end_) {
            // Blanks, then a word up to a blank, a comment or the line's end.
            while (p != end_ && Space(*p) && *p != '\n') {
                ++p;
            }
            const char* start = p;
            while (p != end_ && !Space(*p) && *p != '#') {
                ++p;
            }
            if (p != start) {
                words.emplace_back(start, std::size_t(p - start));
            }
            if (p != end_ && *p == '#') {
                const void* found = std::memchr(p, '\n', std::size_t(end_ - p));
                p = found ? static_cast<const char*>(found) : end_;
            }
            if (p != end_ && *p == '\n') {
                ++p;
                if (!words.empty()) {
                    break;
                }
            }
        }
        at_ = p;
        return !words.empty();
    }

    std::size_t BytesLeft() const { return std::size_t(end_ - at_); }

    // The plain lines of triangles and of vertices (PlainTriangles, PlainNumbers) from here on, at
    // most `most`, read and added by InLinePieces; their number.
    template <class TAdd>
    std::uint64_t TriangleLines(std::uint64_t most, std::vector<std::uint32_t>& first,
                                std::vector<std::uint32_t>& second, const TAdd& add) {
        return InLinePieces(
            at_, end_, most, 3, ShortestTriangle, first, second,
            [this](const char*& p, const char* stop, std::uint32_t* indices, std::size_t room) {
                return PlainTriangles(p, stop, indices, room);
            },
            add);
    }
    template <class TAdd>
    std::uint64_t VertexLines(std::size_t width, std::uint64_t most, std::vector<double>& first,
                              std::vector<double>& second, const TAdd& add) {
        return InLinePieces(
            at_, end_, most, width, 2 * width, first, second,
            [this, width](const char*& p, const char* stop, double* numbers, std::size_t room) {
                return PlainNumbers(p, stop, numbers, width, room);
            },
            add);
    }

    // Lines of a count of 3 and three indices alone, each written as up to seven digits, from
    // p on, those that start before `stop`, at most `most` of them: the indices into `indices`,
    // three a line, as Next and Whole read them; p moves past them. Stops before the first line
    // of any other form (a blank line or a comment among them), and near the end of the text;
    // returns how many it read.
    std::size_t PlainTriangles(const char*& from, const char* stop, std::uint32_t* indices,
                               std::size_t most) const {
        std::size_t read = 0;
        for (const char* p = from; read < most && p < stop; ++read, from = p) {
            std::uint64_t numbers[4] = {};
            for (std::uint64_t& number : numbers) {
                p = Blanks(p);
                const int digits = end_ - p >= 8 ? NumberText::EightByteDigits(p, number) : 0;
                if (digits == 0) {
                    return read;
                }
                p += digits;
            }
            p = Blanks(p);
            if (numbers[0] != 3 || p == end_ || *p != '\n') {
                return read;
            }
            ++p;
            for (std::size_t k = 0; k < 3; ++k) {
                indices[3 * read + k] = std::uint32_t(numbers[k + 1]);
            }
        }
        return read;
    }

    // Lines of `width` numbers alone (at most 5), each of the form NumberText::FastDecimal reads
    // after an optional sign, from p on, those that start before `stop`, at most `most` of them:
    // into `numbers`, `width` a line, as Next and NumberText::ParseDouble read them; p moves past
    // them. Stops before the first line of any other form, and at the end of the text; returns
    // how many it read.
    std::size_t PlainNumbers(const char*& from, const char* stop, double* numbers,
                             std::size_t width, std::size_t most) const {
        std::size_t read = 0;
        for (const char* p = from; read < most && p < stop; ++read, from = p) {
            // Written in place: a line not read whole leaves its numbers past the count returned.
            double* line = numbers + width * read;
            for (std::size_t k = 0; k < width; ++k) {
                p = Blanks(p);
                const bool negative = p != end_ && *p == '-';
                p += p != end_ && (*p == '-' || *p == '+') ? 1 : 0;
                const char* after = p != end_ ? NumberText::FastDecimal(p, end_, line[k]) : nullptr;
                if (after == nullptr || after == end_ || !Space(*after)) {
                    return read;
                }
                line[k] = negative ? -line[k] : line[k];
                p = after;
            }
            p = Blanks(p);
            if (p == end_ || *p != '\n') {
                return read;
            }
            ++p;
        }
        return read;
    }

    // The word as a whole number; false when it is not one. One of up to seven digits (as
    // counts and vertex indices are written) by NumberText::EightByteDigits where the text goes
    // on for eight bytes from it, any other by ParseInteger.
    bool Whole(std::string_view word, std::int64_t& value) const {
        std::uint64_t quick = 0;
        if (end_ - word.data() >= 8 &&
            std::size_t(NumberText::EightByteDigits(word.data(), quick)) == word.size()) {
            value = std::int64_t(quick);
            return true;
        }
        return NumberText::ParseInteger(word, value);
    }

private:
    // Past the blanks from p, up to the line's end.
    const char* Blanks(const char* p) const {
        while (p != end_ && Space(*p) && *p != '\n') {
            ++p;
        }
        return p;
    }

    const char* at_;
    const char* end_;
};

// What the first word says each vertex carries.
struct TVertexLayout {
    bool Normals = false;
    bool Colours = false;
    bool Texture = false;
    bool Homogeneous = false;
    bool Dimension = false; // a line of the dimension comes before the counts
};

std::optional<TVertexLayout> Layout(std::string_view word) {
    if (word.size() < 3 || word.substr(word.size() - 3) != "OFF") {
        return std::nullopt;
    }
    TVertexLayout layout;
    std::string_view letters = word.substr(0, word.size() - 3);
    if (letters.starts_with("ST")) {
        layout.Texture = true;
        letters.remove_prefix(2);
    }
    for (const char c : letters) {
        bool* flag = c == 'C'   ? &layout.Colours
                     : c == 'N' ? &layout.Normals
                     : c == '4' ? &layout.Homogeneous
                     : c == 'n' ? &layout.Dimension
                                : nullptr;
        if (!flag || *flag) {
            return std::nullopt;
        }
        *flag = true;
    }
    return layout;
}

// Whether a number is written as a whole number (no point, no exponent).
bool Whole(std::string_view word) {
    return word.find_first_of(".eEpPxXnN") == std::string_view::npos;
}

// A colour of 3 or 4 numbers (alpha passed over): whole numbers from 0 to 255, else reals from 0
// to 1 as written. False when they are not numbers.
bool ReadColour(std::span<const std::string_view> words, std::array<float, 3>& colour) {
    const bool bytes = std::all_of(words.begin(), words.end(), Whole);
    for (std::size_t c = 0; c < 3; ++c) {
        double value = 0;
        if (!NumberText::ParseDouble(words[c], value)) {
            return false;
        }
        colour[c] = float(bytes ? value / 255 : value);
    }
    return true;
}

class TOffReading {
public:
    TOffReading(std::string_view text, TModelBuilder& builder)
        : lines_(text), builder_(builder), colours_(builder) {}

    void Read() {
        std::vector<std::string_view>& words = words_;
        if (!lines_.Next(words)) {
            Refuse("OFF", "the file does not begin with OFF");
        }
        const auto layout = Layout(words[0]);
        if (!layout) {
            Refuse("OFF", "the file does not begin with OFF");
        }
        if (words.size() > 1 && words[1] == "BINARY") {
            Refuse("OFF", "binary OFF files are not read");
        }
        layout_ = *layout;
        // The dimension and counts, from the rest of the first word's line on.
        std::vector<std::int64_t> numbers;
        const std::size_t needed = layout_.Dimension ? 3 : 2;
        std::size_t from = 1;
        for (;;) {
            for (std::size_t i = from; i < words.size() && numbers.size() < needed; ++i) {
                std::int64_t n = 0;
                if (!NumberText::ParseInteger(words[i], n) || n < 0) {
                    Refuse("OFF", "the counts of vertices and faces cannot be read");
                }
                numbers.push_back(n);
            }
            if (numbers.size() == needed) {
                break;
            }
            if (!lines_.Next(words)) {
                Refuse("OFF", "the file ends before the counts of vertices and faces");
            }
            from = 0;
        }
        if (layout_.Dimension) {
            if (numbers[0] < 1 || numbers[0] > 65536) {
                Refuse("OFF",
                       "vertices of dimension " + std::to_string(numbers[0]) + " cannot be read");
            }
            dimension_ = std::size_t(numbers[0]);
        }
        const auto vertexCount = std::uint64_t(numbers[needed - 2]);
        const auto faceCount = std::uint64_t(numbers[needed - 1]);
        smoothing_ = layout_.Normals ? 1 : 0;
        // A vertex line takes 6 bytes at least ("0 0 0" and its end), a triangle's line 8.
        builder_.Reserve(std::min<std::uint64_t>(vertexCount, lines_.BytesLeft() / 6),
                         std::min<std::uint64_t>(faceCount, lines_.BytesLeft() / 8));
        const bool plainVertices =
            !layout_.Normals && !layout_.Colours && !layout_.Homogeneous && dimension_ == 3;
        std::uint64_t read = 0;
        for (; read < vertexCount; ++read) {
            if (plainVertices && (read += VertexRun(vertexCount - read)) == vertexCount) {
                break;
            }
            if (!lines_.Next(words)) {
                break;
            }
            Vertex(words);
        }
        if (read < vertexCount) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          "the end of the file, cut short after " + std::to_string(read) + " of " +
                              Plural(vertexCount, "vertex", "vertices"));
        } else {
            vertexCount_ = vertexCount;
            for (read = 0; read < faceCount; ++read) {
                if (!layout_.Colours && (read += TriangleRun(faceCount - read)) == faceCount) {
                    break;
                }
                if (!lines_.Next(words)) {
                    break;
                }
                Face(words);
            }
            if (read < faceCount) {
                builder_.Note(TLooksNote::TKind::PartSkipped,
                              "the end of the file, cut short after " + std::to_string(read) +
                                  " of " + Plural(faceCount, "face", "faces"));
            }
        }
        const std::pair<std::uint64_t, const char*> counts[] = {
            {badVertices_, " that cannot be read"},
            {longVertices_, " with more numbers than the first word says"},
        };
        for (const auto& [count, what] : counts) {
            if (count > 0) {
                builder_.Note(TLooksNote::TKind::PartSkipped,
                              Plural(count, "vertex line", "vertex lines") + what);
            }
        }
        const std::pair<std::uint64_t, std::string> faceNotes[] = {
            {badFaces_, Plural(badFaces_, "face line", "face lines") + " that cannot be read"},
            {fewer_, Plural(fewer_, "polygon", "polygons") + " of fewer than 3 corners"},
            {mapped_, Plural(mapped_, "colour", "colours") + " given by a colour map's index"},
            {badColours_, Plural(badColours_, "colour", "colours") + " that cannot be read"},
        };
        for (const auto& [count, text] : faceNotes) {
            if (count > 0) {
                builder_.Note(TLooksNote::TKind::PartSkipped, text);
            }
        }
    }

private:
    void Vertex(const std::vector<std::string_view>& words) {
        const std::size_t coordinates = dimension_ + (layout_.Homogeneous ? 1 : 0);
        const std::size_t normals = layout_.Normals ? dimension_ : 0;
        const std::size_t texture = layout_.Texture ? 2 : 0;
        const std::size_t least = coordinates + normals + texture;
        std::array<double, 4> xyzw{0, 0, 0, 1};
        bool sound = words.size() >= least;
        for (std::size_t i = 0; sound && i < coordinates; ++i) {
            double value = 0;
            sound = NumberText::ParseDouble(words[i], value);
            if (layout_.Homogeneous && i + 1 == coordinates) {
                xyzw[3] = value;
            } else if (i < 3) {
                xyzw[i] = value;
            }
        }
        TPoint3D point{float(xyzw[0] / xyzw[3]), float(xyzw[1] / xyzw[3]),
                       float(xyzw[2] / xyzw[3])};
        if (!sound) {
            ++badVertices_;
            const float nan = std::numeric_limits<float>::quiet_NaN();
            point = {nan, nan, nan};
        }
        const std::size_t extra = sound ? words.size() - least : 0;
        if (layout_.Colours) {
            std::array<float, 3> colour{0.8f, 0.8f, 0.8f};
            const std::span<const std::string_view> given(words.data() + coordinates + normals,
                                                          extra);
            if (extra == 1) {
                ++mapped_;
            } else if ((extra != 3 && extra != 4) || !ReadColour(given, colour)) {
                badColours_ += sound ? 1 : 0;
            }
            vertexColours_.push_back(colour);
        } else if (extra > 0) {
            ++longVertices_;
        }
        if (layout_.Texture) {
            double u = 0;
            double v = 0;
            if (sound) {
                const std::size_t at = words.size() - 2;
                NumberText::ParseDouble(words[at], u);
                NumberText::ParseDouble(words[at + 1], v);
            }
            builder_.AddVertex(point, {float(u), float(v)});
        } else {
            builder_.AddVertex(point);
        }
    }

    // The lines of plain coordinates (and mapping coordinates, with ST) alone from here on, of
    // at most `most`, read a block at a time and added at once, as Vertex reads and adds each;
    // their number.
    std::uint64_t VertexRun(std::uint64_t most) {
        const std::size_t width = layout_.Texture ? 5 : 3;
        return lines_.VertexLines(
            width, most, points_, morePoints_, [&](const double* numbers, std::size_t count) {
                builder_.AddVertices(count, layout_.Texture,
                                     [&](std::size_t i, TPoint3D& point, TTexCoord& mapping) {
                                         const double* line = numbers + width * i;
                                         point = {float(line[0]), float(line[1]), float(line[2])};
                                         if (layout_.Texture) {
                                             mapping = {float(line[3]), float(line[4])};
                                         }
                                     });
            });
    }

    // The lines of plain triangles from here on, of at most `most`, read a block at a time and
    // added at once, as Face reads and adds each; their number.
    std::uint64_t TriangleRun(std::uint64_t most) {
        const auto corner = [this](std::uint32_t index) {
            return index < vertexCount_ ? index + 1 : 0;
        };
        return lines_.TriangleLines(
            most, run_, moreRun_, [&](const std::uint32_t* indices, std::size_t count) {
                builder_.AddFaces(count, 0, smoothing_, [&](std::size_t i, TFace3D& face) {
                    face = {corner(indices[3 * i]), corner(indices[3 * i + 1]),
                            corner(indices[3 * i + 2])};
                });
            });
    }

    void Face(const std::vector<std::string_view>& words) {
        std::int64_t n = 0;
        if (!lines_.Whole(words[0], n) || n < 0 || std::uint64_t(n) >= words.size()) {
            ++badFaces_;
            return;
        }
        corners_.clear();
        for (std::size_t i = 1; i <= std::size_t(n); ++i) {
            std::int64_t index = 0;
            if (!lines_.Whole(words[i], index)) {
                ++badFaces_;
                return;
            }
            const bool there = index >= 0 && std::uint64_t(index) < vertexCount_;
            corners_.push_back(there && index < 0xFFFFFFFF ? std::uint32_t(index + 1) : 0);
        }
        const std::span<const std::string_view> colourWords(words.data() + n + 1,
                                                            words.size() - std::size_t(n) - 1);
        if (corners_.size() < 3) {
            ++fewer_;
            return;
        }
        std::uint32_t material = 0;
        std::array<float, 3> colour{};
        if (colourWords.size() == 3 || colourWords.size() == 4) {
            if (ReadColour(colourWords, colour)) {
                material = colours_.Of(colour[0], colour[1], colour[2]);
            } else {
                ++badColours_;
            }
        } else if (colourWords.size() == 1) {
            ++mapped_;
        } else if (!colourWords.empty()) {
            ++badColours_;
        }
        if (material == 0 && layout_.Colours) {
            std::array<float, 3> sum{};
            bool there = true;
            for (const std::uint32_t v : corners_) {
                there = there && v - 1 < vertexColours_.size();
                for (std::size_t c = 0; c < 3 && there; ++c) {
                    sum[c] += vertexColours_[v - 1][c];
                }
            }
            const auto count = float(corners_.size());
            material = there ? colours_.Of(sum[0] / count, sum[1] / count, sum[2] / count) : 0;
        }
        for (std::size_t k = 2; k < corners_.size(); ++k) {
            builder_.AddFace(corners_[0], corners_[k - 1], corners_[k], material, smoothing_);
        }
    }

    TWordLines lines_;
    TModelBuilder& builder_;
    TColourMaterials colours_;
    TVertexLayout layout_;
    std::size_t dimension_ = 3;
    std::uint64_t vertexCount_ = 0;
    std::uint32_t smoothing_ = 0;
    std::vector<std::string_view> words_;
    std::vector<std::uint32_t> corners_;
    // Blocks of triangles' indices and of vertices' coordinates, as TriangleRun and VertexRun
    // read them.
    std::vector<std::uint32_t> run_, moreRun_;
    std::vector<double> points_, morePoints_;
    std::vector<std::array<float, 3>> vertexColours_;
    std::uint64_t badVertices_ = 0;
    std::uint64_t longVertices_ = 0;
    std::uint64_t badFaces_ = 0;
    std::uint64_t fewer_ = 0;
    std::uint64_t mapped_ = 0;
    std::uint64_t badColours_ = 0;
};

} // namespace

std::string ReadOff(const TModelSource& source, TModelPart, TModelBuilder& builder) {
    TOffReading reading({reinterpret_cast<const char*>(source.Bytes.data()), source.Bytes.size()},
                        builder);
    reading.Read();
    return {};
}

bool IsOffWord(std::string_view word) {
    return Layout(word).has_value();
}

} // namespace Plexa3DFormats
