// Writes the seed files of the .3DS fuzz target into the folder named on the command line: small
// valid meshes, the chunks that real files put around them, and files broken in the ways the
// reader must survive.
#include "Writer3DS.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Plexa3DTools::TChunkWriter;
using Plexa3DTools::TMeshSpec;
using Bytes = std::vector<std::uint8_t>;

const TMeshSpec Triangle = {"Tri", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}};
const TMeshSpec Cube = {"Cube",
                        {{-1, -1, -1},
                         {1, -1, -1},
                         {1, 1, -1},
                         {-1, 1, -1},
                         {-1, -1, 1},
                         {1, -1, 1},
                         {1, 1, 1},
                         {-1, 1, 1}},
                        {{0, 1, 2},
                         {0, 2, 3},
                         {4, 6, 5},
                         {4, 7, 6},
                         {0, 4, 5},
                         {0, 5, 1},
                         {1, 5, 6},
                         {1, 6, 2},
                         {2, 6, 7},
                         {2, 7, 3},
                         {3, 7, 4},
                         {3, 4, 0}}};

TMeshSpec Grid(int side) {
    TMeshSpec mesh{"Grid", {}, {}};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            mesh.Vertices.push_back({float(x), float(y), float(x * y) * 0.125f});
        }
    }
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const auto at = static_cast<std::uint16_t>(y * side + x);
            const auto side16 = static_cast<std::uint16_t>(side);
            mesh.Faces.push_back({at, std::uint16_t(at + 1), std::uint16_t(at + side16)});
        }
    }
    return mesh;
}

// Materials of every kind of colour, percentages, and images placed every way.
std::vector<Plexa3DTools::TMaterialSpec> Materials() {
    return {{"red",
             {{{255, 0, 0}}},
             {{{0.9f, 0.1f, 0.1f}, true}},
             {{{255, 255, 255}, false, true}},
             40,
             60,
             10,
             true},
            {"picture",
             {},
             {{{0, 0, 0.5f}, true, true}},
             {},
             {},
             {},
             {},
             false,
             "PIC.TGA",
             70,
             0x12,
             {{2, 0.5f, 0.25f, -0.5f, 30}}},
            {"once", {}, {{{10, 200, 10}}}, {}, {}, {}, {}, false, "once.png", {}, 0x11}};
}

// The mesh with mapping coordinates, both materials on its faces and two smoothing groups.
TMeshSpec Looked(TMeshSpec mesh) {
    for (const auto& v : mesh.Vertices) {
        mesh.Mapping.push_back({v[0] * 0.5f, v[1] * 0.5f});
    }
    std::vector<std::uint16_t> even, odd;
    for (std::size_t i = 0; i < mesh.Faces.size(); ++i) {
        (i % 2 ? odd : even).push_back(std::uint16_t(i));
        mesh.Smoothing.push_back(i < mesh.Faces.size() / 2 ? 1 : 6);
    }
    mesh.Materials = {{"red", even}, {"picture", odd}, {"absent", {0}}};
    return mesh;
}

Bytes Looks(bool keyframed) {
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const auto& material : Materials()) {
        w.Material(material);
    }
    w.Mesh(Looked(Cube));
    w.End();
    if (keyframed) {
        w.Begin(0xB000);
        for (const float x : {0.0f, 3.0f}) {
            Plexa3DTools::TNodeSpec node{"Cube"};
            node.Position = {{0, {x, 0, 0}}};
            node.Rotation = {{0, {0.5f, 0, 0, 1}}};
            w.Node(node);
        }
        w.End();
    }
    w.End();
    return w.Bytes();
}

void Floats(TChunkWriter& w, std::initializer_list<float> values) {
    for (const float value : values) {
        w.F32(value);
    }
}

void Filler(TChunkWriter& w, std::uint16_t id, int size) {
    w.Begin(id);
    for (int i = 0; i < size; ++i) {
        w.U8(static_cast<std::uint8_t>(i * 37));
    }
    w.End();
}

