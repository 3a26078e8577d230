// Fuzz target of one reader of the other model formats, the one PLEXA3D_FUZZ_FORMAT names. Each
// input is read in memory as that format, whatever its content, both for its first mesh and as a
// whole model; an input holding the line "#--companion--" gives what follows it as every file the
// model names beside it (a material library, a buffer). A read either raises one of the library's
// errors or leaves a sound record whose looks fit it, which is then fitted and drawn in every mode
// (FuzzModelChecks.h). Anything else stops the run.
#include "FuzzModelChecks.h"
#include "GraphErrors.h"
#include "ModelFiles.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>

namespace {

using namespace ZuveloGraphLibrary;
using namespace Plexa3DFormats;

constexpr std::string_view CompanionMark = "\n#--companion--\n";

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
    for (const TModelPart part : {TModelPart::FirstMesh, TModelPart::Whole}) {
        TObject3D object;
        TModelLooks looks;
        try {
            ReadModelSourceAs(TModelFormat::PLEXA3D_FUZZ_FORMAT, source, part, object, looks);
        } catch (const RuntimeError&) {
            continue;
        }
        Plexa3DFuzz::CheckLooks(object, looks);
        Plexa3DFuzz::GiveImages(looks);
        Plexa3DFuzz::CheckModel(object, looks);
    }
    return 0;
}
