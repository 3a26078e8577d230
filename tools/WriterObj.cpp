#include "WriterObj.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace Plexa3DTools {

namespace {

// The text being written, a line at a time, in a style.
class TText {
public:
    explicit TText(const TObjStyle& style) : style_(style) {}

    // Starts a statement: its word, then each value after a blank.
    TText& Word(const std::string& word) {
        text_ += word;
        return *this;
    }
    TText& Value(const std::string& value) {
        text_ += style_.Blank;
        text_ += value;
        return *this;
    }
    TText& Number(float value) {
        char buffer[64];
        if (style_.Number.empty()) {
            *std::to_chars(buffer, buffer + sizeof buffer - 1, value).ptr = '\0';
        } else {
            std::snprintf(buffer, sizeof buffer, style_.Number.c_str(), double(value));
        }
        return Value(buffer);
    }
    void End(const char* comment = "statement") {
        if (style_.Comments) {
            text_ += " # ";
            text_ += comment;
        }
        text_ += style_.LineEnd;
    }
    void Line(const std::string& line) {
        text_ += line;
        text_ += style_.LineEnd;
    }
    void Comment(const std::string& comment) {
        if (style_.Comments) {
            Line("# " + comment);
        }
    }

    std::string Finish() {
        if (!style_.LastLineEnd && text_.size() >= style_.LineEnd.size()) {
            text_.resize(text_.size() - style_.LineEnd.size());
        }
        return std::move(text_);
    }

private:
    const TObjStyle& style_;
    std::string text_;
};

// An index of the element `at` (from 0) of the `count` written so far.
std::string Index(std::size_t at, std::size_t count, const TObjStyle& style) {
    return std::to_string(style.Relative
                              ? static_cast<long long>(at) - static_cast<long long>(count)
                              : static_cast<long long>(at) + 1);
}

// A corner: v, v/vt, v//vn or v/vt/vn. The normal has the vertex's number, as one is written for
// every vertex.
struct TCounts {
    std::size_t Vertices = 0, Mappings = 0;
};
constexpr std::size_t NoMapping = ~std::size_t(0);
std::string Corner(std::size_t at, std::size_t mapping, const TCounts& counts,
                   const TObjStyle& style) {
    std::string corner = Index(at, counts.Vertices, style);
    if (mapping != NoMapping || style.Normals) {
        corner += "/";
        corner += mapping != NoMapping ? Index(mapping, counts.Mappings, style) : "";
    }
    if (style.Normals) {
        corner += "/" + Index(at, counts.Vertices, style);
    }
    return corner;
}

void Vertex(TText& text, const std::array<float, 3>& v, std::size_t at, const TObjStyle& style) {
    text.Word("v").Number(v[0]).Number(v[1]).Number(v[2]);
    if (style.W) {
        text.Number(1);
    }
    if (at < style.Colours.size()) {
        for (const float c : style.Colours[at]) {
            text.Number(c);
        }
    }
    text.End("vertex");
}

std::string Color(const std::array<float, 3>& c) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%.9g %.9g %.9g", double(c[0]), double(c[1]),
                  double(c[2]));
    return buffer;
}

} // namespace

std::string ObjFile(const std::vector<TMeshSpec>& meshes, const TObjStyle& style) {
    TText text(style);
    for (const std::string& line : style.Before) {
        text.Line(line);
    }
    TCounts counts;       // so far, of every mesh
    std::string material; // as the last usemtl named it
    std::optional<std::uint32_t> group;
    for (const TMeshSpec& mesh : meshes) {
        if (!style.MeshWord.empty()) {
            text.Word(style.MeshWord).Value(mesh.Name).End("mesh");
        }
        text.Comment("vertices");
        for (std::size_t i = 0; i < mesh.Vertices.size(); ++i) {
            Vertex(text, mesh.Vertices[i], counts.Vertices + i, style);
        }
        const bool mapping = !mesh.Mapping.empty();
        for (std::size_t i = 0; mapping && i < mesh.Vertices.size(); ++i) {
            const std::array<float, 2> m =
                i < mesh.Mapping.size() ? mesh.Mapping[i] : std::array<float, 2>{};
            text.Word("vt").Number(m[0]).Number(m[1]).End("mapping");
        }
        for (std::size_t i = 0; style.Normals && i < mesh.Vertices.size(); ++i) {
            text.Word("vn").Number(0).Number(0).Number(1).End("normal");
        }
        const std::size_t first = counts.Vertices;
        const std::size_t firstMapping = counts.Mappings;
        counts.Vertices += mesh.Vertices.size();
        counts.Mappings += mapping ? mesh.Vertices.size() : 0;
        std::vector<const std::string*> materials(mesh.Faces.size(), nullptr);
        for (const TFaceMaterialSpec& list : mesh.Materials) {
            for (const std::uint16_t face : list.Faces) {
                if (face < materials.size()) {
                    materials[face] = &list.Material;
                }
            }
        }
        text.Comment("faces");
        for (std::size_t f = 0; f < mesh.Faces.size(); ++f) {
            const std::string name = materials[f] ? *materials[f] : std::string();
            if (name != material) {
                text.Word("usemtl");
                if (!name.empty()) {
                    text.Value(name);
                }
                text.End("material");
                material = name;
            }
            if (!mesh.Smoothing.empty()) {
                const std::uint32_t mask = f < mesh.Smoothing.size() ? mesh.Smoothing[f] : 0;
                const std::uint32_t g = mask == 0 ? 0 : std::uint32_t(std::countr_zero(mask)) + 1;
                if (group != g) {
                    text.Word("s").Value(g == 0 ? "off" : std::to_string(g)).End("smoothing");
                    group = g;
                }
            }
            text.Word("f");
            for (const std::uint16_t corner : mesh.Faces[f]) {
                const std::size_t m = mapping ? firstMapping + corner : NoMapping;
                text.Value(Corner(first + corner, m, counts, style));
            }
            text.End("face");
        }
    }
    for (const std::string& line : style.After) {
        text.Line(line);
    }
    return text.Finish();
}

