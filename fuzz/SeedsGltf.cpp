// Seeds of the glTF target, each written by the test writer: binary and text files, buffers
// beside the model (after the companion mark), in data URIs and in the BIN chunk; indices of each
// size and none; strides, sparse accessors, every primitive mode, node hierarchies with every
// kind of placement, materials with images of each kind and texture transforms, and extensions.
#include "FormatSeeds.h"

#include "WriterGltf.h"

#include <cmath>
#include <string>

namespace Plexa3DFuzz {

namespace {

using namespace Plexa3DTools;
using Json = nlohmann::json;

TMeshSpec Cube() {
    return {
        "Cube",
        {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}},
        {{0, 2, 1},
         {0, 3, 2},
         {4, 5, 6},
         {4, 6, 7},
         {0, 1, 5},
         {0, 5, 4},
         {1, 2, 6},
         {1, 6, 5},
         {2, 3, 7},
         {2, 7, 6},
         {3, 0, 4},
         {3, 4, 7}},
        {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}, {0, 1}},
        {{"Red", {0, 1, 2, 3}}, {"Textured", {4, 5, 6, 7}}},
        {1, 1, 1, 1, 0, 0, 0, 0, 2, 2, 2, 2}};
}

TGltfDocument CubeDocument(const TGltfOptions& options = {}) {
    TGltfDocument d = GltfDocument(std::vector<TMeshSpec>{Cube()}, options);
    d.Json["materials"][0]["pbrMetallicRoughness"] = {{"baseColorFactor", {0.8, 0.1, 0.1, 0.5}},
                                                      {"metallicFactor", 0.2},
                                                      {"roughnessFactor", 0.4}};
    d.Json["materials"][0]["alphaMode"] = "BLEND";
    d.Json["materials"][0]["doubleSided"] = true;
    const std::size_t view = d.AddView({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
    d.Json["images"] = {{{"bufferView", view}, {"mimeType", "image/png"}},
                        {{"uri", "data:image/png;base64," + Base64({0x89, 'P', 'N', 'G'})}},
                        {{"uri", "image%201.png"}}};
    d.Json["samplers"] = {{{"wrapS", 33648}, {"wrapT", 33648}}};
    d.Json["textures"] = {{{"source", 0}, {"sampler", 0}}, {{"source", 1}}, {{"source", 2}}};
    d.Json["materials"][1]["pbrMetallicRoughness"]["baseColorTexture"] = {
        {"index", 0},
        {"extensions",
         {{"KHR_texture_transform",
           {{"offset", {0.5, 0.25}}, {"rotation", 0.3}, {"scale", {2, 3}}}}}}};
    d.Json["extensionsUsed"] = {"KHR_texture_transform", "KHR_materials_volume"};
    return d;
}

TGltfDocument Hand(const std::vector<float>& positions, int mode) {
    TGltfDocument d = GltfDocument(std::vector<TGltfMeshSpec>{});
    const std::size_t p =
        d.AddAccessor(d.AddView(RawBytes(positions)), GltfFloat, "VEC3", positions.size() / 3);
    d.Json["meshes"] = {
        {{"name", "Hand"}, {"primitives", {{{"attributes", {{"POSITION", p}}}, {"mode", mode}}}}}};
    d.Json["nodes"] = {{{"mesh", 0}}};
    d.Json["scenes"][0]["nodes"] = {0};
    return d;
}

void Write(const std::filesystem::path& folder, const std::string& name,
           const std::vector<std::uint8_t>& bytes) {
    WriteBytes((folder / name).string(), bytes);
}

std::vector<std::uint8_t> WithCompanion(std::vector<std::uint8_t> model,
                                        const std::vector<std::uint8_t>& companion) {
    const std::string mark = "\n#--companion--\n";
    model.insert(model.end(), mark.begin(), mark.end());
    model.insert(model.end(), companion.begin(), companion.end());
    return model;
}

} // namespace

void WriteGltfSeeds(const std::filesystem::path& folder) {
    Write(folder, "empty", {});
    const TGltfDocument cube = CubeDocument();
    Write(folder, "cube.glb", GlbFile(cube));
    Write(folder, "cube.gltf", WithCompanion(GltfFile(cube, "cube.bin"), cube.Buffer));
    Write(folder, "cube-embedded.gltf", GltfEmbeddedFile(cube, "application/gltf-buffer"));
    Write(folder, "cube-bytes.glb", GlbFile(CubeDocument({GltfUnsignedByte})));
    Write(folder, "cube-shorts.glb", GlbFile(CubeDocument({GltfUnsignedShort})));
    Write(folder, "cube-unindexed.glb", GlbFile(CubeDocument({0})));

    const std::vector<float> corners = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 0, 2, 0, 1, 2, 0};
    for (int mode = 0; mode <= 6; ++mode) {
        Write(folder, "mode" + std::to_string(mode) + ".glb", GlbFile(Hand(corners, mode)));
    }

    // Interleaved positions and mapping, a sparse substitution, quantized mapping and colours.
    TGltfDocument odd = Hand({}, 4);
    const std::vector<float> both = {0, 0, 0, 0.25f, 0.5f, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
    const std::size_t view = odd.AddView(RawBytes(both), 20);
    odd.Json["accessors"][0] = {
        {"bufferView", view}, {"componentType", GltfFloat}, {"type", "VEC3"}, {"count", 3}};
    const std::size_t at = odd.AddView(RawBytes(std::vector<std::uint16_t>{1, 2}));
    const std::size_t value = odd.AddView(RawBytes(std::vector<float>{0, 5, 0, 5, 0, 0}));
    odd.Json["accessors"][0]["sparse"] = {
        {"count", 2},
        {"indices", {{"bufferView", at}, {"componentType", GltfUnsignedShort}}},
        {"values", {{"bufferView", value}}}};
    const std::size_t uv =
        odd.AddAccessor(odd.AddView(RawBytes(std::vector<std::uint8_t>{0, 255, 255, 51, 0, 0})),
                        GltfUnsignedByte, "VEC2", 3);
    odd.Json["accessors"][uv]["normalized"] = true;
    odd.Json["meshes"][0]["primitives"][0]["attributes"]["TEXCOORD_0"] = uv;
    odd.Json["meshes"][0]["primitives"][0]["attributes"]["NORMAL"] = 0;
    const std::size_t colour = odd.AddAccessor(
        odd.AddView({255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 128}), GltfUnsignedByte, "VEC4", 3);
    odd.Json["accessors"][colour]["normalized"] = true;
    odd.Json["meshes"][0]["primitives"][0]["attributes"]["COLOR_0"] = colour;
    Write(folder, "interleaved-sparse.glb", GlbFile(odd));

    // A hierarchy placing one mesh by a matrix, by translation, rotation and scale, mirrored,
    // twice, in a cycle; and the same without a scene.
    TGltfDocument tree = GltfDocument(std::vector<TMeshSpec>{Cube()});
    tree.Json["nodes"] = {
        {{"children", {1, 2}}, {"matrix", {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 2, 3, 4, 1}}},
        {{"mesh", 0}, {"translation", {1, 2, 3}}, {"rotation", {0, 0.7071, 0, 0.7071}}},
        {{"mesh", 0}, {"scale", {-1, 1, 1}}, {"children", {3}}},
        {{"mesh", 0}, {"children", {2, 9}}}};
    Write(folder, "hierarchy.glb", GlbFile(tree));
    tree.Json.erase("scenes");
    tree.Json.erase("scene");
    Write(folder, "no-scene.glb", GlbFile(tree));

    // A primitive that needs an extension this reader lacks, beside one it can read.
    TGltfDocument draco = CubeDocument();
    Json& primitives = draco.Json["meshes"][0]["primitives"];
    primitives[0]["extensions"]["KHR_draco_mesh_compression"] = {{"bufferView", 0}};
    draco.Json["extensionsRequired"] = {"KHR_draco_mesh_compression"};
    Write(folder, "required-extension.glb", GlbFile(draco));

    // Binary framing with a BIN chunk cut short and an unknown chunk.
    std::vector<std::uint8_t> json;
    const std::string text = cube.Json.dump();
    json.assign(text.begin(), text.end());
    while (json.size() % 4 != 0) {
        json.push_back(' ');
    }
    Write(folder, "chunks.glb",
          GlbBytes({{GlbChunkJson, json}, {0x12345678, {1, 2, 3, 4}}, {GlbChunkBin, cube.Buffer}}));
    Write(folder, "bin-cut.glb",
          GlbBytes({{GlbChunkJson, json},
                    {GlbChunkBin, cube.Buffer, std::uint32_t(cube.Buffer.size() + 64)}}));
}

} // namespace Plexa3DFuzz
