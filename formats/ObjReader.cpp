#include "ObjReader.h"

#include "CompanionFiles.h"
#include "GraphErrors.h"
#include "NumberText.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <limits>
#include <span>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;

namespace {

// Polygons of more corners than this are split as fans whatever their outline.
constexpr std::size_t MaxOutlinedCorners = 1024;
// Material libraries looked up beside the model, at most; and the size of each read.
constexpr std::size_t MaxLibraries = 64;
constexpr std::size_t MaxLibraryBytes = std::size_t(1) << 30;
// Materials not found that are named one by one in the notes; the rest are counted.
constexpr std::size_t MaxMaterialsNamed = 8;
// How much of the start is looked at to tell text from what is not.
constexpr std::size_t TextLookAhead = 4096;
// Of a stretch of the text, the part read by the thread that also adds the stretch before it: a
// quarter, which about evens out the two threads' work on files of vertices, mapping coordinates,
// normals and triangles.
constexpr std::size_t FirstPartShare = 4;
// The most elements of one kind a file may give (the record counts in 31 bits).
constexpr std::size_t MaxElements = std::numeric_limits<std::int32_t>::max();

bool Blank(char c) {
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && Blank(text[begin])) {
        ++begin;
    }
    while (end > begin && Blank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// The text before a comment: a '#' at the start or after a blank begins one.
std::string_view StripComment(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '#' && (i == 0 || Blank(text[i - 1]))) {
            return text.substr(0, i);
        }
    }
    return text;
}

// The next word of `rest` (runs of blanks separate words), which moves past it; empty at the end.
std::string_view NextWord(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && Blank(rest[begin])) {
        ++begin;
    }
    std::size_t end = begin;
    while (end < rest.size() && !Blank(rest[end])) {
        ++end;
    }
    const std::string_view word = rest.substr(begin, end - begin);
    rest = rest.substr(end);
    return word;
}

// A name as statements compare it: its blanks at either end dropped, each run of blanks inside
// made one space.
std::string NameKey(std::string_view text) {
    text = TrimBlanks(text);
    std::string key;
    key.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!Blank(text[i])) {
            key += text[i];
        } else if (!Blank(text[i - 1])) {
            key += ' ';
        }
    }
    return key;
}

bool HexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The value of a number too large or too small for a single: read again as a double, or, past
// that too, infinite unless its exponent is negative.
float OutOfRange(const char* begin, const char* end, bool hex) {
    double value = 0;
    const std::from_chars_result r = std::from_chars(
        begin, end, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc()) {
        return static_cast<float>(value);
    }
    for (const char* p = end; p > begin; --p) {
        const char c = LowerAscii(p[-1]);
        if (c == (hex ? 'p' : 'e')) {
            return p < end && *p == '-' ? 0.0f : std::numeric_limits<float>::infinity();
        }
    }
    return std::numeric_limits<float>::infinity();
}

// Whether a double lies exactly halfway between two singles (of normal size). The double nearest
// a number rounds to the same single as the number itself unless it is such a point.
bool HalfwayBetweenSingles(double value) {
    constexpr std::uint64_t Below = (std::uint64_t(1) << 29) - 1; // bits a single does not keep
    return (std::bit_cast<std::uint64_t>(value) & Below) == std::uint64_t(1) << 28;
}

// Reads a number in any of C's forms (a sign, decimal or hexadecimal digits, an exponent,
// infinity, NaN) at the start of [p, end). Returns where it ends, or p when there is none.
const char* ReadFloat(const char* p, const char* end, float& value) {
    const char* s = p;
    bool negative = false;
    if (s < end && (*s == '+' || *s == '-')) {
        negative = *s == '-';
        ++s;
    }
    if (s == end || *s == '+' || *s == '-') {
        return p;
    }
    float v = 0;
    const bool hex = end - s > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
                     (HexDigit(s[2]) || s[2] == '.');
    const char* digits = hex ? s + 2 : s;
    double read = 0;
    if (const char* stop = hex ? nullptr : NumberText::FastDecimal(s, end, read);
        stop != nullptr && !HalfwayBetweenSingles(read)) {
        value = negative ? -float(read) : float(read);
        return stop;
    }
    const std::from_chars_result r =
        std::from_chars(digits, end, v, hex ? std::chars_format::hex : std::chars_format::general);
    if (r.ec == std::errc::invalid_argument) {
        return p;
    }
    if (r.ec == std::errc::result_out_of_range) {
        v = OutOfRange(digits, r.ptr, hex);
    }
    value = negative ? -v : v;
    return r.ptr;
}

bool WordEnd(const char* p, const char* end) {
    return p == end || Blank(*p) || *p == '#';
}

// A whole word that is a number.
bool WordNumber(std::string_view word, float& value) {
    const char* end = word.data() + word.size();
    return !word.empty() && ReadFloat(word.data(), end, value) == end;
}

// The element an index names among the `count` given so far: from 1, or from the last back when
// negative. 0 when it names none.
std::uint32_t Resolve(std::int64_t index, std::size_t count) {
    const auto n = static_cast<std::int64_t>(count);
    if (index > 0 && index <= n) {
        return std::uint32_t(index);
    }
    if (index < 0 && -index <= n) {
        return std::uint32_t(n + 1 + index);
    }
    return 0;
}

// What the statements of most lines say, read from their own text alone; the reader then adds
// them in the file's order, where what came before (the elements given, the groups) counts.

// v: up to seven numbers (x y z, then w or r g b).
struct TVertexLine {
    std::array<float, 7> Values{0, 0, 0, 1, 0, 0, 0};
    int Count = 0;            // numbers read
    bool Bad = false;         // a word that is not a number, read as NaN
    std::size_t Trailing = 0; // numbers followed by other characters
};

TVertexLine ReadVertexLine(std::string_view rest) {
    TVertexLine line;
    const char* p = rest.data();
    const char* end = p + rest.size();
    while (line.Count < 7) {
        while (p < end && Blank(*p)) {
            ++p;
        }
        if (p == end || *p == '#') {
            break;
        }
        float value = std::numeric_limits<float>::quiet_NaN();
        const char* after = ReadFloat(p, end, value);
        if (after == p) {
            line.Bad = true;
        } else if (!WordEnd(after, end)) {
            ++line.Trailing; // read as far as it goes
        }
        while (after < end && !Blank(*after)) {
            ++after;
        }
        p = after;
        line.Values[std::size_t(line.Count++)] = value;
    }
    return line;
}

// vt: u and v, 0 where not given.
TTexCoord ReadMappingLine(std::string_view rest) {
    float values[2] = {0, 0};
    const char* p = rest.data();
    const char* end = p + rest.size();
    for (float& value : values) {
        while (p < end && Blank(*p)) {
            ++p;
        }
        const char* after = ReadFloat(p, end, value);
        if (after == p) {
            break;
        }
        p = after;
    }
    return {values[0], values[1]};
}

