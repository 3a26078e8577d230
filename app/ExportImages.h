// The images an export writes with a model: found beside the model as the import finds them, or
// held in it; as they are, or for glTF as PNG or JPEG (any other image is decoded as the surfaces
// decode it and saved as PNG).
#pragma once

#include "ExportModel.h"
#include "ModelLooks.h"

#include <string>

namespace Plexa3DApp {

Plexa3DFormats::TExportImages ExportImagesOf(const std::string& modelFile,
                                             const ZuveloGraphLibrary::TModelLooks& looks);

// Reads the whole model of `input` and exports it to `output`, which names the format. Raises the
// reader's and the writer's errors; a model with no face is refused. Returns what to tell.
Plexa3DFormats::TExportReport ExportModelFile(const std::string& input, const std::string& output);

} // namespace Plexa3DApp
