#include "GltfReader.h"

#include "ColourMaterials.h"
#include "GraphErrors.h"
#include "LargeBlocks.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <numbers>
#include <optional>
#include <set>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;

namespace {

using Json = nlohmann::json;
using TBytes = std::span<const std::uint8_t>;

constexpr std::size_t MaxJsonDepth = 512;
constexpr std::size_t GlbHeaderSize = 12;  // "glTF", version, length
constexpr std::size_t ChunkHeaderSize = 8; // length, type
constexpr std::uint32_t GlbVersion = 2;
constexpr std::uint32_t ChunkJson = 0x4E4F534A; // "JSON"
constexpr std::uint32_t ChunkBin = 0x004E4942;  // "BIN\0"
// A buffer's file may hold this much more than its byteLength: the padding to 4 bytes.
constexpr std::size_t BufferPadding = 3;
// Elements read beyond as many as the input has bytes (accessors read again for each use).
constexpr std::uint64_t RepeatAllowance = std::uint64_t(1) << 22;
// Names listed in one note, and notes of files, before the rest are only counted.
constexpr std::size_t MaxNamesInNote = 8;
constexpr std::size_t MaxFileNotes = 16;
constexpr std::size_t MaxRequiredUnknown = 64;
// Materials made for the colours of faces, all glTF materials together: as many as one
// material's colours of 5 bits a channel.
constexpr std::size_t MaxColouredMaterials = 32768;

constexpr std::uint64_t ModePoints = 0;
constexpr std::uint64_t ModeTriangles = 4;
constexpr std::uint64_t ModeStrip = 5;
constexpr std::uint64_t ModeFan = 6;

constexpr std::uint64_t ComponentByte = 5120;
constexpr std::uint64_t ComponentUnsignedByte = 5121;
constexpr std::uint64_t ComponentShort = 5122;
constexpr std::uint64_t ComponentUnsignedShort = 5123;
constexpr std::uint64_t ComponentUnsignedInt = 5125;
constexpr std::uint64_t ComponentFloat = 5126;

constexpr std::uint64_t WrapMirroredRepeat = 33648;

const std::set<std::string, std::less<>> KnownExtensions = {
    "KHR_texture_transform", "KHR_mesh_quantization", "EXT_texture_webp"};

std::uint32_t LittleEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// The JSON's nesting, counted over its brackets outside strings, is deeper than the parser is let
// go.
bool NestsTooDeep(std::string_view text) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > MaxJsonDepth) {
                return true;
            }
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

Json ParseJson(std::string_view text) {
    if (NestsTooDeep(text)) {
        throw RuntimeError("glTF: the JSON nests deeper than " + std::to_string(MaxJsonDepth) +
                           " levels");
    }
    try {
        return Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& error) {
        throw RuntimeError("glTF: the JSON is malformed at byte " + std::to_string(error.byte));
    } catch (const Json::out_of_range&) {
        throw RuntimeError("glTF: the JSON is malformed: a number is too large for a double");
    }
}

// JSON values looked at without trusting their types.
const Json* Member(const Json* object, std::string_view key) {
    if (object == nullptr || !object->is_object()) {
        return nullptr;
    }
    const auto found = object->find(key);
    return found == object->end() ? nullptr : &*found;
}

std::size_t Size(const Json* array) {
    return array != nullptr && array->is_array() ? array->size() : 0;
}

const Json* Item(const Json* array, std::size_t index) {
    return index < Size(array) ? &(*array)[index] : nullptr;
}

std::optional<double> Number(const Json* value) {
    if (value == nullptr || !value->is_number()) {
        return std::nullopt;
    }
    return value->get<double>();
}

// A whole number from 0 (as JSON's integers, or a number with no fraction).
std::optional<std::uint64_t> Whole(const Json* value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_number_unsigned()) {
        return value->get<std::uint64_t>();
    }
    if (value->is_number_float()) {
        const double number = value->get<double>();
        if (number >= 0 && number < 0x1p53 && number == std::floor(number)) {
            return std::uint64_t(number);
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> IndexIn(const Json* value, const Json* array) {
    const std::optional<std::uint64_t> index = Whole(value);
    if (!index || *index >= Size(array)) {
        return std::nullopt;
    }
    return std::size_t(*index);
}

const std::string* Text(const Json* value) {
    return value != nullptr && value->is_string() ? &value->get_ref<const std::string&>() : nullptr;
}

// The numbers of an array of exactly `count` finite numbers.
template <std::size_t N> std::optional<std::array<double, N>> Numbers(const Json* value) {
    if (Size(value) != N) {
        return std::nullopt;
    }
    std::array<double, N> numbers{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::optional<double> number = Number(&(*value)[i]);
        if (!number || !std::isfinite(*number)) {
            return std::nullopt;
        }
        numbers[i] = *number;
    }
    return numbers;
}

double NumberOr(const Json* value, double fallback) {
    const std::optional<double> number = Number(value);
    return number && std::isfinite(*number) ? *number : fallback;
}

double Clamp01(double value) {
    return std::clamp(value, 0.0, 1.0);
}

// Percent-escapes of a URI decoded; a stray '%' is kept as it is.
std::string DecodeUri(std::string_view uri) {
    const auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    };
    std::string name;
    name.reserve(uri.size());
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hex(uri[i + 1]) >= 0 && hex(uri[i + 2]) >= 0) {
            name.push_back(char(hex(uri[i + 1]) * 16 + hex(uri[i + 2])));
            i += 2;
        } else {
            name.push_back(uri[i]);
        }
    }
    return name;
}

bool IsDataUri(std::string_view uri) {
    return uri.substr(0, 5) == "data:";
}

// The bytes of a data URI in base64; nothing for another kind of data URI or a malformed one.
std::optional<std::vector<std::uint8_t>> DecodeDataUri(std::string_view uri) {
    const std::size_t comma = uri.find(',');
    if (comma == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view header = uri.substr(0, comma);
    if (header.size() < 7 || header.substr(header.size() - 7) != ";base64") {
        return std::nullopt;
    }
    const std::string_view text = uri.substr(comma + 1);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 4 * 3 + 2);
    std::uint32_t bits = 0;
    int held = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != '='; ++i) {
        const char c = text[i];
        int value = -1;
        if (c >= 'A' && c <= 'Z') {
            value = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            value = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            value = c - '0' + 52;
        } else if (c == '+' || c == '-') {
            value = 62;
        } else if (c == '/' || c == '_') {
            value = 63;
        } else {
            return std::nullopt;
        }
        bits = (bits << 6) | std::uint32_t(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(std::uint8_t(bits >> held));
        }
    }
    for (; i < text.size(); ++i) {
        if (text[i] != '=') {
            return std::nullopt;
        }
    }
    return bytes;
}

// A display colour channel (sRGB) from glTF's linear one.
float Display(double linear) {
    const double c = Clamp01(linear);
    return float(c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055);
}

