// Every format the program opens, told apart by content, and read through one entry: .3DS by the
// readers of graphics/ (the first mesh, or the whole model with its keyframer), OBJ with its MTL,
// STL, PLY, OFF and glTF 2.0 by the readers of this folder.
//
// Told apart by the first bytes, whatever the file is called: .3DS by its main chunk (0x4D4D);
// binary glTF by "glTF"; PLY by "ply" and a line end; binary STL by a length of exactly 84 bytes
// and 50 a triangle as its count says (though its header may begin with "solid"), ASCII STL by
// "solid"; OFF by a first word OFF with its letters of colours, normals and so on (COFF, NOFF,
// STOFF...), each of those two after any lines of '#' comments; glTF by a JSON object; OBJ by
// lines that begin with OBJ's own words. For the whole model, a file of none of these whose name
// ends in ".stl" is read as a binary STL cut short (its reader tells what is missing).
#pragma once

#include "Import3DSModel.h"
#include "MeshObject.h"
#include "ModelLooks.h"
#include "ModelSource.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace Plexa3DFormats {

enum class TModelFormat : std::uint8_t { Unknown, ThreeDS, Obj, Stl, Ply, Off, Gltf };

TModelFormat DetectModelFormat(std::span<const std::uint8_t> bytes);
// ".3DS", "OBJ", "STL", "PLY", "OFF", "glTF"; "unknown".
const char* FormatName(TModelFormat format);

// The text with which a file of no known format is refused.
inline constexpr const char* UnknownFormatText = "not a .3DS, OBJ, STL, PLY, OFF or glTF file";

struct TModelFile {
    TModelFormat Format = TModelFormat::Unknown;
    ZuveloGraphLibrary::TModelReading Reading;
    // The files beside the model that the reading found (material libraries, buffers), which make
    // up the model as much as the file itself does.
    std::vector<std::string> Companions = {};
};

// Reads the file into the record and its looks. A .3DS file, or with FirstMesh a file of no known
// format, goes to the .3DS readers as it always did (an unknown file gives an empty object); any
// other reads through its format's reader, the first mesh taken as each reader says, the whole
// model named after the file. Raises the input/output errors of the file reader and each reader's
// own for a file it cannot read; the record is left empty then.
TModelFile ReadModelFile(const std::string& fileName, TModelPart part,
                         ZuveloGraphLibrary::TObject3D& object,
                         ZuveloGraphLibrary::TModelLooks& looks);

// The same over a source already in memory (the fuzz targets' way in).
TModelFile ReadModelSource(const TModelSource& source, TModelPart part,
                           ZuveloGraphLibrary::TObject3D& object,
                           ZuveloGraphLibrary::TModelLooks& looks);

// The same, read as the format given whatever the content (each reader's fuzz target's way in).
TModelFile ReadModelSourceAs(TModelFormat format, const TModelSource& source, TModelPart part,
                             ZuveloGraphLibrary::TObject3D& object,
                             ZuveloGraphLibrary::TModelLooks& looks);

} // namespace Plexa3DFormats
