#include "ModelFiles.h"

#include "FileReader.h"
#include "GltfReader.h"
#include "GraphErrors.h"
#include "Import3DS.h"
#include "LargeBlocks.h"
#include "ObjReader.h"
#include "OffReader.h"
#include "PlyReader.h"
#include "StlReader.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <span>
#include <string_view>

namespace Plexa3DFormats {

using namespace ZuveloGraphLibrary;

namespace {

constexpr std::size_t StlHeaderSize = 84; // 80 bytes of header, a 32-bit triangle count
constexpr std::size_t StlTriangleSize = 50;
// The companions a model names are read up to this size: a material library, a glTF buffer.
constexpr std::size_t MaxCompanionBytes = std::size_t(1) << 31;
// How much of a text file is looked at to tell OBJ apart.
constexpr std::size_t ObjLookAhead = 4096;

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

std::string_view AsText(std::span<const std::uint8_t> bytes, std::size_t most) {
    return {reinterpret_cast<const char*>(bytes.data()), std::min(bytes.size(), most)};
}

bool Space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::string_view SkipSpace(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && Space(text[at])) {
        ++at;
    }
    return text.substr(at);
}

// OFF's first word, as the OFF reader takes it.
bool OffWord(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && !Space(text[end]) && text[end] != '#') {
        ++end;
    }
    return IsOffWord(text.substr(0, end));
}

// Whether the text's lines, as far as it is looked at, are OBJ's: each empty, a comment, or led
// by one of its words (or of the material statements some OBJ files hold in themselves); and at
// least one says something.
bool ObjLines(std::string_view text) {
    static constexpr std::array<std::string_view, 34> Words = {
        "v",    "vt",   "vn",   "vp",     "f",      "fo",     "l",      "p",      "o",
        "g",    "s",    "mg",   "usemtl", "usemap", "mtllib", "maplib", "cstype", "deg",
        "curv", "surf", "parm", "end",    "newmtl", "Ka",     "Kd",     "Ks",     "Ke",
        "Ns",   "Ni",   "d",    "Tr",     "Tf",     "illum",  "map_Kd"};
    bool said = false;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        const bool cut = end == std::string_view::npos; // the last line looked at may be cut
        end = cut ? text.size() : end;
        std::string_view line = SkipSpace(text.substr(at, end - at));
        at = end + 1;
        if (line.empty() || line.front() == '#') {
            continue;
        }
        std::size_t word = 0;
        while (word < line.size() && !Space(line[word])) {
            ++word;
        }
        const bool known =
            std::find(Words.begin(), Words.end(), line.substr(0, word)) != Words.end();
        if (!known && !(cut && word == line.size())) {
            return false;
        }
        said = said || known;
    }
    return said;
}

// Whether the file's name ends in ".stl", in any case.
bool NamedStl(std::string_view fileName) {
    constexpr std::string_view Extension = ".stl";
    return fileName.size() >= Extension.size() &&
           EqualIgnoringCase(fileName.substr(fileName.size() - Extension.size()), Extension);
}

} // namespace

TModelFormat DetectModelFormat(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 2 && UInt16At(bytes.data()) == ChunkMain) {
        return TModelFormat::ThreeDS;
    }
    const std::string_view head = AsText(bytes, ObjLookAhead);
    if (StartsWith(head, "glTF")) {
        return TModelFormat::Gltf;
    }
    if (StartsWith(head, "ply\n") || StartsWith(head, "ply\r\n")) {
        return TModelFormat::Ply;
    }
    if (bytes.size() >= StlHeaderSize) {
        const std::uint32_t triangles = UInt32At(bytes.data() + 80);
        if (StlHeaderSize + std::uint64_t(triangles) * StlTriangleSize == bytes.size()) {
            return TModelFormat::Stl;
        }
    }
    const std::string_view text = SkipSpace(head);
    std::string_view firstWord = text;
    while (StartsWith(firstWord, "#")) { // OFF, and ASCII STL as some write it, allow comments
        const std::size_t end = firstWord.find('\n');
        firstWord = end == std::string_view::npos ? std::string_view{}
                                                  : SkipSpace(firstWord.substr(end + 1));
    }
    if (StartsWith(firstWord, "solid") || StartsWith(firstWord, "SOLID")) {
        return TModelFormat::Stl;
    }
    if (OffWord(firstWord)) {
        return TModelFormat::Off;
    }
    const std::string_view json =
        StartsWith(text, "\xEF\xBB\xBF") ? SkipSpace(text.substr(3)) : text;
    if (StartsWith(json, "{")) {
        return TModelFormat::Gltf;
    }
    if (ObjLines(StartsWith(head, "\xEF\xBB\xBF") ? head.substr(3) : head)) {
        return TModelFormat::Obj;
    }
    return TModelFormat::Unknown;
}

