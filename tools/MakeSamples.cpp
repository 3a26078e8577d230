// Writes the sample models of samples/: a cube, a torus, a sphere and a small vehicle, each sized
// to fill a 400 x 300 pane at the viewer's scale of 5 (about 50 units across), and the vehicle as a
// modeller would paint it: materials, smoothing groups, mapping coordinates and an image of its
// own beside it. Like the files of modelling tools, they have Z up, so that the top view shows
// them from above.
//   make_samples OUTPUT_FOLDER
#include "ImageBuffer.h"
#include "Writer3DS.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <vector>

namespace {

using Plexa3DTools::TMeshSpec;
using TVertex = std::array<float, 3>;
using TFace = std::array<std::uint16_t, 3>;

constexpr double Pi = std::numbers::pi;

// Adds a box with opposite corners a and b: 8 vertices, 12 triangles.
void AddBox(TMeshSpec& mesh, TVertex a, TVertex b) {
    const auto base = static_cast<std::uint16_t>(mesh.Vertices.size());
    for (int i = 0; i < 8; ++i) {
        mesh.Vertices.push_back({i & 1 ? b[0] : a[0], i & 2 ? b[1] : a[1], i & 4 ? b[2] : a[2]});
    }
    const int quads[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& q : quads) {
        mesh.Faces.push_back(
            {std::uint16_t(base + q[0]), std::uint16_t(base + q[1]), std::uint16_t(base + q[2])});
        mesh.Faces.push_back(
            {std::uint16_t(base + q[0]), std::uint16_t(base + q[2]), std::uint16_t(base + q[3])});
    }
}

// Adds a surface given by point(u, v) for u in [0, 1) around and v in [0, 1] along (closed in u
// only), as a grid of `around` x `along` quads split into triangles.
template <class Point>
void AddSurface(TMeshSpec& mesh, int around, int along, bool closedAlong, Point point) {
    const auto base = static_cast<std::uint16_t>(mesh.Vertices.size());
    const int rows = closedAlong ? along : along + 1;
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < around; ++i) {
            mesh.Vertices.push_back(point(double(i) / around, double(j) / along));
        }
    }
    const auto at = [&](int i, int j) {
        return std::uint16_t(base + (j % rows) * around + (i % around));
    };
    for (int j = 0; j < along; ++j) {
        for (int i = 0; i < around; ++i) {
            mesh.Faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            mesh.Faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    }
}

TVertex Vertex(double x, double y, double z) {
    return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
}

TMeshSpec Cube() {
    TMeshSpec mesh{"Cubo", {}, {}};
    AddBox(mesh, {-20, -20, -20}, {20, 20, 20});
    return mesh;
}

TMeshSpec Torus() {
    TMeshSpec mesh{"Toro", {}, {}};
    AddSurface(mesh, 32, 16, true, [](double u, double v) {
        const double a = 2 * Pi * u;
        const double b = 2 * Pi * v;
        const double r = 25 + 9 * std::cos(b);
        return Vertex(r * std::cos(a), r * std::sin(a), 9 * std::sin(b));
    });
    return mesh;
}

TMeshSpec Sphere() {
    TMeshSpec mesh{"Sfera", {}, {}};
    AddSurface(mesh, 24, 12, false, [](double u, double v) {
        const double a = 2 * Pi * u;
        const double b = Pi * v;
        return Vertex(26 * std::sin(b) * std::cos(a), 26 * std::sin(b) * std::sin(a),
                      26 * std::cos(b));
    });
    return mesh;
}

// A small car facing +x, standing on z = -12, as a modeller would leave it: body, cabin and
// four wheels, each a mesh of its own.
std::vector<TMeshSpec> VehicleParts() {
    std::vector<TMeshSpec> parts{{"Carrozzeria", {}, {}}, {"Abitacolo", {}, {}}};
    AddBox(parts[0], {-30, -12, -8}, {30, 12, 4});
    AddBox(parts[1], {-14, -10, 4}, {12, 10, 13});
    for (const double x : {-19.0, 19.0}) {
        for (const double y : {-13.0, 13.0}) {
            TMeshSpec& wheel = parts.emplace_back(TMeshSpec{"Ruota", {}, {}});
            AddSurface(wheel, 16, 1, false, [x, y](double u, double v) {
                const double a = 2 * Pi * u;
                return Vertex(x + 6 * std::cos(a), y + (v - 0.5) * 4, -6 + 6 * std::sin(a));
            });
        }
    }
    return parts;
}

// The same car as one mesh.
TMeshSpec Vehicle() {
    TMeshSpec mesh{"Automobile", {}, {}};
    for (const TMeshSpec& part : VehicleParts()) {
        const auto base = static_cast<std::uint16_t>(mesh.Vertices.size());
        mesh.Vertices.insert(mesh.Vertices.end(), part.Vertices.begin(), part.Vertices.end());
        for (const TFace& f : part.Faces) {
            mesh.Faces.push_back({std::uint16_t(base + f[0]), std::uint16_t(base + f[1]),
                                  std::uint16_t(base + f[2])});
        }
    }
    return mesh;
}

