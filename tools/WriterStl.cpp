#include "WriterStl.h"

#include "Writer3DS.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace Plexa3DTools {

namespace {

using TVector = std::array<float, 3>;

TVector Normal(const TVector& a, const TVector& b, const TVector& c) {
    const TVector u{b[0] - a[0], b[1] - a[1], b[2] - a[2]};
    const TVector v{c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    TVector n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0) {
        for (float& x : n) {
            x /= length;
        }
    }
    return n;
}

void Put(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(std::uint8_t(value >> (8 * i)));
    }
}

void PutFloat(std::vector<std::uint8_t>& out, float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    PutU32(out, bits);
}

std::string Number(float value, const std::string& format) {
    char text[64];
    if (format.empty()) {
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        return {text, end};
    }
    std::snprintf(text, sizeof text, format.c_str(), double(value));
    return text;
}

} // namespace

std::vector<std::uint8_t> StlFile(const std::vector<TMeshSpec>& meshes,
                                  const TStlOptions& options) {
    std::vector<std::uint8_t> out;
    if (!options.Ascii) {
        std::string header = options.Header.substr(0, 80);
        header.resize(80, '\0');
        Put(out, header);
        std::uint32_t count = 0;
        for (const TMeshSpec& mesh : meshes) {
            count += std::uint32_t(mesh.Faces.size());
        }
        PutU32(out, options.StoredCount.value_or(count));
        out.reserve(out.size() + 50 * std::size_t(count));
        std::size_t face = 0;
        for (const TMeshSpec& mesh : meshes) {
            for (const auto& f : mesh.Faces) {
                const TVector& a = mesh.Vertices.at(f[0]);
                const TVector& b = mesh.Vertices.at(f[1]);
                const TVector& c = mesh.Vertices.at(f[2]);
                for (const TVector& v : {Normal(a, b, c), a, b, c}) {
                    for (const float x : v) {
                        PutFloat(out, x);
                    }
                }
                const std::uint16_t word =
                    face < options.Attributes.size() ? options.Attributes[face] : 0;
                out.push_back(std::uint8_t(word));
                out.push_back(std::uint8_t(word >> 8));
                ++face;
            }
        }
        return out;
    }
    const auto word = [&](const char* lower) {
        std::string text = lower;
        if (options.UpperCase) {
            for (char& c : text) {
                c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
            }
        }
        return text;
    };
    const std::string& end = options.LineEnd;
    const auto vector = [&](const TVector& v) {
        return Number(v[0], options.NumberFormat) + " " + Number(v[1], options.NumberFormat) + " " +
               Number(v[2], options.NumberFormat);
    };
    for (const TMeshSpec& mesh : meshes) {
        Put(out, word("solid") + " " + mesh.Name + end);
        for (const auto& f : mesh.Faces) {
            const TVector& a = mesh.Vertices.at(f[0]);
            const TVector& b = mesh.Vertices.at(f[1]);
            const TVector& c = mesh.Vertices.at(f[2]);
            Put(out, "  " + word("facet normal") + " " + vector(Normal(a, b, c)) + end + "    " +
                         word("outer loop") + end);
            for (const TVector& v : {a, b, c}) {
                Put(out, "      " + word("vertex") + " " + vector(v) + end);
            }
            Put(out, "    " + word("endloop") + end + "  " + word("endfacet") + end);
        }
        if (options.EndSolid) {
            Put(out, word("endsolid") + " " + mesh.Name + end);
        }
    }
    return out;
}

} // namespace Plexa3DTools
