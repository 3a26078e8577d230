// The one way the readers of the other formats fill the mesh record and the model's looks: they
// add vertices (with mapping coordinates where the file has them), faces (with a material and
// smoothing groups), materials and notes as they read, and Finish puts it all into the record.
//
// Finish keeps the faces whose three vertex numbers lie in 1 to the vertices added and whose
// vertices are finite, in the order added; it counts those with a vertex that is not finite as
// the 3DS readers do, and notes how many named a vertex that is not there. Per-face and per-vertex
// looks are kept only where some face or vertex has them. The counts are the record's, up to
// 2^31 - 1; a model that would pass them raises "Out of memory", as does an allocation that fails.
#pragma once

#include "GraphErrors.h"
#include "Import3DSModel.h"
#include "LargeBlocks.h"
#include "MeshObject.h"
#include "ModelLooks.h"
#include "SideBySide.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <type_traits>
#include <vector>

namespace Plexa3DFormats {

// Entries in one block from the C allocator, grown by realloc (which moves a large block by
// remapping its pages, not by copying them), that the mesh record can then take as it is.
template <class T> class TGrowingBlock {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    T& operator[](std::size_t i) { return items_.get()[i]; }
    const T& operator[](std::size_t i) const { return items_.get()[i]; }
    // Raises std::bad_alloc when the room cannot be had.
    void reserve(std::size_t count) {
        if (count > capacity_) {
            Grow(count);
        }
    }
    void push_back(const T& item) {
        if (size_ == capacity_) {
            Grow(std::max<std::size_t>(FirstRoom, 2 * capacity_));
        }
        items_.get()[size_++] = item;
    }
    // `count` entries more, left for the caller to write: the first of them.
    T* extend(std::size_t count) {
        if (count > capacity_ - size_) {
            if (count > std::numeric_limits<std::size_t>::max() - size_) {
                throw std::bad_alloc();
            }
            Grow(std::max({FirstRoom, 2 * capacity_, size_ + count}));
        }
        T* added = items_.get() + size_;
        size_ += count;
        return added;
    }
    // The block, for TOneBasedArray::Adopt; this is left empty.
    T* release() {
        size_ = capacity_ = 0;
        return items_.release();
    }

private:
    static constexpr std::size_t FirstRoom = 64;
    void Grow(std::size_t count) {
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) {
            throw std::bad_alloc();
        }
        void* grown = std::realloc(items_.get(), count * sizeof(T));
        if (grown == nullptr) {
            throw std::bad_alloc(); // the old block is still held
        }
        static_cast<void>(items_.release()); // realloc has freed or kept it
        items_.reset(static_cast<T*>(grown));
        ZuveloGraphLibrary::AdviseLargeBlock(grown, count * sizeof(T));
        capacity_ = count;
    }
    struct TFree {
        void operator()(T* items) const { std::free(items); }
    };
    std::unique_ptr<T, TFree> items_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// Room in a list kept beside the vertices or the faces for `total` values, grown as the block
// beside it is (`blockRoom`, its room), its new room advised as the block's is.
template <class T>
void RoomBeside(std::vector<T>& values, std::size_t total, std::size_t blockRoom) {
    if (total > values.capacity()) {
        ZuveloGraphLibrary::ReserveLarge(values, std::max({total, blockRoom, 2 * values.size()}));
    }
}

using ZuveloGraphLibrary::TLooksNote;
using ZuveloGraphLibrary::TMaterial;
using ZuveloGraphLibrary::TModelLooks;
using ZuveloGraphLibrary::TModelReading;
using ZuveloGraphLibrary::TObject3D;
using ZuveloGraphLibrary::TPoint3D;
using ZuveloGraphLibrary::TTexCoord;

// A count and its noun, as the readers' notes say it: "1 face", "2 faces".
inline std::string Plural(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// Refuses a file of the format named ("OFF", "PLY"): RuntimeError "FORMAT: WHY".
[[noreturn]] inline void Refuse(const char* format, const std::string& why) {
    throw ZuveloGraphLibrary::RuntimeError(std::string(format) + ": " + why);
}

// How many plain items (triangles, vertices) a reader reads and adds at once, while their bytes
// are still at hand.
inline constexpr std::size_t ItemBlock = 4096;

// Items read and added a block at a time, as long as whole blocks come: block(most) reads at most
// `most` of them (at most ItemBlock), adds them, and returns how many it read. Their number, at
// most `most`.
template <class TBlock> std::uint64_t InBlocks(std::uint64_t most, const TBlock& block) {
    std::uint64_t total = 0;
    for (;;) {
        const std::size_t count =
            block(std::size_t(std::min<std::uint64_t>(most - total, ItemBlock)));
        total += count;
        if (count < ItemBlock) {
            return total;
        }
    }
}

// Past its first block, a run of a text's plain items goes on a stretch of the text at a time,
// read by two threads at once: the stretch's first half, up to a line's start, and the rest. A
// stretch is at most PieceBytes long, no longer than the run has read so far (so that the reading
// thrown away when the first half's does not end where the second's began is never more than
// what was kept), and no longer than the items the run may still take could fill; one shorter
// than LeastPieceBytes is read a block at a time.
inline constexpr std::size_t PieceBytes = std::size_t(1) << 19;
inline constexpr std::size_t LeastPieceBytes = std::size_t(1) << 16;

// A plain triangle, written as text, takes 8 bytes at least: "3 0 1 2" and a blank after it.
inline constexpr std::size_t ShortestTriangle = 8;

// Items of a text, `width` values of type T each, as InBlocks reads and adds them, the text
// standing at `at` and ending at `end`; their number, at most `most`. read(p, stop, values, room)
// reads the items that begin before `stop` from p on, at most `room`, into `values`, and moves p
// past them and the blanks after them up to `stop`; it stops before an item of any other form,
// returns how many it read, and must do no more, since two may run at once. add(values, count)
// adds them, in the text's order. An item takes `shortest` bytes at least, its blank after it
// included.
template <class T, class TRead, class TAdd>
std::uint64_t InLinePieces(const char*& at, const char* end, std::uint64_t most, std::size_t width,
                           std::size_t shortest, std::vector<T>& first, std::vector<T>& second,
                           const TRead& read, const TAdd& add) {
    const auto lineAfter = [end](const char* from) {
        const void* found = std::memchr(from, '\n', std::size_t(end - from));
        return found ? static_cast<const char*>(found) + 1 : end;
    };
    const char* const begun = at;
    std::uint64_t total = 0;
    while (total < most) {
        const std::uint64_t left = most - total;
        // Items beginning before at + stretch, `shortest` apart, are at most `left` of them.
        const auto bytes = std::uint64_t(end - at);
        const auto stretch = std::size_t(std::min<std::uint64_t>(
            {PieceBytes, std::uint64_t(at - begun), std::min(left - 1, bytes) * shortest, bytes}));
        const char* half = stretch >= LeastPieceBytes ? lineAfter(at + stretch / 2) : end;
        const char* stop = half != end ? lineAfter(at + stretch - 1) : end;
        if (half == end || half == stop) {
            const auto room = std::size_t(std::min<std::uint64_t>(left, ItemBlock));
            first.resize(width * ItemBlock);
            const std::size_t count = read(at, end, first.data(), room);
            add(first.data(), count);
            total += count;
            if (count < ItemBlock) {
                break;
            }
            continue;
        }
        const std::size_t room = stretch / shortest + 1;
        first.resize(width * room);
        second.resize(width * room);
        const char* p = at;
        const char* q = half;
        std::size_t counts[2] = {};
        ZuveloGraphLibrary::RunSideBySide(2, [&](std::size_t piece) {
            counts[piece] =
                piece == 0 ? read(p, half, first.data(), room) : read(q, stop, second.data(), room);
        });
        add(first.data(), counts[0]);
        total += counts[0];
        at = p;
        if (p < half) {
            break; // before an item of another form
        }
        if (p > half) {
            continue; // an item ran on past the half's start: the second half was read amiss
        }
        add(second.data(), counts[1]);
        total += counts[1];
        at = q;
        if (q != stop) {
            break;
        }
    }
    return total;
}

class TModelBuilder {
public:
    // A mesh begins: the faces added from now on are its own, until the next begins. Its name is
    // kept for the looks' meshes; the meshes are counted for the reading.
    void BeginMesh(const std::string& name = {});

    // The vertex's number, from 1.
    std::uint32_t AddVertex(const TPoint3D& point) {
        Count(vertices_.size());
        verticesNotFinite_ += Finite(point) ? 0 : 1;
        vertices_.push_back(point);
        if (!mapping_.empty()) {
            NoMapping();
        }
        return std::uint32_t(vertices_.size());
    }
    std::uint32_t AddVertex(const TPoint3D& point, const TTexCoord& mapping);
    std::uint32_t VertexCount() const { return std::uint32_t(vertices_.size()); }

    // `count` vertices at once, as AddVertex adds them one by one (with their mapping
    // coordinates where `mapped`): fill(i, point, mapping) writes the i-th, from 0, into the
    // record's own room. The number of the first.
    template <class TFill>
    std::uint32_t AddVertices(std::size_t count, bool mapped, const TFill& fill);

    // As AddVertices without mapping coordinates, but fill(i, point) is called on several
    // threads at once when there are many: each i once, on any of them.
    template <class TFill>
    std::uint32_t AddVerticesSideBySide(std::size_t count, const TFill& fill);

    // Vertex numbers from 1; `material` is a number AddMaterial gave, or 0 for the default.
    void AddFace(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t material = 0,
                 std::uint32_t smoothing = 0) {
        Count(faces_.size());
        faces_.push_back({a, b, c});
        KeepBeside(faceMaterials_, material < materials_.size() ? material : 0);
        KeepBeside(faceSmoothing_, smoothing);
    }
    std::size_t FaceCount() const { return faces_.size(); }

    // `count` faces of one material and smoothing mask at once, as AddFace adds them one by one:
    // fill(i, face) writes the i-th, from 0, its vertex numbers from 1.
    template <class TFill>
    void AddFaces(std::size_t count, std::uint32_t material, std::uint32_t smoothing,
                  const TFill& fill);

    // The material's number (from 1; 0 is the default material).
    std::uint32_t AddMaterial(const TMaterial& material);
    std::size_t MaterialCount() const { return materials_.size() - 1; }

    // An image the model file holds itself; its number, for TTextureMap::Embedded.
    std::int32_t AddEmbeddedImage(std::vector<std::uint8_t> bytes);

    void Note(TLooksNote::TKind kind, const std::string& subject);

    // Room for this many more, when the file says how many are coming and the bytes can hold them.
    void Reserve(std::size_t vertices, std::size_t faces);

    // Puts the model into the record, named `name` (cut to 80 bytes), and its looks, finished.
    // The builder is left empty.
    TModelReading Finish(const std::string& name, TObject3D& object, TModelLooks& looks);

private:
    static constexpr std::size_t MaxCount = std::numeric_limits<std::int32_t>::max();
    void Count(std::size_t count) const {
        if (count >= MaxCount) {
            throw ZuveloGraphLibrary::OutOfMemoryError();
        }
    }
    // As Count for each of `more` entries after `count`.
    void CountMore(std::size_t count, std::size_t more) const {
        if (more > 0) {
            Count(count + std::min(more - 1, MaxCount));
        }
    }
    // Room for `count` vertices more, left for the caller to write: the first of them. Their
    // mapping coordinates, (0, 0), come to `coordinates` when they or those before have any.
    TPoint3D* MoreVertices(std::size_t count, bool mapped, TTexCoord*& coordinates) {
        const std::size_t before = vertices_.size();
        CountMore(before, count);
        const bool beside = mapped || !mapping_.empty();
        if (beside) {
            RoomBeside(mapping_, before + count, std::max(vertices_.capacity(), before + count));
        }
        TPoint3D* points = vertices_.extend(count);
        coordinates = nullptr;
        if (beside) {
            mapping_.resize(before + count); // (0, 0) for the vertices before and those without
            coordinates = mapping_.data() + before;
        }
        return points;
    }
    // Whether `count` more faces' values, all `value`, are kept beside the faces: once one of
    // them or of those before is not 0. If so, room for them.
    bool RoomForMany(std::vector<std::uint32_t>& values, std::size_t total, std::uint32_t value) {
        if (value == 0 && values.empty()) {
            return false;
        }
        RoomBeside(values, total, std::max(faces_.capacity(), total));
        return true;
    }
    // The last vertex added has no mapping coordinates though others have: (0, 0).
    void NoMapping();
    // A value for the face just added, kept beside the faces once one is not 0: the faces
    // before it get 0.
    void KeepBeside(std::vector<std::uint32_t>& values, std::uint32_t value) {
        if (!values.empty() && values.size() < values.capacity()) {
            values.push_back(value); // as long as the faces before it already, with room
        } else if (value != 0 || !values.empty()) {
            KeepBesideGrowing(values, value);
        }
    }
    void KeepBesideGrowing(std::vector<std::uint32_t>& values, std::uint32_t value);

    TGrowingBlock<TPoint3D> vertices_;
    std::size_t verticesNotFinite_ = 0; // faces are checked against them only when there are any
    std::vector<TTexCoord> mapping_; // as long as vertices_ once a vertex has mapping coordinates
    TGrowingBlock<ZuveloGraphLibrary::TFace3D> faces_;
    std::vector<std::uint32_t> faceMaterials_; // as long as faces_ once a face has a material
    std::vector<std::uint32_t> faceSmoothing_; // likewise, for smoothing groups
    std::vector<TMaterial> materials_{TMaterial{}};
    std::vector<TLooksNote> notes_;
    std::vector<std::vector<std::uint8_t>> embedded_;
    std::vector<ZuveloGraphLibrary::TMeshPart> meshes_; // Count filled in at Finish
};

template <class TFill>
std::uint32_t TModelBuilder::AddVertices(std::size_t count, bool mapped, const TFill& fill) {
    const std::size_t before = vertices_.size();
    TTexCoord* coordinates = nullptr;
    TPoint3D* points = MoreVertices(count, mapped, coordinates);
    std::size_t notFinite = 0;
    TTexCoord unkept;
    for (std::size_t i = 0; i < count; ++i) {
        TTexCoord& mapping = mapped ? coordinates[i] : unkept;
        fill(i, points[i], mapping);
        notFinite += Finite(points[i]) ? 0 : 1;
        if (mapped) {
            mapping.U = std::isfinite(mapping.U) ? mapping.U : 0;
            mapping.V = std::isfinite(mapping.V) ? mapping.V : 0;
        }
    }
    verticesNotFinite_ += notFinite;
    return std::uint32_t(before + 1);
}

template <class TFill>
std::uint32_t TModelBuilder::AddVerticesSideBySide(std::size_t count, const TFill& fill) {
    // Below this many, waking a thread costs more than it saves.
    constexpr std::size_t SideBySideVertices = std::size_t(1) << 16;
    const std::size_t pieces =
        count >= SideBySideVertices
            ? ZuveloGraphLibrary::SideBySideThreads(ZuveloGraphLibrary::MaxSideBySide)
            : 1;
    if (pieces == 1) {
        return AddVertices(count, false,
                           [&](std::size_t i, TPoint3D& point, TTexCoord&) { fill(i, point); });
    }
    const std::size_t before = vertices_.size();
    TTexCoord* coordinates = nullptr;
    TPoint3D* points = MoreVertices(count, false, coordinates);
    std::size_t notFinite[ZuveloGraphLibrary::MaxSideBySide] = {};
    ZuveloGraphLibrary::RunSideBySide(pieces, [&](std::size_t piece) {
        std::size_t found = 0;
        for (std::size_t i = count * piece / pieces; i < count * (piece + 1) / pieces; ++i) {
            fill(i, points[i]);
            found += Finite(points[i]) ? 0 : 1;
        }
        notFinite[piece] = found;
    });
    for (std::size_t piece = 0; piece < pieces; ++piece) {
        verticesNotFinite_ += notFinite[piece];
    }
    return std::uint32_t(before + 1);
}

template <class TFill>
void TModelBuilder::AddFaces(std::size_t count, std::uint32_t material, std::uint32_t smoothing,
                             const TFill& fill) {
    const std::size_t before = faces_.size();
    CountMore(before, count);
    material = material < materials_.size() ? material : 0;
    const bool materials = RoomForMany(faceMaterials_, before + count, material);
    const bool smooth = RoomForMany(faceSmoothing_, before + count, smoothing);
    ZuveloGraphLibrary::TFace3D* faces = faces_.extend(count);
    for (std::size_t i = 0; i < count; ++i) {
        fill(i, faces[i]);
    }
    // The faces before get 0 where these are the first with a value.
    if (materials) {
        faceMaterials_.resize(before, 0);
        faceMaterials_.resize(before + count, material);
    }
    if (smooth) {
        faceSmoothing_.resize(before, 0);
        faceSmoothing_.resize(before + count, smoothing);
    }
}

} // namespace Plexa3DFormats
