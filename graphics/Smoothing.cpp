#include "Smoothing.h"

#include "LargeBlocks.h"
#include "SideBySide.h"

#include <algorithm>

namespace ZuveloGraphLibrary {

namespace {

// Worked out all at once, the normals of an object with at least this many faces or sums per
// thread are shared out among threads; fewer cost less than starting one.
constexpr std::size_t SideBySideNormals = 1 << 14;

// Calls work(first, last) for runs of 1 to count that together take each number once, side by
// side when there are many.
template <class Work> void InRuns(std::uint32_t count, const Work& work) {
    const std::size_t threads = SideBySideThreads(count / SideBySideNormals);
    if (threads <= 1) {
        work(1u, count);
        return;
    }
    RunSideBySide(threads, [&](std::size_t t) {
        work(std::uint32_t(std::uint64_t(count) * t / threads) + 1,
             std::uint32_t(std::uint64_t(count) * (t + 1) / threads));
    });
}

std::uint32_t MaskOf(std::span<const std::uint32_t> masks, std::int32_t face) {
    const auto at = static_cast<std::size_t>(face - 1);
    return at < masks.size() ? masks[at] : 0;
}

// The corners when every smooth face has one mask: `first` holds the end of each vertex's run of
// corners, `total` their number, `cornered` the vertices that have any; what the general way
// below finds, without reading a mask again.
template <class Smooth>
TSmoothingCorners OneGroupCorners(const TObject3D& object, std::int32_t faces,
                                  std::int32_t vertices, std::vector<std::uint32_t>& first,
                                  std::size_t total, std::uint32_t cornered, const Smooth& smooth) {
    TSmoothingCorners result;
    result.SumCount = cornered;
    // One sum at each vertex with corners, gathering the faces of its run: first[v - 1] begins
    // the run, first[v] ends it. When every vertex has corners, as in most models, each vertex's
    // sum is its own number and the runs' ends are `first` as it stands.
    std::vector<std::uint32_t> sumOf;
    ReserveLarge(result.FirstFace, std::size_t(cornered) + 1);
    if (cornered == std::uint32_t(vertices)) {
        result.FirstFace.assign(first.begin(), first.begin() + vertices + 1);
    } else {
        AssignLarge(sumOf, std::size_t(vertices) + 1, 0u);
        std::uint32_t sum = 0;
        for (std::int32_t v = 1; v <= vertices; ++v) {
            if (first[std::size_t(v) - 1] != first[std::size_t(v)]) {
                sumOf[std::size_t(v)] = ++sum;
                result.FirstFace.push_back(first[std::size_t(v)]);
            }
        }
    }
    AssignLarge(result.FirstShare, std::size_t(cornered) + 1, 0u);
    const auto sumAt = [&](std::uint32_t v) { return sumOf.empty() ? v : sumOf[v]; };
    // From the first face on, each smooth face gives each of its corners its vertex's sum and
    // the next place in the vertex's run, counted in first[v - 1], which ends at the run's end.
    // (Appending the sums instead stores the list's end at every corner, and measured slower.)
    AssignLarge(result.Faces, total, 0u);
    AssignLarge(result.Sums, CornersPerFace * static_cast<std::size_t>(faces), 0u);
    std::uint32_t* gathered = result.Faces.data();
    std::uint32_t* sums = result.Sums.data();
    for (std::int32_t i = 1; i <= faces; ++i) {
        if (smooth(i)) {
            const TFace3D& f = object.Faces[i];
            std::uint32_t* own = sums + CornersPerFace * std::size_t(i - 1);
            own[0] = sumAt(f.A);
            own[1] = sumAt(f.B);
            own[2] = sumAt(f.C);
            gathered[first[f.A - 1]++] = std::uint32_t(i);
            gathered[first[f.B - 1]++] = std::uint32_t(i);
            gathered[first[f.C - 1]++] = std::uint32_t(i);
        }
    }
    return result;
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
    // Every face flat, as in most files of formats without groups: nothing to gather, and no
    // list per vertex to make for it.
    const std::size_t masked = std::min(masks.size(), std::size_t(faces));
    if (std::all_of(masks.begin(), masks.begin() + std::ptrdiff_t(masked),
                    [](std::uint32_t mask) { return mask == 0; })) {
        return result;
    }
    // The corners of the smooth faces, sorted by their vertex and then by their number: the
    // corners at vertex v are corners[first[v]] to corners[first[v + 1] - 1]. Each vertex's count
    // is summed into the end of its run, and the corners are put in from the last face back.
    std::vector<std::uint32_t> first;
    AssignLarge(first, static_cast<std::size_t>(vertices) + 2, 0u);
    std::size_t total = 0;
    std::uint32_t group = 0; // the mask of the first smooth face
    bool oneGroup = true;    // and of every other
    for (std::int32_t i = 1; i <= faces; ++i) {
        if (smooth(i)) {
            const TFace3D& f = object.Faces[i];
            ++first[f.A];
            ++first[f.B];
            ++first[f.C];
            total += CornersPerFace;
            const std::uint32_t mask = MaskOf(masks, i);
            group = group == 0 ? mask : group;
            oneGroup = oneGroup && mask == group;
        }
    }
    if (total == 0) {
        return result;
    }
    std::uint32_t cornered = 0; // vertices with a corner
    for (std::size_t v = 1; v < first.size(); ++v) {
        cornered += first[v] != 0 && v <= std::size_t(vertices) ? 1 : 0;
        first[v] += first[v - 1];
    }
    if (oneGroup) {
        // Every smooth face in one group, as in most files: one sum at each vertex that has
        // corners, numbered in the vertices' order, gathering its faces in their order.
        return OneGroupCorners(object, faces, vertices, first, total, cornered, smooth);
    }
    std::vector<std::uint32_t> corners;
    AssignLarge(corners, total, 0u);
    for (std::int32_t i = faces; i >= 1; --i) {
        if (smooth(i)) {
            const TFace3D& f = object.Faces[i];
            const std::uint32_t numbers[] = {f.A, f.B, f.C};
            for (std::size_t k = CornersPerFace; k-- > 0;) {
                corners[--first[numbers[k]]] =
                    static_cast<std::uint32_t>(CornersPerFace * std::size_t(i - 1) + k);
            }
        }
    }

    // The faces of each sum take the place of the corners they were found from, which are read
    // before they are written over: a vertex's faces never start after its corners.
    AssignLarge(result.Sums, CornersPerFace * static_cast<std::size_t>(faces), 0u);
    ReserveLarge(result.FirstFace, std::size_t(vertices) + 1);
    ReserveLarge(result.FirstShare, std::size_t(vertices) + 1);
    std::size_t written = 0;
    std::vector<std::uint32_t> here; // the distinct masks at the vertex
    std::vector<std::uint32_t> at;   // its corners, kept while its faces are written
    const auto maskAt = [&](std::uint32_t corner) {
        return MaskOf(masks, std::int32_t(corner / CornersPerFace) + 1);
    };
    for (std::int32_t v = 1; v <= vertices; ++v) {
        const std::size_t begin = first[std::size_t(v)], end = first[std::size_t(v) + 1];
        if (begin == end) {
            continue;
        }
        // Most vertices have one mask: one sum, which gathers their faces in the corners' order.
        const std::uint32_t own = maskAt(corners[begin]);
        std::size_t same = begin + 1;
        while (same < end && maskAt(corners[same]) == own) {
            ++same;
        }
        if (same == end) {
            const std::uint32_t sum = ++result.SumCount;
            for (std::size_t j = begin; j < end; ++j) {
                const std::uint32_t corner = corners[j];
                result.Sums[corner] = sum;
                corners[written++] = corner / CornersPerFace + 1;
            }
            result.FirstFace.push_back(std::uint32_t(written));
            result.FirstShare.push_back(std::uint32_t(result.Shared.size()));
            continue;
        }
        at.assign(corners.begin() + std::ptrdiff_t(begin), corners.begin() + std::ptrdiff_t(end));
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
        if (here.size() > MaxMasksAtVertex) {
            continue; // flat corners
        }
        const std::uint32_t base = result.SumCount + 1;
        for (const std::uint32_t corner : at) {
            const auto index = std::find(here.begin(), here.end(), maskAt(corner)) - here.begin();
            result.Sums[corner] = base + std::uint32_t(index);
        }
        for (std::size_t a = 0; a < here.size(); ++a) {
            for (const std::uint32_t corner : at) {
                if (maskAt(corner) == here[a]) {
                    corners[written++] = corner / CornersPerFace + 1;
                }
            }
            result.FirstFace.push_back(std::uint32_t(written));
            for (std::size_t b = 0; b < here.size(); ++b) {
                if (a != b && (here[a] & here[b]) != 0) {
                    result.Shared.push_back(base + std::uint32_t(b));
                }
            }
            result.FirstShare.push_back(std::uint32_t(result.Shared.size()));
        }
        result.SumCount += std::uint32_t(here.size());
    }
    corners.resize(written);
    result.Faces = std::move(corners);
    return result;
}

TCornersOnce::TCornersOnce(const TCornersOnce& other) {
    const std::lock_guard lock(other.mutex_);
    found_ = other.found_;
}

TCornersOnce& TCornersOnce::operator=(const TCornersOnce& other) {
    if (this != &other) {
        const std::scoped_lock lock(mutex_, other.mutex_);
        found_ = other.found_;
    }
    return *this;
}

const TSmoothingCorners& TCornersOnce::Of(const TObject3D& object,
                                          std::span<const std::uint32_t> masks) const {
    const std::lock_guard lock(mutex_);
    if (!found_) {
        found_ = std::make_shared<const TSmoothingCorners>(FindSmoothingCorners(object, masks));
    }
    return *found_;
}

void TCornersOnce::Forget() {
    const std::lock_guard lock(mutex_);
    found_.reset();
}

TNormal TriangleNormal(const TPoint3D& a, const TPoint3D& b, const TPoint3D& c) {
    const double ux = double(b.X) - a.X, uy = double(b.Y) - a.Y, uz = double(b.Z) - a.Z;
    const double wx = double(c.X) - a.X, wy = double(c.Y) - a.Y, wz = double(c.Z) - a.Z;
    return {uy * wz - uz * wy, uz * wx - ux * wz, ux * wy - uy * wx};
}

namespace {

using TKept = TSmoothNormals::TKept;

TKept Rounded(const TNormal& n) {
    return {float(n.X), float(n.Y), float(n.Z), 0};
}

void Add(TKept& to, const TKept& n) {
    to.X += n.X;
    to.Y += n.Y;
    to.Z += n.Z;
}

} // namespace

void TSmoothNormals::Begin(const TObject3D& object, const TSmoothingCorners& corners, bool all) {
    object_ = &object;
    corners_ = &corners;
    vertices_ = std::min(object.VertexCount, object.WorldVertices.Count());
    const auto faces = static_cast<std::size_t>(std::max(object.FaceCount, 0)) + 1;
    if (faceNormals_.size() < faces) {
        ResizeLarge(faceNormals_, faces);
    }
    if (gathered_.size() < std::size_t(corners.SumCount) + 1) {
        ResizeLarge(gathered_, std::size_t(corners.SumCount) + 1);
    }
    if (++stamp_ == 0) {
        for (auto* kept : {&faceNormals_, &gathered_}) {
            for (TKept& k : *kept) {
                k.Stamp = 0;
            }
        }
        stamp_ = 1;
    }
    all_ = all;
    if (all) {
        // In file order, which keeps the reads of the vertices and the faces in step: the faces'
        // normals first, then the sums, which read them, each in runs side by side. Sum then
        // only reads what is kept, so that threads may share it.
        const auto count =
            std::uint32_t(std::max(0, std::min(object.FaceCount, object.Faces.Count())));
        InRuns(count, [this](std::uint32_t first, std::uint32_t last) {
            for (std::uint32_t i = first; i <= last; ++i) {
                FaceNormal(i);
            }
        });
        InRuns(corners.SumCount, [this](std::uint32_t first, std::uint32_t last) {
            for (std::uint32_t s = first; s <= last; ++s) {
                Gathered(s);
            }
        });
    }
}

const TKept& TSmoothNormals::FaceNormal(std::uint32_t face) {
    TKept& kept = faceNormals_[face];
    if (kept.Stamp != stamp_) {
        const TFace3D& f = object_->Faces[std::int32_t(face)];
        kept = FaceInRange(f, vertices_)
                   ? Rounded(TriangleNormal(object_->WorldVertices[std::int32_t(f.A)],
                                            object_->WorldVertices[std::int32_t(f.B)],
                                            object_->WorldVertices[std::int32_t(f.C)]))
                   : TKept{};
        kept.Stamp = stamp_;
    }
    return kept;
}

const TKept& TSmoothNormals::Gathered(std::uint32_t s) {
    TKept& kept = gathered_[s];
    if (kept.Stamp != stamp_) {
        TKept sum;
        const TSmoothingCorners& c = *corners_;
        for (std::uint32_t k = c.FirstFace[s - 1]; k < c.FirstFace[s]; ++k) {
            Add(sum, FaceNormal(c.Faces[k]));
        }
        kept = sum;
        kept.Stamp = stamp_;
    }
    return kept;
}

TNormal TSmoothNormals::Sum(std::uint32_t s) {
    const auto gathered = [this](std::uint32_t g) -> const TKept& {
        return all_ ? gathered_[g] : Gathered(g);
    };
    TKept sum = gathered(s);
    const TSmoothingCorners& c = *corners_;
    for (std::uint32_t k = c.FirstShare[s - 1]; k < c.FirstShare[s]; ++k) {
        Add(sum, gathered(c.Shared[k]));
    }
    return {sum.X, sum.Y, sum.Z};
}

std::vector<TNormal> SumSmoothNormalsReference(const TObject3D& object,
                                               const TSmoothingCorners& corners) {
    std::vector<TKept> gathered(std::size_t(corners.SumCount) + 1);
    const std::int32_t faces = std::min<std::int32_t>(
        {object.FaceCount, object.Faces.Count(), std::int32_t(corners.Sums.size() / 3)});
    const std::int32_t vertices = std::min(object.VertexCount, object.WorldVertices.Count());
    for (std::int32_t i = 1; i <= faces; ++i) {
        const TFace3D& f = object.Faces[i];
        if (!FaceInRange(f, vertices)) {
            continue;
        }
        const TKept n = Rounded(TriangleNormal(object.WorldVertices[std::int32_t(f.A)],
                                               object.WorldVertices[std::int32_t(f.B)],
                                               object.WorldVertices[std::int32_t(f.C)]));
        for (std::size_t k = 0; k < 3; ++k) {
            const std::uint32_t s = corners.Sums[3 * std::size_t(i - 1) + k];
            if (s != 0) {
                Add(gathered[s], n);
            }
        }
    }
    std::vector<TNormal> sums(gathered.size());
    for (std::uint32_t s = 1; s <= corners.SumCount; ++s) {
        TKept sum = gathered[s];
        for (std::uint32_t k = corners.FirstShare[s - 1]; k < corners.FirstShare[s]; ++k) {
            Add(sum, gathered[corners.Shared[k]]);
        }
        sums[s] = {sum.X, sum.Y, sum.Z};
    }
    return sums;
}

} // namespace ZuveloGraphLibrary
