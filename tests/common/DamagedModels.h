// A real model damaged in one vertex, beside the same model as it should then be drawn: the
// faces that use the damaged vertex left out (the vertex itself kept, finite, and unused), or
// without the far unused vertex that the damaged copy adds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Plexa3DTest {

struct TDamagedModel {
    std::string Label;
    std::vector<std::uint8_t> Damaged;
    std::vector<std::uint8_t> Sound;
    std::int32_t Vertex = 0; // the damaged vertex, counted from 1, where the two may differ
};

// Damaged copies of the first mesh of a file: one NaN vertex, one vertex infinite on one axis,
// and one unused vertex at 3e38.
std::vector<TDamagedModel> DamagedModels(const std::string& file);

} // namespace Plexa3DTest
