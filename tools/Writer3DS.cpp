#include "Writer3DS.h"

#include <bit>
#include <cmath>
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

void TChunkWriter::VertexList(const std::vector<std::array<float, 3>>& vertices,
                              std::optional<std::uint16_t> stored) {
    Begin(0x4110);
    U16(stored.value_or(static_cast<std::uint16_t>(vertices.size())));
    for (const auto& v : vertices) {
        F32(v[0]);
        F32(v[1]);
        F32(v[2]);
    }
    End();
}

void TChunkWriter::FaceList(const std::vector<std::array<std::uint16_t, 3>>& faces,
                            std::uint16_t flags, std::optional<std::uint16_t> stored) {
    Begin(0x4120);
    U16(stored.value_or(static_cast<std::uint16_t>(faces.size())));
    for (const auto& f : faces) {
        U16(f[0]);
        U16(f[1]);
        U16(f[2]);
        U16(flags);
    }
    End();
}

void TChunkWriter::Mesh(const TMeshSpec& mesh) {
    Begin(0x4000);
    ZeroTerminated(mesh.Name);
    Begin(0x4100);
    VertexList(mesh.Vertices);
    if (!mesh.Mapping.empty()) {
        Begin(0x4140);
        U16(static_cast<std::uint16_t>(mesh.Mapping.size()));
        for (const auto& [u, v] : mesh.Mapping) {
            F32(u);
            F32(v);
        }
        End();
    }
    FaceList(mesh.Faces);
    if (!mesh.Materials.empty() || !mesh.Smoothing.empty()) {
        // Reopened: the face list's children follow its records inside it.
        const std::size_t faceList = bytes_.size() - (8 + 8 * mesh.Faces.size());
        open_.push_back(faceList);
        for (const TFaceMaterialSpec& list : mesh.Materials) {
            Begin(0x4130);
            ZeroTerminated(list.Material);
            U16(static_cast<std::uint16_t>(list.Faces.size()));
            for (const std::uint16_t face : list.Faces) {
                U16(face);
            }
            End();
        }
        if (!mesh.Smoothing.empty()) {
            Begin(0x4150);
            for (const std::uint32_t mask : mesh.Smoothing) {
                U32(mask);
            }
            End();
        }
        End();
    }
    End();
    End();
}

void TChunkWriter::Material(const TMaterialSpec& material) {
    const auto colour = [this](std::uint16_t id, const std::vector<TColorSpec>& colours) {
        if (colours.empty()) {
            return;
        }
        Begin(id);
        for (const TColorSpec& c : colours) {
            Begin(c.Singles ? (c.Gamma ? 0x0013 : 0x0010) : (c.Gamma ? 0x0012 : 0x0011));
            for (const float channel : c.Value) {
                if (c.Singles) {
                    F32(channel);
                } else {
                    U8(static_cast<std::uint8_t>(channel));
                }
            }
            End();
        }
        End();
    };
    const auto percentage = [this](std::uint16_t id, std::optional<float> value) {
        if (value) {
            Begin(id);
            if (*value != std::trunc(*value)) {
                Begin(0x0031);
                F32(*value / 100);
                End();
            }
            Begin(0x0030);
            U16(static_cast<std::uint16_t>(*value));
            End();
            End();
        }
    };
    Begin(0xAFFF);
    Begin(0xA000);
    ZeroTerminated(material.Name);
    End();
    colour(0xA010, material.Ambient);
    colour(0xA020, material.Diffuse);
    colour(0xA030, material.Specular);
    percentage(0xA040, material.Shininess);
    percentage(0xA041, material.Strength);
    percentage(0xA050, material.Transparency);
    if (material.TwoSided) {
        Begin(0xA081);
        End();
    }
    if (!material.Texture.empty()) {
        Begin(0xA200);
        if (material.TextureShare) {
            Begin(0x0030);
            U16(static_cast<std::uint16_t>(*material.TextureShare));
            End();
        }
        Begin(0xA300);
        ZeroTerminated(material.Texture);
        End();
        if (material.Tiling) {
            Begin(0xA351);
            U16(*material.Tiling);
            End();
        }
        if (material.Placement) {
            const std::uint16_t ids[] = {0xA354, 0xA356, 0xA358, 0xA35A, 0xA35C};
            for (std::size_t i = 0; i < 5; ++i) {
                Begin(ids[i]);
                F32((*material.Placement)[i]);
                End();
            }
        }
        End();
    }
    End();
}

