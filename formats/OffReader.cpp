#include "OffReader.h"

#include "GraphErrors.h"

namespace Plexa3DFormats {

std::string ReadOff(const TModelSource&, TModelPart, TModelBuilder&) {
    throw ZuveloGraphLibrary::RuntimeError("Off files cannot be read yet");
}

} // namespace Plexa3DFormats