void Mesh(TChunkWriter& w, const TMeshSpec& mesh) {
    w.Begin(0x4000);
    w.ZeroTerminated(mesh.Name);
    w.Begin(0x4100);
    w.VertexList(mesh.Vertices);
    Filler(w, 0x4160, 48); // local axes
    w.FaceList(mesh.Faces);
    w.End();
    w.End();
}

void Camera(TChunkWriter& w) {
    w.Begin(0x4000);
    w.ZeroTerminated("Camera01");
    w.Begin(0x4700);
    Floats(w, {0, -100, 50, 0, 0, 0, 0, 45}); // position, target, roll, lens
    Filler(w, 0x4720, 8);                     // ranges
    w.End();
    w.End();
}

void Light(TChunkWriter& w) {
    w.Begin(0x4000);
    w.ZeroTerminated("Omni01");
    w.Begin(0x4600);
    Floats(w, {10, 20, 30});
    w.Begin(0x0010); // colour
    Floats(w, {1, 0.5f, 0.25f});
    w.End();
    Filler(w, 0x4610, 20); // spotlight
    w.End();
    w.End();
}

void Material(TChunkWriter& w) {
    w.Begin(0xAFFF);
    w.Begin(0xA000);
    w.ZeroTerminated("Red");
    w.End();
    w.Begin(0xA010);
    w.Begin(0x0011);
    w.Raw(std::string("\xFF\x00\x00", 3));
    w.End();
    w.End();
    w.End();
}

void Keyframer(TChunkWriter& w) {
    w.Begin(0xB000);
    Filler(w, 0xB00A, 9);
    w.Begin(0xB002);
    w.Begin(0xB010);
    w.ZeroTerminated("Tri");
    w.U32(0);
    w.U16(0xFFFF); // flags, then the parent: none
    w.End();
    Filler(w, 0xB013, 12); // pivot
    w.End();
    w.End();
}

// main > version, editor > whatever `body` writes; then `after` beside the editor.
template <class Body, class After> Bytes File(Body body, After after) {
    TChunkWriter w;
    w.Begin(0x4D4D);
    Filler(w, 0x0002, 4);
    w.Begin(0x3D3D);
    Filler(w, 0x3D3E, 4);
    body(w);
    w.End();
    after(w);
    w.End();
    return w.Bytes();
}

template <class Body> Bytes File(Body body) {
    return File(body, [](TChunkWriter&) {});
}