// The painted car's image: a chequered flag of 8 x 4 squares with a red stripe down its middle.
ZuveloGraphLibrary::TImageBuffer Flag() {
    constexpr int Square = 16;
    ZuveloGraphLibrary::TImageBuffer image(8 * Square, 4 * Square, {255, 255, 255});
    for (int y = 0; y < image.Height(); ++y) {
        for (int x = 0; x < image.Width(); ++x) {
            const bool dark = ((x / Square) + (y / Square)) % 2 == 1;
            const bool stripe = std::abs(x - image.Width() / 2) < 4;
            image.Set(x, y,
                      stripe ? ZuveloGraphLibrary::TColorRGB{200, 20, 30}
                      : dark ? ZuveloGraphLibrary::TColorRGB{20, 20, 24}
                             : ZuveloGraphLibrary::TColorRGB{245, 245, 240});
        }
    }
    return image;
}

// The car painted: a red body with a highlight, a bluish glass cabin whose roof carries the flag,
// and black wheels smoothed round their treads, with grey hubs. The flag is named in upper case, as
// old files name their images, and lies beside the model in lower case.
std::vector<std::uint8_t> PaintedVehicle() {
    using Plexa3DTools::TMaterialSpec;
    const std::vector<TMaterialSpec> materials = {
        {"Vernice", {{{60, 8, 8}}}, {{{190, 22, 28}}}, {{{220, 220, 220}}}, 60, 15},
        {"Vetro", {}, {{{100, 150, 200}}}, {{{255, 255, 255}}}, 80, 30},
        {"Gomma", {}, {{{40, 40, 44}}}, {{{160, 160, 160}}}, 30, 20},
        {"Cerchio", {}, {{{170, 172, 178}}}, {{{255, 255, 255}}}, 50, 30},
        {"Bandiera", {}, {{{245, 245, 240}}}, {}, {}, {}, {}, false, "BANDIERA.BMP", 100}};
    std::vector<TMeshSpec> parts = VehicleParts();
    // The body: flat faces, red. The cabin: glass, its roof (the box's top, faces 2 and 3)
    // mapped across the flag.
    parts[0].Materials = {{"Vernice", {}}};
    for (std::uint16_t f = 0; f < parts[0].Faces.size(); ++f) {
        parts[0].Materials[0].Faces.push_back(f);
    }
    parts[1].Materials = {{"Vetro", {}}, {"Bandiera", {2, 3}}};
    for (std::uint16_t f = 0; f < parts[1].Faces.size(); ++f) {
        if (f != 2 && f != 3) {
            parts[1].Materials[0].Faces.push_back(f);
        }
    }
    for (const auto& v : parts[1].Vertices) {
        parts[1].Mapping.push_back({(v[0] + 14) / 26, (v[1] + 10) / 20});
    }
    // The wheels: treads smoothed round, and flat hubs closing their two sides.
    for (std::size_t w = 2; w < parts.size(); ++w) {
        TMeshSpec& wheel = parts[w];
        wheel.Materials = {{"Gomma", {}}, {"Cerchio", {}}};
        for (std::uint16_t f = 0; f < wheel.Faces.size(); ++f) {
            wheel.Materials[0].Faces.push_back(f);
            wheel.Smoothing.push_back(1);
        }
        const auto ring = static_cast<std::uint16_t>(wheel.Vertices.size() / 2);
        for (std::uint16_t side = 0; side < 2; ++side) {
            TVertex centre{0, 0, 0};
            for (std::uint16_t i = 0; i < ring; ++i) {
                for (int k = 0; k < 3; ++k) {
                    centre[k] += wheel.Vertices[side * ring + i][k] / ring;
                }
            }
            const auto hub = static_cast<std::uint16_t>(wheel.Vertices.size());
            wheel.Vertices.push_back(centre);
            for (std::uint16_t i = 0; i < ring; ++i) {
                wheel.Materials[1].Faces.push_back(static_cast<std::uint16_t>(wheel.Faces.size()));
                wheel.Faces.push_back({hub, std::uint16_t(side * ring + i),
                                       std::uint16_t(side * ring + (i + 1) % ring)});
                wheel.Smoothing.push_back(0);
            }
        }
    }
    return Plexa3DTools::LooksFile(materials, parts);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples OUTPUT_FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::filesystem::create_directories(folder);
    const std::pair<const char*, std::vector<TMeshSpec>> samples[] = {
        {"cube.3ds", {Cube()}},
        {"torus.3ds", {Torus()}},
        {"sphere.3ds", {Sphere()}},
        {"vehicle.3ds", {Vehicle()}},
        {"vehicle-parts.3ds", VehicleParts()}};
    for (const auto& [name, meshes] : samples) {
        Plexa3DTools::WriteBytes((folder / name).string(), Plexa3DTools::MeshFile(meshes));
        std::printf("%s: %zu meshes\n", name, meshes.size());
    }
    Plexa3DTools::WriteBytes((folder / "vehicle-painted.3ds").string(), PaintedVehicle());
    Flag().SaveBmp((folder / "bandiera.bmp").string());
    std::printf("vehicle-painted.3ds and bandiera.bmp: the car with its looks\n");
    return 0;
}