// A corner of f as written: its indices, 0 where not given.
struct TWrittenCorner {
    std::int64_t V = 0, Vt = 0, Vn = 0;
};

// One corner, v, v/vt, v//vn or v/vt/vn, from p; false when it is none of these.
bool ReadCorner(const char*& p, const char* end, TWrittenCorner& corner) {
    const char* after = NumberText::ReadIndex(p, end, corner.V);
    if (after == p) {
        return false;
    }
    p = after;
    if (p < end && *p == '/') {
        ++p;
        if (p < end && *p != '/' && !Blank(*p)) {
            after = NumberText::ReadIndex(p, end, corner.Vt);
            if (after == p) {
                return false;
            }
            p = after;
        }
        if (p < end && *p == '/') {
            ++p;
            if (!WordEnd(p, end)) {
                after = NumberText::ReadIndex(p, end, corner.Vn);
                if (after == p) {
                    return false;
                }
                p = after;
            }
        }
    }
    return WordEnd(p, end);
}

// f: its corners, added to `corners`; false when a word is not a corner (the corners before it
// are added all the same).
bool ReadPolygonLine(std::string_view rest, std::vector<TWrittenCorner>& corners) {
    const char* p = rest.data();
    const char* end = p + rest.size();
    while (true) {
        while (p < end && Blank(*p)) {
            ++p;
        }
        if (p == end || *p == '#') {
            return true;
        }
        TWrittenCorner corner;
        if (!ReadCorner(p, end, corner)) {
            return false;
        }
        corners.push_back(corner);
    }
}

// The statements told apart by their first word.
enum class TStatement : std::uint8_t { None, Vertex, Mapping, Normal, Polygon, Other };

// The line's statement, its first word and the rest of the line after it.
TStatement StatementOf(std::string_view line, std::string_view& word, std::string_view& rest) {
    std::size_t at = 0;
    while (at < line.size() && Blank(line[at])) {
        ++at;
    }
    if (at == line.size() || line[at] == '#') {
        return TStatement::None;
    }
    std::size_t end = at;
    while (end < line.size() && !Blank(line[end])) {
        ++end;
    }
    word = line.substr(at, end - at);
    rest = line.substr(end);
    // The statements of nearly every line first, by their letters (a comparison of words is a
    // call for each).
    const char first = word[0];
    const char second = word.size() == 2 ? word[1] : ' '; // ' ' for a word of one letter
    if (word.size() <= 2 && first == 'v' && (second == ' ' || second == 't' || second == 'n')) {
        return second == ' ' ? TStatement::Vertex
                             : (second == 't' ? TStatement::Mapping : TStatement::Normal);
    }
    if (word.size() <= 2 && first == 'f' && (second == ' ' || second == 'o')) {
        return TStatement::Polygon;
    }
    return TStatement::Other;
}

// The lines of a stretch of the text, read on their own (ReadStretch): each line's statement,
// with what it says in the lists beside. Two are filled at once, each on a cache line of its own.
struct alignas(64) TStretchLines {
    struct TLine {
        TStatement Statement = TStatement::None;
        bool Understood = true;  // f: every word a corner
        std::uint32_t First = 0; // into Vertices, Mappings or Corners
        std::uint32_t Count = 0; // f: its corners
        std::string_view Text;   // a statement of another kind: the line
    };
    std::vector<TLine> Lines;
    std::vector<TVertexLine> Vertices;
    std::vector<TTexCoord> Mappings;
    std::vector<TWrittenCorner> Corners;

    void Clear() {
        Lines.clear();
        Vertices.clear();
        Mappings.clear();
        Corners.clear();
    }
};

// Reads the lines from `from` (a line's start) up to `stop` (a line's start, or the text's end)
// into `read`, and returns where it stopped: at `stop`, or at the start of the first line that
// goes on in the next (it ends in a backslash) or holds a CR other than in its CR LF ending, which
// are left to the reading of lines one by one. Changes nothing else, so that two stretches can
// be read at once.
const char* ReadStretch(const char* from, const char* stop, TStretchLines& read) {
    read.Clear();
    const bool returns = std::memchr(from, '\r', std::size_t(stop - from)) != nullptr;
    for (const char* p = from; p < stop;) {
        const auto* feed = static_cast<const char*>(std::memchr(p, '\n', std::size_t(stop - p)));
        const char* next = feed != nullptr ? feed + 1 : stop;
        std::size_t length = std::size_t((feed != nullptr ? feed : stop) - p);
        if (returns) {
            length -= length > 0 && p[length - 1] == '\r' ? 1 : 0;
            if (std::memchr(p, '\r', length) != nullptr) {
                return p;
            }
        }
        const std::string_view line(p, length);
        if (!line.empty() && line.back() == '\\') {
            return p;
        }
        std::string_view word, rest;
        TStretchLines::TLine kept;
        kept.Statement = StatementOf(line, word, rest);
        switch (kept.Statement) {
        case TStatement::None:
            p = next;
            continue;
        case TStatement::Vertex:
            kept.First = std::uint32_t(read.Vertices.size());
            read.Vertices.push_back(ReadVertexLine(rest));
            break;
        case TStatement::Mapping:
            kept.First = std::uint32_t(read.Mappings.size());
            read.Mappings.push_back(ReadMappingLine(rest));
            break;
        case TStatement::Normal:
            break;
        case TStatement::Polygon:
            kept.First = std::uint32_t(read.Corners.size());
            kept.Understood = ReadPolygonLine(rest, read.Corners);
            kept.Count = std::uint32_t(read.Corners.size() - kept.First);
            break;
        case TStatement::Other:
            kept.Text = line;
            break;
        }
        read.Lines.push_back(kept);
        p = next;
    }
    return stop;
}

// The lines of a text, each without its ending (LF, CR LF or CR; the last may have none). A line
// that ends in a backslash goes on in the next, unless it is a comment.
class TLines {
public:
    explicit TLines(std::string_view text)
        : text_(text), nextLf_(std::min(text.find('\n'), text.size())),
          nextCr_(std::min(text.find('\r'), text.size())) {}

    // Where the next line begins.
    std::size_t At() const { return at_; }
    // Goes on from `at`, the start of a line further on.
    void MoveTo(std::size_t at) { at_ = at; }

