// A writer of glTF files for the tests, the fuzz seeds and the benchmarks (to be written).
#pragma once

namespace Plexa3DTools {} // namespace Plexa3DTools
