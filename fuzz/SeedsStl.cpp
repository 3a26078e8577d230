#include "FormatSeeds.h"

#include "Writer3DS.h"

namespace Plexa3DFuzz {

void WriteStlSeeds(const std::filesystem::path& folder) {
    Plexa3DTools::WriteBytes((folder / "empty").string(), {});
}

} // namespace Plexa3DFuzz
