#include "Keyframer.h"

#include "FileReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace ZuveloGraphLibrary {
namespace {

enum : std::uint16_t {
    ChunkMeshNode = 0xB002,
    ChunkCameraNode = 0xB003,
    ChunkCameraTargetNode = 0xB004,
    ChunkLightTargetNode = 0xB006,
    ChunkNodeHeader = 0xB010,
    ChunkPivot = 0xB013,
    ChunkPositionTrack = 0xB020,
    ChunkRotationTrack = 0xB021,
    ChunkScaleTrack = 0xB022,
    ChunkNodeId = 0xB030,
};

constexpr std::size_t HeaderSize = 6;
constexpr std::size_t SingleSize = 4;
constexpr std::size_t IdSize = 2;
constexpr std::size_t FlagWordsSize = 4; // the header's two flag words before the parent's id
constexpr std::uint16_t NoParent = 0xFFFF;
// A track: flags, 8 unused bytes, key count; a key: frame, spline flags, one single for each of
// the five lowest flags, then its value.
constexpr std::size_t TrackHeaderSize = 14;
constexpr std::size_t KeyHeaderSize = 6;
constexpr unsigned SplineFlags = 0x1F;
constexpr std::size_t PointValues = 3;
constexpr std::size_t RotationValues = 4; // angle, then the axis
constexpr double ShortestAxis = 1e-8;
const std::string DummyName = "$$$DUMMY";

using TBytes = std::span<const std::uint8_t>;

// Calls visit(id, content) for each child chunk in `parent`, in order.
template <class Visit> void ForEachChild(TBytes parent, Visit visit) {
    std::size_t at = 0;
    while (parent.size() - at >= HeaderSize) {
        const std::uint16_t id = UInt16At(parent.data() + at);
        const auto length = static_cast<std::int32_t>(UInt32At(parent.data() + at + 2));
        if (length < static_cast<std::int32_t>(HeaderSize)) {
            return;
        }
        const std::size_t end = std::min(at + static_cast<std::size_t>(length), parent.size());
        visit(id, parent.subspan(at + HeaderSize, end - at - HeaderSize));
        at = end;
    }
}

// An affine map as a 3x4 matrix.
struct TMatrix {
    double M[3][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}};
};

TMatrix operator*(const TMatrix& a, const TMatrix& b) {
    TMatrix c;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 4; ++j) {
            double sum = j == 3 ? a.M[i][3] : 0;
            for (int k = 0; k < 3; ++k) {
                sum += a.M[i][k] * b.M[k][j];
            }
            c.M[i][j] = sum;
        }
    }
    return c;
}

bool Finite(const TMatrix& a) {
    return std::all_of(&a.M[0][0], &a.M[0][0] + 12, [](double v) { return std::isfinite(v); });
}