// A 4 by 4 matrix in rows, applied to column vectors: p' = M p.
struct TMatrix {
    std::array<double, 16> M{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    double At(std::size_t row, std::size_t column) const { return M[row * 4 + column]; }

    friend TMatrix operator*(const TMatrix& a, const TMatrix& b) {
        TMatrix product;
        for (std::size_t r = 0; r < 4; ++r) {
            for (std::size_t c = 0; c < 4; ++c) {
                double sum = 0;
                for (std::size_t k = 0; k < 4; ++k) {
                    sum += a.At(r, k) * b.At(k, c);
                }
                product.M[r * 4 + c] = sum;
            }
        }
        return product;
    }

    double Determinant3() const {
        return At(0, 0) * (At(1, 1) * At(2, 2) - At(1, 2) * At(2, 1)) -
               At(0, 1) * (At(1, 0) * At(2, 2) - At(1, 2) * At(2, 0)) +
               At(0, 2) * (At(1, 0) * At(2, 1) - At(1, 1) * At(2, 0));
    }
};

// glTF's Y-up axes to ours, Z up: (x, y, z) becomes (x, -z, y).
const TMatrix YUpToZUp{{1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1}};

template <class C> C Load(const std::uint8_t* p) {
    C value;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, p, sizeof value);
    } else {
        std::array<std::uint8_t, sizeof(C)> swapped;
        std::reverse_copy(p, p + sizeof(C), swapped.begin());
        std::memcpy(&value, swapped.data(), sizeof value);
    }
    return value;
}

std::size_t ComponentSize(std::uint64_t type) {
    switch (type) {
    case ComponentByte:
    case ComponentUnsignedByte:
        return 1;
    case ComponentShort:
    case ComponentUnsignedShort:
        return 2;
    case ComponentUnsignedInt:
    case ComponentFloat:
        return 4;
    default:
        return 0;
    }
}

std::size_t Components(const std::string& type) {
    static const std::map<std::string, std::size_t, std::less<>> Counts = {
        {"SCALAR", 1}, {"VEC2", 2}, {"VEC3", 3}, {"VEC4", 4},
        {"MAT2", 4},   {"MAT3", 9}, {"MAT4", 16}};
    const auto found = Counts.find(type);
    return found == Counts.end() ? 0 : found->second;
}

// An accessor as checked against its view: the bytes from its first element on (none for one
// that reads as zeros), and how to step through them.
struct TAccessor {
    TBytes Bytes;
    std::size_t Count = 0;
    std::size_t Stride = 0;
    std::size_t Components = 0;
    std::uint64_t ComponentType = 0;
    bool Normalized = false;
    bool Zeros = false;
    const Json* Sparse = nullptr;
};

template <class C, class T> void DecodeAs(const TAccessor& a, T* out) {
    const std::size_t n = a.Components;
    for (std::size_t i = 0; i < a.Count; ++i) {
        const std::uint8_t* p = a.Bytes.data() + i * a.Stride;
        for (std::size_t k = 0; k < n; ++k) {
            const C value = Load<C>(p + k * sizeof(C));
            if constexpr (std::is_floating_point_v<T>) {
                if constexpr (std::is_floating_point_v<C>) {
                    out[i * n + k] = value;
                } else if (a.Normalized) {
                    const double top = double(std::numeric_limits<C>::max());
                    out[i * n + k] = T(std::max(double(value) / top, -1.0));
                } else {
                    out[i * n + k] = T(value);
                }
            } else {
                out[i * n + k] = T(value);
            }
        }
    }
}

// The accessor's elements, its components in a row, into `out` (as long as count times
// components); integer types only for integer output.
template <class T> void Decode(const TAccessor& a, T* out) {
    if (a.Zeros) {
        std::fill(out, out + a.Count * a.Components, T(0));
        return;
    }
    switch (a.ComponentType) {
    case ComponentByte:
        DecodeAs<std::int8_t>(a, out);
        break;
    case ComponentUnsignedByte:
        DecodeAs<std::uint8_t>(a, out);
        break;
    case ComponentShort:
        DecodeAs<std::int16_t>(a, out);
        break;
    case ComponentUnsignedShort:
        DecodeAs<std::uint16_t>(a, out);
        break;
    case ComponentUnsignedInt:
        DecodeAs<std::uint32_t>(a, out);
        break;
    case ComponentFloat:
        if constexpr (std::is_floating_point_v<T>) {
            DecodeAs<float>(a, out);
        }
        break;
    default:
        break;
    }
}