Bytes Cut(Bytes bytes, std::size_t size) {
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

std::vector<std::pair<std::string, Bytes>> Seeds() {
    const Bytes cube = Plexa3DTools::MeshFile({Cube});
    const auto odd = [](std::int32_t length) {
        return File([length](TChunkWriter& w) {
            w.Begin(0x4000);
            w.ZeroTerminated("Odd");
            w.Begin(0x1234);
            w.EndWithLength(length);
            w.End();
            Mesh(w, Triangle);
        });
    };
    return {
        {"triangle", Plexa3DTools::MeshFile({Triangle})},
        {"cube", cube},
        {"grid", Plexa3DTools::MeshFile({Grid(20)})},
        {"two-meshes", Plexa3DTools::MeshFile({Cube, Triangle})},
        {"camera-light-mesh", File([](TChunkWriter& w) {
             Camera(w);
             Light(w);
             Mesh(w, Cube);
         })},
        {"materials-keyframer", File(
                                    [](TChunkWriter& w) {
                                        Material(w);
                                        Material(w);
                                        Mesh(w, Triangle);
                                    },
                                    Keyframer)},
        {"no-mesh", File(
                        [](TChunkWriter& w) {
                            Camera(w);
                            Light(w);
                        },
                        Keyframer)},
        {"unknown-chunks", File([](TChunkWriter& w) {
             Filler(w, 0x7777, 100);
             Filler(w, 0x0100, 0);
             Mesh(w, Triangle);
         })},
        {"lists-reversed", File([](TChunkWriter& w) {
             w.FaceList(Cube.Faces, 0);
             w.VertexList(Cube.Vertices);
             w.Begin(0x4000);
             w.ZeroTerminated("Late");
             w.End();
         })},
        {"repeated-lists", File([](TChunkWriter& w) {
             w.VertexList(Cube.Vertices);
             w.VertexList(Triangle.Vertices);
             w.FaceList(Triangle.Faces);
             w.FaceList(Cube.Faces);
             Mesh(w, Triangle);
         })},
        {"empty-lists", Plexa3DTools::MeshFile({{"Empty", {}, {}}})},
        {"long-name",
         Plexa3DTools::MeshFile({{std::string(100, 'N'), Triangle.Vertices, Triangle.Faces}})},
        {"nested-main", File([&](TChunkWriter& w) {
             w.Raw(std::string(cube.begin(), cube.end()));
             Mesh(w, Triangle);
         })},
        {"length-0", odd(0)},
        {"length-5", odd(5)},
        {"length-6", odd(6)},
        {"length-negative", odd(-4096)},
        {"length-huge", odd(0x7FFFFFFF)},
        {"cut-in-vertices", Cut(cube, 60)},
        {"cut-in-faces", Cut(cube, cube.size() - 13)},
        {"cut-in-header", Cut(cube, 15)},
        {"name-without-end", Cut(cube, 21)},
        {"main-header-only", Cut(cube, 6)},
        {"three-meshes", File([](TChunkWriter& w) {
             Light(w);
             Mesh(w, Cube);
             Camera(w);
             Material(w);
             Mesh(w, Triangle);
             Mesh(w, Grid(6));
         })},
        {"faces-across-meshes", Plexa3DTools::MeshFile({Triangle, Cube, Grid(3)})},
        {"mesh-lists-doubled", File([](TChunkWriter& w) {
             w.Begin(0x4000);
             w.ZeroTerminated("Twice");
             w.Begin(0x4100);
             w.FaceList(Cube.Faces);
             w.VertexList(Cube.Vertices);
             w.VertexList(Triangle.Vertices);
             w.FaceList(Triangle.Faces);
             w.End();
             w.End();
             Mesh(w, Triangle);
         })},
        {"lists-short-of-their-counts", File([](TChunkWriter& w) {
             w.Begin(0x4000);
             w.ZeroTerminated("Short");
             w.Begin(0x4100);
             w.VertexList(Cube.Vertices, 200);
             w.FaceList(Cube.Faces, 0, 65535);
             w.End();
             w.End();
             Mesh(w, Cube);
         })},
        {"meshes-out-of-place", File(
                                    [](TChunkWriter& w) {
                                        w.Begin(0x4100);
                                        w.VertexList(Cube.Vertices);
                                        w.FaceList(Cube.Faces);
                                        w.End();
                                        w.Begin(0x4000);
                                        w.Raw("no zero byte");
                                        w.End();
                                        Mesh(w, Triangle);
                                    },
                                    [](TChunkWriter& w) { Mesh(w, Cube); })},
        {"cut-in-second-mesh", Cut(Plexa3DTools::MeshFile({Cube, Cube}), 250)},
        {"empty", {}},
        {"not-3ds", {'s', 'o', 'l', 'i', 'd', ' ', 'c', 'u', 'b', 'e', '\n'}},
        {"looks", Plexa3DTools::LooksFile(Materials(), {Looked(Cube), Looked(Grid(4))})},
        {"looks-keyframed", Looks(true)},
        {"looks-cut-in-lists", Cut(Looks(false), Looks(false).size() - 20)},
    };
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        const auto seeds = Seeds();
        for (const auto& [name, bytes] : seeds) {
            Plexa3DTools::WriteBytes((folder / (name + ".3ds")).string(), bytes);
        }
        std::printf("wrote %zu seeds to %s\n", seeds.size(), folder.c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
