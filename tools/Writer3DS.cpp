#include "Writer3DS.h"

#include <bit>
#include <fstream>
#include <stdexcept>

namespace Plexa3DTools {

void TChunkWriter::Begin(std::uint16_t id) {
    open_.push_back(bytes_.size());
    U16(id);
    U32(0);
}

void TChunkWriter::End() {
    const std::size_t start = open_.back();
    EndWithLength(static_cast<std::int32_t>(bytes_.size() - start));
}

void TChunkWriter::EndWithLength(std::int32_t length) {
    const std::size_t at = open_.back() + 2;
    open_.pop_back();
    const auto value = static_cast<std::uint32_t>(length);
    for (int i = 0; i < 4; ++i) {
        bytes_[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void TChunkWriter::U8(std::uint8_t value) {
    bytes_.push_back(value);
}

void TChunkWriter::U16(std::uint16_t value) {
    U8(static_cast<std::uint8_t>(value));
    U8(static_cast<std::uint8_t>(value >> 8));
}

void TChunkWriter::U32(std::uint32_t value) {
    U16(static_cast<std::uint16_t>(value));
    U16(static_cast<std::uint16_t>(value >> 16));
}

void TChunkWriter::F32(float value) {
    U32(std::bit_cast<std::uint32_t>(value));
}

void TChunkWriter::Raw(const std::string& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

void TChunkWriter::ZeroTerminated(const std::string& text) {
    Raw(text);
    U8(0);
}

void TChunkWriter::VertexList(const std::vector<std::array<float, 3>>& vertices) {
    Begin(0x4110);
    U16(static_cast<std::uint16_t>(vertices.size()));
    for (const auto& v : vertices) {
        F32(v[0]);
        F32(v[1]);
        F32(v[2]);
    }
    End();
}

void TChunkWriter::FaceList(const std::vector<std::array<std::uint16_t, 3>>& faces,
                            std::uint16_t flags) {
    Begin(0x4120);
    U16(static_cast<std::uint16_t>(faces.size()));
    for (const auto& f : faces) {
        U16(f[0]);
        U16(f[1]);
        U16(f[2]);
        U16(flags);
    }
    End();
}

std::vector<std::uint8_t> MeshFile(const std::vector<TMeshSpec>& meshes) {
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const TMeshSpec& mesh : meshes) {
        w.Begin(0x4000);
        w.ZeroTerminated(mesh.Name);
        w.Begin(0x4100);
        w.VertexList(mesh.Vertices);
        w.FaceList(mesh.Faces);
        w.End();
        w.End();
    }
    w.End();
    w.End();
    return w.Bytes();
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace Plexa3DTools
