// How a .3DS model looks, read beside its meshes by both readers into the model-looks record.
// Little-endian, every list bounded by the bytes of its chunk, as every list of the file.
//
// Under the editor chunk, each material chunk 0xAFFF gives one material: its name 0xA000 (a C
// string), its ambient, diffuse and specular colours 0xA010, 0xA020, 0xA030 (each holding colour
// chunks 0x0010 three singles from 0 to 1, 0x0011 three bytes, and their gamma-corrected kinds
// 0x0013 and 0x0012; the first plain colour is taken, else the first gamma-corrected one),
// shininess 0xA040, shininess strength 0xA041 and transparency 0xA050 (each holding a percentage:
// 0x0030 a 16-bit integer out of 100, or 0x0031 a single from 0 to 1), two-sided 0xA081 (by its
// presence), and texture map 1 0xA200 (its percentage, file name 0xA300, tiling flags 0xA351 (16
// bits), U and V scale 0xA354 and 0xA356, U and V offset 0xA358 and 0xA35A, rotation in degrees
// 0xA35C, each a single). A colour or number that is not finite keeps its default; colours and
// percentages are held to 0 to 1. A map without a file name is no map. Any number of materials is
// read; of several with one name, the first is the one faces get.
//
// In a triangle mesh 0x4100, its first mapping list 0x4140 (16-bit count, then u and v singles per
// vertex; a coordinate that is not finite is 0); after the face records of its first face list
// 0x4120, the face material lists 0x4130 (the material's name as a C string, a 16-bit count, that
// many 16-bit face numbers from 0) and the first smoothing list 0x4150 (a 32-bit mask per face,
// as many as the chunk holds). A face that no list names, or that a list gives a material the
// library lacks, has the default material; of two lists naming a face, the later holds; face
// numbers beyond the mesh are passed over.
#pragma once

#include "Chunks3DS.h"
#include "ModelLooks.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace ZuveloGraphLibrary::Looks3DS {

enum : std::uint16_t {
    ChunkMaterial = 0xAFFF,
    ChunkFaceMaterials = 0x4130,
    ChunkMapping = 0x4140,
    ChunkSmoothing = 0x4150,
};

// A file's materials after the default one, as the looks record numbers them.
class TMaterialLibrary {
public:
    // Reads one material chunk's content and adds the material.
    void Read(TFileReader& file, Chunks3DS::TExtent material);
    // The number of the first material of that name; 0, the default, when there is none.
    std::uint32_t Find(const std::string& name) const;
    std::vector<TMaterial> Materials{TMaterial{}};

private:
    std::unordered_map<std::string, std::uint32_t> byName_;
};

// Where a triangle mesh keeps its looks.
struct TMeshLooks {
    std::optional<Chunks3DS::TExtent> Mapping;
    std::optional<Chunks3DS::TExtent> Smoothing;
    std::vector<Chunks3DS::TExtent> MaterialLists;
};

// Notes the mesh's looks found among the children of a face list.
void FindFaceListLooks(TFileReader& file, Chunks3DS::TExtent faceList, TMeshLooks& mesh);

// Each fills the entries of its span (one per face of the mesh's face list, or per vertex of its
// vertex list, in file order) that the mesh's lists give; the others are left as they are.
void ReadFaceMaterials(TFileReader& file, const TMeshLooks& mesh, const TMaterialLibrary& library,
                       std::span<std::uint32_t> faces);
void ReadSmoothing(TFileReader& file, const TMeshLooks& mesh, std::span<std::uint32_t> faces);
void ReadMapping(TFileReader& file, const TMeshLooks& mesh, std::span<TTexCoord> vertices);

// The looks of the mesh whose vertex list and face list the first-mesh reader read (their content
// starting at the given positions; -1 for a list it did not read), for the object it read: the
// file's materials, and the lists of the meshes those lists belong to in the file's tree. Lists
// the tree does not hold leave their defaults. The record is finished (FinishLooks).
void ReadFirstMeshLooks(TFileReader& file, std::int64_t vertexList, std::int64_t faceList,
                        const TObject3D& object, TModelLooks& looks);

} // namespace ZuveloGraphLibrary::Looks3DS
