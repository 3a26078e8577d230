// Fuzz target of the export. Each input is read in memory as a whole model, in the format its
// content shows (.3DS, OBJ, STL, PLY, OFF or glTF; no companion files), and written in memory in
// every export format, the images it names not found. The placing of its vertices may raise one
// of the library's errors, as in the program. A writer either raises one of the library's
// errors (a model too large for the format) or makes its files, every streamed piece of them; a
// .glb and an STL come out exactly as long as their headers say. Anything else stops the run.
// The readers' own targets do not export, so that they keep their pace.
#include "ExportWriters.h"
#include "FuzzModelChecks.h"
#include "GraphErrors.h"
#include "ModelFiles.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;
using namespace Plexa3DFormats::Detail;
using Plexa3DFuzz::Require;

constexpr std::size_t GlbLengthAt = 8;
constexpr std::size_t StlCountAt = 80;
constexpr std::size_t StlHeaderSize = 84;
constexpr std::size_t StlTriangleSize = 50;

// The bytes of a file as they would be written: whole, or streamed.
std::string Written(const TOutputFile& file) {
    if (!file.Stream) {
        return std::string(file.Bytes.begin(), file.Bytes.end());
    }
    std::string bytes;
    file.Stream([&](std::string_view piece) { bytes.append(piece); });
    return bytes;
}

std::uint32_t Read32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    }
    return value;
}

// The model written in memory in every format.
void CheckExport(TObject3D& object, const TModelLooks& looks) {
    TExportModel model;
    try {
        model = PrepareExport(object, looks); // placing the vertices may overflow
    } catch (const RuntimeError&) {
        return;
    }
    const TExportOrder order = ExportOrder(object, looks);
    const TExportImages images; // none found: the writers name them and go on
    for (const TExportFormat format : {TExportFormat::Glb, TExportFormat::Gltf, TExportFormat::Obj,
                                       TExportFormat::Stl, TExportFormat::Ply}) {
        TExportReport report;
        std::vector<TOutputFile> files;
        try {
            switch (format) {
            case TExportFormat::Glb:
            case TExportFormat::Gltf:
                files = WriteGltf(model, looks, "fuzz/out.gltf", format == TExportFormat::Glb,
                                  images, report);
                break;
            case TExportFormat::Obj:
                files = WriteObj(model, looks, "fuzz/out.obj", images, report);
                break;
            case TExportFormat::Stl:
                files = WriteStl(object, order, "fuzz/out.stl");
                break;
            case TExportFormat::Ply:
                files = WritePly(model, looks, "fuzz/out.ply");
                break;
            }
        } catch (const RuntimeError&) {
            continue; // too large for the format
        }
        Require(!files.empty(), "an export writes its file");
        const std::string first = Written(files[0]);
        for (std::size_t i = 1; i < files.size(); ++i) {
            Written(files[i]);
        }
        if (format == TExportFormat::Glb) {
            Require(first.size() >= 12 && Read32(first, GlbLengthAt) == first.size(),
                    ".glb as long as its header says");
        }
        if (format == TExportFormat::Stl) {
            Require(first.size() >= StlHeaderSize &&
                        first.size() == StlHeaderSize + StlTriangleSize * Read32(first, StlCountAt),
                    "STL as long as its count says");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const TModelFormat format = DetectModelFormat(bytes);
    if (format == TModelFormat::Unknown) {
        return 0;
    }
    const TModelSource source{"fuzz/model", bytes,
                              [](const std::string&, std::size_t) { return TCompanion{}; }};
    TObject3D object;
    TModelLooks looks;
    try {
        ReadModelSourceAs(format, source, TModelPart::Whole, object, looks);
    } catch (const RuntimeError&) {
        return 0;
    }
    CheckExport(object, looks);
    return 0;
}
