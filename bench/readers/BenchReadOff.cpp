// The OFF reader on a model of about a million faces beside the reading of the file's bytes
// (SheetModel.h). The vertices carry texture coordinates (STOFF).
#include "SheetModel.h"
#include "WriterOff.h"

namespace {
namespace bench_read_off {

using namespace Plexa3DBench;

TBenchFile Off("sheets.off", [] { return Plexa3DTools::OffFile(SheetModel(), {.Word = "STOFF"}); });

const bool Registered = RegisterReaderBenchmarks("OFF", Off);

} // namespace bench_read_off
} // namespace
