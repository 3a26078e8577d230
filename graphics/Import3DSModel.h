// Reads every triangle mesh of a .3DS file into one mesh record, the meshes joined in file order.
//
// The file is walked as a tree of chunks. The main chunk's children run to the end of the file
// (its own length is not looked at); the children of every other chunk run to its declared end,
// cut to its parent's end. A child declaring a length below its own 6-byte header ends its
// parent's list of children. The walk descends only where meshes live: main chunk > editor chunk >
// named object (its name up to its zero byte inside the chunk; without one it has no children) >
// triangle mesh; the main chunk's first keyframer chunk is read after the walk (Keyframer.h).
// Lights and cameras are passed over; materials are read only with the model's looks.
//
// Each mesh gives its first vertex list and its first face list; later ones are ignored. A list
// holds the smaller of its stored count and the number of whole records inside its chunk. A face
// naming a vertex beyond its own mesh's list, or a vertex with a coordinate that is not finite, is
// dropped; the others are numbered past the vertices of the meshes before. A mesh lacking either
// list adds nothing. Both counts may exceed 65535.
//
// The meshes stay where they are stored. After all of them come the copies that the keyframer
// places, mesh by mesh, each in the order of its nodes: the mesh's vertices placed and rounded to
// single, and its kept faces numbered onto them, less any that use a vertex placed out of the
// single range. A copy that would take either count past 2^31 - 1 is left out.
//
// The object's name is the file's base name converted to Latin-1: the file name's bytes are taken
// as UTF-8, a character Latin-1 lacks becomes '?', and so does each byte that is not part of a
// valid UTF-8 sequence. It is cut to 80 bytes. A file that does not start with the main chunk
// gives an empty object (empty name, no vertices, no faces) and no error. Position and Pivot are
// left as they were; WorldVertices is allocated for the vertex count, as by Load3DS.
//
// The file is opened read-only. Open, read and close failures raise the same input/output errors
// as Load3DS; a model the record cannot hold raises "Out of memory". After an error the object is
// left cleared.
#pragma once

#include "MeshObject.h"
#include "ModelLooks.h"

#include <cstdint>
#include <span>
#include <string>

namespace ZuveloGraphLibrary {

// The name a whole model takes from its file: the file's base name converted to Latin-1 (each
// character Latin-1 lacks, and each byte of no valid UTF-8 sequence, a '?'), cut to 80 bytes.
std::string ModelName(const std::string& fileName);

// What the reader left out for the caller to tell.
struct TModelReading {
    std::int64_t FacesNotFinite = 0; // stored faces dropped for a vertex that is not finite
    std::int64_t Meshes = 0;         // meshes read, each placed copy counted
};

TModelReading Load3DSModel(const std::string& fileName, TObject3D& object);

// The same over bytes in memory, read as the whole file of the name `fileName` (which gives the
// object's name and is not opened); an empty name gives an empty object name.
TModelReading Load3DSModelBytes(std::span<const std::uint8_t> bytes, TObject3D& object,
                                const std::string& fileName = {});

// Each the same, and how the model looks (its materials, and the smoothing groups, materials and
// mapping coordinates of the stored meshes, see Looks3DS.h) into `looks`, finished for the object;
// the copies that the keyframer places look as their meshes do. A file whose main chunk declares
// more bytes than it holds is cut short: it is read as far as it goes, and a note in `looks` says
// how many bytes are missing. After an error, `looks` is empty.
TModelReading Load3DSModelWithLooks(const std::string& fileName, TObject3D& object,
                                    TModelLooks& looks);
TModelReading Load3DSModelBytesWithLooks(std::span<const std::uint8_t> bytes, TObject3D& object,
                                         TModelLooks& looks, const std::string& fileName = {});

} // namespace ZuveloGraphLibrary
