// STL files, binary and ASCII, told apart by their content, read into one mesh of triangles.
//
// Binary: an 80-byte header, a 32-bit little-endian count of triangles, then 50 bytes a triangle:
// its normal (passed over), its three vertices (three little-endian singles each) and a 16-bit
// attribute word. A file whose length is exactly 84 + 50 times its count is binary, though its
// header may begin with "solid". Otherwise a file whose first word (after white space and lines
// of '#' comments) begins with "solid", its first 84 bytes holding no zero byte, is ASCII; and
// any other file of 84 bytes or more is binary with a count its length does not bear out: the
// whole triangles its bytes hold, up to the count, are read, and a note says what was passed
// over. A shorter file is refused.
//
// Colours of binary files, by the two conventions of the attribute word. When the header holds
// "COLOR=" and four bytes (red, green, blue, alpha), a face whose bit 15 is clear has its own
// colour, red in bits 0-4, green 5-9, blue 10-14, and a face whose bit 15 is set has the header's
// colour. Otherwise a face whose bit 15 is set has its own colour, blue in bits 0-4, green 5-9,
// red 10-14, and the others have none. Each colour met is one material (ColourMaterials.h; the
// header's colour kept as it is); faces without a colour have the default material.
//
// ASCII: solids one after another, each "solid name", facets and "endsolid"; a facet's vertices
// are its "vertex x y z" lines, the numbers in any form C reads. Keywords are read ignoring case;
// every other word (the normal and its numbers, "outer loop", "endloop", names after endsolid) is
// passed over, and so is the rest of a line from '#'. A facet of other than three vertices, or
// with a vertex whose three numbers cannot be read, is passed over, counted in a note; so is the
// end of a file that stops before "endsolid" (the facets complete by then are kept).
//
// Every triangle has three vertices of its own, in the file's order, and is flat (smoothing mask
// 0). Bounds: the binary count is held to the triangles the bytes hold before any room is made;
// ASCII is read in one pass over the text, with room made for the vertices and faces that its
// length could hold at most (a vertex takes 13 bytes at least). A long ASCII text is read in two
// halves side by side, split where a line begins with "facet", with the same result.
//
// The first mesh is the whole file: STL has no meshes apart, and its solids are parts of one
// model. Its name is the first solid's name in an ASCII file; a binary file (whose header is free
// text, often not a name) gives none, and the record is named after the file.
#pragma once

#include "ModelBuilder.h"
#include "ModelSource.h"

#include <string>
#include <string_view>

namespace Plexa3DFormats {

// Fills the builder from the source and returns the name of the mesh read, for the first mesh
// (empty: the record is named after the file). Raises RuntimeError for a file it cannot read.
std::string ReadStl(const TModelSource& source, TModelPart part, TModelBuilder& builder);

// Reads an ASCII text as ReadStl does, in two halves side by side when `halves` is set (ReadStl
// sets it for a long text), and returns the first solid's name.
std::string ReadAsciiStl(std::string_view text, TModelBuilder& builder, bool halves);

} // namespace Plexa3DFormats
