#include "PlyReader.h"

#include "GraphErrors.h"

namespace Plexa3DFormats {

std::string ReadPly(const TModelSource&, TModelPart, TModelBuilder&) {
    throw ZuveloGraphLibrary::RuntimeError("Ply files cannot be read yet");
}

} // namespace Plexa3DFormats