    bool Next(std::string_view& line) {
        if (at_ >= text_.size()) {
            return false;
        }
        line = Take();
        if (!line.empty() && line.back() == '\\' && TrimBlanks(line).front() != '#') {
            joined_.assign(line.substr(0, line.size() - 1));
            while (at_ < text_.size()) {
                const std::string_view more = Take();
                joined_ += ' ';
                const bool goesOn = !more.empty() && more.back() == '\\';
                joined_ += more.substr(0, more.size() - (goesOn ? 1 : 0));
                if (!goesOn) {
                    break;
                }
            }
            line = joined_;
        }
        return true;
    }

private:
    std::string_view Take() {
        if (nextLf_ < at_) {
            nextLf_ = std::min(text_.find('\n', at_), text_.size());
        }
        if (nextCr_ < at_) {
            nextCr_ = std::min(text_.find('\r', at_), text_.size());
        }
        const std::size_t end = std::min(nextLf_, nextCr_);
        const std::string_view line = text_.substr(at_, end - at_);
        at_ =
            end + (end + 1 < text_.size() && text_[end] == '\r' && text_[end + 1] == '\n' ? 2 : 1);
        return line;
    }

    std::string_view text_;
    std::size_t at_ = 0;
    std::size_t nextLf_; // the next line feed at or after at_, or the end
    std::size_t nextCr_; // likewise, the next carriage return
    std::string joined_;
};

// Whether the text cannot be OBJ or MTL text at all; says why.
const char* NotText(std::string_view text) {
    if (text.size() >= 2 &&
        ((text[0] == '\xFE' && text[1] == '\xFF') || (text[0] == '\xFF' && text[1] == '\xFE'))) {
        return "the file is UTF-16 text, and OBJ files are 8-bit text";
    }
    if (text.substr(0, TextLookAhead).find('\0') != std::string_view::npos) {
        return "the file holds zero bytes, so it is not text";
    }
    return nullptr;
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

// How many lines of the text begin with v, vt and f: the room to make for them before reading.
// Lines are counted by their line feeds only, and statements that begin after blanks are not
// counted; it is a guess, never more than the text holds.
struct TStatementCounts {
    std::size_t Vertices = 0, Mappings = 0, Polygons = 0;
};
TStatementCounts CountStatements(std::string_view text) {
    TStatementCounts counts;
    const char* p = text.data();
    const char* end = p + text.size();
    while (end - p >= 2) {
        const bool blank = p[1] == ' ' || p[1] == '\t';
        counts.Vertices += p[0] == 'v' && blank;
        counts.Mappings += p[0] == 'v' && p[1] == 't';
        counts.Polygons += p[0] == 'f' && blank;
        p = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        if (p == nullptr) {
            break;
        }
        ++p;
    }
    return counts;
}

struct TVec {
    double X = 0, Y = 0, Z = 0;
};

TVec Sub(const TPoint3D& a, const TPoint3D& b) {
    return {double(a.X) - b.X, double(a.Y) - b.Y, double(a.Z) - b.Z};
}

TVec Cross(const TVec& a, const TVec& b) {
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}

double Dot(const TVec& a, const TVec& b) {
    return a.X * b.X + a.Y * b.Y + a.Z * b.Z;
}

// Splits polygons into triangles of corner numbers (from 0), each turning as the polygon does.
class TPolygonSplitter {
public:
    using TTriangle = std::array<std::uint32_t, 3>;

    // Returns whether the polygon was split as a fan only because of its size.
    bool Split(std::span<const TPoint3D> corners, std::vector<TTriangle>& triangles) {
        triangles.clear();
        const std::size_t n = corners.size();
        if (n == 3 || FanCovers(corners)) {
            Fan(n, triangles);
            return false;
        }
        if (n > MaxOutlinedCorners) {
            Fan(n, triangles);
            return true;
        }
        ClipEars(corners, triangles);
        return false;
    }

private:
    static void Fan(std::size_t n, std::vector<TTriangle>& triangles) {
        for (std::size_t i = 1; i + 1 < n; ++i) {
            triangles.push_back({0, std::uint32_t(i), std::uint32_t(i + 1)});
        }
    }

    // Whether the fan from the first corner covers the polygon exactly: every triangle of it
    // turns as the whole does (as in any convex polygon). Then normal_ is the polygon's.
    bool FanCovers(std::span<const TPoint3D> c) {
        const std::size_t n = c.size();
        TVec sum;
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const TVec t = Cross(Sub(c[i], c[0]), Sub(c[i + 1], c[0]));
            sum = {sum.X + t.X, sum.Y + t.Y, sum.Z + t.Z};
        }
        normal_ = sum;
        const double length = std::sqrt(Dot(sum, sum));
        if (!(length > 0) || !std::isfinite(length)) {
            return true; // no outline to keep: any split is as flat
        }
        for (std::size_t i = 1; i + 1 < n; ++i) {
            const TVec t = Cross(Sub(c[i], c[0]), Sub(c[i + 1], c[0]));
            if (Dot(t, sum) < -1e-12 * std::sqrt(Dot(t, t)) * length) {
                return false;
            }
        }
        return true;
    }

    // Twice the signed area of a, b, c in the polygon's plane.
    double Turn(std::uint32_t a, std::uint32_t b, std::uint32_t c) const {
        return (x_[b] - x_[a]) * (y_[c] - y_[a]) - (y_[b] - y_[a]) * (x_[c] - x_[a]);
    }

    bool SamePlace(std::uint32_t a, std::uint32_t b) const {
        return x_[a] == x_[b] && y_[a] == y_[b];
    }

    // Whether corner i is an ear: convex, and no corner that is not convex lies in its triangle
    // (on its edges counts) other than at one of the triangle's corners.
    bool Ear(std::uint32_t i) const {
        if (!convex_[i]) {
            return false;
        }
        const std::uint32_t a = prev_[i];
        const std::uint32_t c = next_[i];
        for (std::uint32_t j = next_[c]; j != a; j = next_[j]) {
            if (convex_[j] || SamePlace(j, a) || SamePlace(j, i) || SamePlace(j, c)) {
                continue;
            }
            if (Turn(a, i, j) >= 0 && Turn(i, c, j) >= 0 && Turn(c, a, j) >= 0) {
                return false;
            }
        }
        return true;
    }

    // Ear clipping in the plane that fits the polygon best (normal_, found by FanCovers): the
    // ears are found once, then after each cut only the two corners beside it change, so the
    // work is quadratic in the corners. Where no ear is left (an outline that crosses itself), a
    // convex corner, or failing that any, is cut.
    void ClipEars(std::span<const TPoint3D> c, std::vector<TTriangle>& triangles) {
        const auto n = std::uint32_t(c.size());
        const double length = std::sqrt(Dot(normal_, normal_));
        const TVec unit{normal_.X / length, normal_.Y / length, normal_.Z / length};
        const double ax = std::abs(unit.X), ay = std::abs(unit.Y), az = std::abs(unit.Z);
        const TVec axis = ax <= ay && ax <= az ? TVec{1, 0, 0}
                          : ay <= az           ? TVec{0, 1, 0}
                                               : TVec{0, 0, 1};
        TVec u = Cross(axis, unit);
        const double ul = std::sqrt(Dot(u, u));
        u = {u.X / ul, u.Y / ul, u.Z / ul};
        const TVec w = Cross(unit, u); // u, w, normal: right-handed, so the outline turns left
        x_.resize(n);
        y_.resize(n);
        prev_.resize(n);
        next_.resize(n);
        convex_.assign(n, false);
        ear_.assign(n, false);
        for (std::uint32_t i = 0; i < n; ++i) {
            const TVec d = Sub(c[i], c[0]);
            x_[i] = Dot(d, u);
            y_[i] = Dot(d, w);
            prev_[i] = i == 0 ? n - 1 : i - 1;
            next_[i] = i + 1 == n ? 0 : i + 1;
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            convex_[i] = Turn(prev_[i], i, next_[i]) > 0;
        }
        for (std::uint32_t i = 0; i < n; ++i) {
            ear_[i] = Ear(i);
        }
        std::uint32_t left = n;
        std::uint32_t i = 0;
        std::uint32_t looked = 0;
        std::uint32_t fallback = n; // a convex corner met since the last cut
        while (left > 3) {
            if (!ear_[i] && looked < left) {
                if (convex_[i] && fallback == n) {
                    fallback = i;
                }
                i = next_[i];
                ++looked;
                continue;
            }
            if (!ear_[i] && fallback != n) {
                i = fallback;
            }
            const std::uint32_t a = prev_[i];
            const std::uint32_t b = next_[i];
            triangles.push_back({a, i, b});
            next_[a] = b;
            prev_[b] = a;
            --left;
            for (const std::uint32_t k : {a, b}) {
                convex_[k] = Turn(prev_[k], k, next_[k]) > 0;
            }
            ear_[a] = Ear(a);
            ear_[b] = Ear(b);
            i = b;
            looked = 0;
            fallback = n;
        }
        triangles.push_back({prev_[i], i, next_[i]});
    }

    TVec normal_;
    std::vector<double> x_, y_;
    std::vector<std::uint32_t> prev_, next_;
    std::vector<bool> convex_, ear_;
};

