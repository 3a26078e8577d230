#include "StlReader.h"

#include "GraphErrors.h"

namespace Plexa3DFormats {

std::string ReadStl(const TModelSource&, TModelPart, TModelBuilder&) {
    throw ZuveloGraphLibrary::RuntimeError("Stl files cannot be read yet");
}

} // namespace Plexa3DFormats
