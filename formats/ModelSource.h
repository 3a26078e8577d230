// A model file as the readers of the other formats see it: its bytes, held whole in memory, its
// name, and a way to the files it names beside it.
#pragma once

#include "CompanionFiles.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace Plexa3DFormats {

// How much of a model a reader takes: the first mesh, as an import with "Modello intero" off
// does, or every mesh as one object.
enum class TModelPart : std::uint8_t { FirstMesh, Whole };

struct TModelSource {
    std::string FileName;                // gives the model's folder and, whole, its name
    std::span<const std::uint8_t> Bytes; // the whole file
    // Reads a file the model names (up to maxBytes of it), as ReadCompanionFile does beside the
    // model; a source without it (as the fuzz targets give) finds no such file.
    std::function<TCompanion(const std::string& name, std::size_t maxBytes)> Companion;

    TCompanion ReadCompanion(const std::string& name, std::size_t maxBytes) const {
        return Companion ? Companion(name, maxBytes) : TCompanion{};
    }
};

} // namespace Plexa3DFormats