void TChunkWriter::Light(const std::string& name) {
    Begin(0x4000);
    ZeroTerminated(name);
    Begin(0x4600);
    for (const float coordinate : {10.0f, 20.0f, 30.0f}) {
        F32(coordinate);
    }
    Begin(0x0010); // colour
    for (const float channel : {1.0f, 0.5f, 0.25f}) {
        F32(channel);
    }
    End();
    End();
    End();
}

void TChunkWriter::Camera(const std::string& name) {
    Begin(0x4000);
    ZeroTerminated(name);
    Begin(0x4700);
    for (const float value : {0.0f, -100.0f, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 45.0f}) {
        F32(value); // position, target, roll, lens
    }
    Filler(0x4720, 8); // ranges
    End();
    End();
}

void TChunkWriter::Filler(std::uint16_t id, std::size_t size) {
    Begin(id);
    for (std::size_t i = 0; i < size; ++i) {
        U8(static_cast<std::uint8_t>(0x41 + i % 7));
    }
    End();
}

void TChunkWriter::Node(const TNodeSpec& node) {
    Begin(0xB002);
    Begin(0xB010);
    ZeroTerminated(node.Name);
    U16(0x4000); // flags
    U16(0);
    U16(node.Parent);
    End();
    if (!node.Instance.empty()) {
        Begin(0xB011);
        ZeroTerminated(node.Instance);
        End();
    }
    Begin(0xB013);
    for (const float value : node.Pivot) {
        F32(value);
    }
    End();
    if (node.Id) {
        Begin(0xB030);
        U16(*node.Id);
        End();
    }
    if (node.EmptyChunk) {
        Begin(0xB0EE);
        End();
    }
    const std::pair<std::uint16_t, const std::vector<TKeySpec>*> tracks[] = {
        {0xB020, &node.Position}, {0xB021, &node.Rotation}, {0xB022, &node.Scale}};
    for (const auto& [id, keys] : tracks) {
        if (!keys->empty()) {
            Track(id, *keys);
        }
    }
    End();
}

void TChunkWriter::Track(std::uint16_t id, const std::vector<TKeySpec>& keys) {
    Begin(id);
    U16(0); // flags
    U32(0);
    U32(0);
    U32(static_cast<std::uint32_t>(keys.size()));
    for (const TKeySpec& key : keys) {
        U32(key.Frame);
        U16(key.Spline);
        for (int bit = 0; bit < 5; ++bit) {
            if (key.Spline & (1u << bit)) {
                F32(0.5f);
            }
        }
        for (const float value : key.Value) {
            F32(value);
        }
    }
    End();
}

std::vector<std::uint8_t> KeyframedFile(const std::vector<TMeshSpec>& meshes,
                                        const std::vector<TNodeSpec>& nodes) {
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const TMeshSpec& mesh : meshes) {
        w.Mesh(mesh);
    }
    w.End();
    w.Begin(0xB000);
    for (const TNodeSpec& node : nodes) {
        w.Node(node);
    }
    w.End();
    w.End();
    return w.Bytes();
}

std::vector<std::uint8_t> MeshFile(const std::vector<TMeshSpec>& meshes) {
    TChunkWriter w;
    w.Begin(0x4D4D);
    w.Begin(0x3D3D);
    for (const TMeshSpec& mesh : meshes) {
        w.Mesh(mesh);
    }
    w.End();
    w.End();
    return w.Bytes();
}

std::vector<std::uint8_t> LooksFile(const std::vector<TMaterialSpec>& materials,
                                    const std::vector<TMeshSpec>& meshes) {
    return EditorFile([&](TChunkWriter& w) {
        for (const TMaterialSpec& material : materials) {
            w.Material(material);
        }
        for (const TMeshSpec& mesh : meshes) {
            w.Mesh(mesh);
        }
    });
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
