// The reader of OBJ files and their MTL material libraries, over the file's bytes in memory.
//
// Text: 8-bit, lines ending in LF, CR LF or CR (the last may have none), of any length; a line
// ending in a backslash goes on in the next; words separated by runs of spaces and tabs; a '#' at
// the start of a line or of a word, or right after a number, begins a comment to its end. Numbers
// in any of C's forms (a sign, decimal or hexadecimal digits, an exponent, infinity, NaN); a
// number followed by other characters ("3.1+e2") is read as far as it goes, and noted. A UTF-8
// byte-order mark is passed over; a file that begins with a UTF-16 one, or holds a zero byte in
// its first 4096, is not OBJ text and raises "OBJ: ...".
//
// Read: v x y z [w] (w passed over; a word that is not a number makes the coordinate NaN, and a
// missing coordinate is 0, both noted), and v x y z r g b, whose colours colour the faces (below);
// vt u [v [w]] (w passed over); vn (counted: a normal tells corners apart and smooths, its
// direction is not read); f (and fo) with any number of corners written v, v/vt, v//vn or
// v/vt/vn, with indices from 1 or, negative, counted back from the last element given before the
// line. An index names only elements given before its line.
//
// Vertices: each distinct (v, vt, vn) that faces use becomes one vertex of the record, in the
// order first used, so that faces share vertices exactly as the file shares them; vt gives its
// mapping coordinates. Vertices no face uses are not kept.
//
// Polygons: split as a fan from the first corner when every triangle of the fan turns as the
// polygon does (as in any convex polygon); otherwise by ear clipping in the plane that fits the
// polygon best, in time quadratic in its corners; polygons of more than 1024 corners are split as
// fans whatever their outline (noted). Triangles naming one vertex of the file twice are passed
// over. Polygons of fewer than 3 corners, polygons naming a vertex the file has not given, lines
// that cannot be read, l and p elements and free-form curves and surfaces are passed over and
// counted in a note; a corner naming mapping coordinates or a normal the file has not given is
// read without them (noted).
//
// Meshes: o and g start meshes; the first mesh is the first (from the start of the file, or from
// an o or g statement) that has a polygon read, named by its statement (whole, spaces kept;
// empty: the record is named after the file). The first mesh only is read up to the next o or g
// after it; the whole model reads every face into one record.
//
// Smoothing: s N puts the faces that follow in group N, mask bit 1 << ((N - 1) % 32); s off and
// s 0 make them flat. Before any s statement, a face with a normal at every corner has mask 1 (so
// it is smooth exactly where the file shares normals between faces), others are flat.
//
// Materials: mtllib names libraries (several by words, or one whose name has spaces when a file of
// that whole name is there), all read before the faces, each once, up to 64 of them, through the
// source's files beside the model. A library that is missing or not text is noted (FileMissing,
// FileUnreadable), and its materials are then the default one. usemtl names the faces' material
// (names compared with runs of blanks as one space); a name no library defines gives the default
// material, noted by name when every library was read. newmtl and the statements below are read
// in the OBJ file too. Of two materials of one name, the first is kept.
//   Kd, Ka, Ks: diffuse, ambient, specular (r [g b], g and b r's when not given; spectral and xyz
//   colours passed over); Ks gives a shininess strength of 1. Ns (the highlight's exponent, 0 to
//   1000): shininess (Ns - 1) / 127, within 0 to 1. d (opacity): transparency 1 - d; Tr:
//   transparency. map_Kd [options] file: the image, its name the rest of the line (spaces and
//   folders kept; the image is not read here). Of its options, -s u v and -o u v place it (the
//   image's u' = s u + o, turned into the record's placement), -clamp on shows it once
//   (TilingNone), and the others (-bm, -blendu, -blendv, -boost, -cc, -imfchan, -mm, -t,
//   -texres, -type) are passed over with their values. Colours and numbers are held to 0 to 1; one
//   that is not finite keeps its default. Every other statement of a library is passed over.
//   Colours from vertices: a polygon whose material gives no diffuse colour or image of its own
//   (no usemtl, a material not defined, or one without Kd and map_Kd), all of whose corners have a
//   colour, takes a copy of its material coloured by the mean of its corners' colours, 5 bits a
//   channel: one material per distinct colour.
//
// Bounds: every line, word and number is read within the bytes; elements are kept only as the
// file gives them (no count is taken from the file), corners are found through a hash table in
// linear time, and no work is more than linear in the bytes except the ear clipping of each
// polygon, quadratic in its own corners up to 1024.
//
// Two threads: past the first LeastPieceBytes read line by line, the text is read a stretch at a
// time, at most PieceBytes, ending at a line's start, and never longer than what has been read
// since the start or since a stretch last stopped early. Each line's statement in a stretch is read
// on its own (numbers, corners as written), and then added in order as the lines one by one would
// be. A stretch's first part and its rest, split at a line's start, are read on the two threads;
// while a stretch is added, the next one's are read. A part stops at a line that goes on in the
// next or holds a CR other than in its CR LF ending; that line is read one by one, and what was
// read past it in vain (the rest, the next stretch) is thrown away, never more than what was kept.
#pragma once

#include "ModelBuilder.h"
#include "ModelSource.h"

#include <string>

namespace Plexa3DFormats {

// Fills the builder from the source and returns the name of the mesh read, for the first mesh
// (empty: the record is named after the file). Raises RuntimeError for a file it cannot read.
// With `stretches` off, every line is read one by one, as the text's first LeastPieceBytes always
// are; the model is the same either way.
std::string ReadObj(const TModelSource& source, TModelPart part, TModelBuilder& builder,
                    bool stretches = true);

} // namespace Plexa3DFormats
