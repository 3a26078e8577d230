#include "ExportModel.h"

#include "CompanionFiles.h"
#include "ExportWriters.h"
#include "GraphErrors.h"
#include "Smoothing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;
namespace fs = std::filesystem;

namespace {

TPoint3D UnitOr(const TNormal& n, const TPoint3D& fallback) {
    const double length = std::sqrt(n.X * n.X + n.Y * n.Y + n.Z * n.Z);
    if (!(length > 0) || !std::isfinite(length)) {
        return fallback;
    }
    return {float(n.X / length), float(n.Y / length), float(n.Z / length)};
}

// Whether the file holds exactly these bytes.
bool SameBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::error_code error;
    if (!fs::is_regular_file(path, error) || fs::file_size(path, error) != bytes.size()) {
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    std::vector<std::uint8_t> held(bytes.size());
    const bool read = std::fread(held.data(), 1, held.size(), file) == held.size();
    std::fclose(file);
    return read && held == bytes;
}

// With the system's reason, when there is one.
[[noreturn]] void RaiseCannotWrite(const std::string& path, const std::string& reason) {
    throw RuntimeError("Cannot write file \"" + path + "\"" +
                       (reason.empty() ? std::string() : ": " + reason));
}

[[noreturn]] void RaiseCannotWrite(const std::string& path, int reason) {
    RaiseCannotWrite(path, reason != 0 ? std::string(std::strerror(reason)) : std::string());
}

fs::path Canonical(const std::string& path) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(fs::path(path), error);
    return error ? fs::absolute(fs::path(path), error) : canonical;
}

} // namespace

std::optional<TExportFormat> ExportFormatNamed(const std::string& fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || fileName.find('/', dot) != std::string::npos) {
        return std::nullopt;
    }
    std::string extension = fileName.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), LowerAscii);
    if (extension == "glb") {
        return TExportFormat::Glb;
    }
    if (extension == "gltf") {
        return TExportFormat::Gltf;
    }
    if (extension == "obj") {
        return TExportFormat::Obj;
    }
    if (extension == "stl") {
        return TExportFormat::Stl;
    }
    if (extension == "ply") {
        return TExportFormat::Ply;
    }
    return std::nullopt;
}

