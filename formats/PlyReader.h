// (to be written)
#pragma once

#include "ModelBuilder.h"
#include "ModelSource.h"

#include <string>

namespace Plexa3DFormats {

// Fills the builder from the source and returns the name of the mesh read, for the first mesh
// (empty: the record is named after the file). Raises RuntimeError for a file it cannot read.
std::string ReadPly(const TModelSource& source, TModelPart part, TModelBuilder& builder);

} // namespace Plexa3DFormats
