// The placements a .3DS file's keyframer gives its meshes, as the whole-model reader uses them: a
// mesh stays where its vertices are stored, and each further node that uses it adds a copy placed
// relative to the first.
//
// The keyframer chunk's children are walked as the reader walks every chunk (a child declaring a
// length below its header ends the list; each child is cut to its parent's end). Each mesh node
// gives its header (name up to its zero byte, two flag words, the parent's id; without the zero
// byte or the parent field the node has no name and no parent), its pivot (default 0), its id
// (default: its 0-based index among the mesh nodes) and the first key of its position, rotation
// and scale tracks at frame 0 (else its first key). Camera and target nodes give their ids only;
// a parent that is one of them, 0xFFFF or no node at all makes a root, and so does the link that
// closes a cycle. Of several nodes with one id, the first is the parent.
//
// A key with a value that is not finite, or a scale component of 0, is replaced by its default
// (position 0, no turn, scale 1). A rotation key (angle, axis) turns by -angle about its axis
// normalised; an axis shorter than 1e-8 gives no turn. A node's world placement is, in double,
// W = W_parent * T(position) * R(rotation) * S(scale), and its mesh placement A = W * T(-pivot).
//
// A node uses the first mesh whose name equals its own; "$$$DUMMY" nodes and nodes naming no mesh
// use none. For the nodes of a mesh in file order, the k-th (k >= 2) gives the copy A_k * A_1^-1
// of the stored vertices. A mesh whose first placement is singular or not finite gets no copy, and
// a copy whose placement is not finite is left out.
#pragma once

#include "MeshObject.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace ZuveloGraphLibrary {

// x' = Linear x + Shift, in double.
struct TPlacement {
    double Linear[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    double Shift[3] = {0, 0, 0};
};

// The vertex placed, rounded once to single.
TPoint3D PlacePoint(const TPlacement& placement, const TPoint3D& point);

// For each mesh name, in order, the placements of its copies (empty for most meshes), read from
// the content of a keyframer chunk (the bytes after its header, cut to its end).
std::vector<std::vector<TPlacement>> InstancePlacements(std::span<const std::uint8_t> keyframer,
                                                        const std::vector<std::string>& meshNames);

} // namespace ZuveloGraphLibrary
