// OFF files (text) read into one mesh: the vertices, and the faces split into triangles.
//
// The first word, after blank lines and comments, is OFF with letters before it that say what
// each vertex line carries after its coordinates, in this order: N a normal, C a colour, ST
// texture coordinates; 4 adds a fourth, homogeneous coordinate that the others are divided by;
// n says that a line giving the dimension of the vertices comes first. Then come the counts of
// vertices and faces (and of edges, passed over), on the first word's line or the lines after.
// A vertex of dimension n has n coordinates (n + 1 with 4), of which the first three are read
// (those missing are 0), and a normal of n numbers. "OFF BINARY", a first word that is no such
// word, and counts that cannot be read are refused.
//
// From '#' to the end of a line is a comment; blank lines are passed over. Each vertex and face
// is one line. A face line gives its count of corners, their indices from 0, and then,
// optionally, its colour: three or four numbers (red, green, blue and alpha, which is passed
// over), whole numbers from 0 to 255 or reals from 0 to 1 as they are written; a single number,
// an index into a colour map the file does not carry, is passed over with a note. A vertex's
// colour (C) is read likewise from the numbers left between its normal and its texture
// coordinates. A vertex line with more numbers than its first word says has the others passed
// over, with a note.
//
// A polygon of n corners is split into n - 2 triangles as a fan about its first corner; one of
// fewer than 3 corners is passed over, counted in a note. A face's colour is its own, else the
// mean of its corners' colours when the vertices have colours (C); each colour is a material
// (ColourMaterials.h). Texture coordinates are kept as the vertices' mapping coordinates (v
// upwards), though OFF names no image. Faces are smooth, in smoothing group 1, when the vertices
// have normals (N); flat otherwise.
//
// Damage is kept to its line: a vertex line that cannot be read gives a vertex that is not finite
// (so its faces are left out, and counted), and a face line that cannot be read is passed over;
// each is counted in a note, and so is a file that ends before its counts are met. Bounds: the
// counts make room only for the lines the bytes left could hold; each line is read once, or
// twice when the quick reading of plain vertex and triangle lines gives way to the full one. Long
// runs of plain lines are read a stretch at a time on two threads (InLinePieces): the reading
// thrown away when a stretch's first half stops early is never more than the run has kept.
//
// The first mesh is the whole file (an OFF file holds one mesh); it is named after the file.
#pragma once

#include "ModelBuilder.h"
#include "ModelSource.h"

#include <string>
#include <string_view>

namespace Plexa3DFormats {

// Fills the builder from the source and returns the name of the mesh read, for the first mesh
// (empty: the record is named after the file). Raises RuntimeError for a file it cannot read.
std::string ReadOff(const TModelSource& source, TModelPart part, TModelBuilder& builder);

// Whether a word is the first word of an OFF file, as ReadOff takes it.
bool IsOffWord(std::string_view word);

} // namespace Plexa3DFormats