namespace Detail {

std::string BaseName(const std::string& output) {
    std::string name = output.substr(output.rfind('/') + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string FolderOf(const std::string& output) {
    const std::size_t slash = output.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : output.substr(0, slash));
}

std::string SafeFileName(const std::string& name) {
    std::string safe;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        safe += plain ? c : '_';
    }
    if (safe.empty() || safe.front() == '.') {
        safe = "_" + safe;
    }
    return safe;
}

std::string CompanionName(const std::string& output, const std::string& ending) {
    const std::string name = BaseName(output);
    const std::string safe = SafeFileName(name);
    if (safe == name) {
        return safe + ending;
    }
    std::uint32_t mark = 2166136261u; // FNV-1a
    for (const char c : name) {
        mark = (mark ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    char digits[16];
    std::snprintf(digits, sizeof digits, "-%08x", static_cast<unsigned>(mark));
    return safe + digits + ending;
}

void AppendNumber(std::string& text, float value) {
    char digits[32];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, error == std::errc() ? end : digits);
}

std::optional<std::string> ImageBeside(const TTextureMap& map, const std::string& folder,
                                       bool pngOrJpeg, const TExportImages& images,
                                       TImageFiles& named, std::vector<TOutputFile>& files,
                                       TExportReport& report) {
    const std::string key = map.Embedded >= 0 ? "\n" + std::to_string(map.Embedded) : map.FileName;
    for (const auto& [known, name] : named.Named) {
        if (known == key) {
            return name.empty() ? std::nullopt : std::optional(name); // empty: not found before
        }
    }
    const std::optional<TExportImage> image = images ? images(map, pngOrJpeg) : std::nullopt;
    if (!image) {
        report.Notes.push_back("image not found: " + map.FileName);
        named.Named.emplace_back(key, "");
        return std::nullopt;
    }
    std::string stem =
        map.Embedded >= 0 ? "image" + std::to_string(map.Embedded)
                          : SafeFileName(map.FileName.substr(map.FileName.find_last_of("/\\") + 1));
    const std::size_t dot = stem.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        stem.resize(dot);
    }
    // A name this export gave another image, or that a file beside the output holds other bytes
    // under (the user's own, another model's export), is taken: the image is given the next one.
    const auto taken = [&](const std::string& candidate) {
        if (std::any_of(named.Named.begin(), named.Named.end(),
                        [&](const auto& entry) { return entry.second == candidate; })) {
            return true;
        }
        std::error_code error;
        const fs::path place = fs::path(folder) / candidate;
        return fs::exists(place, error) && !SameBytes(place, image->Bytes);
    };
    std::string name = stem + image->Extension;
    for (int n = 2; taken(name); ++n) {
        name = stem + "_" + std::to_string(n) + image->Extension;
    }
    named.Named.emplace_back(key, name);
    files.push_back({folder + "/" + name, image->Bytes,
                     image->SourcePath.empty() ? std::string(1, '\n') : image->SourcePath});
    return name;
}

TExportOrder ExportOrder(const TObject3D& object, const TModelLooks& looks) {
    const auto faces =
        static_cast<std::uint32_t>(std::max(0, std::min(object.FaceCount, object.Faces.Count())));
    TExportOrder order;
    order.Meshes = looks.Meshes;
    if (order.Meshes.empty()) {
        order.Meshes.push_back({object.Name, 0, faces});
    }
    const auto materialOf = [&](std::uint32_t face) -> std::uint32_t {
        const std::uint32_t m = face < looks.FaceMaterials.size() ? looks.FaceMaterials[face] : 0;
        return m < looks.Materials.size() ? m : 0;
    };
    // Each mesh's faces sorted by material, a counting sort.
    std::vector<std::size_t> start;
    for (std::size_t p = 0; p < order.Meshes.size(); ++p) {
        const TMeshPart& part = order.Meshes[p];
        start.assign(looks.Materials.size() + 1, 0);
        for (std::uint32_t f = part.First; f < part.First + part.Count && f < faces; ++f) {
            ++start[materialOf(f) + 1];
        }
        for (std::size_t m = 1; m < start.size(); ++m) {
            start[m] += start[m - 1];
        }
        const std::size_t base = order.Faces.size();
        order.Faces.resize(base + start.back());
        std::vector<std::size_t> next(start.begin(), start.end() - 1);
        for (std::uint32_t f = part.First; f < part.First + part.Count && f < faces; ++f) {
            order.Faces[base + next[materialOf(f)]++] = f;
        }
        for (std::uint32_t m = 0; m + 1 < start.size(); ++m) {
            if (start[m] != start[m + 1]) {
                order.Runs.push_back({p, m, base + start[m], base + start[m + 1]});
            }
        }
    }
    return order;
}

TExportModel PrepareExport(TObject3D& object, const TModelLooks& looks) {
    TransformObject(object);
    TExportModel model;
    const std::int32_t vertices = std::min(object.VertexCount, object.WorldVertices.Count());
    const auto faces =
        static_cast<std::uint32_t>(std::max(0, std::min(object.FaceCount, object.Faces.Count())));
    model.Mapped = vertices > 0 && looks.Mapping.size() >= std::size_t(vertices);

    // The unit normal of each smoothing sum, all worked out at once.
    const TSmoothingCorners& corners = SmoothingCorners(object, looks);
    const bool smooth = corners.SumCount > 0 && corners.Sums.size() >= CornersPerFace * faces;
    std::vector<TPoint3D> sumNormals;
    if (smooth) {
        TSmoothNormals sums;
        sums.Begin(object, corners, true);
        sumNormals.resize(std::size_t(corners.SumCount) + 1);
        for (std::uint32_t s = 1; s <= corners.SumCount; ++s) {
            sumNormals[s] = UnitOr(sums.Sum(s), {0, 0, 0});
        }
    }

    // A primitive for each run, whose corners are shared through one array of the smoothing
    // sums, stamped by primitive.
    const TExportOrder order = ExportOrder(object, looks);
    std::vector<std::uint32_t> sumVertex(smooth ? sumNormals.size() : 0);
    std::vector<std::uint32_t> sumStamp(sumVertex.size(), 0);
    std::uint32_t stamp = 0;
    std::size_t run = 0;
    for (std::size_t p = 0; p < order.Meshes.size(); ++p) {
        TExportMesh mesh{order.Meshes[p].Name, {}};
        for (; run < order.Runs.size() && order.Runs[run].Mesh == p; ++run) {
            const TExportRun& r = order.Runs[run];
            TExportPrimitive primitive;
            primitive.Material = r.Material;
            ++stamp;
            for (std::size_t k = r.Begin; k < r.End; ++k) {
                const std::uint32_t f = order.Faces[k];
                const TFace3D& face = object.Faces[std::int32_t(f + 1)];
                if (!FaceInRange(face, vertices)) {
                    continue;
                }
                const std::uint32_t numbers[] = {face.A, face.B, face.C};
                const TPoint3D own =
                    UnitOr(TriangleNormal(object.WorldVertices[std::int32_t(face.A)],
                                          object.WorldVertices[std::int32_t(face.B)],
                                          object.WorldVertices[std::int32_t(face.C)]),
                           {0, 0, 1});
                for (std::size_t c = 0; c < CornersPerFace; ++c) {
                    const std::uint32_t s = smooth ? corners.Sums[CornersPerFace * f + c] : 0;
                    const bool shared = s != 0 && sumNormals[s].X * sumNormals[s].X +
                                                          sumNormals[s].Y * sumNormals[s].Y +
                                                          sumNormals[s].Z * sumNormals[s].Z >
                                                      0;
                    if (shared && sumStamp[s] == stamp) {
                        primitive.Indices.push_back(sumVertex[s]);
                        continue;
                    }
                    const std::uint32_t n = numbers[c];
                    primitive.Vertices.push_back(
                        {object.WorldVertices[std::int32_t(n)], shared ? sumNormals[s] : own,
                         model.Mapped ? looks.Mapping[n - 1] : TTexCoord{}});
                    const auto index = std::uint32_t(primitive.Vertices.size() - 1);
                    if (shared) {
                        sumStamp[s] = stamp;
                        sumVertex[s] = index;
                    }
                    primitive.Indices.push_back(index);
                }
            }
            if (!primitive.Indices.empty()) {
                mesh.Primitives.push_back(std::move(primitive));
            }
        }
        if (!mesh.Primitives.empty()) {
            model.Meshes.push_back(std::move(mesh));
        }
    }
    return model;
}

void WriteFilesWhole(const std::vector<TOutputFile>& files) {
    std::vector<std::string> temporaries;
    const auto removeAll = [&] {
        for (const std::string& temporary : temporaries) {
            std::remove(temporary.c_str());
        }
    };
    std::vector<const TOutputFile*> written;
    for (const TOutputFile& file : files) {
        // A file takes its place by a rename: a device or a pipe where it goes, named itself or
        // through a link, is refused rather than replaced.
        std::error_code ignored;
        const fs::file_status status = fs::status(file.Path, ignored);
        if (fs::exists(status) && !fs::is_regular_file(status)) {
            removeAll();
            RaiseCannotWrite(file.Path, std::string("Not a regular file"));
        }
        std::string temporary = file.Path + ".plexa3d-XXXXXX";
        const int fd = mkstemp(temporary.data());
        if (fd < 0) {
            const int reason = errno;
            removeAll();
            RaiseCannotWrite(file.Path, reason);
        }
        temporaries.push_back(temporary);
        bool failed = false;
        int reason = 0; // the first failure's
        const auto fail = [&] {
            reason = failed ? reason : errno;
            failed = true;
        };
        const auto writeAll = [&](const char* bytes, std::size_t size) {
            std::size_t done = 0;
            while (done < size && !failed) {
                const ssize_t n = ::write(fd, bytes + done, size - done);
                if (n < 0 && errno == EINTR) {
                    continue;
                }
                if (n <= 0) {
                    errno = n < 0 ? errno : ENOSPC; // nothing written: the disk is full
                    fail();
                }
                done += failed ? 0 : std::size_t(n);
            }
        };
        if (file.Stream) {
            try {
                file.Stream([&](std::string_view piece) { writeAll(piece.data(), piece.size()); });
            } catch (...) {
                ::close(fd);
                removeAll();
                throw;
            }
        } else {
            writeAll(reinterpret_cast<const char*>(file.Bytes.data()), file.Bytes.size());
        }
        // Readable by others as a file the user saves is; written out before it takes its place.
        if (!failed && (fchmod(fd, 0644) != 0 || fsync(fd) != 0)) {
            fail();
        }
        if (::close(fd) != 0) {
            fail();
        }
        if (failed) {
            removeAll();
            RaiseCannotWrite(file.Path, reason);
        }
        written.push_back(&file);
    }
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (std::rename(temporaries[i].c_str(), written[i]->Path.c_str()) != 0) {
            const int reason = errno;
            for (std::size_t j = i; j < temporaries.size(); ++j) {
                std::remove(temporaries[j].c_str());
            }
            RaiseCannotWrite(written[i]->Path, reason);
        }
    }
}

} // namespace Detail