std::optional<TMatrix> Inverse(const TMatrix& a) {
    const auto& m = a.M;
    const double c00 = m[1][1] * m[2][2] - m[1][2] * m[2][1];
    const double c01 = m[1][2] * m[2][0] - m[1][0] * m[2][2];
    const double c02 = m[1][0] * m[2][1] - m[1][1] * m[2][0];
    const double det = m[0][0] * c00 + m[0][1] * c01 + m[0][2] * c02;
    if (det == 0 || !std::isfinite(det)) {
        return std::nullopt;
    }
    TMatrix r;
    auto& n = r.M;
    n[0][0] = c00 / det;
    n[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    n[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    n[1][0] = c01 / det;
    n[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    n[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    n[2][0] = c02 / det;
    n[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    n[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    for (int i = 0; i < 3; ++i) {
        n[i][3] = -(n[i][0] * m[0][3] + n[i][1] * m[1][3] + n[i][2] * m[2][3]);
    }
    if (!Finite(r)) {
        return std::nullopt;
    }
    return r;
}

TMatrix Translation(const std::array<double, 3>& t) {
    TMatrix a;
    for (int i = 0; i < 3; ++i) {
        a.M[i][3] = t[i];
    }
    return a;
}

TMatrix Scaling(const std::array<double, 3>& s) {
    TMatrix a;
    for (int i = 0; i < 3; ++i) {
        a.M[i][i] = s[i];
    }
    return a;
}

// A turn by `angle` radians about the axis (x, y, z), right-handed.
TMatrix Turn(double angle, double x, double y, double z) {
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length >= ShortestAxis)) {
        return {};
    }
    x /= length, y /= length, z /= length;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1 - c;
    TMatrix a;
    a.M[0][0] = c + x * x * t, a.M[0][1] = x * y * t - z * s, a.M[0][2] = x * z * t + y * s;
    a.M[1][0] = y * x * t + z * s, a.M[1][1] = c + y * y * t, a.M[1][2] = y * z * t - x * s;
    a.M[2][0] = z * x * t - y * s, a.M[2][1] = z * y * t + x * s, a.M[2][2] = c + z * z * t;
    return a;
}

// The value of the track's key at frame 0, else of its first key; none when it has no whole key.
template <std::size_t Count> std::optional<std::array<double, Count>> KeyAtStart(TBytes track) {
    if (track.size() < TrackHeaderSize) {
        return std::nullopt;
    }
    const std::uint32_t keys = UInt32At(track.data() + TrackHeaderSize - 4);
    std::optional<std::array<double, Count>> first;
    std::size_t at = TrackHeaderSize;
    for (std::uint32_t i = 0; i < keys && track.size() - at >= KeyHeaderSize; ++i) {
        const std::uint32_t frame = UInt32At(track.data() + at);
        const unsigned flags = UInt16At(track.data() + at + 4) & SplineFlags;
        const std::size_t size =
            KeyHeaderSize + SingleSize * (static_cast<std::size_t>(std::popcount(flags)) + Count);
        if (track.size() - at < size) {
            break;
        }
        const std::uint8_t* value = track.data() + at + size - SingleSize * Count;
        std::array<double, Count> values{};
        for (std::size_t k = 0; k < Count; ++k) {
            values[k] = FloatAt(value + SingleSize * k);
        }
        if (frame == 0) {
            return values;
        }
        if (!first) {
            first = values;
        }
        at += size;
    }
    return first;
}

// A key that is not used: none, not finite, or (for a scale) with a component of 0.
template <std::size_t Count>
bool Usable(const std::optional<std::array<double, Count>>& key, bool scale) {
    return key && std::all_of(key->begin(), key->end(),
                              [&](double v) { return std::isfinite(v) && !(scale && v == 0); });
}

struct TNode {
    bool Mesh = false; // a mesh or dummy node, not a camera or target
    std::optional<std::uint16_t> Id;
    std::optional<std::string> Name;
    std::uint16_t ParentId = NoParent;
    TMatrix Local; // T * R * S
    std::array<double, 3> Pivot{};
};

TNode ReadMeshNode(TBytes node, std::uint16_t index) {
    TNode result;
    result.Mesh = true;
    bool header = false, pivot = false, id = false, position = false, rotation = false,
         scale = false;
    TMatrix t, r, s;
    ForEachChild(node, [&](std::uint16_t chunk, TBytes content) {
        if (chunk == ChunkNodeHeader && !header) {
            header = true;
            const auto* zero =
                static_cast<const std::uint8_t*>(std::memchr(content.data(), 0, content.size()));
            if (zero == nullptr) {
                return;
            }
            const auto nameSize = static_cast<std::size_t>(zero - content.data());
            result.Name.emplace(reinterpret_cast<const char*>(content.data()), nameSize);
            if (content.size() - nameSize - 1 >= FlagWordsSize + IdSize) {
                result.ParentId = UInt16At(zero + 1 + FlagWordsSize);
            }
        } else if (chunk == ChunkPivot && !pivot) {
            pivot = true;
            if (content.size() >= SingleSize * PointValues) {
                for (std::size_t k = 0; k < PointValues; ++k) {
                    result.Pivot[k] = FloatAt(content.data() + SingleSize * k);
                }
            }
        } else if (chunk == ChunkNodeId && !id) {
            id = true;
            if (content.size() >= IdSize) {
                result.Id = UInt16At(content.data());
            }
        } else if (chunk == ChunkPositionTrack && !position) {
            position = true;
            const auto key = KeyAtStart<PointValues>(content);
            if (Usable(key, false)) {
                t = Translation(*key);
            }
        } else if (chunk == ChunkRotationTrack && !rotation) {
            rotation = true;
            const auto key = KeyAtStart<RotationValues>(content);
            if (Usable(key, false)) {
                r = Turn(-(*key)[0], (*key)[1], (*key)[2], (*key)[3]);
            }
        } else if (chunk == ChunkScaleTrack && !scale) {
            scale = true;
            const auto key = KeyAtStart<PointValues>(content);
            if (Usable(key, true)) {
                s = Scaling(*key);
            }
        }
    });
    if (!result.Id) {
        result.Id = index;
    }
    result.Local = t * r * s;
    return result;
}

TNode ReadOtherNode(TBytes node) {
    TNode result;
    bool id = false;
    ForEachChild(node, [&](std::uint16_t chunk, TBytes content) {
        if (chunk == ChunkNodeId && !id) {
            id = true;
            if (content.size() >= IdSize) {
                result.Id = UInt16At(content.data());
            }
        }
    });
    return result;
}

// The world placement of every mesh node; the link that closes a cycle is cut.
std::vector<TMatrix> WorldPlacements(const std::vector<TNode>& nodes) {
    constexpr std::size_t None = SIZE_MAX;
    std::unordered_map<std::uint16_t, std::size_t> byId;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].Id) {
            byId.try_emplace(*nodes[i].Id, i);
        }
    }
    std::vector<std::size_t> parent(nodes.size(), None);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto found = byId.find(nodes[i].ParentId);
        if (nodes[i].Mesh && nodes[i].ParentId != NoParent && found != byId.end() &&
            nodes[found->second].Mesh) {
            parent[i] = found->second;
        }
    }
    enum class TState : std::uint8_t { Unseen, OnPath, Done };
    std::vector<TState> state(nodes.size(), TState::Unseen);
    std::vector<TMatrix> world(nodes.size());
    std::vector<std::size_t> path;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!nodes[i].Mesh || state[i] == TState::Done) {
            continue;
        }
        path.clear();
        for (std::size_t n = i;;) {
            state[n] = TState::OnPath;
            path.push_back(n);
            const std::size_t p = parent[n];
            if (p == None || state[p] == TState::Done) {
                break;
            }
            if (state[p] == TState::OnPath) {
                parent[n] = None;
                break;
            }
            n = p;
        }
        for (auto n = path.rbegin(); n != path.rend(); ++n) {
            const std::size_t p = parent[*n];
            world[*n] = p == None ? nodes[*n].Local : world[p] * nodes[*n].Local;
            state[*n] = TState::Done;
        }
    }
    return world;
}

} // namespace