// The record's vertex for each distinct (v, vt, vn) a face uses. The first triple met for each v
// sits beside it; other triples go to a hash table; both take constant time on average.
class TCornerVertices {
public:
    struct TKey {
        std::uint32_t V = 0, Vt = 0, Vn = 0;
        friend bool operator==(const TKey&, const TKey&) = default;
    };

    // The record's vertex for the key, 0 when there is none yet.
    std::uint32_t Find(const TKey& key) {
        if (key.V >= first_.size()) {
            return 0;
        }
        const TEntry& first = first_[key.V];
        if (first.Vertex == 0 || (first.Key.Vt == key.Vt && first.Key.Vn == key.Vn)) {
            return first.Vertex;
        }
        if (table_.empty()) {
            return 0;
        }
        for (std::size_t at = Hash(key) & (table_.size() - 1);;
             at = (at + 1) & (table_.size() - 1)) {
            if (table_[at].Vertex == 0 || table_[at].Key == key) {
                return table_[at].Vertex;
            }
        }
    }

    void Reserve(std::size_t positions) { first_.reserve(positions + 1); }

    // Keeps the vertex for the key, which Find has not found.
    void Add(const TKey& key, std::uint32_t vertex, std::size_t positions) {
        if (key.V >= first_.size()) {
            first_.resize(positions + 1); // grows geometrically past its capacity
        }
        if (first_[key.V].Vertex == 0) {
            first_[key.V] = {key, vertex};
            return;
        }
        if (2 * (used_ + 1) > table_.size()) {
            Grow();
        }
        Put({key, vertex});
        ++used_;
    }

private:
    struct TEntry {
        TKey Key;
        std::uint32_t Vertex = 0;
    };

    static std::size_t Hash(const TKey& key) {
        std::uint64_t h = key.V * 0x9E3779B97F4A7C15ull;
        h ^= (h >> 29) + key.Vt * 0xC2B2AE3D27D4EB4Full;
        h ^= (h >> 31) + key.Vn * 0x165667B19E3779F9ull;
        h ^= h >> 32;
        h *= 0xD6E8FEB86659FD93ull;
        h ^= h >> 32;
        return static_cast<std::size_t>(h);
    }

    void Put(const TEntry& entry) {
        std::size_t at = Hash(entry.Key) & (table_.size() - 1);
        while (table_[at].Vertex != 0) {
            at = (at + 1) & (table_.size() - 1);
        }
        table_[at] = entry;
    }

    void Grow() {
        std::vector<TEntry> old(std::max<std::size_t>(64, table_.size() * 2));
        old.swap(table_);
        for (const TEntry& entry : old) {
            if (entry.Vertex != 0) {
                Put(entry);
            }
        }
    }

    std::vector<TEntry> first_; // by v
    std::vector<TEntry> table_; // a power of two long, at most half full
    std::size_t used_ = 0;
};

// A material as a library defines it, with whether it gives the faces a colour of its own.
struct TLibraryMaterial {
    TMaterial Material;
    bool Colours = false;   // a diffuse colour or image is given
    std::uint32_t Used = 0; // its number in the record once a face uses it
};

float Unit(float value) {
    return std::clamp(value, 0.0f, 1.0f);
}

class TObjReader {
public:
    TObjReader(const TModelSource& source, TModelPart part, TModelBuilder& builder, bool stretches)
        : source_(source), part_(part), builder_(builder), inStretches_(stretches) {}

    std::string Read() {
        const std::string_view all(reinterpret_cast<const char*>(source_.Bytes.data()),
                                   source_.Bytes.size());
        if (const char* why = NotText(all)) {
            throw RuntimeError(std::string("OBJ: ") + why);
        }
        const std::string_view text = WithoutByteOrderMark(all);
        ReadLibraries(text);
        if (part_ == TModelPart::Whole) {
            const TStatementCounts counts = CountStatements(text);
            positions_.reserve(counts.Vertices);
            mappings_.reserve(counts.Mappings);
            cornerVertices_.Reserve(counts.Vertices);
            builder_.Reserve(counts.Vertices, counts.Polygons);
            builder_.BeginMesh(); // the faces before any o or g
        }
        ReadLines(text);
        Tell();
        return firstMeshName_;
    }

private:
    // A stretch of the text: its first part, read by the thread that also adds what the stretch
    // before read, and the rest; where the reading of each stopped, and what it read.
    struct TStretch {
        const char* From = nullptr;
        const char* Half = nullptr;
        const char* Stop = nullptr;
        const char* Ends[2] = {nullptr, nullptr};
        TStretchLines Halves[2];
    };

