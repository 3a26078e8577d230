#include "ModelInfo.h"

#include "CompanionFiles.h"
#include "GraphErrors.h"
#include "ModelFiles.h"
#include "ModelImages.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <vector>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;

namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

} // namespace

std::string DescribeModelFile(const std::string& fileName, std::vector<std::string>* notes) {
    TObject3D object;
    TModelLooks looks;
    const TModelFile read = ReadModelFile(fileName, TModelPart::Whole, object, looks);
    if (read.Format == TModelFormat::Unknown) {
        throw RuntimeError(UnknownFormatText);
    }
    for (const TLooksNote& note : looks.Notes) {
        if (notes != nullptr) {
            notes->push_back(NoteText(note, TNoteLanguage::CommandLine));
        }
    }
    // Each image once: found beside the model, held in it, or missing.
    std::set<std::string> found, missing;
    for (const TMaterial& material : looks.Materials) {
        if (!material.Texture) {
            continue;
        }
        const TTextureMap& map = *material.Texture;
        if (map.Embedded >= 0 ||
            FindFileIgnoringCase(ModelFolder(fileName), map.FileName).has_value()) {
            found.insert(map.Embedded >= 0 ? "\n" + std::to_string(map.Embedded) : map.FileName);
        } else {
            missing.insert(map.FileName);
        }
    }
    double low[3] = {INFINITY, INFINITY, INFINITY}, high[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const TFace3D& face : object.Faces) {
        for (const std::uint32_t n : {face.A, face.B, face.C}) {
            const TPoint3D& p = object.Vertices[std::int32_t(n)];
            const double c[] = {p.X, p.Y, p.Z};
            for (int k = 0; k < 3; ++k) {
                low[k] = std::min(low[k], c[k]);
                high[k] = std::max(high[k], c[k]);
            }
        }
    }
    std::string missingNames;
    for (const std::string& name : missing) {
        missingNames += (missingNames.empty() ? "" : ", ") + name;
    }
    std::string bounds = "none";
    if (object.FaceCount > 0) {
        bounds = Number(low[0]) + " " + Number(low[1]) + " " + Number(low[2]) + " " +
                 Number(high[0]) + " " + Number(high[1]) + " " + Number(high[2]);
    }
    return "file: " + fileName + "\n" + "format: " + FormatName(read.Format) + "\n" +
           "meshes: " + std::to_string(read.Reading.Meshes) + "\n" +
           "triangles: " + std::to_string(object.FaceCount) + "\n" +
           "vertices: " + std::to_string(object.VertexCount) + "\n" +
           "materials: " + std::to_string(looks.Materials.size() - 1) + "\n" +
           "textures: " + std::to_string(found.size()) + "\n" +
           "textures missing: " + missingNames + "\n" + "bounds: " + bounds + "\n";
}

} // namespace Plexa3DApp
