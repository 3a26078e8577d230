#include "ExportImages.h"

#include "CompanionFiles.h"
#include "FileReader.h"
#include "GraphErrors.h"
#include "ImageDecoding.h"
#include "ModelFiles.h"
#include "ModelImages.h"
#include "Scene.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include <cstring>

namespace Plexa3DApp {

using namespace ZuveloGraphLibrary;
using Plexa3DFormats::TExportImage;

namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::string_view start) {
    return bytes.size() >= start.size() &&
           std::memcmp(bytes.data(), start.data(), start.size()) == 0;
}

// PNG or JPEG by its first bytes, with its extension and MIME type; else nothing.
std::optional<TExportImage> AsGltfImage(std::vector<std::uint8_t> bytes) {
    if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) {
        return TExportImage{std::move(bytes), ".png", "image/png", {}};
    }
    if (StartsWith(bytes, "\xFF\xD8\xFF")) {
        return TExportImage{std::move(bytes), ".jpg", "image/jpeg", {}};
    }
    return std::nullopt;
}

std::optional<TExportImage> SavedAsPng(const TDecodedImage& decoded) {
    if (decoded.Outcome != TDecodedImage::TOutcome::Decoded) {
        return std::nullopt;
    }
    QImage image(decoded.Width, decoded.Height, QImage::Format_RGB32);
    for (int y = 0; y < decoded.Height; ++y) {
        std::memcpy(image.scanLine(y), decoded.Pixels.data() + std::size_t(y) * decoded.Width,
                    std::size_t(decoded.Width) * 4);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        return std::nullopt;
    }
    return TExportImage{{png.begin(), png.end()}, ".png", "image/png", {}};
}

} // namespace

Plexa3DFormats::TExportImages ExportImagesOf(const std::string& modelFile,
                                             const TModelLooks& looks) {
    const std::string folder = Plexa3DFormats::ModelFolder(modelFile);
    return [folder, &looks](const TTextureMap& map, bool pngOrJpeg) -> std::optional<TExportImage> {
        std::vector<std::uint8_t> bytes;
        std::string path;
        if (map.Embedded >= 0) {
            if (std::size_t(map.Embedded) >= looks.EmbeddedImages.size()) {
                return std::nullopt;
            }
            bytes = looks.EmbeddedImages[std::size_t(map.Embedded)];
        } else {
            const std::optional<std::string> found =
                Plexa3DFormats::FindFileIgnoringCase(folder, map.FileName);
            if (!found) {
                return std::nullopt;
            }
            path = *found;
            try {
                TFileReader file(path);
                if (file.Size() > MaxTextureBytes) {
                    return std::nullopt;
                }
                bytes.resize(std::size_t(file.Size()));
                bytes.resize(file.Read(bytes.data(), bytes.size()));
                file.Close();
            } catch (const RuntimeError&) {
                return std::nullopt;
            }
        }
        std::optional<TExportImage> image;
        if (!pngOrJpeg) {
            const std::string name = map.Embedded >= 0 ? std::string(".png") : path;
            const std::size_t dot = name.rfind('.');
            const std::optional<TExportImage> known = AsGltfImage(bytes);
            image = TExportImage{std::move(bytes),
                                 known ? known->Extension
                                       : (dot == std::string::npos ? "" : name.substr(dot)),
                                 {},
                                 {}};
        } else if (std::optional<TExportImage> direct = AsGltfImage(bytes)) {
            image = std::move(direct);
        } else {
            image = SavedAsPng(path.empty() ? DecodeImageBytes(bytes) : DecodeImageFile(path));
        }
        if (image) {
            image->SourcePath = path;
        }
        return image;
    };
}

Plexa3DFormats::TExportReport ExportModelFile(const std::string& input, const std::string& output) {
    const std::optional<Plexa3DFormats::TExportFormat> format =
        Plexa3DFormats::ExportFormatNamed(output);
    if (!format) {
        throw RuntimeError("\"" + output + "\" is not named .glb, .gltf, .obj, .stl or .ply");
    }
    TObject3D object;
    TModelLooks looks;
    const Plexa3DFormats::TModelFile read =
        Plexa3DFormats::ReadModelFile(input, Plexa3DFormats::TModelPart::Whole, object, looks);
    RequireWholeModel(read, object, looks, "export");
    Plexa3DFormats::TExportReport report = Plexa3DFormats::ExportModel(
        object, looks, input, output, *format, ExportImagesOf(input, looks), read.Companions);
    // What the reader passed over is missing from the export as well: it is told first.
    std::vector<std::string> notes;
    for (const ZuveloGraphLibrary::TLooksNote& note : looks.Notes) {
        notes.push_back(NoteText(note, TNoteLanguage::CommandLine));
    }
    report.Notes.insert(report.Notes.begin(), notes.begin(), notes.end());
    return report;
}

} // namespace Plexa3DApp
