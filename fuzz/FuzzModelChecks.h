// What every fuzz target of a model reader checks: that a record's looks fit it, and that a model
// drawn in every mode and both projections into a small guarded canvas writes nothing outside
// it, hidden lines being some of the wire pixels. A broken invariant stops the run.
#pragma once

#include "MeshObject.h"
#include "ModelLooks.h"

namespace Plexa3DFuzz {

// Stops the run, saying what broke, unless the condition holds.
void Require(bool condition, const char* what);

// The looks fit the record: lists empty or as long as its counts, numbers within their lists.
void CheckLooks(const ZuveloGraphLibrary::TObject3D& object,
                const ZuveloGraphLibrary::TModelLooks& looks);

// A small image of four colours for every material that names one, as the decoding would give.
void GiveImages(ZuveloGraphLibrary::TModelLooks& looks);

// The model, already fitted, placed at depth -300 and drawn as wires, hidden lines and surfaces
// (plain, and in its looks) in both projections.
void DrawInEveryMode(ZuveloGraphLibrary::TObject3D& object,
                     const ZuveloGraphLibrary::TModelLooks& looks);

// A whole model's record is sound (counts and arrays agree, face numbers in range); fitted, its
// used vertices lie within the fit's radius; then it is drawn as above.
void CheckModel(ZuveloGraphLibrary::TObject3D& object,
                const ZuveloGraphLibrary::TModelLooks& looks);

} // namespace Plexa3DFuzz
