#include "Smoothing.h"

#include <algorithm>

namespace ZuveloGraphLibrary {

namespace {

constexpr std::size_t CornersPerFace = 3;

std::uint32_t MaskOf(std::span<const std::uint32_t> masks, std::int32_t face) {
    const auto at = static_cast<std::size_t>(face - 1);
    return at < masks.size() ? masks[at] : 0;
}

} // namespace

TSmoothingCorners FindSmoothingCorners(const TObject3D& object,
                                       std::span<const std::uint32_t> masks) {
    TSmoothingCorners result;
    const std::int32_t faces = std::clamp(object.FaceCount, 0, object.Faces.Count());
    const std::int32_t vertices = std::clamp(object.VertexCount, 0, object.Vertices.Count());
    const auto smooth = [&](std::int32_t i) {
        return MaskOf(masks, i) != 0 && FaceInRange(object.Faces[i], vertices);
    };
    // The corners of the smooth faces, sorted by their vertex.
    std::vector<std::uint32_t> first(static_cast<std::size_t>(vertices) + 2, 0);
    std::size_t total = 0;
    for (std::int32_t i = 1; i <= faces; ++i) {
        if (smooth(i)) {
            const TFace3D& f = object.Faces[i];
            for (const std::uint32_t v : {f.A, f.B, f.C}) {
                ++first[v + 1];
            }
            total += CornersPerFace;
        }
    }
    if (total == 0) {
        return result;
    }
    for (std::size_t v = 1; v < first.size(); ++v) {
        first[v] += first[v - 1];
    }
    std::vector<std::uint32_t> corners(total);
    std::vector<std::uint32_t> next(first.begin(), first.end() - 1);
    for (std::int32_t i = 1; i <= faces; ++i) {
        if (smooth(i)) {
            const TFace3D& f = object.Faces[i];
            const std::uint32_t numbers[] = {f.A, f.B, f.C};
            for (std::size_t k = 0; k < CornersPerFace; ++k) {
                corners[next[numbers[k]]++] =
                    static_cast<std::uint32_t>(CornersPerFace * std::size_t(i - 1) + k);
            }
        }
    }

    result.Sums.assign(CornersPerFace * static_cast<std::size_t>(faces), 0);
    std::vector<std::uint32_t> here; // the distinct masks at the vertex
    for (std::int32_t v = 1; v <= vertices; ++v) {
        const std::span<const std::uint32_t> at(corners.data() + first[std::size_t(v)],
                                                corners.data() + first[std::size_t(v) + 1]);
        const auto maskAt = [&](std::uint32_t corner) {
            return MaskOf(masks, std::int32_t(corner / CornersPerFace) + 1);
        };
        here.clear();
        for (const std::uint32_t corner : at) {
            const std::uint32_t mask = maskAt(corner);
            if (std::find(here.begin(), here.end(), mask) == here.end()) {
                here.push_back(mask);
                if (here.size() > MaxMasksAtVertex) {
                    break;
                }
            }
        }
        if (here.empty() || here.size() > MaxMasksAtVertex) {
            continue; // flat corners
        }
        const std::uint32_t base = result.SumCount + 1;
        for (const std::uint32_t corner : at) {
            const auto index = std::find(here.begin(), here.end(), maskAt(corner)) - here.begin();
            result.Sums[corner] = base + std::uint32_t(index);
        }
        for (std::size_t a = 0; a < here.size(); ++a) {
            for (std::size_t b = 0; b < here.size(); ++b) {
                if (a != b && (here[a] & here[b]) != 0) {
                    result.Shares.push_back({base + std::uint32_t(a), base + std::uint32_t(b)});
                }
            }
        }
        result.SumCount += std::uint32_t(here.size());
    }
    return result;
}

TNormal TriangleNormal(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c) {
    const double ux = double(b.X) - a.X, uy = double(b.Y) - a.Y, uz = double(b.Z) - a.Z;
    const double wx = double(c.X) - a.X, wy = double(c.Y) - a.Y, wz = double(c.Z) - a.Z;
    return {uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
}

void SumSmoothNormals(const TObject3D& object, const TSmoothingCorners& corners,
                      std::vector<TNormal>& sums, std::vector<TNormal>& gathered) {
    gathered.assign(std::size_t(corners.SumCount) + 1, TNormal{});
    const std::int32_t faces = std::min({object.FaceCount, object.Faces.Count(),
                                         std::int32_t(corners.Sums.size() / CornersPerFace)});
    const std::int32_t vertices = std::min(object.VertexCount, object.WorldVertices.Count());
    const std::uint32_t* sum = corners.Sums.data();
    for (std::int32_t i = 1; i <= faces; ++i, sum += CornersPerFace) {
        if ((sum[0] | sum[1] | sum[2]) == 0) {
            continue;
        }
        const TFace3D& f = object.Faces[i];
        if (!FaceInRange(f, vertices)) {
            continue;
        }
        const TNormal n = TriangleNormal(object.WorldVertices[std::int32_t(f.A)],
                                         object.WorldVertices[std::int32_t(f.B)],
                                         object.WorldVertices[std::int32_t(f.C)]);
        for (std::size_t k = 0; k < CornersPerFace; ++k) {
            TNormal& to = gathered[sum[k]]; // a flat corner adds to the unused sums[0]
            to.X += n.X;
            to.Y += n.Y;
            to.Z += n.Z;
        }
    }
    if (corners.Shares.empty()) {
        sums.swap(gathered);
        return;
    }
    sums = gathered;
    for (const TSmoothingCorners::TShare& share : corners.Shares) {
        const TNormal& from = gathered[share.From];
        sums[share.To].X += from.X;
        sums[share.To].Y += from.Y;
        sums[share.To].Z += from.Z;
    }
}

} // namespace ZuveloGraphLibrary
