// Run formats for the RTF tests, written as letters.
#pragma once

#include "RtfReader.h"

#include <optional>
#include <string_view>

namespace Plexa3DTest {

// A format from letters b, i, u (bold, italic, underline), a size and a colour.
inline Plexa3DRtf::TRtfFormat Format(std::string_view styles,
                                     int halfPoints = Plexa3DRtf::DefaultHalfPoints,
                                     std::optional<Plexa3DRtf::TRgb> color = {}) {
    const auto has = [&](char c) { return styles.find(c) != std::string_view::npos; };
    return {has('b'), has('i'), has('u'), halfPoints, color};
}

} // namespace Plexa3DTest
