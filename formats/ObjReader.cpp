#include "ObjReader.h"

#include "GraphErrors.h"

namespace Plexa3DFormats {

std::string ReadObj(const TModelSource&, TModelPart, TModelBuilder&) {
    throw ZuveloGraphLibrary::RuntimeError("Obj files cannot be read yet");
}

} // namespace Plexa3DFormats