// An accessor's components decoded, in a row; not cleared before they are written.
template <class T> class TValues {
public:
    void Allocate(std::size_t size) {
        data_ = std::make_unique_for_overwrite<T[]>(size);
        ZuveloGraphLibrary::AdviseLargeBlock(data_.get(), size * sizeof(T));
        size_ = size;
    }
    bool empty() const { return size_ == 0; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    std::unique_ptr<T[]> data_;
    std::size_t size_ = 0;
};

// The triangles of a primitive of `m` vertices (or indices) in the mode given, each as three
// positions in that list.
template <class F> void ForEachTriangle(std::uint64_t mode, std::size_t m, F&& triangle) {
    if (mode == ModeTriangles) {
        for (std::size_t t = 0; t + 3 <= m; t += 3) {
            triangle(t, t + 1, t + 2);
        }
    } else if (mode == ModeStrip) {
        for (std::size_t t = 0; t + 3 <= m; ++t) {
            if (t % 2 == 0) {
                triangle(t, t + 1, t + 2);
            } else {
                triangle(t + 1, t, t + 2);
            }
        }
    } else if (mode == ModeFan) {
        for (std::size_t t = 1; t + 2 <= m; ++t) {
            triangle(t, t + 1, std::size_t(0));
        }
    }
}

std::size_t TriangleCount(std::uint64_t mode, std::size_t m) {
    return mode == ModeTriangles ? m / 3 : m >= 3 ? m - 2 : 0;
}

std::string Counted(std::size_t count, const std::string& one, const std::string& many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

class TGltfReader {
public:
    TGltfReader(const TModelSource& source, TModelPart part, TModelBuilder& builder)
        : source_(source), part_(part), builder_(builder) {}

    std::string Read() {
        Parse();
        CheckAsset();
        accessors_ = Member(&root_, "accessors");
        views_ = Member(&root_, "bufferViews");
        buffersJson_ = Member(&root_, "buffers");
        meshes_ = Member(&root_, "meshes");
        nodes_ = Member(&root_, "nodes");
        materials_ = Member(&root_, "materials");
        textures_ = Member(&root_, "textures");
        images_ = Member(&root_, "images");
        samplers_ = Member(&root_, "samplers");
        buffers_.resize(Size(buffersJson_));
        materialNumbers_.assign(Size(materials_), -1);
        madeMaterials_.assign(Size(materials_), std::nullopt);
        imageNumbers_.assign(Size(images_), -2);
        ReadExtensions();
        PlaceScene();
        TellNotes();
        return firstName_;
    }

private:
    struct TBuffer {
        bool Tried = false;
        bool Usable = false;
        std::vector<std::uint8_t> Owned;
        TBytes Bytes;
    };

    struct TView {
        TBytes Bytes;
        std::size_t Stride = 0;
    };

    using TFault = std::string; // why an accessor cannot be read; empty when it can

    void Parse() {
        const TBytes bytes = source_.Bytes;
        if (bytes.size() >= 4 && std::memcmp(bytes.data(), "glTF", 4) == 0) {
            ParseBinary(bytes);
        } else {
            std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            if (text.substr(0, 3) == "\xEF\xBB\xBF") {
                text.remove_prefix(3);
            }
            root_ = ParseJson(text);
        }
        if (!root_.is_object()) {
            throw RuntimeError("glTF: the JSON is not an object");
        }
    }

    void ParseBinary(TBytes bytes) {
        if (bytes.size() < GlbHeaderSize) {
            throw RuntimeError("glTF: the binary header is cut short");
        }
        const std::uint32_t version = LittleEndian32(bytes.data() + 4);
        if (version != GlbVersion) {
            throw RuntimeError("glTF: binary version " + std::to_string(version) +
                               " is not read (only version 2)");
        }
        const std::uint32_t length = LittleEndian32(bytes.data() + 8);
        cutShort_ = length > bytes.size();
        const std::size_t end = std::min<std::size_t>(length, bytes.size());
        std::size_t at = GlbHeaderSize;
        if (end < at + ChunkHeaderSize) {
            throw RuntimeError("glTF: the binary file holds no JSON chunk");
        }
        const std::uint32_t jsonLength = LittleEndian32(bytes.data() + at);
        if (LittleEndian32(bytes.data() + at + 4) != ChunkJson) {
            throw RuntimeError("glTF: the binary file's first chunk is not JSON");
        }
        at += ChunkHeaderSize;
        if (jsonLength > end - at) {
            throw RuntimeError("glTF: the binary file's JSON chunk is cut short");
        }
        std::string_view text(reinterpret_cast<const char*>(bytes.data() + at), jsonLength);
        while (!text.empty() && text.back() == '\0') { // padding some writers use
            text.remove_suffix(1);
        }
        root_ = ParseJson(text);
        at += jsonLength;
        while (end - at >= ChunkHeaderSize) {
            const std::uint32_t chunkLength = LittleEndian32(bytes.data() + at);
            const std::uint32_t type = LittleEndian32(bytes.data() + at + 4);
            at += ChunkHeaderSize;
            const std::size_t present = std::min<std::size_t>(chunkLength, end - at);
            if (type == ChunkBin && !hasBin_) {
                hasBin_ = true;
                bin_ = bytes.subspan(at, present);
            }
            if (present < chunkLength) {
                cutShort_ = true;
                break;
            }
            at += chunkLength;
        }
    }

    void CheckAsset() {
        const Json* asset = Member(&root_, "asset");
        if (asset == nullptr || !asset->is_object()) {
            throw RuntimeError("glTF: the JSON has no asset object: not a glTF model");
        }
        const std::string* version = Text(Member(asset, "version"));
        if (version != nullptr && version->substr(0, version->find('.')) != "2") {
            throw RuntimeError("glTF: version " + version->substr(0, 16) +
                               " is not read (only 2.0)");
        }
    }

    void ReadExtensions() {
        std::set<std::string> unknown;
        for (const char* list : {"extensionsUsed", "extensionsRequired"}) {
            const Json* names = Member(&root_, list);
            const bool required = std::string_view(list) == "extensionsRequired";
            for (std::size_t i = 0; i < Size(names); ++i) {
                const std::string* name = Text(&(*names)[i]);
                if (name == nullptr || KnownExtensions.count(*name) != 0) {
                    continue;
                }
                unknown.insert(*name);
                if (required && requiredUnknown_.size() < MaxRequiredUnknown) {
                    requiredUnknown_.insert(*name);
                }
            }
        }
        if (!unknown.empty()) {
            std::string names;
            std::size_t listed = 0;
            for (const std::string& name : unknown) {
                if (listed == MaxNamesInNote) {
                    names += " and " + std::to_string(unknown.size() - listed) + " more";
                    break;
                }
                names += (listed == 0 ? "" : ", ") + name.substr(0, 64);
                ++listed;
            }
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          (unknown.size() == 1 ? "the extension " : "the extensions ") + names);
        }
    }

    // The name of a required extension this reader lacks that the object uses, if any.
    const std::string* NeedsUnknown(const Json* object) const {
        if (requiredUnknown_.empty()) {
            return nullptr;
        }
        const Json* extensions = Member(object, "extensions");
        if (extensions == nullptr) {
            return nullptr;
        }
        for (const std::string& name : requiredUnknown_) {
            if (Member(extensions, name) != nullptr) {
                return &name;
            }
        }
        return nullptr;
    }

    std::uint64_t InputBytes() const { return source_.Bytes.size() + companionBytes_; }

    // Takes `elements` from what may be read in all; false when that would pass it.
    bool Spend(std::uint64_t elements) {
        const std::uint64_t limit = InputBytes() + RepeatAllowance;
        if (spent_ > limit || elements > limit - spent_) {
            return false;
        }
        spent_ += elements;
        return true;
    }

    void FileNote(TLooksNote::TKind kind, const std::string& name) {
        if (fileNotes_ < MaxFileNotes) {
            builder_.Note(kind, name.substr(0, 256));
        } else {
            ++filesNotTold_;
        }
        ++fileNotes_;
    }

    const TBuffer* Buffer(std::size_t index) {
        TBuffer& buffer = buffers_[index];
        if (buffer.Tried) {
            return buffer.Usable ? &buffer : nullptr;
        }
        buffer.Tried = true;
        const Json* json = Item(buffersJson_, index);
        const std::optional<std::uint64_t> byteLength = Whole(Member(json, "byteLength"));
        const std::string* uri = Text(Member(json, "uri"));
        if (!byteLength) {
            Tally("buffer without a byteLength", "buffers without a byteLength");
            return nullptr;
        }
        TBytes bytes;
        if (uri == nullptr) {
            if (index != 0 || !hasBin_) {
                Tally("buffer that holds no data", "buffers that hold no data");
                return nullptr;
            }
            bytes = bin_;
        } else if (IsDataUri(*uri)) {
            std::optional<std::vector<std::uint8_t>> decoded = DecodeDataUri(*uri);
            if (!decoded) {
                Tally("buffer whose data URI is not in base64",
                      "buffers whose data URIs are not in base64");
                return nullptr;
            }
            buffer.Owned = std::move(*decoded);
            bytes = buffer.Owned;
        } else {
            const std::string name = DecodeUri(*uri);
            const std::uint64_t most =
                std::min<std::uint64_t>(*byteLength, std::uint64_t(1) << 62) + BufferPadding;
            TCompanion file = source_.ReadCompanion(name, std::size_t(most));
            if (file.State != TCompanion::TState::Read) {
                FileNote(file.State == TCompanion::TState::Missing
                             ? TLooksNote::TKind::FileMissing
                             : TLooksNote::TKind::FileUnreadable,
                         name);
                return nullptr;
            }
            buffer.Owned = std::move(file.Bytes);
            companionBytes_ += buffer.Owned.size();
            bytes = buffer.Owned;
        }
        if (bytes.size() < *byteLength) {
            Tally("buffer shorter than its byteLength", "buffers shorter than their byteLength");
        }
        buffer.Bytes = bytes.first(std::min<std::uint64_t>(bytes.size(), *byteLength));
        buffer.Usable = true;
        return &buffer;
    }

    TFault View(const Json* indexValue, TView& view) {
        const std::optional<std::size_t> index = IndexIn(indexValue, views_);
        if (!index) {
            return "name no buffer view";
        }
        const Json* json = &(*views_)[*index];
        if (const std::string* name = NeedsUnknown(json)) {
            return "need " + name->substr(0, 64);
        }
        const std::optional<std::size_t> bufferIndex =
            IndexIn(Member(json, "buffer"), buffersJson_);
        if (!bufferIndex) {
            return "name no buffer";
        }
        const TBuffer* buffer = Buffer(*bufferIndex);
        if (buffer == nullptr) {
            return "lie in a buffer that cannot be read";
        }
        const std::optional<std::uint64_t> offset =
            Member(json, "byteOffset") ? Whole(Member(json, "byteOffset")) : 0;
        const std::optional<std::uint64_t> length = Whole(Member(json, "byteLength"));
        const std::optional<std::uint64_t> stride =
            Member(json, "byteStride") ? Whole(Member(json, "byteStride")) : 0;
        if (!offset || !length || !stride) {
            return "lie in a malformed buffer view";
        }
        const std::size_t size = buffer->Bytes.size();
        if (*offset > size || *length > size - *offset) {
            return "lie in a buffer view that runs past its buffer";
        }
        view.Bytes = buffer->Bytes.subspan(std::size_t(*offset), std::size_t(*length));
        view.Stride = std::size_t(std::min<std::uint64_t>(*stride, size + 1)); // too long anyway
        return {};
    }

    // The accessor, checked against its view and its buffer, with the components it must have.
    TFault Accessor(std::size_t index, std::size_t components, TAccessor& a) {
        const Json* json = &(*accessors_)[index];
        if (const std::string* name = NeedsUnknown(json)) {
            return "need " + name->substr(0, 64);
        }
        const std::optional<std::uint64_t> componentType = Whole(Member(json, "componentType"));
        const std::string* type = Text(Member(json, "type"));
        const std::optional<std::uint64_t> count = Whole(Member(json, "count"));
        const std::optional<std::uint64_t> offset =
            Member(json, "byteOffset") ? Whole(Member(json, "byteOffset")) : 0;
        if (!componentType || ComponentSize(*componentType) == 0 || type == nullptr ||
            Components(*type) == 0 || !count || !offset) {
            return "lie in a malformed accessor";
        }
        if (Components(*type) != components) {
            return "are not of the accessor type they need";
        }
        a.ComponentType = *componentType;
        a.Components = components;
        const Json* normalized = Member(json, "normalized");
        a.Normalized = normalized != nullptr && normalized->is_boolean() && normalized->get<bool>();
        a.Sparse = Member(json, "sparse");
        const std::size_t element = components * ComponentSize(*componentType);
        if (Member(json, "bufferView") == nullptr) {
            if (*count > InputBytes()) {
                return "are more zeros than the file has bytes";
            }
            a.Zeros = true;
            a.Count = std::size_t(*count);
            return {};
        }
        TView view;
        if (TFault fault = View(Member(json, "bufferView"), view); !fault.empty()) {
            return fault;
        }
        a.Stride = view.Stride == 0 ? element : view.Stride;
        if (a.Stride < element) {
            return "lie in a buffer view whose stride is shorter than an element";
        }
        const std::size_t size = view.Bytes.size();
        if (*count > 0 && (*offset > size || element > size - *offset ||
                           *count - 1 > (size - *offset - element) / a.Stride)) {
            return "run past their buffer view";
        }
        a.Count = std::size_t(*count);
        a.Bytes = *count > 0 ? view.Bytes.subspan(std::size_t(*offset)) : TBytes{};
        return {};
    }

    // The sparse substitutions of an accessor already decoded into `out`.
    template <class T> TFault ApplySparse(const TAccessor& a, TValues<T>& out) {
        const Json* sparse = a.Sparse;
        const std::optional<std::uint64_t> count = Whole(Member(sparse, "count"));
        const Json* indices = Member(sparse, "indices");
        const Json* values = Member(sparse, "values");
        const std::optional<std::uint64_t> indexType = Whole(Member(indices, "componentType"));
        const auto offsetOf = [](const Json* json) {
            return Member(json, "byteOffset") ? Whole(Member(json, "byteOffset"))
                                              : std::optional<std::uint64_t>(0);
        };
        const std::optional<std::uint64_t> indexOffset = offsetOf(indices);
        const std::optional<std::uint64_t> valueOffset = offsetOf(values);
        if (!count || *count == 0 || *count > a.Count || !indexType || !indexOffset ||
            !valueOffset ||
            (*indexType != ComponentUnsignedByte && *indexType != ComponentUnsignedShort &&
             *indexType != ComponentUnsignedInt)) {
            return "lie in a malformed sparse accessor";
        }
        TView indexView;
        TView valueView;
        if (TFault fault = View(Member(indices, "bufferView"), indexView); !fault.empty()) {
            return fault;
        }
        if (TFault fault = View(Member(values, "bufferView"), valueView); !fault.empty()) {
            return fault;
        }
        const std::size_t indexSize = ComponentSize(*indexType);
        const std::size_t element = a.Components * ComponentSize(a.ComponentType);
        if (*indexOffset > indexView.Bytes.size() ||
            *count > (indexView.Bytes.size() - *indexOffset) / indexSize ||
            *valueOffset > valueView.Bytes.size() ||
            *count > (valueView.Bytes.size() - *valueOffset) / element) {
            return "run past the buffer views of their sparse accessor";
        }
        if (!Spend(*count)) {
            return "pass what may be read";
        }
        TAccessor at{indexView.Bytes.subspan(std::size_t(*indexOffset)),
                     std::size_t(*count),
                     indexSize,
                     1,
                     *indexType,
                     false,
                     false,
                     nullptr};
        std::vector<std::uint32_t> where(at.Count);
        Decode(at, where.data());
        TAccessor value{valueView.Bytes.subspan(std::size_t(*valueOffset)),
                        std::size_t(*count),
                        element,
                        a.Components,
                        a.ComponentType,
                        a.Normalized,
                        false,
                        nullptr};
        std::vector<T> replaced(value.Count * value.Components);
        Decode(value, replaced.data());
        for (std::size_t k = 0; k < where.size(); ++k) {
            if (where[k] >= a.Count) {
                return "have a sparse index beyond their accessor";
            }
            std::copy_n(replaced.begin() + std::ptrdiff_t(k * a.Components), a.Components,
                        &out[std::size_t(where[k]) * a.Components]);
        }
        return {};
    }

    template <class T> TFault DecodeAll(const TAccessor& a, TValues<T>& out) {
        out.Allocate(a.Count * a.Components);
        Decode(a, &out[0]);
        return a.Sparse != nullptr ? ApplySparse(a, out) : TFault{};
    }

    // The values of an attribute beside `n` positions, one element each, decoded.
    TFault VertexValues(std::size_t index, std::size_t components, std::size_t n,
                        TValues<float>& out) {
        TAccessor a;
        TFault fault = Accessor(index, components, a);
        if (fault.empty() && a.Count != n) {
            fault = "are not as many as the positions";
        }
        return fault.empty() ? DecodeAll(a, out) : fault;
    }

    // The number, for AddFace, of the glTF material at `value`; 0, the default, for none.
    std::uint32_t MaterialNumber(const Json* value) {
        if (value == nullptr) {
            return 0;
        }
        const std::optional<std::size_t> index = IndexIn(value, materials_);
        if (!index) {
            Tally("primitive that names no material, drawn in the default one",
                  "primitives that name no material, drawn in the default one");
            return 0;
        }
        std::int64_t& number = materialNumbers_[*index];
        if (number < 0) {
            number = builder_.AddMaterial(Made(*index));
        }
        return std::uint32_t(number);
    }

    static std::array<double, 4> BaseColour(const Json& json) {
        const auto factor =
            Numbers<4>(Member(Member(&json, "pbrMetallicRoughness"), "baseColorFactor"));
        return factor ? *factor : std::array<double, 4>{1, 1, 1, 1};
    }

    // The material as the file gives it.
    TMaterial MakeMaterial(const Json& json) {
        TMaterial material;
        if (const std::string* name = Text(Member(&json, "name"))) {
            material.Name = *name;
        }
        const Json* pbr = Member(&json, "pbrMetallicRoughness");
        const std::array<double, 4> base = BaseColour(json);
        const double roughness = Clamp01(NumberOr(Member(pbr, "roughnessFactor"), 1));
        const double alpha = Clamp01(base[3]);
        const std::string* mode = Text(Member(&json, "alphaMode"));
        if (mode != nullptr && *mode == "BLEND") {
            material.Transparency = float(1 - alpha);
        } else if (mode != nullptr && *mode == "MASK") {
            material.Transparency = alpha < NumberOr(Member(&json, "alphaCutoff"), 0.5) ? 1 : 0;
        }
        const Json* sided = Member(&json, "doubleSided");
        material.TwoSided = sided != nullptr && sided->is_boolean() && sided->get<bool>();
        const double shine = 1 - roughness;
        material.Shininess = float(shine);
        material.ShininessStrength = float(shine);
        if (const Json* info = Member(pbr, "baseColorTexture")) {
            material.Texture = BaseColourMap(*info);
        }
        Colour(material, {Display(base[0]), Display(base[1]), Display(base[2])}, json);
        return material;
    }

    // Gives a material of `json` its colour: diffuse and ambient, the highlight's (a metal's its
    // own colour, a plastic's white), and the tint of its image.
    static void Colour(TMaterial& material, const TColorF& colour, const Json& json) {
        const double metallic =
            Clamp01(NumberOr(Member(Member(&json, "pbrMetallicRoughness"), "metallicFactor"), 1));
        material.Diffuse = material.Ambient = colour;
        if (material.Shininess > 0) {
            const auto mix = [&](float c) { return float((1 - metallic) + metallic * c); };
            material.Specular = {mix(colour.R), mix(colour.G), mix(colour.B)};
        }
        if (material.Texture) {
            material.Texture->Tint = colour;
        }
    }

    // The glTF material at `index`, made once: its image looked for and its faults told once.
    const TMaterial& Made(std::size_t index) {
        std::optional<TMaterial>& made = madeMaterials_[index];
        if (!made) {
            made = MakeMaterial((*materials_)[index]);
        }
        return *made;
    }

    // The material of a face of vertex colours whose mean (linear, as glTF's colours are) is
    // `mean`, in the glTF material at `index` (none: glTF's default, white): its base colour
    // times the mean, held to 5 bits a channel as other formats' colours are, and its image
    // tinted so; one for each material and colour met, up to MaxColouredMaterials (past them,
    // none).
    std::optional<std::uint32_t> ColouredMaterial(std::optional<std::size_t> index,
                                                  const std::array<double, 3>& mean) {
        static const Json Default = Json::object();
        const Json& json = index ? (*materials_)[*index] : Default;
        const std::array<double, 4> base = BaseColour(json);
        std::uint32_t steps = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            steps |= std::uint32_t(TColourMaterials::Step(Display(base[k] * mean[k]))) << (5 * k);
        }
        const std::uint64_t key = std::uint64_t(index ? *index + 1 : 0) << 15 | steps;
        if (colouredMaterials_.size() >= MaxColouredMaterials &&
            !colouredMaterials_.contains(key)) {
            ++uncolouredFaces_;
            return std::nullopt;
        }
        const auto [at, added] = colouredMaterials_.try_emplace(key, 0);
        if (added) {
            const auto channel = [&](std::size_t k) { return float((steps >> (5 * k)) & 31) / 31; };
            TMaterial material = index ? Made(*index) : MakeMaterial(Default);
            Colour(material, {channel(0), channel(1), channel(2)}, json);
            char hex[8];
            std::snprintf(hex, sizeof hex, "#%02X%02X%02X", unsigned(std::lround(channel(0) * 255)),
                          unsigned(std::lround(channel(1) * 255)),
                          unsigned(std::lround(channel(2) * 255)));
            material.Name += material.Name.empty() ? hex : std::string(" ") + hex;
            at->second = builder_.AddMaterial(material);
        }
        return at->second;
    }

    std::optional<TTextureMap> BaseColourMap(const Json& info) {
        const std::optional<std::size_t> index = IndexIn(Member(&info, "index"), textures_);
        if (!index) {
            Tally("base colour texture that names no texture",
                  "base colour textures that name no texture");
            return std::nullopt;
        }
        const Json* transform = Member(Member(&info, "extensions"), "KHR_texture_transform");
        const Json* set = Member(transform, "texCoord") ? Member(transform, "texCoord")
                                                        : Member(&info, "texCoord");
        if (set != nullptr && Whole(set) != std::optional<std::uint64_t>(0)) {
            Tally("base colour texture on other mapping coordinates than TEXCOORD_0",
                  "base colour textures on other mapping coordinates than TEXCOORD_0");
            return std::nullopt;
        }
        const Json* texture = &(*textures_)[*index];
        std::optional<std::size_t> source = IndexIn(Member(texture, "source"), images_);
        if (!source) {
            source =
                IndexIn(Member(Member(Member(texture, "extensions"), "EXT_texture_webp"), "source"),
                        images_);
        }
        if (!source) {
            Tally("base colour texture that names no image",
                  "base colour textures that name no image");
            return std::nullopt;
        }
        TTextureMap map;
        const Json* image = &(*images_)[*source];
        const std::string* uri = Text(Member(image, "uri"));
        if (uri != nullptr && !IsDataUri(*uri)) {
            map.FileName = DecodeUri(*uri);
        } else {
            const std::string* name = Text(Member(image, "name"));
            map.FileName =
                name != nullptr && !name->empty() ? *name : "image " + std::to_string(*source);
            map.Embedded = EmbeddedImage(*source);
            if (map.Embedded < 0) {
                return std::nullopt;
            }
        }
        const Json* sampler = Item(
            samplers_, IndexIn(Member(texture, "sampler"), samplers_).value_or(Size(samplers_)));
        if (Whole(Member(sampler, "wrapS")) == WrapMirroredRepeat &&
            Whole(Member(sampler, "wrapT")) == WrapMirroredRepeat) {
            map.Tiling = TilingMirror;
        }
        if (transform != nullptr) {
            Place(*transform, map);
        }
        return map;
    }

    // KHR_texture_transform's placement of glTF's (u, v), v downwards, turned into ours, v
    // upwards: (u', v') = offset + R(rotation) (scale (u, v)), R turning +u towards -v.
    static void Place(const Json& transform, TTextureMap& map) {
        const auto offset = Numbers<2>(Member(&transform, "offset"));
        const auto scale = Numbers<2>(Member(&transform, "scale"));
        const double turn = NumberOr(Member(&transform, "rotation"), 0);
        const double ou = offset ? (*offset)[0] : 0, ov = offset ? (*offset)[1] : 0;
        const double su = scale ? (*scale)[0] : 1, sv = scale ? (*scale)[1] : 1;
        const double c = std::cos(turn), s = std::sin(turn);
        map.UScale = float(su);
        map.VScale = float(sv);
        map.Rotation = float(turn * 180 / std::numbers::pi);
        map.UOffset = float(0.5 - (c * su + s * sv) / 2 - ou);
        map.VOffset = float(-0.5 - (s * su - c * sv) / 2 + ov);
    }

    // The number of the image held in the file (in a buffer view or a data URI), added once;
    // -1 when it cannot be read.
    std::int32_t EmbeddedImage(std::size_t index) {
        std::int64_t& number = imageNumbers_[index];
        if (number != -2) {
            return std::int32_t(number);
        }
        number = -1;
        const Json* image = &(*images_)[index];
        std::vector<std::uint8_t> bytes;
        if (const std::string* uri = Text(Member(image, "uri"))) {
            std::optional<std::vector<std::uint8_t>> decoded = DecodeDataUri(*uri);
            if (!decoded) {
                Tally("image whose data URI is not in base64",
                      "images whose data URIs are not in base64");
                return -1;
            }
            bytes = std::move(*decoded);
        } else {
            TView view;
            if (TFault fault = View(Member(image, "bufferView"), view); !fault.empty()) {
                Tally("image held in the file whose bytes " + fault,
                      "images held in the file whose bytes " + fault);
                return -1;
            }
            if (view.Bytes.size() > InputBytes() - std::min(embeddedBytes_, InputBytes())) {
                Tally("image held in the file past what may be read",
                      "images held in the file past what may be read");
                return -1;
            }
            embeddedBytes_ += view.Bytes.size();
            bytes.assign(view.Bytes.begin(), view.Bytes.end());
        }
        number = builder_.AddEmbeddedImage(std::move(bytes));
        return std::int32_t(number);
    }

    // Counts something passed over, told once at the end with its count.
    void Tally(const std::string& one, const std::string& many) { ++tallies_[{one, many}]; }

    // Places one primitive of a mesh by the matrix `place` (ours, Z up). Vertices are shared by
    // the primitives of one placement that read the same positions and mapping coordinates.
    void PlacePrimitive(const Json& primitive, const TMatrix& place, bool mirrored,
                        std::map<std::pair<std::size_t, std::size_t>, std::uint32_t>& shared) {
        const Json* modeValue = Member(&primitive, "mode");
        const std::optional<std::uint64_t> mode =
            modeValue == nullptr ? ModeTriangles : Whole(modeValue);
        if (mode && *mode == ModePoints) {
            Tally("primitive of points", "primitives of points");
            return;
        }
        if (mode && *mode < ModeTriangles) {
            Tally("primitive of lines", "primitives of lines");
            return;
        }
        if (!mode || *mode > ModeFan) {
            Tally("primitive of an unknown mode", "primitives of an unknown mode");
            return;
        }
        if (const std::string* name = NeedsUnknown(&primitive)) {
            Tally("primitive that needs " + name->substr(0, 64),
                  "primitives that need " + name->substr(0, 64));
            return;
        }
        const Json* attributes = Member(&primitive, "attributes");
        const std::optional<std::size_t> positions =
            IndexIn(Member(attributes, "POSITION"), accessors_);
        if (!positions) {
            Tally("primitive without positions", "primitives without positions");
            return;
        }
        const auto skip = [&](const std::string& what, const TFault& fault) {
            Tally("primitive whose " + what + " " + fault,
                  "primitives whose " + what + " " + fault);
        };
        TAccessor position;
        if (TFault fault = Accessor(*positions, 3, position); !fault.empty()) {
            skip("positions", fault);
            return;
        }
        const std::size_t n = position.Count;
        // The vertex numbers in order (the indices, or the vertices themselves).
        TAccessor index;
        const Json* indicesValue = Member(&primitive, "indices");
        if (indicesValue != nullptr) {
            const std::optional<std::size_t> indices = IndexIn(indicesValue, accessors_);
            if (!indices) {
                skip("indices", "name no accessor");
                return;
            }
            if (TFault fault = Accessor(*indices, 1, index); !fault.empty()) {
                skip("indices", fault);
                return;
            }
            if (index.ComponentType != ComponentUnsignedByte &&
                index.ComponentType != ComponentUnsignedShort &&
                index.ComponentType != ComponentUnsignedInt) {
                skip("indices", "are not unsigned integers");
                return;
            }
        }
        const std::size_t m = indicesValue != nullptr ? index.Count : n;
        if (TriangleCount(*mode, m) == 0) {
            Tally("primitive without a triangle", "primitives without a triangle");
            return;
        }
        std::optional<std::size_t> mapping = IndexIn(Member(attributes, "TEXCOORD_0"), accessors_);
        const auto key = std::make_pair(*positions, mapping.value_or(Size(accessors_)));
        const auto found = shared.find(key);
        const Json* colourValue = Member(attributes, "COLOR_0");
        const std::uint64_t vertexCost =
            (found != shared.end() ? 0 : n * (mapping ? 2 : 1)) + (colourValue != nullptr ? n : 0);
        if (!Spend(m + vertexCost)) {
            Tally("primitive past what may be read", "primitives past what may be read");
            overspent_ = true;
            return;
        }
        // Indices of 32 bits side by side, as most files hold them, are read where they lie;
        // others are decoded first.
        const std::uint8_t* inPlace =
            indicesValue != nullptr && index.ComponentType == ComponentUnsignedInt &&
                    index.Stride == sizeof(std::uint32_t) && !index.Zeros && index.Sparse == nullptr
                ? index.Bytes.data()
                : nullptr;
        TValues<std::uint32_t> numbers;
        if (indicesValue != nullptr && inPlace == nullptr) {
            if (TFault fault = DecodeAll(index, numbers); !fault.empty()) {
                skip("indices", fault);
                return;
            }
        }
        const auto vertex = [&](std::size_t k) -> std::uint64_t {
            if (inPlace != nullptr) {
                return Load<std::uint32_t>(inPlace + sizeof(std::uint32_t) * k);
            }
            return indicesValue != nullptr ? numbers[k] : k;
        };
        std::size_t good = 0;
        std::size_t bad = 0;
        ForEachTriangle(*mode, m, [&](std::size_t a, std::size_t b, std::size_t c) {
            const bool inside = vertex(a) < n && vertex(b) < n && vertex(c) < n;
            good += inside ? 1 : 0;
            bad += inside ? 0 : 1;
        });
        outsideTriangles_ += bad;
        if (*mode == ModeTriangles && m % 3 != 0) {
            Tally("primitive whose last vertices make no whole triangle",
                  "primitives whose last vertices make no whole triangle");
        }
        if (good == 0) {
            return;
        }
        std::uint32_t first = 0;
        if (found != shared.end()) {
            first = found->second;
        } else {
            // Positions of floats, as nearly all are, are read where they lie, too.
            const std::uint8_t* pointsInPlace = position.ComponentType == ComponentFloat &&
                                                        !position.Zeros &&
                                                        position.Sparse == nullptr
                                                    ? position.Bytes.data()
                                                    : nullptr;
            TValues<float> points;
            if (pointsInPlace == nullptr) {
                if (TFault fault = DecodeAll(position, points); !fault.empty()) {
                    skip("positions", fault);
                    return;
                }
            }
            const auto coordinate = [&](std::size_t i, std::size_t k) -> double {
                if (pointsInPlace != nullptr) {
                    return Load<float>(pointsInPlace + i * position.Stride + sizeof(float) * k);
                }
                return points[3 * i + k];
            };
            TValues<float> coordinates;
            if (mapping) {
                if (const TFault fault = VertexValues(*mapping, 2, n, coordinates);
                    !fault.empty()) {
                    skip("mapping coordinates", fault + " (read without them)");
                    coordinates = {};
                }
            }
            if (builder_.VertexCount() == 0 && builder_.FaceCount() == 0) {
                builder_.Reserve(n, good); // the first primitive, as often the only one
            }
            first = builder_.VertexCount();
            const bool mapped = !coordinates.empty();
            builder_.AddVertices(n, mapped, [&](std::size_t i, TPoint3D& p, TTexCoord& uv) {
                const double x = coordinate(i, 0), y = coordinate(i, 1), z = coordinate(i, 2);
                p = {float(place.At(0, 0) * x + place.At(0, 1) * y + place.At(0, 2) * z +
                           place.At(0, 3)),
                     float(place.At(1, 0) * x + place.At(1, 1) * y + place.At(1, 2) * z +
                           place.At(1, 3)),
                     float(place.At(2, 0) * x + place.At(2, 1) * y + place.At(2, 2) * z +
                           place.At(2, 3))};
                if (mapped) {
                    uv = {coordinates[2 * i], 1 - coordinates[2 * i + 1]};
                }
            });
            shared.emplace(key, first);
        }
        const Json* materialValue = Member(&primitive, "material");
        const std::optional<std::size_t> glTFMaterial =
            materialValue != nullptr ? IndexIn(materialValue, materials_) : std::nullopt;
        const std::uint32_t smoothing = Member(attributes, "NORMAL") != nullptr ? 1 : 0;
        const auto number = [&](std::uint64_t v) { return std::uint32_t(first + v + 1); };
        // Vertex colours: each face in the mean of its corners' colours.
        TValues<float> colours;
        std::size_t channels = 0;
        if (colourValue != nullptr) {
            const std::optional<std::size_t> at = IndexIn(colourValue, accessors_);
            const std::string* type = at ? Text(Member(&(*accessors_)[*at], "type")) : nullptr;
            channels = type != nullptr && *type == "VEC3" ? 3 : 4;
            const TFault fault =
                at ? VertexValues(*at, channels, n, colours) : TFault("name no accessor");
            if (!fault.empty()) {
                skip("vertex colours", fault + " (read without them)");
                colours = {};
            }
        }
        // The file's material, unless every face has a colour of its own (a material that is not
        // there is told all the same).
        std::optional<std::uint32_t> own;
        const auto material = [&] {
            own = own ? own : MaterialNumber(materialValue);
            return *own;
        };
        if (colours.empty() || (materialValue != nullptr && !glTFMaterial)) {
            material();
        }
        const auto faceMaterial = [&](std::uint64_t a, std::uint64_t b, std::uint64_t c) {
            if (colours.empty()) {
                return material();
            }
            std::array<double, 3> mean{};
            for (std::size_t k = 0; k < 3; ++k) {
                const double sum = double(colours[a * channels + k]) + colours[b * channels + k] +
                                   colours[c * channels + k];
                mean[k] = std::isfinite(sum) ? Clamp01(sum / 3) : 0;
            }
            const std::optional<std::uint32_t> coloured = ColouredMaterial(glTFMaterial, mean);
            return coloured ? *coloured : material();
        };
        if (*mode == ModeTriangles && bad == 0 && colours.empty()) {
            // A list of triangles that all lie among the vertices, as most are: at once.
            builder_.AddFaces(m / 3, material(), smoothing, [&](std::size_t t, TFace3D& face) {
                const std::uint32_t a = number(vertex(3 * t)), b = number(vertex(3 * t + 1)),
                                    c = number(vertex(3 * t + 2));
                face = mirrored ? TFace3D{a, c, b} : TFace3D{a, b, c};
            });
        } else {
            ForEachTriangle(*mode, m, [&](std::size_t a, std::size_t b, std::size_t c) {
                const std::uint64_t va = vertex(a), vb = vertex(b), vc = vertex(c);
                if (va >= n || vb >= n || vc >= n) {
                    return;
                }
                const std::uint32_t painted = faceMaterial(va, vb, vc);
                if (mirrored) {
                    builder_.AddFace(number(va), number(vc), number(vb), painted, smoothing);
                } else {
                    builder_.AddFace(number(va), number(vb), number(vc), painted, smoothing);
                }
            });
        }
        if (Member(&primitive, "targets") != nullptr) {
            Tally("primitive drawn without its morph targets",
                  "primitives drawn without their morph targets");
        }
    }

    void PlaceMesh(const Json& mesh, const TMatrix& world) {
        const TMatrix place = YUpToZUp * world;
        const bool mirrored = place.Determinant3() < 0;
        std::map<std::pair<std::size_t, std::size_t>, std::uint32_t> shared;
        const Json* primitives = Member(&mesh, "primitives");
        for (std::size_t i = 0; i < Size(primitives) && !overspent_; ++i) {
            if (!Spend(1)) {
                overspent_ = true;
                break;
            }
            const Json& primitive = (*primitives)[i];
            if (!primitive.is_object()) {
                Tally("primitive that is no JSON object", "primitives that are no JSON objects");
                continue;
            }
            PlacePrimitive(primitive, place, mirrored, shared);
        }
    }

    // The node's own placement: its matrix, else translation, rotation and scale.
    TMatrix Local(const Json& node) {
        TMatrix local;
        const Json* matrix = Member(&node, "matrix");
        if (matrix != nullptr) {
            if (const auto values = Numbers<16>(matrix)) {
                for (std::size_t r = 0; r < 4; ++r) {
                    for (std::size_t c = 0; c < 4; ++c) {
                        local.M[r * 4 + c] = (*values)[c * 4 + r]; // glTF lists columns
                    }
                }
            } else {
                ++badPlacements_;
            }
            return local;
        }
        std::array<double, 3> t{0, 0, 0};
        std::array<double, 4> q{0, 0, 0, 1};
        std::array<double, 3> s{1, 1, 1};
        const auto take = [&]<std::size_t N>(const char* key, std::array<double, N>& value) {
            const Json* json = Member(&node, key);
            if (json == nullptr) {
                return;
            }
            if (const auto values = Numbers<N>(json)) {
                value = *values;
            } else {
                ++badPlacements_;
            }
        };
        take("translation", t);
        take("rotation", q);
        take("scale", s);
        const double norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        if (!(norm > 0) || !std::isfinite(norm)) {
            q = {0, 0, 0, 1};
            ++badPlacements_;
        } else {
            for (double& c : q) {
                c /= norm;
            }
        }
        const double x = q[0], y = q[1], z = q[2], w = q[3];
        const std::array<double, 9> r{
            1 - 2 * (y * y + z * z), 2 * (x * y - z * w),     2 * (x * z + y * w),
            2 * (x * y + z * w),     1 - 2 * (x * x + z * z), 2 * (y * z - x * w),
            2 * (x * z - y * w),     2 * (y * z + x * w),     1 - 2 * (x * x + y * y)};
        for (std::size_t row = 0; row < 3; ++row) {
            for (std::size_t c = 0; c < 3; ++c) {
                local.M[row * 4 + c] = r[row * 3 + c] * s[c];
            }
            local.M[row * 4 + 3] = t[row];
        }
        return local;
    }

    // The nodes the scene starts from.
    std::vector<std::size_t> Roots() {
        const Json* scenes = Member(&root_, "scenes");
        const Json* chosen = Member(&root_, "scene");
        std::optional<std::size_t> scene = IndexIn(chosen, scenes);
        if (!scene && Size(scenes) > 0) {
            if (chosen != nullptr) {
                builder_.Note(TLooksNote::TKind::PartSkipped,
                              "the scene the file names, which it lacks: its first is shown");
            }
            scene = 0;
        }
        std::vector<std::size_t> roots;
        const std::size_t nodeCount = Size(nodes_);
        if (scene) {
            const Json* list = Member(&(*scenes)[*scene], "nodes");
            for (std::size_t i = 0; i < Size(list); ++i) {
                if (const auto node = IndexIn(&(*list)[i], nodes_)) {
                    roots.push_back(*node);
                } else {
                    ++missingNodes_;
                }
            }
            return roots;
        }
        if (nodeCount > 0) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          "a scene, which the file lacks: every node that is no other's child "
                          "is shown");
        }
        std::vector<bool> child(nodeCount, false);
        for (std::size_t i = 0; i < nodeCount; ++i) {
            const Json* children = Member(&(*nodes_)[i], "children");
            for (std::size_t k = 0; k < Size(children); ++k) {
                if (const auto node = IndexIn(&(*children)[k], nodes_)) {
                    child[*node] = true;
                }
            }
        }
        for (std::size_t i = 0; i < nodeCount; ++i) {
            if (!child[i]) {
                roots.push_back(i);
            }
        }
        return roots;
    }

    // Walks the scene's nodes depth-first in order, each at most once, placing their meshes; with
    // the first mesh, stops at the first placement that gives a triangle.
    void PlaceScene() {
        struct TFrame {
            std::size_t Node;
            TMatrix World;
            std::size_t Next = 0;
        };
        std::vector<std::uint8_t> visited(Size(nodes_), 0);
        std::vector<TFrame> stack;
        bool done = false;
        // Visits a node under its parent's placement, placing its mesh.
        const auto visit = [&](std::size_t node, const TMatrix& parent) {
            if (visited[node] != 0) {
                ++metAgain_;
                return;
            }
            visited[node] = 1;
            const Json& json = (*nodes_)[node];
            TFrame frame{node, parent * Local(json)};
            if (const Json* meshValue = Member(&json, "mesh")) {
                const std::optional<std::size_t> mesh = IndexIn(meshValue, meshes_);
                if (!mesh) {
                    ++missingMeshes_;
                } else {
                    ++placements_;
                    // Named as the mesh is, else as its node.
                    const std::string* name = Text(Member(&(*meshes_)[*mesh], "name"));
                    if (name == nullptr || name->empty()) {
                        name = Text(Member(&json, "name"));
                    }
                    const std::size_t before = builder_.FaceCount();
                    builder_.BeginMesh(name != nullptr ? *name : std::string());
                    PlaceMesh((*meshes_)[*mesh], frame.World);
                    if (part_ == TModelPart::FirstMesh && builder_.FaceCount() > before) {
                        firstName_ = name != nullptr ? *name : std::string();
                        done = true;
                    }
                }
            }
            stack.push_back(std::move(frame));
        };
        for (const std::size_t root : Roots()) {
            if (done || overspent_) {
                break;
            }
            visit(root, TMatrix{});
            while (!stack.empty() && !done && !overspent_) {
                TFrame& top = stack.back();
                const Json* children = Member(&(*nodes_)[top.Node], "children");
                if (top.Next >= Size(children)) {
                    stack.pop_back();
                    continue;
                }
                const Json& childValue = (*children)[top.Next++];
                if (const auto child = IndexIn(&childValue, nodes_)) {
                    const TMatrix parent = top.World; // the push may move the frame
                    visit(*child, parent);
                } else {
                    ++missingNodes_;
                }
            }
            stack.clear();
        }
        if (placements_ == 0 && Size(meshes_) > 0) {
            builder_.Note(TLooksNote::TKind::PartSkipped,
                          "the meshes, which no node of the scene places");
        }
    }

    void TellNotes() {
        const auto note = [&](const std::string& text) {
            builder_.Note(TLooksNote::TKind::PartSkipped, text);
        };
        if (cutShort_) {
            note("the end of the binary file, which is cut short");
        }
        for (const auto& [what, count] : tallies_) {
            note(Counted(count, what.first, what.second));
        }
        if (uncolouredFaces_ > 0) {
            note(Counted(uncolouredFaces_,
                         "face drawn without its vertex colours, past " +
                             std::to_string(MaxColouredMaterials) + " colours",
                         "faces drawn without their vertex colours, past " +
                             std::to_string(MaxColouredMaterials) + " colours"));
        }
        if (outsideTriangles_ > 0) {
            note(Counted(outsideTriangles_, "triangle that names a vertex its primitive lacks",
                         "triangles that name a vertex their primitive lacks"));
        }
        if (metAgain_ > 0) {
            note(Counted(metAgain_, "node met again in the hierarchy (a cycle or a second parent)",
                         "nodes met again in the hierarchy (cycles or second parents)"));
        }
        if (missingNodes_ > 0) {
            note(Counted(missingNodes_, "child or scene node that the file lacks",
                         "children or scene nodes that the file lacks"));
        }
        if (missingMeshes_ > 0) {
            note(Counted(missingMeshes_, "node whose mesh the file lacks",
                         "nodes whose meshes the file lacks"));
        }
        if (badPlacements_ > 0) {
            note(Counted(badPlacements_,
                         "malformed node placement (matrix, translation, "
                         "rotation or scale), taken as none",
                         "malformed node placements (matrix, translation, rotation or scale), "
                         "taken as none"));
        }
        if (overspent_) {
            note("the rest of the scene: its meshes would read more than " +
                 std::to_string(RepeatAllowance) + " elements beyond the file's bytes");
        }
        if (filesNotTold_ > 0) {
            note(Counted(filesNotTold_, "more buffer file missing or unreadable",
                         "more buffer files missing or unreadable"));
        }
    }

    const TModelSource& source_;
    TModelPart part_;
    TModelBuilder& builder_;

    Json root_;
    TBytes bin_;
    bool hasBin_ = false;
    bool cutShort_ = false;
    const Json* accessors_ = nullptr;
    const Json* views_ = nullptr;
    const Json* buffersJson_ = nullptr;
    const Json* meshes_ = nullptr;
    const Json* nodes_ = nullptr;
    const Json* materials_ = nullptr;
    const Json* textures_ = nullptr;
    const Json* images_ = nullptr;
    const Json* samplers_ = nullptr;

    std::vector<TBuffer> buffers_;
    std::vector<std::int64_t> materialNumbers_; // -1: not yet added
    std::vector<std::optional<TMaterial>> madeMaterials_;
    // Materials of faces of vertex colours: glTF material + 1 (0: none) << 15 | colour.
    std::unordered_map<std::uint64_t, std::uint32_t> colouredMaterials_;
    std::vector<std::int64_t> imageNumbers_; // -2: not yet tried; -1: unreadable
    std::set<std::string, std::less<>> requiredUnknown_;
    std::uint64_t companionBytes_ = 0;
    std::uint64_t spent_ = 0;
    std::uint64_t embeddedBytes_ = 0;
    bool overspent_ = false;

    std::map<std::pair<std::string, std::string>, std::size_t> tallies_;
    std::size_t outsideTriangles_ = 0;
    std::size_t uncolouredFaces_ = 0;
    std::size_t placements_ = 0;
    std::size_t metAgain_ = 0;
    std::size_t missingNodes_ = 0;
    std::size_t missingMeshes_ = 0;
    std::size_t badPlacements_ = 0;
    std::size_t fileNotes_ = 0;
    std::size_t filesNotTold_ = 0;
    std::string firstName_;
};

} // namespace

std::string ReadGltf(const TModelSource& source, TModelPart part, TModelBuilder& builder) {
    try {
        return TGltfReader(source, part, builder).Read();
    } catch (const Json::exception& error) {
        throw RuntimeError(std::string("glTF: ") + error.what());
    }
}

} // namespace Plexa3DFormats
