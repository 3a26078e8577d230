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
struct TMaterialSpec;

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
    // A material chunk of the editor.
    void Material(const TMaterialSpec& material);
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

// A face material list: the material's name and the faces (from 0) it gives that material.
struct TFaceMaterialSpec {
    std::string Material;
    std::vector<std::uint16_t> Faces;
};

struct TMeshSpec {
    std::string Name;
    std::vector<std::array<float, 3>> Vertices;
    std::vector<std::array<std::uint16_t, 3>> Faces; // numbers counted from 0, as in the file
    // How it looks, each written only when not empty: the mapping list after the vertex list,
    // and after the face records the face material lists and the smoothing list.
    std::vector<std::array<float, 2>> Mapping{};
    std::vector<TFaceMaterialSpec> Materials{};
    std::vector<std::uint32_t> Smoothing{};
};

// A colour as its colour chunk holds it: three bytes (0x0011) or three singles (0x0010), either
// gamma-corrected (0x0012, 0x0013) when Gamma.
struct TColorSpec {
    std::array<float, 3> Value{};
    bool Singles = false;
    bool Gamma = false;
};

// A material: name, the colours given (each with the colour chunks listed, in order), the
// percentages given (a whole one as a 16-bit integer out of 100; another as a single, its fraction
// of 1, followed by the 16-bit integer of its whole part, which readers pass over), two-sided, and
// texture map 1 when it names a file.
struct TMaterialSpec {
    std::string Name;
    std::vector<TColorSpec> Ambient{}, Diffuse{}, Specular{};
    std::optional<float> Shininess{}, Strength{}, Transparency{};
    bool TwoSided = false;
    std::string Texture{};
    std::optional<float> TextureShare{};
    std::optional<std::uint16_t> Tiling{};
    std::optional<std::array<float, 5>> Placement{}; // U, V scale, U, V offset, rotation
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

// main chunk > editor chunk > the materials, then the meshes.
std::vector<std::uint8_t> LooksFile(const std::vector<TMaterialSpec>& materials,
                                    const std::vector<TMeshSpec>& meshes);

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
