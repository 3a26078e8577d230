#include "GltfReader.h"

#include "GraphErrors.h"

namespace Plexa3DFormats {

std::string ReadGltf(const TModelSource&, TModelPart, TModelBuilder&) {
    throw ZuveloGraphLibrary::RuntimeError("Gltf files cannot be read yet");
}

} // namespace Plexa3DFormats
