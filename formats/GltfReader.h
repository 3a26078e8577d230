// The glTF 2.0 reader: a .gltf file (JSON in UTF-8, after an optional byte order mark) with the
// buffers and images it names, or a .glb file (the 12-byte header "glTF", version 2 and length,
// then a JSON chunk and an optional BIN chunk, each bounded by the lengths given and the bytes
// present; other chunks are passed over). The JSON is parsed whole, after a scan of its brackets
// that refuses a nesting deeper than 512 levels. A file that is no glTF 2.0 model at all (cut
// before its JSON ends, malformed JSON, no asset object, another major version, a binary header
// of another version) raises RuntimeError ("glTF: ...").
//
// Buffers: by a relative URI (percent-escapes decoded), read beside the model up to its
// byteLength and a few bytes of padding; by a data URI in base64 (of any media type, as
// "application/octet-stream" and "application/gltf-buffer"); or, for the first buffer of a .glb
// without a URI, the BIN chunk. A buffer holds no more than its byteLength nor more than its bytes
// present; a buffer file missing, unreadable or larger is noted, and what needs it is passed
// over. Buffer views (byteOffset, byteLength, byteStride) must lie within their buffer, and an
// accessor (componentType 5120 to 5126, type SCALAR, VEC2, VEC3, VEC4, MAT2, MAT3 or MAT4, count,
// byteOffset, normalized) within its view, every element of it, before anything is allocated for
// it; a byteStride shorter than an element is refused. An accessor without a view reads as zeros,
// up to as many elements as the file and its buffers have bytes. Sparse accessors are read: their
// index and value lists bounded as the rest, each index below the accessor's count. Integer
// components are converted as normalized when said so.
//
// What is placed: every mesh of the default scene (`scene`, else the first scene; a file without
// scenes places every node that is no other's child, with a note), each use of a mesh by a node
// placed once, by the node's matrix or its translation, rotation (a quaternion) and scale, composed
// down the hierarchy in double precision. The hierarchy is walked depth-first in node order
// without recursion, each node at most once: a node met again (a cycle, a repeated child, a child
// of two parents) is passed over where it is met again, with a note, which keeps the walk linear
// in the nodes and their child lists. glTF's Y axis is up and ours Z: every position (x, y, z)
// after its node's placement becomes (x, -z, y), so that what stands on glTF's ground stands on
// ours and its front (+Z) faces the front view. A placement that mirrors (negative determinant)
// turns the faces' corners round, so that their fronts stay outside.
//
// Primitives: triangles (mode 4, the default), and strips (5) and fans (6) made into triangles;
// points and lines (modes 0 to 3) are passed over with a note. POSITION (VEC3) makes the
// vertices; indices (SCALAR of unsigned bytes, shorts or ints) each checked against the vertex
// count, a triangle naming a vertex the primitive lacks passed over and counted; TEXCOORD_0 (VEC2,
// as many as the positions) gives the mapping, v turned upwards (v = 1 - v of glTF). The
// primitives of one placed mesh that read the same POSITION and TEXCOORD_0 accessors share their
// vertices. A primitive with a NORMAL attribute has smoothing group 1, so that its faces are
// smoothed exactly where the file shares their vertices; one without normals is flat (mask 0), as
// glTF draws it. Vertex colours, tangents, joints, weights and morph targets are passed over (the
// colours and the targets with a note); a skinned mesh is drawn as the nodes place it.
//
// Materials, one per glTF material a placed primitive uses (without one, the default material):
// the base colour factor, from glTF's linear values to display colours (sRGB), is the diffuse and
// the ambient colour; its alpha gives Transparency = 1 - alpha with alphaMode BLEND, 0 with OPAQUE
// (the default), and with MASK 1 below the cutoff (0.5 unless given) and 0 from it; doubleSided is
// TwoSided. The highlight follows roughness and metalness: Shininess and ShininessStrength are
// both 1 - roughnessFactor (a rough surface shows no highlight), and the Specular colour runs
// from white (metallicFactor 0) to the base colour (1); factors default to 1 as in glTF, so a
// material without them has no highlight. The base colour texture (texture, then its image: the
// texture's source, else that of EXT_texture_webp) becomes the texture map, the image wholly in
// place of the diffuse: by a relative URI a file beside the model (its name the URI, escapes
// decoded); held in the file by a bufferView or a data URI, its bytes an embedded image, named by
// the image's name or "image N" in messages. Its sampler's mirrored repeat in both directions
// mirrors the map; clamping is drawn repeated. KHR_texture_transform on it (offset, rotation,
// scale) becomes the map's placement, turned for our upward v: UScale, VScale = scale, Rotation =
// rotation in degrees, UOffset = 1/2 - (c sx + s sy)/2 - ox and VOffset = -1/2 - (s sx - c sy)/2 +
// oy, c and s the cosine and sine of the rotation. A texture on a set of mapping coordinates other
// than TEXCOORD_0 is passed over with a note. Every other texture (normal, occlusion, emissive,
// metal-roughness) is passed over.
//
// Extensions: KHR_texture_transform, KHR_mesh_quantization (whose integer positions and mapping
// coordinates read as any other accessor) and EXT_texture_webp are read; any other the file uses
// is passed over with a note. A primitive that needs a required extension this reader lacks (on
// itself, its accessors or their views, as KHR_draco_mesh_compression and EXT_meshopt_compression
// are) is passed over with a note; the file still opens with whatever else it holds.
//
// Bounds: every count the JSON gives is checked against the bytes present before anything is
// allocated for it. Reading one accessor again (for a mesh that several nodes place, or for
// several primitives or accessors over the same bytes) is bounded too: the elements read in all,
// beyond as many as the file and its buffers have bytes, stop at 2^22 more, past which the
// remaining primitives are passed over with a note; likewise the bytes of embedded images.
//
// The first mesh: the first placement met in the walk above that gives a triangle, alone, named
// after its mesh, else its node; the whole model is named after the file.
#pragma once

#include "ModelBuilder.h"
#include "ModelSource.h"

#include <string>

namespace Plexa3DFormats {

// Fills the builder from the source and returns the name of the mesh read, for the first mesh
// (empty: the record is named after the file). Raises RuntimeError for a file it cannot read.
std::string ReadGltf(const TModelSource& source, TModelPart part, TModelBuilder& builder);

} // namespace Plexa3DFormats
