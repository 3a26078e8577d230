// Writes the sample models of samples/: a cube, a torus, a sphere and a small vehicle, each sized
// to fill a 400 x 300 pane at the viewer's scale of 5 (about 50 units across). Like the files of
// modelling tools, they have Z up, so that the top view shows them from above.
//   make_samples OUTPUT_FOLDER
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
    return 0;
}
