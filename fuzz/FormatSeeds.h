// The seed writers of the other formats' fuzz targets, one file each (Seeds<Format>.cpp). A seed
// may end with the line "#--companion--" and the file it names beside it (FuzzModelFormat.cpp).
#pragma once

#include <filesystem>

namespace Plexa3DFuzz {

void WriteObjSeeds(const std::filesystem::path& folder);
void WriteStlSeeds(const std::filesystem::path& folder);
void WritePlySeeds(const std::filesystem::path& folder);
void WriteOffSeeds(const std::filesystem::path& folder);
void WriteGltfSeeds(const std::filesystem::path& folder);

} // namespace Plexa3DFuzz
