// The STL reader on a model of about a million faces, binary and ASCII, beside the reading of
// the file's bytes (SheetModel.h).
#include "SheetModel.h"
#include "WriterStl.h"

namespace {
namespace bench_read_stl {

using namespace Plexa3DBench;

TBenchFile Binary("sheets.stl", [] { return Plexa3DTools::StlFile(SheetModel()); });
TBenchFile Ascii("sheets-ascii.stl",
                 [] { return Plexa3DTools::StlFile(SheetModel(), {.Ascii = true}); });

const bool Registered =
    RegisterReaderBenchmarks("STL/binary", Binary) && RegisterReaderBenchmarks("STL/ascii", Ascii);

} // namespace bench_read_stl
} // namespace