TPoint3D PlacePoint(const TPlacement& placement, const TPoint3D& point) {
    const double v[3] = {point.X, point.Y, point.Z};
    float out[3] = {};
    for (int i = 0; i < 3; ++i) {
        const auto& row = placement.Linear[i];
        out[i] =
            static_cast<float>(row[0] * v[0] + row[1] * v[1] + row[2] * v[2] + placement.Shift[i]);
    }
    return {out[0], out[1], out[2]};
}

std::vector<std::vector<TPlacement>> InstancePlacements(TBytes keyframer,
                                                        const std::vector<std::string>& meshNames) {
    std::vector<TNode> nodes;
    std::uint16_t meshNodes = 0;
    ForEachChild(keyframer, [&](std::uint16_t chunk, TBytes content) {
        if (chunk == ChunkMeshNode) {
            nodes.push_back(ReadMeshNode(content, meshNodes++));
        } else if (chunk == ChunkCameraNode || chunk == ChunkCameraTargetNode ||
                   chunk == ChunkLightTargetNode) {
            nodes.push_back(ReadOtherNode(content));
        }
    });
    std::vector<std::vector<TPlacement>> copies(meshNames.size());
    std::unordered_map<std::string, std::size_t> meshByName;
    for (std::size_t i = 0; i < meshNames.size(); ++i) {
        meshByName.try_emplace(meshNames[i], i);
    }
    const std::vector<TMatrix> world = WorldPlacements(nodes);
    // The first placement of each mesh, inverted, once that mesh has a second node.
    std::vector<std::optional<TMatrix>> first(meshNames.size());
    std::vector<bool> seen(meshNames.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const TNode& node = nodes[i];
        if (!node.Mesh || !node.Name || *node.Name == DummyName) {
            continue;
        }
        const auto mesh = meshByName.find(*node.Name);
        if (mesh == meshByName.end()) {
            continue;
        }
        const std::size_t m = mesh->second;
        const std::array<double, 3> back = {-node.Pivot[0], -node.Pivot[1], -node.Pivot[2]};
        const TMatrix placed = world[i] * Translation(back);
        if (!seen[m]) {
            seen[m] = true;
            if (Finite(placed)) {
                first[m] = Inverse(placed);
            }
            continue;
        }
        if (!first[m]) {
            continue;
        }
        const TMatrix copy = placed * *first[m];
        if (!Finite(copy)) {
            continue;
        }
        TPlacement placement;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                placement.Linear[r][c] = copy.M[r][c];
            }
            placement.Shift[r] = copy.M[r][3];
        }
        copies[m].push_back(placement);
    }
    return copies;
}

} // namespace ZuveloGraphLibrary
