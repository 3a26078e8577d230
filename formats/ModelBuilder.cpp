#include "ModelBuilder.h"

#include "GraphErrors.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;

namespace {

// The least room a list kept beside the vertices or the faces is given.
constexpr std::size_t FirstRoomBeside = 64;

} // namespace

void TModelBuilder::BeginMesh(const std::string& name) {
    Count(meshes_.size());
    meshes_.push_back({name, std::uint32_t(faces_.size()), 0});
}

namespace {

// Before a value is added to a list kept beside the vertices or the faces: room for as many as
// the block holds, so that the list grows with it.
template <class T, class U>
void MakeRoomBeside(std::vector<T>& values, const TGrowingBlock<U>& block) {
    RoomBeside(values, values.size() + 1, std::max(block.capacity(), FirstRoomBeside));
}

} // namespace

void TModelBuilder::NoMapping() {
    MakeRoomBeside(mapping_, vertices_);
    mapping_.emplace_back();
}

std::uint32_t TModelBuilder::AddVertex(const TPoint3D& point, const TTexCoord& mapping) {
    Count(vertices_.size());
    if (mapping_.empty()) {
        MakeRoomBeside(mapping_, vertices_);
        mapping_.resize(vertices_.size());
    }
    verticesNotFinite_ += Finite(point) ? 0 : 1;
    vertices_.push_back(point);
    MakeRoomBeside(mapping_, vertices_);
    mapping_.push_back(
        {std::isfinite(mapping.U) ? mapping.U : 0, std::isfinite(mapping.V) ? mapping.V : 0});
    return std::uint32_t(vertices_.size());
}

void TModelBuilder::KeepBesideGrowing(std::vector<std::uint32_t>& values, std::uint32_t value) {
    MakeRoomBeside(values, faces_);      // then room for the faces before and this one
    values.resize(faces_.size() - 1, 0); // the faces before, all 0, once one is not
    values.push_back(value);
}

std::uint32_t TModelBuilder::AddMaterial(const TMaterial& material) {
    Count(materials_.size());
    materials_.push_back(material);
    return std::uint32_t(materials_.size() - 1);
}

std::int32_t TModelBuilder::AddEmbeddedImage(std::vector<std::uint8_t> bytes) {
    Count(embedded_.size());
    embedded_.push_back(std::move(bytes));
    return std::int32_t(embedded_.size() - 1);
}

void TModelBuilder::Note(TLooksNote::TKind kind, const std::string& subject) {
    const TLooksNote note{kind, subject};
    if (std::find(notes_.begin(), notes_.end(), note) == notes_.end()) {
        notes_.push_back(note);
    }
}

void TModelBuilder::Reserve(std::size_t vertices, std::size_t faces) {
    vertices_.reserve(std::min(vertices, MaxCount));
    faces_.reserve(std::min(faces, MaxCount));
}

TModelReading TModelBuilder::Finish(const std::string& name, TObject3D& object,
                                    TModelLooks& looks) {
    TModelReading reading;
    ClearObject3D(object);
    looks = TModelLooks{};
    const auto vertexCount = std::uint32_t(vertices_.size());
    std::size_t kept = 0;
    std::size_t missing = 0;
    std::size_t mesh = 0;
    for (TMeshPart& part : meshes_) {
        part.Count = 0;
    }
    // Most files name only vertices they hold, and finite ones: then every face is kept, as the
    // loop below would find, each mesh with the faces from its first to the next mesh's (the
    // first mesh from the first face).
    bool allKept = verticesNotFinite_ == 0;
    if (allKept) {
        bool outside = false;
        for (std::size_t i = 0; i < faces_.size(); ++i) {
            outside |= !FaceInRange(faces_[i], std::int32_t(vertexCount));
        }
        allKept = !outside;
    }
    if (allKept) {
        kept = faces_.size();
        for (std::size_t m = 0; m < meshes_.size(); ++m) {
            const std::size_t end = m + 1 < meshes_.size() ? meshes_[m + 1].First : kept;
            meshes_[m].Count = std::uint32_t(end - (m == 0 ? 0 : meshes_[m].First));
        }
    }
    for (std::size_t i = 0; i < faces_.size() && !allKept; ++i) {
        while (mesh + 1 < meshes_.size() && meshes_[mesh + 1].First <= i) {
            ++mesh;
        }
        const TFace3D& f = faces_[i];
        if (!FaceInRange(f, std::int32_t(vertexCount))) {
            ++missing;
            continue;
        }
        if (verticesNotFinite_ > 0 && (!Finite(vertices_[f.A - 1]) || !Finite(vertices_[f.B - 1]) ||
                                       !Finite(vertices_[f.C - 1]))) {
            ++reading.FacesNotFinite;
            continue;
        }
        if (!meshes_.empty()) {
            ++meshes_[mesh].Count;
        }
        if (kept < i) {
            faces_[kept] = f;
            for (std::vector<std::uint32_t>* values : {&faceMaterials_, &faceSmoothing_}) {
                if (!values->empty()) {
                    (*values)[kept] = (*values)[i];
                }
            }
        }
        ++kept;
    }
    if (missing > 0) {
        Note(TLooksNote::TKind::PartSkipped,
             std::to_string(missing) + (missing == 1 ? " face that names" : " faces that name") +
                 " a vertex the file does not hold");
    }
    try {
        object.Name = name.substr(0, MaxObjectNameLength);
        object.VertexCount = std::int32_t(vertexCount);
        object.FaceCount = std::int32_t(kept);
        // The blocks the vertices and the kept faces lie in become the record's own.
        object.Vertices.Adopt(vertices_.release(), object.VertexCount);
        object.Faces.Adopt(faces_.release(), object.FaceCount);
        AllocObjectArrays(object);
        looks.Materials = std::move(materials_);
        for (std::vector<std::uint32_t>* values : {&faceMaterials_, &faceSmoothing_}) {
            if (!values->empty()) {
                values->resize(kept);
            }
        }
        looks.FaceMaterials = std::move(faceMaterials_);
        looks.FaceSmoothing = std::move(faceSmoothing_);
        looks.Mapping = std::move(mapping_);
        looks.Notes = std::move(notes_);
        looks.EmbeddedImages = std::move(embedded_);
        // The meshes that kept faces, numbered anew over the faces kept; a file that named none
        // is one mesh.
        std::uint32_t first = 0;
        for (TMeshPart& part : meshes_) {
            if (part.Count > 0) {
                part.First = first;
                first += part.Count;
                looks.Meshes.push_back(std::move(part));
            }
        }
        reading.Meshes =
            looks.Meshes.empty() ? (kept > 0 ? 1 : 0) : std::int64_t(looks.Meshes.size());
        FinishLooks(object, looks);
    } catch (const std::bad_alloc&) {
        ClearObject3D(object);
        looks = TModelLooks{};
        throw OutOfMemoryError();
    }
    *this = TModelBuilder{};
    return reading;
}

} // namespace Plexa3DFormats
