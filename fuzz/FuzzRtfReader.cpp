// Feeds arbitrary bytes to the RTF reader and checks what every document it returns promises:
// runs hold valid, non-empty UTF-8 without a paragraph break, neighbouring runs differ in format
// and font sizes stay in range.
#include "RtfReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckParagraph(const Plexa3DRtf::TRtfParagraph& paragraph) {
    for (std::size_t i = 0; i < paragraph.Runs.size(); ++i) {
        const auto& run = paragraph.Runs[i];
        Check(!run.Text.empty() && Plexa3DRtf::IsValidUtf8(run.Text));
        Check(run.Text.find_first_of("\r\n") == std::string::npos);
        Check(run.Format.HalfPoints >= Plexa3DRtf::MinHalfPoints &&
              run.Format.HalfPoints <= Plexa3DRtf::MaxHalfPoints);
        Check(i == 0 || !(paragraph.Runs[i - 1].Format == run.Format));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Plexa3DRtf::TRtfDocument document = Plexa3DRtf::ReadRtf(bytes);
    for (const auto& paragraph : document.Paragraphs) {
        CheckParagraph(paragraph);
    }
    return 0;
}
