// The fitted placement: an object's local vertices moved and scaled so that it turns about its
// own centre and stays within a given distance of it, whatever the turn.
#pragma once

#include "MeshObject.h"

namespace ZuveloGraphLibrary {

inline constexpr double FitRadius = 140; // pixels: every turn of a fitted object stays within it

// Rewrites the local vertices as (v - c) * (radius / r), c the centre and r half the diagonal of
// the box of the finite local vertices used by at least one face whose numbers are all in range,
// computed in double and rounded once to single. Only those vertices move: coordinates that are
// not finite, and vertices that no such face uses, are kept as they are (they are never drawn).
// Returns false, leaving the object untouched, when there is no such vertex or the diagonal is 0
// or not finite. Raises "Floating point overflow", leaving the object untouched, when a coordinate
// of a used vertex would leave the single range. Pivot and position are the caller's; radius must
// be above 0.
bool FitObjectVertices(TObject3D& object, double radius = FitRadius);

// Moves every vertex that no face with all three numbers in range uses to the origin, so that
// turning or scaling the object can never take such a vertex, never drawn, out of the single
// range.
void ParkUnusedVertices(TObject3D& object);

} // namespace ZuveloGraphLibrary