const char* FormatName(TModelFormat format) {
    switch (format) {
    case TModelFormat::ThreeDS:
        return ".3DS";
    case TModelFormat::Obj:
        return "OBJ";
    case TModelFormat::Stl:
        return "STL";
    case TModelFormat::Ply:
        return "PLY";
    case TModelFormat::Off:
        return "OFF";
    case TModelFormat::Gltf:
        return "glTF";
    case TModelFormat::Unknown:
        break;
    }
    return "unknown";
}

TModelFile ReadModelSource(const TModelSource& source, TModelPart part, TObject3D& object,
                           TModelLooks& looks) {
    TModelFormat format = DetectModelFormat(source.Bytes);
    // A binary STL has no mark of its own but its length: one cut short is known by its name, so
    // that what it holds is read and the cut is told. The first mesh of a file of no known
    // content stays the .3DS reader's.
    if (format == TModelFormat::Unknown && part == TModelPart::Whole &&
        source.Bytes.size() >= StlHeaderSize && NamedStl(source.FileName)) {
        format = TModelFormat::Stl;
    }
    return ReadModelSourceAs(format, source, part, object, looks);
}

TModelFile ReadModelSourceAs(TModelFormat format, const TModelSource& source, TModelPart part,
                             TObject3D& object, TModelLooks& looks) {
    TModelFile file;
    file.Format = format;
    if (file.Format == TModelFormat::ThreeDS ||
        (file.Format == TModelFormat::Unknown && part == TModelPart::FirstMesh)) {
        if (part == TModelPart::FirstMesh) {
            Load3DSBytesWithLooks(source.Bytes, object, looks);
        } else {
            file.Reading = Load3DSModelBytesWithLooks(source.Bytes, object, looks, source.FileName);
        }
        return file;
    }
    ClearObject3D(object);
    looks = TModelLooks{};
    FinishLooks(object, looks);
    if (file.Format == TModelFormat::Unknown) {
        return file;
    }
    TModelBuilder builder;
    std::string name;
    switch (file.Format) {
    case TModelFormat::Obj:
        name = ReadObj(source, part, builder);
        break;
    case TModelFormat::Stl:
        name = ReadStl(source, part, builder);
        break;
    case TModelFormat::Ply:
        name = ReadPly(source, part, builder);
        break;
    case TModelFormat::Off:
        name = ReadOff(source, part, builder);
        break;
    case TModelFormat::Gltf:
        name = ReadGltf(source, part, builder);
        break;
    case TModelFormat::ThreeDS:
    case TModelFormat::Unknown:
        break;
    }
    const std::string named =
        part == TModelPart::FirstMesh && !name.empty() ? name : ModelName(source.FileName);
    file.Reading = builder.Finish(named, object, looks);
    return file;
}

TModelFile ReadModelFile(const std::string& fileName, TModelPart part, TObject3D& object,
                         TModelLooks& looks) {
    // Not set to zero first: the file's bytes overwrite it, and zeros written over a file of
    // tens of megabytes cost as much as a quarter of what its reader takes.
    std::unique_ptr<std::uint8_t[]> block;
    std::span<const std::uint8_t> bytes;
    {
        TFileReader file(fileName);
        std::uint8_t head[2] = {0, 0};
        const std::size_t got = file.Read(head, sizeof head);
        const bool main = got == sizeof head && UInt16At(head) == ChunkMain;
        if (!main) {
            file.Seek(0);
            const auto size = static_cast<std::size_t>(file.Size());
            block = std::make_unique_for_overwrite<std::uint8_t[]>(size);
            AdviseLargeBlock(block.get(), size);
            bytes = {block.get(), file.ReadLarge(block.get(), size)};
        }
        file.Close();
        // A .3DS file, or with the first mesh one of no other known format, goes to the .3DS
        // readers, which read from the file themselves.
        if (main ||
            (part == TModelPart::FirstMesh && DetectModelFormat(bytes) == TModelFormat::Unknown)) {
            TModelFile result;
            result.Format = main ? TModelFormat::ThreeDS : TModelFormat::Unknown;
            if (part == TModelPart::FirstMesh) {
                Load3DSWithLooks(fileName, object, looks);
            } else {
                result.Reading = Load3DSModelWithLooks(fileName, object, looks);
            }
            return result;
        }
    }
    const std::string folder = ModelFolder(fileName);
    std::vector<std::string> found;
    const TModelSource source{fileName, bytes, [&](const std::string& name, std::size_t most) {
                                  TCompanion companion = ReadCompanionFile(
                                      folder, name, std::min(most, MaxCompanionBytes));
                                  if (!companion.Path.empty()) {
                                      found.push_back(companion.Path);
                                  }
                                  return companion;
                              }};
    try {
        TModelFile result = ReadModelSource(source, part, object, looks);
        result.Companions = std::move(found);
        return result;
    } catch (...) {
        ClearObject3D(object);
        looks = TModelLooks{};
        throw;
    }
}

} // namespace Plexa3DFormats
