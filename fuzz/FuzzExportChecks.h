// What the fuzz targets of the model readers check of the export: that every format's writer
// takes whatever a reader gave, and that a .glb and an STL come out exactly as long as their
// headers say.
#pragma once

#include "MeshObject.h"
#include "ModelLooks.h"

namespace Plexa3DFuzz {

// The model written in memory in every format. As an export does, it places the model's world
// vertices.
void CheckExport(ZuveloGraphLibrary::TObject3D& object,
                 const ZuveloGraphLibrary::TModelLooks& looks);

} // namespace Plexa3DFuzz
