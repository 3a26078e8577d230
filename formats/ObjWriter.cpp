// The OBJ and MTL writer of the export (ExportModel.h).
#include "ExportWriters.h"

#include <charconv>
#include <cmath>
#include <numbers>

namespace Plexa3DFormats::Detail {

using namespace ZuveloGraphLibrary;

namespace {

// A name for an OBJ or MTL statement: one line, without the spaces that would split it.
std::string StatementName(const std::string& name, const char* fallback) {
    std::string safe;
    for (const char c : name) {
        safe += (static_cast<unsigned char>(c) <= ' ' || c == '#') ? '_' : c;
    }
    return safe.empty() ? fallback : safe;
}

void Line(std::string& text, const char* word, std::initializer_list<float> values) {
    text += word;
    for (const float value : values) {
        text += ' ';
        AppendNumber(text, value);
    }
    text += '\n';
}

void AppendIndex(std::string& text, std::size_t value) {
    char digits[24];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, error == std::errc() ? end : digits);
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

std::vector<TOutputFile> WriteObj(const TExportModel& model, const TModelLooks& looks,
                                  const std::string& output, const TExportImages& images,
                                  TExportReport& report) {
    std::vector<TOutputFile> files(2);
    const std::string folder = FolderOf(output);
    const std::string library = CompanionName(output, ".mtl");
    files[0].Path = output;
    files[1].Path = folder + "/" + library;

    // Material names once each, without spaces and each its own.
    std::vector<std::string> names(looks.Materials.size());
    std::vector<bool> used(looks.Materials.size(), false);
    for (const TExportMesh& mesh : model.Meshes) {
        for (const TExportPrimitive& primitive : mesh.Primitives) {
            used[primitive.Material] = true;
        }
    }
    for (std::size_t m = 0; m < names.size(); ++m) {
        std::string name = StatementName(looks.Materials[m].Name, m == 0 ? "default" : "material");
        std::string unique = name;
        for (int n = 2; std::find(names.begin(), names.begin() + std::ptrdiff_t(m), unique) !=
                        names.begin() + std::ptrdiff_t(m);
             ++n) {
            unique = name + "_" + std::to_string(n);
        }
        names[m] = unique;
    }

    // Turned maps cannot be said in MTL: their vertices' coordinates are written turned.
    const auto turned = [&looks](std::uint32_t m) {
        const TMaterial& material = looks.Materials[m];
        return material.Texture && material.Texture->Rotation != 0;
    };

    std::string mtl = "# Materials written by Plexa3D\n";
    TImageFiles named;
    for (std::size_t m = 0; m < names.size(); ++m) {
        if (!used[m]) {
            continue;
        }
        const TMaterial& material = looks.Materials[m];
        mtl += "\nnewmtl " + names[m] + "\n";
        Line(mtl, "Ka", {material.Ambient.R, material.Ambient.G, material.Ambient.B});
        Line(mtl, "Kd", {material.Diffuse.R, material.Diffuse.G, material.Diffuse.B});
        const float strength = material.ShininessStrength;
        Line(mtl, "Ks",
             {material.Specular.R * strength, material.Specular.G * strength,
              material.Specular.B * strength});
        Line(mtl, "Ns", {1 + 127 * material.Shininess});
        Line(mtl, "d", {1 - material.Transparency});
        mtl += "illum 2\n";
        if (material.Texture && model.Mapped) {
            const TTextureMap& map = *material.Texture;
            const std::optional<std::string> name =
                ImageBeside(map, folder, false, images, named, files, report);
            std::string options;
            if (!turned(std::uint32_t(m))) {
                // u' = s u + o, as MTL places an image, from the map's placement about the middle.
                options += "-s ";
                AppendNumber(options, map.UScale);
                options += ' ';
                AppendNumber(options, map.VScale);
                options += " 1 -o ";
                AppendNumber(options, 0.5f - 0.5f * map.UScale - map.UOffset);
                options += ' ';
                AppendNumber(options, 0.5f - 0.5f * map.VScale - map.VOffset);
                options += " 0 ";
            }
            if ((map.Tiling & (TilingNone | TilingDecal)) != 0) {
                options += "-clamp on ";
            }
            mtl += "map_Kd " + options + (name ? *name : map.FileName) + "\n";
        }
    }

    // The OBJ text is made and written in pieces of about a megabyte: a model of a million faces
    // makes a quarter of a gigabyte of it.
    files[0].Stream = [&model, &looks, names, library, turned](const TEmit& emit) {
        std::string obj;
        const auto flushFull = [&] { EmitPiece(obj, emit, true); };
        obj += "# Written by Plexa3D\nmtllib " + library + "\n";
        std::size_t base = 0;
        for (const TExportMesh& mesh : model.Meshes) {
            obj += "o " + StatementName(mesh.Name, "mesh") + "\n";
            for (const TExportPrimitive& primitive : mesh.Primitives) {
                const TMaterial& material = looks.Materials[primitive.Material];
                double c = 1, s = 0;
                if (turned(primitive.Material)) {
                    const double turn =
                        material.Texture->Rotation * std::numbers::pi / DegreesPerHalfTurn;
                    c = std::cos(turn);
                    s = std::sin(turn);
                }
                for (const TExportVertex& v : primitive.Vertices) {
                    Line(obj, "v", {v.Position.X, v.Position.Y, v.Position.Z});
                    flushFull();
                }
                if (model.Mapped) {
                    for (const TExportVertex& v : primitive.Vertices) {
                        if (turned(primitive.Material)) {
                            const TTextureMap& map = *material.Texture;
                            const double x = (double(v.Mapping.U) - 0.5) * map.UScale;
                            const double y = (double(v.Mapping.V) - 0.5) * map.VScale;
                            Line(obj, "vt",
                                 {float(x * c - y * s + 0.5 - map.UOffset),
                                  float(x * s + y * c + 0.5 - map.VOffset)});
                        } else {
                            Line(obj, "vt", {v.Mapping.U, v.Mapping.V});
                        }
                        flushFull();
                    }
                }
                for (const TExportVertex& v : primitive.Vertices) {
                    Line(obj, "vn", {v.Normal.X, v.Normal.Y, v.Normal.Z});
                    flushFull();
                }
                obj += "usemtl " + names[primitive.Material] + "\n";
                for (std::size_t i = 0; i < primitive.Indices.size(); i += 3) {
                    obj += 'f';
                    for (std::size_t k = 0; k < 3; ++k) {
                        const std::size_t n = base + primitive.Indices[i + k] + 1;
                        obj += ' ';
                        AppendIndex(obj, n);
                        obj += '/';
                        if (model.Mapped) {
                            AppendIndex(obj, n);
                        }
                        obj += '/';
                        AppendIndex(obj, n);
                    }
                    obj += '\n';
                    flushFull();
                }
                base += primitive.Vertices.size();
            }
        }
        EmitPiece(obj, emit);
    };
    files[1].Bytes = Bytes(mtl);
    return files;
}

} // namespace Plexa3DFormats::Detail
