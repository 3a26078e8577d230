// The PLY reader on a model of about a million faces, binary and ASCII, beside the reading of
// the file's bytes (SheetModel.h). The vertices carry mapping coordinates.
#include "SheetModel.h"
#include "WriterPly.h"

namespace {
namespace bench_read_ply {

using namespace Plexa3DBench;
using Plexa3DTools::TPlyEncoding;

TBenchFile Binary("sheets.ply", [] {
    return Plexa3DTools::PlyFile(SheetModel(), {.Encoding = TPlyEncoding::LittleEndian});
});
TBenchFile Ascii("sheets-ascii.ply", [] { return Plexa3DTools::PlyFile(SheetModel()); });

const bool Registered =
    RegisterReaderBenchmarks("PLY/binary", Binary) && RegisterReaderBenchmarks("PLY/ascii", Ascii);

} // namespace bench_read_ply
} // namespace
