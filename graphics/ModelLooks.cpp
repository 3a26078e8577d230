#include "ModelLooks.h"

#include <algorithm>

namespace ZuveloGraphLibrary {

void FinishLooks(const TObject3D& object, TModelLooks& looks) {
    if (looks.Materials.empty()) {
        looks.Materials.emplace_back();
    }
    const auto faces =
        static_cast<std::size_t>(std::clamp(object.FaceCount, 0, object.Faces.Count()));
    const auto vertices =
        static_cast<std::size_t>(std::clamp(object.VertexCount, 0, object.Vertices.Count()));
    const auto fit = [](auto& list, std::size_t count) {
        if (!list.empty()) {
            list.resize(count);
        }
    };
    fit(looks.FaceMaterials, faces);
    fit(looks.FaceSmoothing, faces);
    fit(looks.Mapping, vertices);
    for (std::uint32_t& material : looks.FaceMaterials) {
        material = material < looks.Materials.size() ? material : 0;
    }
    for (TMaterial& material : looks.Materials) {
        if (material.Texture && material.Texture->Embedded >= 0 &&
            std::size_t(material.Texture->Embedded) >= looks.EmbeddedImages.size()) {
            material.Texture->Embedded = -1;
        }
    }
    // Meshes within the faces, in order.
    std::uint32_t next = 0;
    std::vector<TMeshPart> parts;
    for (TMeshPart& part : looks.Meshes) {
        if (part.First != next || part.Count > faces - std::min<std::size_t>(next, faces)) {
            break;
        }
        next += part.Count;
        parts.push_back(std::move(part));
    }
    looks.Meshes = next == faces ? std::move(parts) : std::vector<TMeshPart>{};
    looks.Images.resize(looks.Materials.size());
    looks.Corners.Forget();
}

} // namespace ZuveloGraphLibrary
