// PLY files, ASCII and binary of either byte order (format 1.0), read into one mesh: the vertex
// element's points, and the face element's polygons split into triangles.
//
// The header: "ply", then lines of format, element (a name and a count), property (a type and a
// name, or "list", a count type, an item type and a name) and end_header. Types are char/int8,
// uchar/uint8, short/int16, ushort/uint16, int/int32, uint/uint32, float/float32 and
// double/float64. Comment and obj_info lines are passed over, but for "comment TextureFile name",
// which names the image of the mapping coordinates; any other line is passed over with a note.
// A header without ply, a format 1.0 of one of the three kinds, or end_header, or with an element
// or property line that cannot be read, is refused. The body begins just after end_header's line
// end (LF or CR LF), whatever its first bytes are.
//
// Elements are read in the header's order, whatever that is. The first element named vertex
// gives the vertices: x, y and z of any type (refused without them, if it has items); red, green
// and blue (or diffuse_red, diffuse_green and diffuse_blue), integers from 0 to 255 or reals from 0
// to 1, as its colour; nx, ny and nz, as having a normal; and u and v (or s and t, texture_u and
// texture_v, texture_s and texture_t) as its mapping coordinates, v upwards. The first element
// named face gives the faces: its first list named vertex_indices or vertex_index (indices from 0
// of any type; one that names no vertex read keeps its face out, and the builder tells how many),
// and red, green and blue as its colour. Every other element and property, lists included, is
// passed over (binary lists by their own counts), with a note for each other element that has
// items. In ASCII, each value is a word between white space, whatever the lines, and a line of
// the body beginning with "comment" is passed over.
//
// A polygon of n corners is split into n - 2 triangles as a fan about its first corner; one of
// fewer than 3 corners is passed over, counted in a note. A face's colour is its own, else the
// mean of its corners' colours when the vertices have colours; each colour is a material
// (ColourMaterials.h). When the header names a texture file and the vertices have mapping
// coordinates, every face's material carries that image (faces without a colour get a material of
// the default colours with it). Faces are smooth, in smoothing group 1 (smoothed together where
// they share a vertex), when the vertices have normals; flat otherwise.
//
// Bounds: every value is read within the bytes; a list's count is held to the bytes left before
// its items are read; a declared count makes room only for the items the bytes left could hold.
// A body that ends early or holds a word that is not a number keeps what was read before it and
// says where it stopped in a note. In a text, long runs of plain vertices and triangles are read a
// stretch at a time on two threads (InLinePieces), the reading thrown away never more than the run
// has kept.
//
// The first mesh is the whole file (a PLY file holds one mesh); it is named after the file.
#pragma once

#include "ModelBuilder.h"
#include "ModelSource.h"

#include <string>

namespace Plexa3DFormats {

// Fills the builder from the source and returns the name of the mesh read, for the first mesh
// (empty: the record is named after the file). Raises RuntimeError for a file it cannot read.
std::string ReadPly(const TModelSource& source, TModelPart part, TModelBuilder& builder);

} // namespace Plexa3DFormats
