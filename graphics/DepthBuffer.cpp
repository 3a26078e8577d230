#include "DepthBuffer.h"

#include "SideBySide.h"

#include <algorithm>

namespace ZuveloGraphLibrary {

namespace {

// Merges of at least this many pixels are shared out in bands of rows; a smaller one costs less
// than waking a thread.
constexpr std::int64_t SideBySideMergePixels = 1 << 15;

} // namespace

void TPixelBox::Add(std::int32_t x, std::int32_t y) {
    if (Empty()) {
        *this = {x, y, x, y};
        return;
    }
    Left = std::min(Left, x);
    Top = std::min(Top, y);
    Right = std::max(Right, x);
    Bottom = std::max(Bottom, y);
}

void TPixelBox::Add(const TPixelBox& other) {
    if (!other.Empty()) {
        Add(other.Left, other.Top);
        Add(other.Right, other.Bottom);
    }
}

void TDepthBuffer::Prepare(std::int32_t width, std::int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width != width_ || height != height_) {
        width_ = width;
        height_ = height;
        const std::size_t n = std::size_t(width) * std::size_t(height);
        keys_.assign(n, EmptyDepthKey);
        owners_.assign(n, 0);
        layers_.clear();
        dirty_ = {};
    }
    Clear();
}

void TDepthBuffer::Clear() {
    for (const TFill& fill : fills_) {
        dirty_.Add(fill.Box);
    }
    if (!dirty_.Empty()) {
        const auto columns = std::size_t(dirty_.Right - dirty_.Left + 1);
        for (std::int32_t y = dirty_.Top; y <= dirty_.Bottom; ++y) {
            const std::size_t first = Index(dirty_.Left, y);
            std::fill_n(keys_.begin() + std::ptrdiff_t(first), columns, EmptyDepthKey);
            std::fill_n(owners_.begin() + std::ptrdiff_t(first), columns, 0u);
        }
    }
    dirty_ = {};
    fills_.clear();
    nextOwner_ = 1;
}

void TDepthBuffer::PrepareLayers(std::size_t count) {
    if (layers_.size() < count) {
        layers_.resize(count);
    }
    const std::size_t n = keys_.size();
    for (std::size_t k = 0; k < count; ++k) {
        TLayer& layer = layers_[k];
        if (layer.Keys.size() != n) {
            layer.Keys.assign(n, EmptyDepthKey);
            layer.Owners.assign(n, 0);
        }
    }
}

void TDepthBuffer::MergeLayers(std::span<const TPixelBox> boxes) {
    TPixelBox all;
    for (const TPixelBox& box : boxes) {
        if (!box.Empty()) {
            dirty_.Add(box);
            all.Add(box);
        }
    }
    if (all.Empty()) {
        return;
    }
    const std::int32_t rows = all.Bottom - all.Top + 1;
    const std::size_t bands =
        std::int64_t(rows) * (all.Right - all.Left + 1) >= SideBySideMergePixels
            ? SideBySideThreads(std::size_t(rows))
            : 1;
    RunSideBySide(bands, [&](std::size_t b) {
        const auto top =
            all.Top + std::int32_t(std::int64_t(rows) * std::int64_t(b) / std::int64_t(bands));
        const auto bottom =
            all.Top + std::int32_t(std::int64_t(rows) * std::int64_t(b + 1) / std::int64_t(bands)) -
            1;
        for (std::size_t n = 0; n < boxes.size(); ++n) {
            MergeRows(layers_[n], boxes[n], top, bottom);
        }
    });
}

void TDepthBuffer::MergeRows(TLayer& layer, const TPixelBox& box, std::int32_t top,
                             std::int32_t bottom) {
    if (box.Empty()) {
        return;
    }
    float* keys = keys_.data();
    std::uint32_t* owners = owners_.data();
    float* layerKeys = layer.Keys.data();
    std::uint32_t* layerOwners = layer.Owners.data();
    for (std::int32_t y = std::max(top, box.Top); y <= std::min(bottom, box.Bottom); ++y) {
        const std::size_t first = Index(box.Left, y);
        const std::size_t end = Index(box.Right, y) + 1;
        for (std::size_t i = first; i < end; ++i) {
            const float k = layerKeys[i];
            const bool nearer = k < keys[i];
            keys[i] = nearer ? k : keys[i];
            owners[i] = nearer ? layerOwners[i] : owners[i];
            layerKeys[i] = EmptyDepthKey;
            layerOwners[i] = 0;
        }
    }
}

TDepthBuffer::TFill* TDepthBuffer::BeginFill(const TObject3D& object, std::int32_t faces) {
    if (faces < 0 || std::uint64_t(nextOwner_) + std::uint64_t(faces) > 0xFFFFFFFFu) {
        return nullptr;
    }
    fills_.push_back({&object, nextOwner_ - 1, faces, {}});
    nextOwner_ += std::uint32_t(faces);
    return &fills_.back();
}

const TDepthBuffer::TFill* TDepthBuffer::FindFill(const TObject3D& object) const {
    for (auto it = fills_.rbegin(); it != fills_.rend(); ++it) {
        if (it->Object == &object) {
            return &*it;
        }
    }
    return nullptr;
}

} // namespace ZuveloGraphLibrary
