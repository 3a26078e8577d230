// A small writer of .3DS files: chunks nest, and each chunk's length is filled in when it is
// closed, unless the caller states a length of its own (to make malformed files on purpose).
// The tests, the fuzz seeds, the benchmarks and the sample models are all written with it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Plexa3DTools {

struct TMeshSpec;
struct TKeySpec;
struct TNodeSpec;

class TChunkWriter {
public:
    void Begin(std::uint16_t id);
    void End();
    void EndWithLength(std::int32_t length);

    void U8(std::uint8_t value);
    void U16(std::uint16_t value);
    void U32(std::uint32_t value);
    void F32(float value);
    void Raw(const std::string& bytes);
    void ZeroTerminated(const std::string& text);

    // A whole chunk with a 16-bit count and records. `stored` replaces the count written, to make
    // a list whose records fall short of its count or run past it.
    void VertexList(const std::vector<std::array<float, 3>>& vertices,
                    std::optional<std::uint16_t> stored = {});
    void FaceList(const std::vector<std::array<std::uint16_t, 3>>& faces, std::uint16_t flags = 7,
                  std::optional<std::uint16_t> stored = {});

    // Whole chunks as modellers write them: a named object holding a triangle mesh with its
    // vertex and face lists, a named object holding a light or a camera, and a chunk of `size`
    // filler bytes that no reader knows.
    void Mesh(const TMeshSpec& mesh);
    void Light(const std::string& name);
    void Camera(const std::string& name);
    void Filler(std::uint16_t id, std::size_t size);

    // A keyframer node and one of its tracks.
    void Node(const TNodeSpec& node);
    void Track(std::uint16_t id, const std::vector<TKeySpec>& keys);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> open_;
};

struct TMeshSpec {
    std::string Name;
    std::vector<std::array<float, 3>> Vertices;
    std::vector<std::array<std::uint16_t, 3>> Faces; // numbers counted from 0, as in the file
};

// A key of a track: its frame, its spline flags (a filler single is written for each of the five
// lowest) and its value.
struct TKeySpec {
    std::uint32_t Frame = 0;
    std::vector<float> Value{};
    std::uint16_t Spline = 0;
};

// A mesh node of the keyframer: header (name, parent id), instance name when not empty, pivot,
// id when given, with EmptyChunk a chunk of no content that no reader knows, and the position,
// rotation and scale tracks that have keys.
struct TNodeSpec {
    std::string Name;
    std::uint16_t Parent = 0xFFFF;
    std::optional<std::uint16_t> Id{};
    std::array<float, 3> Pivot{};
    std::vector<TKeySpec> Position{}, Rotation{}, Scale{};
    std::string Instance{};
    bool EmptyChunk = false;
};

// main chunk > editor chunk > for each mesh: named object > triangle mesh > vertices, faces.
std::vector<std::uint8_t> MeshFile(const std::vector<TMeshSpec>& meshes);

// main chunk > editor chunk with the meshes, then keyframer chunk > the nodes.
std::vector<std::uint8_t> KeyframedFile(const std::vector<TMeshSpec>& meshes,
                                        const std::vector<TNodeSpec>& nodes);

// main chunk > editor chunk > whatever `body` writes with the writer it is given.
template <class Body> std::vector<std::uint8_t> EditorFile(Body body) {
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    body(w);
    w.End();
    w.End();
    return w.Bytes();
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace Plexa3DTools