    // The lines in order: one by one at first, and once LeastPieceBytes have been read so, a
    // stretch at a time. A stretch ends at a line's start, and is at most PieceBytes long and
    // never longer than what has been read since the start or since the last line a stretch left
    // to the reading one by one; so what is read in vain (the rest of a stretch whose first part
    // stopped early, and the stretch read while the one before it is added, when that stopped
    // early) is never more than what was kept. The two parts of a stretch are read side by side;
    // then, while the stretch is added, the next one's first part is read on the same thread and
    // its rest on the other.
    void ReadLines(std::string_view text) {
        TLines lines(text);
        const char* const begin = text.data();
        std::size_t run = 0; // read since the start, or since a stretch stopped early
        TStretch* stretch = &stretches_[0];
        TStretch* next = &stretches_[1];
        bool read = false; // the stretch has been read, and is yet to be added
        std::string_view line;
        while (true) {
            if (!read && inStretches_ && Plan(*stretch, text, lines.At(), run)) {
                ZuveloGraphLibrary::RunSideBySide(
                    2, [&](std::size_t part) { ReadPart(*stretch, part); });
                read = true;
            }
            if (read) {
                TStretch& s = *stretch;
                const bool whole = s.Ends[0] == s.Half && s.Ends[1] == s.Stop;
                const std::size_t kept =
                    std::size_t((s.Ends[0] == s.Half ? s.Ends[1] : s.Ends[0]) - s.From);
                const bool ahead =
                    whole && Plan(*next, text, std::size_t(s.Stop - begin), run + kept);
                bool going = true;
                if (ahead) {
                    ZuveloGraphLibrary::RunSideBySide(2, [&](std::size_t part) {
                        if (part == 0) {
                            going = Add(s);
                        }
                        if (part == 1 || going) { // `going` is the adding thread's own
                            ReadPart(*next, part);
                        }
                    });
                } else {
                    going = Add(s);
                }
                if (!going) {
                    return;
                }
                run += kept;
                lines.MoveTo(std::size_t(s.From + kept - begin));
                if (ahead) {
                    std::swap(stretch, next);
                    continue;
                }
                read = false;
                if (!whole) {
                    run = 0; // a line for the reading one by one
                }
            }
            const std::size_t at = lines.At();
            if (!lines.Next(line) || !Statement(line)) {
                return;
            }
            run += lines.At() - at;
        }
    }

    // Sets out a stretch from `at`, a line's start (or past the text's end), after `run` bytes
    // read since the start or since a stretch stopped early; false when there is none to read.
    static bool Plan(TStretch& s, std::string_view text, std::size_t at, std::size_t run) {
        if (run < LeastPieceBytes || at >= text.size()) {
            return false;
        }
        const char* const end = text.data() + text.size();
        const char* const from = text.data() + at;
        const std::size_t length = std::min({PieceBytes, run, std::size_t(end - from)});
        const char* stop = from + length;
        if (stop != end) { // back to the start of the line it cuts
            const void* feed = ::memrchr(from, '\n', length);
            stop = feed != nullptr ? static_cast<const char*>(feed) + 1 : from;
        }
        if (stop == from) {
            return false;
        }
        const char* half = from + (stop - from) / FirstPartShare;
        const void* feed = std::memchr(half, '\n', std::size_t(stop - half));
        s.From = from;
        s.Half = feed != nullptr ? static_cast<const char*>(feed) + 1 : stop;
        s.Stop = stop;
        return true;
    }

    static void ReadPart(TStretch& s, std::size_t part) {
        s.Ends[part] = part == 0 ? ReadStretch(s.From, s.Half, s.Halves[0])
                                 : ReadStretch(s.Half, s.Stop, s.Halves[1]);
    }

    // Adds what the stretch read, its rest only when its first part read up to it; false when
    // the first mesh, the only one wanted, is over.
    bool Add(const TStretch& s) {
        return AddStretch(s.Halves[0]) && (s.Ends[0] != s.Half || AddStretch(s.Halves[1]));
    }

    // What a stretch read, added line by line as Statement adds them; false when the first mesh,
    // the only one wanted, is over.
    bool AddStretch(const TStretchLines& read) {
        for (const TStretchLines::TLine& line : read.Lines) {
            switch (line.Statement) {
            case TStatement::None:
                break;
            case TStatement::Vertex:
                Vertex(read.Vertices[line.First]);
                break;
            case TStatement::Mapping:
                Mapping(read.Mappings[line.First]);
                break;
            case TStatement::Normal:
                ++normals_;
                break;
            case TStatement::Polygon:
                Polygon(std::span(read.Corners).subspan(line.First, line.Count), line.Understood);
                break;
            case TStatement::Other:
                if (!Statement(line.Text)) {
                    return false;
                }
                break;
            }
        }
        return true;
    }

    // Reads one line; false when the first mesh, the only one wanted, is over.
    bool Statement(std::string_view line) {
        std::string_view word, rest;
        switch (StatementOf(line, word, rest)) {
        case TStatement::None:
            return true;
        case TStatement::Vertex:
            Vertex(ReadVertexLine(rest));
            return true;
        case TStatement::Mapping:
            Mapping(ReadMappingLine(rest));
            return true;
        case TStatement::Normal:
            ++normals_;
            return true;
        case TStatement::Polygon: {
            written_.clear();
            const bool understood = ReadPolygonLine(rest, written_);
            Polygon(written_, understood);
            return true;
        }
        case TStatement::Other:
            break;
        }
        if (word == "o" || word == "g") {
            return MeshStart(rest);
        } else if (word == "usemtl") {
            material_ = NameKey(StripComment(rest));
            materialKnown_ = false;
        } else if (word == "s") {
            Smoothing(StripComment(rest));
        } else if (word == "l") {
            ++lineElements_;
        } else if (word == "p") {
            ++pointElements_;
        } else if (word == "curv" || word == "curv2" || word == "surf") {
            ++freeForms_;
        } else if (word == "mtllib" || word == "vp" || word == "mg" || word == "maplib" ||
                   word == "usemap" || word == "cstype" || word == "deg" || word == "bmat" ||
                   word == "step" || word == "parm" || word == "trim" || word == "hole" ||
                   word == "scrv" || word == "sp" || word == "end" || word == "con" ||
                   word == "lod" || word == "ctech" || word == "stech" || word == "bevel" ||
                   word == "c_interp" || word == "d_interp" || word == "shadow_obj" ||
                   word == "trace_obj" || word == "call" || word == "csh") {
            // read before the rest (mtllib), or of no bearing on the faces drawn
        } else if (!MaterialStatement(word, rest, inline_)) {
            ++notUnderstood_;
        }
        return true;
    }

    void Vertex(const TVertexLine& line) {
        if (positions_.size() >= MaxElements) {
            throw OutOfMemoryError();
        }
        trailing_ += line.Trailing;
        badVertices_ += line.Bad;
        if (line.Count < 3) {
            ++shortVertices_;
        }
        const std::array<float, 7>& values = line.Values;
        positions_.push_back({values[0], values[1], values[2]});
        if (line.Count >= 6) {
            if (colours_.empty()) {
                colours_.resize(positions_.size() - 1, NoColour());
            }
            colours_.push_back({values[3], values[4], values[5]});
        } else if (!colours_.empty()) {
            colours_.push_back(NoColour());
        }
    }

