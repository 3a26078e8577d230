// The writers of the export formats, each turning a prepared model into the files to write (paths
// and bytes), which ExportModel then writes whole (ExportModel.h holds what each writes).
#pragma once

#include "ExportModel.h"

#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace Plexa3DFormats::Detail {

// Hands the next piece of a streamed file to its writing.
using TEmit = std::function<void(std::string_view)>;

// Streamed files are handed on in pieces of about this size.
constexpr std::size_t PieceSize = std::size_t(1) << 20;

// Four bytes, least significant first, as every binary format written here stores numbers.
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(std::uint8_t(value >> (8 * i)));
    }
}
inline void PutFloat(std::vector<std::uint8_t>& out, float value) {
    Put32(out, std::bit_cast<std::uint32_t>(value));
}

// Hands on what `bytes` hold, and empties them; with `whenFull`, only once they fill a piece.
template <class TBytes> void EmitPiece(TBytes& bytes, const TEmit& emit, bool whenFull = false) {
    if (!whenFull || bytes.size() >= PieceSize) {
        emit({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        bytes.clear();
    }
}

struct TOutputFile {
    std::string Path;
    std::vector<std::uint8_t> Bytes;
    // An image copied beside the output, from this file: not written when the output's place
    // already holds the same bytes (the image itself, when the output lies beside the model).
    std::string ImageFrom;
    // A large file made piece by piece as it is written, in place of Bytes, so that it never
    // lies in memory whole. It may refer to the model it writes: it runs before the export returns.
    std::function<void(const TEmit&)> Stream = {};
};

// The name of `output` without its folder and extension, and its folder ("." for none).
std::string BaseName(const std::string& output);
std::string FolderOf(const std::string& output);

// A name made safe as a file name and a URI: letters, digits, '.', '-' and '_' kept, anything
// else '_'; never empty or hidden.
std::string SafeFileName(const std::string& name);

// The name of the file that goes with `output` (its material library, its buffer): its own name
// with `ending`, made safe. When that changed the name, a mark of the name as it was follows it,
// so that outputs whose names differ only there ("a b.obj", "a_b.obj") never share the file.
std::string CompanionName(const std::string& output, const std::string& ending);

// An image's file beside the output, for the texture map's image (once for each image): its
// name, and the file to write, added to `files` the first time. Without the image, nothing, and
// a note.
struct TImageFiles {
    std::vector<std::pair<std::string, std::string>> Named; // image key, file name
};
std::optional<std::string> ImageBeside(const ZuveloGraphLibrary::TTextureMap& map,
                                       const std::string& folder, bool pngOrJpeg,
                                       const TExportImages& images, TImageFiles& named,
                                       std::vector<TOutputFile>& files, TExportReport& report);

// Numbers written shortest, exactly as read back.
void AppendNumber(std::string& text, float value);

std::vector<TOutputFile> WriteGltf(const TExportModel& model,
                                   const ZuveloGraphLibrary::TModelLooks& looks,
                                   const std::string& output, bool binary,
                                   const TExportImages& images, TExportReport& report);
std::vector<TOutputFile> WriteObj(const TExportModel& model,
                                  const ZuveloGraphLibrary::TModelLooks& looks,
                                  const std::string& output, const TExportImages& images,
                                  TExportReport& report);
// STL straight from the record: each face of the order whose vertices it holds, from its world
// vertices (set by then); the record and the order must outlive the writing.
std::vector<TOutputFile> WriteStl(const ZuveloGraphLibrary::TObject3D& object,
                                  const TExportOrder& order, const std::string& output);
std::vector<TOutputFile> WritePly(const TExportModel& model,
                                  const ZuveloGraphLibrary::TModelLooks& looks,
                                  const std::string& output);

// Writes every file whole or none: each to a temporary file beside its place, then all moved into
// place. Raises RuntimeError "Cannot write file "PATH": REASON" (the system's) for the first that
// cannot be written.
void WriteFilesWhole(const std::vector<TOutputFile>& files);

} // namespace Plexa3DFormats::Detail
