// Shows what RtfReader.h read in a QTextDocument, e.g. the one of the licence window's QTextEdit.
#pragma once

#include "RtfReader.h"

class QTextDocument;

namespace Plexa3DRtf {

// Replaces the content of `document` with one block per paragraph of `rtf`, each run with its
// weight, slant, underline, point size and, unless automatic, its colour.
void FillDocument(QTextDocument& document, const TRtfDocument& rtf);

} // namespace Plexa3DRtf
