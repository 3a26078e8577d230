// The depth buffer of a pane: for every pixel the nearest surface filled so far and the face it
// belongs to. It lives as long as the pane: Prepare allocates only when the size changes, and
// each drawing starts with Clear.
//
// Depths are kept as keys, smaller meaning nearer. A vertex's depth d is its distance along the
// viewing direction, d = -z in parallel projection and d = MoveBack - z in perspective. The key is
// d in parallel projection and -1/d in perspective: both vary linearly across a face on the pane,
// which is how depth is interpolated. An empty pixel holds +infinity and owner 0.
#pragma once

#include "DrawingState.h"
#include "MeshObject.h"
#include "Renderer.h"

#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace ZuveloGraphLibrary {

inline constexpr float EmptyDepthKey = std::numeric_limits<float>::infinity();

// A box of pixels, both ends included; empty when Left > Right.
struct TPixelBox {
    std::int32_t Left = 0, Top = 0, Right = -1, Bottom = -1;

    bool Empty() const { return Left > Right || Top > Bottom; }
    void Add(std::int32_t x, std::int32_t y);
    void Add(const TPixelBox& other);
};

class TDepthBuffer {
public:
    // What one FillDepth call filled: faces i of Object own the pixels whose owner is FirstOwner
    // + i, for i in 1 to Faces; Box holds every pixel they won when they were filled.
    struct TFill {
        const TObject3D* Object = nullptr;
        std::uint32_t FirstOwner = 0;
        std::int32_t Faces = 0;
        TPixelBox Box;
    };

    // Sizes the buffer for a pane and clears it; allocates only when the size changes.
    void Prepare(std::int32_t width, std::int32_t height);
    // Every pixel back to empty, the fills forgotten. Only the pixels filled since the last
    // clear are touched.
    void Clear();

    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    float Key(std::int32_t x, std::int32_t y) const { return keys_[Index(x, y)]; }
    std::uint32_t Owner(std::int32_t x, std::int32_t y) const { return owners_[Index(x, y)]; }
    float* Keys() { return keys_.data(); }
    std::uint32_t* Owners() { return owners_.data(); }
    const float* Keys() const { return keys_.data(); }
    const std::uint32_t* Owners() const { return owners_.data(); }

    // Starts the record of a fill of `faces` faces; null when the owner numbers are used up.
    TFill* BeginFill(const TObject3D& object, std::int32_t faces);
    // The last fill of this object since the clear, or null.
    const TFill* FindFill(const TObject3D& object) const;

    // A layer beside the buffer, as large as it: a thread that fills a part of an object's faces
    // while another fills the rest fills one, empty between fills.
    struct TLayer {
        std::vector<float> Keys;
        std::vector<std::uint32_t> Owners;
    };
    // Makes layers 0 to count - 1 ready; their places hold until the next call.
    void PrepareLayers(std::size_t count);
    TLayer& Layer(std::size_t n) { return layers_[n]; }
    // Layers 0 to boxes.size() - 1 merged in turn, each within its box: a pixel whose key in the
    // layer is smaller than the buffer's takes the layer's key and owner, so that of equal keys the
    // one merged first stays, as the face filled first does. The boxes of the layers are left
    // empty. A large box is merged in bands of rows side by side.
    void MergeLayers(std::span<const TPixelBox> boxes);

    // Room kept from drawing to drawing, so that a drawing allocates nothing once it has grown:
    // the corners of the vertices, their keys and the colours of faces.
    std::vector<TPlacedCorner> PlacedScratch;
    std::vector<double> KeyScratch;
    std::vector<TColorRGB> ColorScratch;

private:
    std::size_t Index(std::int32_t x, std::int32_t y) const {
        return std::size_t(y) * std::size_t(width_) + std::size_t(x);
    }

    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<float> keys_;
    std::vector<std::uint32_t> owners_;
    std::vector<TFill> fills_;
    // Merges the rows from top to bottom of the layer's box.
    void MergeRows(TLayer& layer, const TPixelBox& box, std::int32_t top, std::int32_t bottom);

    std::vector<TLayer> layers_;
    std::uint32_t nextOwner_ = 1;
    TPixelBox dirty_; // every pixel filled since the last clear
};

} // namespace ZuveloGraphLibrary