TExportReport ExportModel(TObject3D& object, const TModelLooks& looks, const std::string& source,
                          const std::string& output, TExportFormat format,
                          const TExportImages& images, const std::vector<std::string>& companions) {
    using namespace Detail;
    TExportReport report;
    // STL needs no corners of its own, only the faces in their order: nothing is copied for it.
    TExportModel model;
    TExportOrder order;
    if (format == TExportFormat::Stl) {
        TransformObject(object);
        order = ExportOrder(object, looks);
    } else {
        model = PrepareExport(object, looks);
    }
    std::vector<TOutputFile> files;
    switch (format) {
    case TExportFormat::Glb:
    case TExportFormat::Gltf:
        files = WriteGltf(model, looks, output, format == TExportFormat::Glb, images, report);
        break;
    case TExportFormat::Obj:
        files = WriteObj(model, looks, output, images, report);
        break;
    case TExportFormat::Stl:
        files = WriteStl(object, order, output);
        break;
    case TExportFormat::Ply:
        files = WritePly(model, looks, output);
        break;
    }
    // Nothing over the model read or its images; an image beside the output that holds the
    // image's bytes already is left as it is.
    const fs::path from = Canonical(source);
    std::vector<fs::path> beside;
    for (const std::string& companion : companions) {
        beside.push_back(Canonical(companion));
    }
    std::vector<TOutputFile> kept;
    for (TOutputFile& file : files) {
        const fs::path to = Canonical(file.Path);
        if (to == from) {
            throw RuntimeError("\"" + file.Path + "\" is the model the export reads");
        }
        if (std::find(beside.begin(), beside.end(), to) != beside.end()) {
            throw RuntimeError("\"" + file.Path + "\" is a file of the model the export reads");
        }
        if (!file.ImageFrom.empty() && SameBytes(to, file.Bytes)) {
            continue;
        }
        for (const TOutputFile& image : files) {
            if (!image.ImageFrom.empty() && to == Canonical(image.ImageFrom)) {
                throw RuntimeError("\"" + file.Path +
                                   "\" is an image of the model the export reads");
            }
        }
        kept.push_back(std::move(file));
    }
    WriteFilesWhole(kept);
    for (const TOutputFile& file : kept) {
        report.Written.push_back(file.Path);
    }
    return report;
}

} // namespace Plexa3DFormats