    static std::array<float, 3> NoColour() {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        return {nan, nan, nan};
    }

    void Mapping(const TTexCoord& mapping) {
        if (mappings_.size() >= MaxElements) {
            throw OutOfMemoryError();
        }
        mappings_.push_back(mapping);
    }

    // o and g: in the whole model each begins a mesh of its own; the first mesh ends at the next.
    bool MeshStart(std::string_view rest) {
        std::string name(TrimBlanks(StripComment(rest)));
        if (part_ == TModelPart::Whole) {
            builder_.BeginMesh(name);
        }
        if (firstMeshStarted_) {
            return part_ != TModelPart::FirstMesh;
        }
        meshName_ = std::move(name);
        return true;
    }

    void Smoothing(std::string_view rest) {
        const std::string_view word = NextWord(rest);
        std::int64_t group = 0;
        const char* end = word.data() + word.size();
        if (word == "off" || word == "OFF" || word == "Off") {
            smoothing_ = TSmoothing::Off;
        } else if (!word.empty() && word[0] != '-' && word[0] != '+' &&
                   NumberText::ReadIndex(word.data(), end, group) == end) {
            smoothing_ = group == 0 ? TSmoothing::Off : TSmoothing::Group;
            group_ = group == 0 ? 0 : std::uint32_t(1) << ((group - 1) % 32);
        } else {
            ++notUnderstood_;
        }
    }

    // One corner of a polygon, read from p; false when it is not one.
    // A corner as written, numbered among the elements given so far.
    TCornerVertices::TKey Corner(const TWrittenCorner& written) {
        TCornerVertices::TKey key;
        key.V = Resolve(written.V, positions_.size());
        key.Vt = written.Vt == 0 ? 0 : Resolve(written.Vt, mappings_.size());
        key.Vn = written.Vn == 0 ? 0 : Resolve(written.Vn, normals_);
        if ((written.Vt != 0 && key.Vt == 0) || (written.Vn != 0 && key.Vn == 0)) {
            ++cornersAmiss_;
        }
        return key;
    }

    // An f line's corners, and whether each of its words was one.
    void Polygon(std::span<const TWrittenCorner> written, bool understood) {
        corners_.clear();
        bool missing = false;
        for (const TWrittenCorner& corner : written) {
            corners_.push_back(Corner(corner));
            missing = missing || corners_.back().V == 0;
        }
        if (!understood) {
            ++notUnderstood_;
            return;
        }
        if (missing) {
            ++polygonsAmiss_;
            return;
        }
        if (corners_.size() < 3) {
            ++shortPolygons_;
            return;
        }
        if (!firstMeshStarted_) {
            firstMeshStarted_ = true;
            firstMeshName_ = meshName_;
        }
        AddPolygon();
    }

    void AddPolygon() {
        vertices_.clear();
        points_.clear();
        bool normals = true;
        for (const TCornerVertices::TKey& key : corners_) {
            std::uint32_t vertex = cornerVertices_.Find(key);
            const TPoint3D& point = positions_[key.V - 1];
            if (vertex == 0) {
                vertex = key.Vt != 0 ? builder_.AddVertex(point, mappings_[key.Vt - 1])
                                     : builder_.AddVertex(point);
                cornerVertices_.Add(key, vertex, positions_.size());
            }
            vertices_.push_back(vertex);
            points_.push_back(point);
            normals = normals && key.Vn != 0;
        }
        std::uint32_t mask = 0;
        if (smoothing_ == TSmoothing::Group) {
            mask = group_;
        } else if (smoothing_ == TSmoothing::Unset && normals) {
            mask = 1;
        }
        const std::uint32_t material = PolygonMaterial();
        if (splitter_.Split(points_, triangles_)) {
            ++fanned_;
        }
        for (const auto& t : triangles_) {
            const std::uint32_t a = corners_[t[0]].V, b = corners_[t[1]].V, c = corners_[t[2]].V;
            if (a == b || b == c || c == a) {
                ++degenerate_;
                continue;
            }
            builder_.AddFace(vertices_[t[0]], vertices_[t[1]], vertices_[t[2]], material, mask);
        }
    }

