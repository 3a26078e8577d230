// Fuzz target of one reader of the other model formats, the one PLEXA3D_FUZZ_FORMAT names. Each
// input is read in memory as that format, whatever its content, both for its first mesh and as a
// whole model; an input holding the line "#--companion--" gives what follows it as every file the
// model names beside it (a material library, a buffer). A read either raises one of the library's
// errors or leaves a sound record whose looks fit it, which is then fitted and drawn in every mode
// (FuzzModelChecks.h). An STL input is also read as ASCII in two halves side by side, which must
// give what one pass gives. Anything else stops the run.
#include "FuzzModelChecks.h"
#include "GraphErrors.h"
#include "ModelBuilder.h"
#include "ModelFiles.h"
#include "StlReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>

namespace {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;

constexpr std::string_view CompanionMark = "\n#--companion--\n";
constexpr TModelFormat Fuzzed = TModelFormat::PLEXA3D_FUZZ_FORMAT;

// An ASCII STL text read in two halves and in one pass: the same name, vertices, faces and notes.
[[maybe_unused]] void CheckStlHalves(std::string_view text) {
    TObject3D read[2];
    TModelLooks looks[2];
    for (int halves = 0; halves < 2; ++halves) {
        TModelBuilder builder;
        const std::string name = ReadAsciiStl(text, builder, halves == 1);
        builder.Finish(name, read[halves], looks[halves]);
    }
    const TObject3D& a = read[0];
    const TObject3D& b = read[1];
    bool same = a.Name == b.Name && a.VertexCount == b.VertexCount && a.FaceCount == b.FaceCount &&
                looks[0].Notes == looks[1].Notes;
    for (std::int32_t i = 1; same && i <= a.VertexCount; ++i) {
        same = std::memcmp(&a.Vertices[i], &b.Vertices[i], sizeof(TPoint3D)) == 0;
    }
    for (std::int32_t i = 1; same && i <= a.FaceCount; ++i) {
        same = a.Faces[i].A == b.Faces[i].A && a.Faces[i].B == b.Faces[i].B &&
               a.Faces[i].C == b.Faces[i].C;
    }
    if (!same) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    const std::size_t mark = all.find(CompanionMark);
    const std::size_t modelSize = mark == std::string_view::npos ? size : mark;
    const std::span<const std::uint8_t> companion =
        mark == std::string_view::npos
            ? std::span<const std::uint8_t>()
            : std::span(data + mark + CompanionMark.size(), size - mark - CompanionMark.size());
    const TModelSource source{
        "fuzz/model", std::span(data, modelSize), [&](const std::string&, std::size_t most) {
            TCompanion file;
            if (mark != std::string_view::npos) {
                file.State = companion.size() <= most ? TCompanion::TState::Read
                                                      : TCompanion::TState::TooLarge;
                if (file.State == TCompanion::TState::Read) {
                    file.Bytes.assign(companion.begin(), companion.end());
                }
            }
            return file;
        }};
    if constexpr (Fuzzed == TModelFormat::Stl) {
        CheckStlHalves(all.substr(0, modelSize));
    }
    for (const TModelPart part : {TModelPart::FirstMesh, TModelPart::Whole}) {
        TObject3D object;
        TModelLooks looks;
        try {
            ReadModelSourceAs(Fuzzed, source, part, object, looks);
        } catch (const RuntimeError&) {
            continue;
        }
        Plexa3DFuzz::CheckLooks(object, looks);
        Plexa3DFuzz::GiveImages(looks);
        Plexa3DFuzz::CheckModel(object, looks);
    }
    return 0;
}
