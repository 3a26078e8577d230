// Fuzz target of the .3DS readers. Each input is read in memory, as a whole file, by both the
// first-mesh reader and the whole-model reader, each with the model's looks, and the whole model
// is then fitted. A load either raises one of the library's errors or leaves a record whose counts
// and arrays agree, and looks whose lists fit the record; a whole model's face numbers all lie in
// range, and a fitted model's used vertices lie within the fit's radius. The fitted model is also
// drawn, placed as the import places it, as wires, hidden lines and solid surfaces (plain, and in
// its looks with a small image for every material that names one) in both projections, into a
// small canvas framed by guard bytes: no drawing writes outside the canvas, and the hidden lines
// are some of the wire pixels. Anything else stops the run.
#include "FaceFill.h"
#include "FitPlacement.h"
#include "FuzzModelChecks.h"
#include "HiddenLines.h"
#include "Import3DS.h"
#include "Import3DSModel.h"
#include "ModelLooks.h"
#include "RasterCanvas.h"
#include "Renderer.h"
#include "SolidSurfaces.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

namespace {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFuzz;

void CheckRecord(const TObject3D& object) {
    Require(object.Name.size() <= MaxObjectNameLength, "name longer than 80 bytes");
    Require(object.VertexCount >= 0 && object.VertexCount <= 65535, "vertex count range");
    Require(object.FaceCount >= 0 && object.FaceCount <= 65535, "face count range");
    Require(object.Vertices.Count() == object.VertexCount, "vertex array size");
    Require(object.WorldVertices.Count() == object.VertexCount, "world vertex array size");
    Require(object.Faces.Count() == object.FaceCount, "face array size");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    TObject3D object;
    TModelLooks looks;
    try {
        Load3DSBytesWithLooks(bytes, object, looks);
        CheckRecord(object);
        CheckLooks(object, looks);
    } catch (const RuntimeError&) {
    }
    TObject3D model;
    TModelLooks modelLooks;
    try {
        Load3DSModelBytesWithLooks(bytes, model, modelLooks);
        CheckLooks(model, modelLooks);
        GiveImages(modelLooks);
        CheckModel(model, modelLooks);
    } catch (const RuntimeError&) {
    }
    return 0;
}