    // The material of the polygon in corners_: the one named by usemtl, or where that gives no
    // colour and every corner has one, a material of the corners' mean colour.
    std::uint32_t PolygonMaterial() {
        if (!materialKnown_) {
            materialKnown_ = true;
            current_ = nullptr;
            const auto found = byName_.find(material_);
            if (found != byName_.end()) {
                current_ = &library_[found->second];
                if (current_->Used == 0) {
                    current_->Used = builder_.AddMaterial(current_->Material);
                }
            } else if (!material_.empty()) {
                missingMaterials_.insert(material_);
            }
        }
        const std::uint32_t base = current_ ? current_->Used : 0;
        if (colours_.empty() || (current_ && current_->Colours)) {
            return base;
        }
        float sum[3] = {0, 0, 0};
        for (const TCornerVertices::TKey& key : corners_) {
            const std::array<float, 3>& c = colours_[key.V - 1];
            for (int k = 0; k < 3; ++k) {
                sum[k] += c[k];
            }
        }
        std::uint32_t quantised = 0;
        for (int k = 0; k < 3; ++k) {
            const float mean = sum[k] / float(corners_.size());
            if (!std::isfinite(mean)) {
                return base; // a corner without a colour, or one that is not a number
            }
            quantised = quantised << 5 | std::uint32_t(std::lround(Unit(mean) * 31));
        }
        const std::uint64_t key = std::uint64_t(base) << 15 | quantised;
        const auto found = colourMaterials_.find(key);
        if (found != colourMaterials_.end()) {
            return found->second;
        }
        TMaterial m = current_ ? current_->Material : TMaterial{};
        m.Diffuse = {float(quantised >> 10) / 31, float(quantised >> 5 & 31) / 31,
                     float(quantised & 31) / 31};
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", unsigned(std::lround(m.Diffuse.R * 255)),
                      unsigned(std::lround(m.Diffuse.G * 255)),
                      unsigned(std::lround(m.Diffuse.B * 255)));
        m.Name = m.Name.empty() ? hex : m.Name + " " + hex;
        const std::uint32_t number = builder_.AddMaterial(m);
        colourMaterials_.emplace(key, number);
        return number;
    }

    // Libraries and their materials.

    // Every mtllib statement of the text, read before the rest so that a library named late still
    // gives its materials.
    void ReadLibraries(std::string_view text) {
        constexpr std::string_view Word = "mtllib";
        for (std::size_t at = text.find(Word); at != std::string_view::npos;
             at = text.find(Word, at + Word.size())) {
            std::size_t start = at;
            while (start > 0 && Blank(text[start - 1])) {
                --start;
            }
            const std::size_t after = at + Word.size();
            if ((start > 0 && text[start - 1] != '\n' && text[start - 1] != '\r') ||
                (after < text.size() && !Blank(text[after]) && text[after] != '\n' &&
                 text[after] != '\r')) {
                continue;
            }
            const std::size_t end = std::min(text.find_first_of("\r\n", after), text.size());
            Libraries(TrimBlanks(StripComment(text.substr(after, end - after))));
        }
    }

    // The libraries one mtllib statement names: its whole text, when a file has that name, else
    // each of its words.
    void Libraries(std::string_view names) {
        if (names.empty()) {
            return;
        }
        if (names.find_first_of(" \t\f\v") == std::string_view::npos) {
            Library(names, true);
            return;
        }
        if (Library(names, false)) {
            return;
        }
        std::vector<std::string_view> missing;
        bool any = false;
        for (std::string_view rest = names, word = NextWord(rest); !word.empty();
             word = NextWord(rest)) {
            if (Library(word, false)) {
                any = true;
            } else {
                missing.push_back(word);
            }
        }
        if (!any) {
            Library(names, true); // told by the whole name
            return;
        }
        for (const std::string_view word : missing) {
            Library(word, true);
        }
    }

    // Reads the library of that name, once; false when there is none (which, when `tell`, is
    // noted).
    bool Library(std::string_view name, bool tell) {
        const std::string key(name);
        const auto known = libraries_.find(key);
        TCompanion::TState state = TCompanion::TState::Missing;
        if (known != libraries_.end()) {
            state = known->second;
        } else if (libraries_.size() >= MaxLibraries) {
            ++librariesPassed_;
            return false;
        } else {
            TCompanion file = source_.ReadCompanion(key, MaxLibraryBytes);
            state = file.State;
            if (state == TCompanion::TState::Read) {
                const std::string_view text(reinterpret_cast<const char*>(file.Bytes.data()),
                                            file.Bytes.size());
                if (NotText(text)) {
                    state = TCompanion::TState::Unreadable;
                } else {
                    ReadLibrary(WithoutByteOrderMark(text));
                }
            }
            libraries_.emplace(key, state);
        }
        if (state == TCompanion::TState::Read) {
            return true;
        }
        if (tell) {
            builder_.Note(state == TCompanion::TState::Missing ? TLooksNote::TKind::FileMissing
                                                               : TLooksNote::TKind::FileUnreadable,
                          key);
            libraryMissing_ = true;
        }
        return false;
    }

    void ReadLibrary(std::string_view text) {
        TLines lines(text);
        TDefining defining;
        std::string_view line;
        while (lines.Next(line)) {
            std::string_view rest = line;
            const std::string_view word = NextWord(rest);
            if (!word.empty() && word[0] != '#') {
                MaterialStatement(word, rest, defining);
            }
        }
    }

    // The material a library (or the model itself) is defining.
    struct TDefining {
        TLibraryMaterial* Material = nullptr; // null before newmtl, or for a name defined before
        TLibraryMaterial Ignored;
    };

    // One statement of a material library; false when it is not one.
    bool MaterialStatement(std::string_view word, std::string_view rest, TDefining& defining) {
        const auto is = [&](std::string_view name) { return EqualIgnoringCase(word, name); };
        if (is("newmtl")) {
            const std::string name = NameKey(StripComment(rest));
            if (byName_.count(name) != 0) {
                builder_.Note(TLooksNote::TKind::PartSkipped,
                              "a second material named " + name + " (the first is used)");
                defining.Ignored = {};
                defining.Material = &defining.Ignored;
                return true;
            }
            if (library_.size() >= MaxElements) {
                throw OutOfMemoryError();
            }
            byName_.emplace(name, library_.size());
            library_.push_back({});
            library_.back().Material.Name = name;
            defining.Material = &library_.back();
            return true;
        }
        const bool known =
            is("Ka") || is("Kd") || is("Ks") || is("Ns") || is("d") || is("Tr") || is("map_Kd") ||
            is("Ke") || is("Ni") || is("Tf") || is("illum") || is("sharpness") || is("map_Ka") ||
            is("map_Ks") || is("map_Ns") || is("map_d") || is("map_Tr") || is("map_bump") ||
            is("bump") || is("map_Ke") || is("disp") || is("decal") || is("refl") ||
            is("map_refl") || is("norm") || is("map_Pr") || is("map_Pm") || is("Pr") || is("Pm") ||
            is("Ps") || is("Pc") || is("Pcr") || is("aniso") || is("anisor") || is("Km");
        if (!known) {
            return false;
        }
        if (!defining.Material) {
            return true;
        }
        TLibraryMaterial& target = *defining.Material;
        TMaterial& m = target.Material;
        rest = StripComment(rest);
        if (is("Ka")) {
            Colour(rest, m.Ambient);
        } else if (is("Kd")) {
            target.Colours = Colour(rest, m.Diffuse) || target.Colours;
        } else if (is("Ks")) {
            if (Colour(rest, m.Specular)) {
                m.ShininessStrength = 1;
            }
        } else if (is("Ns")) {
            float ns = 0;
            if (WordNumber(NextWord(rest), ns) && std::isfinite(ns)) {
                m.Shininess = Unit((ns - 1) / 127);
            }
        } else if (is("d") || is("Tr")) {
            std::string_view value = NextWord(rest);
            if (value == "-halo") {
                value = NextWord(rest);
            }
            float v = 0;
            if (WordNumber(value, v) && std::isfinite(v)) {
                m.Transparency = Unit(is("d") ? 1 - v : v);
            }
        } else if (is("map_Kd")) {
            if (TextureMap(rest, m)) {
                target.Colours = true;
            }
        }
        return true;
    }

    // Kd r [g b]: a colour whose g and b are r when not given; false, and the colour kept, for a
    // spectral or CIE XYZ colour, or one that is not three finite numbers.
    static bool Colour(std::string_view rest, TColorF& colour) {
        float v[3] = {0, 0, 0};
        int count = 0;
        for (std::string_view word = NextWord(rest); !word.empty() && count < 3;
             word = NextWord(rest)) {
            if (!WordNumber(word, v[count]) || !std::isfinite(v[count])) {
                return false;
            }
            ++count;
        }
        if (count == 0) {
            return false;
        }
        if (count == 1) {
            v[1] = v[2] = v[0];
        } else if (count == 2) {
            return false;
        }
        colour = {Unit(v[0]), Unit(v[1]), Unit(v[2])};
        return true;
    }

    // map_Kd [options] file: the options read (-s, -o, -clamp) or passed over (the others known
    // with the numbers or the word they take, any other alone); the rest of the line names the
    // image. False when it names none.
    static bool TextureMap(std::string_view rest, TMaterial& m) {
        float scale[2] = {1, 1};
        float offset[2] = {0, 0};
        bool clamp = false;
        while (true) {
            std::string_view after = rest;
            const std::string_view word = NextWord(after);
            if (word.size() < 2 || word[0] != '-' || (word[1] >= '0' && word[1] <= '9') ||
                word[1] == '.') {
                break;
            }
            rest = after;
            const std::string_view option = word.substr(1);
            const int numbers = option == "s" || option == "o" || option == "t"             ? 3
                                : option == "mm"                                            ? 2
                                : option == "bm" || option == "boost" || option == "texres" ? 1
                                                                                            : 0;
            if (numbers > 0) {
                float values[3] = {0, 0, 0};
                int count = 0;
                while (count < numbers) {
                    after = rest;
                    float value = 0;
                    if (!WordNumber(NextWord(after), value)) {
                        break;
                    }
                    values[count++] = value;
                    rest = after;
                }
                float* target = option == "s" ? scale : option == "o" ? offset : nullptr;
                for (int k = 0; target && k < std::min(count, 2); ++k) {
                    if (std::isfinite(values[k])) {
                        target[k] = values[k];
                    }
                }
            } else if (option == "clamp" || option == "blendu" || option == "blendv" ||
                       option == "cc" || option == "imfchan" || option == "type") {
                const std::string_view value = NextWord(rest);
                if (option == "clamp") {
                    clamp = value == "on";
                }
            }
            // any other option is passed over alone
        }
        const std::string_view name = TrimBlanks(rest);
        if (name.empty()) {
            return false;
        }
        TTextureMap map;
        map.FileName = std::string(name);
        map.Tiling = clamp ? TilingNone : 0;
        // Here u' = s u + o; the record places u' = (u - 1/2) UScale + 1/2 - UOffset.
        map.UScale = scale[0];
        map.VScale = scale[1];
        map.UOffset = (1 - scale[0]) / 2 - offset[0];
        map.VOffset = (1 - scale[1]) / 2 - offset[1];
        m.Texture = map;
        return true;
    }

    // What was passed over, told once each.
    void Tell() {
        const auto count = [&](std::size_t n, const char* one, const char* many) {
            if (n > 0) {
                builder_.Note(TLooksNote::TKind::PartSkipped,
                              std::to_string(n) + " " + (n == 1 ? one : many));
            }
        };
        count(librariesPassed_, "material library beyond the first 64",
              "material libraries beyond the first 64");
        if (!libraryMissing_) {
            std::size_t named = 0;
            std::vector<std::string> names(missingMaterials_.begin(), missingMaterials_.end());
            std::sort(names.begin(), names.end());
            for (const std::string& name : names) {
                if (named++ < MaxMaterialsNamed) {
                    builder_.Note(TLooksNote::TKind::PartSkipped,
                                  "material " + name + ", which no material library defines");
                }
            }
            count(named > MaxMaterialsNamed ? named - MaxMaterialsNamed : 0,
                  "more material no material library defines",
                  "more materials no material library defines");
        }
        count(shortPolygons_, "polygon of fewer than 3 corners",
              "polygons of fewer than 3 corners");
        count(polygonsAmiss_, "polygon naming a vertex the file has not given",
              "polygons naming a vertex the file has not given");
        count(cornersAmiss_, "corner naming mapping coordinates or a normal the file has not given",
              "corners naming mapping coordinates or a normal the file has not given");
        count(degenerate_, "triangle with two corners on one vertex",
              "triangles with two corners on one vertex");
        count(fanned_, "polygon of more than 1024 corners split as a fan, not by its outline",
              "polygons of more than 1024 corners split as fans, not by their outlines");
        count(lineElements_, "line element (l)", "line elements (l)");
        count(pointElements_, "point element (p)", "point elements (p)");
        count(freeForms_, "free-form curve or surface", "free-form curves and surfaces");
        count(badVertices_, "vertex with a word that is not a number",
              "vertices with a word that is not a number");
        count(shortVertices_, "vertex of fewer than 3 coordinates (the others 0)",
              "vertices of fewer than 3 coordinates (the others 0)");
        count(trailing_, "number followed by other characters, read as far as it goes",
              "numbers followed by other characters, read as far as they go");
        count(notUnderstood_, "line not understood", "lines not understood");
    }

    const TModelSource& source_;
    TModelPart part_;
    TModelBuilder& builder_;

    std::vector<TPoint3D> positions_;
    std::vector<std::array<float, 3>> colours_; // as long as positions_ once a vertex has one
    std::vector<TTexCoord> mappings_;
    std::size_t normals_ = 0;
    TCornerVertices cornerVertices_;

    // Meshes.
    std::string meshName_;
    std::string firstMeshName_;
    bool firstMeshStarted_ = false;

    // Looks.
    enum class TSmoothing : std::uint8_t { Unset, Off, Group };
    TSmoothing smoothing_ = TSmoothing::Unset;
    std::uint32_t group_ = 0;
    std::string material_; // as usemtl last named it
    bool materialKnown_ = true;
    TLibraryMaterial* current_ = nullptr;
    std::deque<TLibraryMaterial> library_; // kept in place: current_ and inline_ point into it
    std::unordered_map<std::string, std::size_t> byName_;
    std::unordered_map<std::uint64_t, std::uint32_t> colourMaterials_;
    std::unordered_map<std::string, TCompanion::TState> libraries_;
    std::unordered_set<std::string> missingMaterials_;
    TDefining inline_;
    bool libraryMissing_ = false;

    // One polygon.
    std::vector<TCornerVertices::TKey> corners_;
    std::vector<TWrittenCorner> written_; // the corners of the line read one by one
    bool inStretches_;                    // long texts read a stretch at a time
    TStretch stretches_[2];               // one being added, the next being read
    std::vector<std::uint32_t> vertices_;
    std::vector<TPoint3D> points_;
    std::vector<TPolygonSplitter::TTriangle> triangles_;
    TPolygonSplitter splitter_;

    // What was passed over.
    std::size_t librariesPassed_ = 0, shortPolygons_ = 0, polygonsAmiss_ = 0, cornersAmiss_ = 0;
    std::size_t degenerate_ = 0, fanned_ = 0, lineElements_ = 0, pointElements_ = 0;
    std::size_t freeForms_ = 0, badVertices_ = 0, shortVertices_ = 0, trailing_ = 0;
    std::size_t notUnderstood_ = 0;
};

} // namespace

std::string ReadObj(const TModelSource& source, TModelPart part, TModelBuilder& builder,
                    bool stretches) {
    TObjReader reader(source, part, builder, stretches);
    return reader.Read();
}

} // namespace Plexa3DFormats
