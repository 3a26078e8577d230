// The in-memory mesh record and its transforms. An object has no orientation of its own: every
// rotation and scaling rewrites the local vertices in place, and TransformObject derives the world
// vertices by adding the position.
#pragma once

#include "GraphErrors.h"
#include "LargeBlocks.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <type_traits>

namespace ZuveloGraphLibrary {

struct TPoint3D {
    float X = 0;
    float Y = 0;
    float Z = 0;
};

// Whether all three coordinates are finite; without a branch per coordinate, as the readers check
// every vertex of a model.
inline bool Finite(const TPoint3D& p) {
    return static_cast<bool>(int{std::isfinite(p.X)} & int{std::isfinite(p.Y)} &
                             int{std::isfinite(p.Z)});
}

// One triangle: three vertex numbers, counted from 1. A single .3DS list numbers its vertices in
// 16 bits, but a whole model joins many lists, so the record holds 32.
struct TFace3D {
    std::uint32_t A = 0;
    std::uint32_t B = 0;
    std::uint32_t C = 0;
};

// Whether all three vertex numbers of a face lie in 1..vertexCount; for a count below 1 none do.
inline bool FaceInRange(const TFace3D& face, std::int32_t vertexCount) {
    const auto count = static_cast<std::uint32_t>(vertexCount < 0 ? 0 : vertexCount);
    return face.A - 1 < count && face.B - 1 < count && face.C - 1 < count; // 0 wraps to the top
}

// An array indexed from 1 to Count(), allocated once for a count and zero-filled. It never
// resizes; a record's count may later differ from its array's, so loops take the smaller.
// Entries are plain records of numbers: all bits zero is each one's zero value, and the storage
// comes straight from the C allocator, so that a large zero-filled array costs no pass over it
// and an array about to be written whole is not filled first.
template <class T> class TOneBasedArray {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);

public:
    bool Empty() const { return count_ == 0; }
    std::int32_t Count() const { return count_; }
    T& operator[](std::int32_t i) { return items_[i - 1]; }
    const T& operator[](std::int32_t i) const { return items_[i - 1]; }
    T* begin() { return items_.get(); }
    T* end() { return items_.get() + count_; }
    const T* begin() const { return items_.get(); }
    const T* end() const { return items_.get() + count_; }

    // Raises "Out of memory" when the allocation fails. A caller that is about to write every
    // entry can ask for the entries to be left unset.
    enum class TFill { Zero, Unset };
    void Allocate(std::int32_t count, TFill fill = TFill::Zero) {
        const auto n = static_cast<std::size_t>(count);
        if (n == 0) {
            Release();
            return;
        }
        items_.reset(static_cast<T*>(fill == TFill::Zero ? std::calloc(n, sizeof(T))
                                                         : std::malloc(n * sizeof(T))));
        if (!items_) {
            count_ = 0;
            throw OutOfMemoryError();
        }
        AdviseLargeBlock(items_.get(), n * sizeof(T));
        count_ = count;
    }
    void Release() {
        items_.reset();
        count_ = 0;
    }
    // Takes a block from the C allocator (malloc or realloc) that holds at least `count` entries,
    // and frees it in its turn; with a count of 0 the block is freed at once.
    void Adopt(T* items, std::int32_t count) noexcept {
        items_.reset(items);
        count_ = count;
        if (count <= 0) {
            Release();
        }
    }

private:
    struct TFree {
        void operator()(T* items) const { std::free(items); }
    };
    std::unique_ptr<T[], TFree> items_;
    std::int32_t count_ = 0;
};

struct TObject3D {
    std::string Name; // at most 80 single-byte characters, kept as read
    TPoint3D Position;
    TPoint3D Pivot;
    // A .3DS list carries up to 65535 entries, so the counts are wider than 16 bits.
    std::int32_t FaceCount = 0;
    std::int32_t VertexCount = 0;
    TOneBasedArray<TFace3D> Faces;
    TOneBasedArray<TPoint3D> Vertices;      // local coordinates
    TOneBasedArray<TPoint3D> WorldVertices; // local plus Position, as of the last TransformObject
};

inline constexpr std::size_t MaxObjectNameLength = 80;

// Creates a record in an empty slot; a slot that already holds one is left alone.
void NewObject3D(std::unique_ptr<TObject3D>& slot);

// Each allocates its array, for the count the record holds now, only if it is still empty and
// the count is at least 1.
void AllocFaces(TObject3D& object);
void AllocVertices(TObject3D& object);
void AllocObjectArrays(TObject3D& object); // Faces, Vertices, WorldVertices, in that order

// Empty name, counts 0, arrays released; Position and Pivot are kept.
void ClearObject3D(TObject3D& object);

void SetObjectPosition(std::int32_t X, std::int32_t Y, std::int32_t Z, TObject3D& object);
void SetObjectPivot(std::int32_t X, std::int32_t Y, std::int32_t Z, TObject3D& object);

// Multiplies every local coordinate by the factor, about the local origin.
void ScaleObject(TObject3D& object, float factor);

// Turn the local vertices by whole degrees about the point at minus Pivot: about X from +Y
// towards -Z, about Y from +X towards +Z, about Z from +X towards +Y. A negative angle uses the
// table entry 360 + angle; angles beyond +-360 are first reduced modulo 360.
void RotateObjectX(std::int32_t angle, TObject3D& object);
void RotateObjectY(std::int32_t angle, TObject3D& object);
void RotateObjectZ(std::int32_t angle, TObject3D& object);

// About X, then Y, then Z; a zero angle skips its turn.
void RotateObject(std::int32_t angleX, std::int32_t angleY, std::int32_t angleZ, TObject3D& object);

// WorldVertices[i] := Vertices[i] + Position.
void TransformObject(TObject3D& object);

} // namespace ZuveloGraphLibrary