std::string PolygonFile(const std::vector<std::array<float, 3>>& points,
                        const std::vector<std::uint32_t>& order, const TObjStyle& style) {
    TText text(style);
    for (const std::string& line : style.Before) {
        text.Line(line);
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        Vertex(text, points[i], i, style);
    }
    for (std::size_t i = 0; style.Normals && i < points.size(); ++i) {
        text.Word("vn").Number(0).Number(0).Number(1).End("normal");
    }
    const TCounts counts{points.size(), 0};
    text.Word("f");
    if (order.empty()) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            text.Value(Corner(i, NoMapping, counts, style));
        }
    } else {
        for (const std::uint32_t i : order) {
            text.Value(Corner(i, NoMapping, counts, style));
        }
    }
    text.End("polygon");
    for (const std::string& line : style.After) {
        text.Line(line);
    }
    return text.Finish();
}

std::string GridObjFile(std::uint32_t columns, std::uint32_t rows, const TObjStyle& style) {
    TText text(style);
    for (const std::string& line : style.Before) {
        text.Line(line);
    }
    const std::size_t across = std::size_t(columns) + 1;
    const std::size_t points = across * (std::size_t(rows) + 1);
    for (std::size_t i = 0; i < points; ++i) {
        const float x = float(i % across) / float(columns);
        const float y = float(i / across) / float(rows);
        text.Word("v").Number(x).Number(y).Number(0.25f * x * y).End("vertex");
    }
    for (std::size_t i = 0; i < points; ++i) {
        text.Word("vt").Number(float(i % across) / float(columns));
        text.Number(float(i / across) / float(rows)).End("mapping");
    }
    for (std::size_t i = 0; i < points; ++i) {
        text.Word("vn").Number(0).Number(0).Number(1).End("normal");
    }
    TObjStyle corners = style;
    corners.Normals = true;
    const TCounts counts{points, points};
    for (std::size_t r = 0; r < rows; ++r) {
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t a = r * across + c;
            const std::size_t quad[4] = {a, a + 1, a + across + 1, a + across};
            for (const auto& t : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}}) {
                text.Word("f");
                for (const int k : t) {
                    text.Value(Corner(quad[k], quad[k], counts, corners));
                }
                text.End("face");
            }
        }
    }
    for (const std::string& line : style.After) {
        text.Line(line);
    }
    return text.Finish();
}

std::string MtlFile(const std::vector<TObjMaterialSpec>& materials, const std::string& lineEnd) {
    std::string text;
    const auto line = [&](const std::string& l) { text += l + lineEnd; };
    const auto number = [&](const char* word, float value) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%s %.9g", word, double(value));
        line(buffer);
    };
    for (const TObjMaterialSpec& m : materials) {
        line("newmtl " + m.Name);
        if (m.Ambient) {
            line("Ka " + Color(*m.Ambient));
        }
        if (m.Diffuse) {
            line("Kd " + Color(*m.Diffuse));
        }
        if (m.Specular) {
            line("Ks " + Color(*m.Specular));
        }
        if (m.Exponent) {
            number("Ns", *m.Exponent);
        }
        if (m.Opacity) {
            number("d", *m.Opacity);
        }
        if (m.Transparency) {
            number("Tr", *m.Transparency);
        }
        if (!m.Texture.empty()) {
            line("map_Kd " + (m.TextureOptions.empty() ? "" : m.TextureOptions + " ") + m.Texture);
        }
        for (const std::string& l : m.Lines) {
            line(l);
        }
    }
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace Plexa3DTools
