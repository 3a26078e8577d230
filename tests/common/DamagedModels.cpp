#include "DamagedModels.h"

#include "Import3DS.h"
#include "Writer3DS.h"

#include <algorithm>
#include <limits>

namespace Plexa3DTest {

std::vector<TDamagedModel> DamagedModels(const std::string& file) {
    ZuveloGraphLibrary::TObject3D object;
    ZuveloGraphLibrary::Load3DS(file, object);
    Plexa3DTools::TMeshSpec mesh{object.Name, {}, {}};
    for (const auto& p : object.Vertices) {
        mesh.Vertices.push_back({p.X, p.Y, p.Z});
    }
    for (const auto& f : object.Faces) {
        mesh.Faces.push_back({static_cast<std::uint16_t>(f.A - 1),
                              static_cast<std::uint16_t>(f.B - 1),
                              static_cast<std::uint16_t>(f.C - 1)});
    }
    // A vertex on the model's outside, so that losing it would change the fit.
    const auto far = std::max_element(mesh.Vertices.begin(), mesh.Vertices.end(),
                                      [](const auto& a, const auto& b) { return a[0] < b[0]; });
    const auto vertex = static_cast<std::uint16_t>(far - mesh.Vertices.begin());
    auto without = mesh;
    std::erase_if(without.Faces, [&](const auto& f) {
        return f[0] == vertex || f[1] == vertex || f[2] == vertex;
    });
    const auto damaged = [&](int axis, float value) {
        auto copy = mesh;
        copy.Vertices[vertex][axis] = value;
        return copy;
    };
    auto extra = mesh;
    extra.Vertices.push_back({3e38f, -3e38f, 3e38f});
    const auto write = [](const Plexa3DTools::TMeshSpec& m) { return Plexa3DTools::MeshFile({m}); };
    return {
        {"one NaN vertex", write(damaged(0, std::numeric_limits<float>::quiet_NaN())),
         write(without), vertex + 1},
        {"one vertex infinite on one axis",
         write(damaged(1, -std::numeric_limits<float>::infinity())), write(without), vertex + 1},
        {"an unused vertex at 3e38", write(extra), write(mesh),
         static_cast<std::int32_t>(extra.Vertices.size())},
    };
}

} // namespace Plexa3DTest
