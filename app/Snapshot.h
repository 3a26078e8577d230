// Writes every pane's bitmap as a lossless PNG: DIR/Image1.png to DIR/Image5.png.
#pragma once

#include <QString>

namespace Plexa3DApp {

class TForm1;

// Raises an error naming the file that could not be written.
void WriteSnapshot(TForm1& form, const QString& folder);

} // namespace Plexa3DApp
