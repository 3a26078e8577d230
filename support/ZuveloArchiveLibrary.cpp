#include "ZuveloArchiveLibrary.h"

#include "ZuveloStringLibrary.h"

namespace ZuveloArchiveLibrary {

std::string ExtractPath(const std::string& Path) {
    auto i = static_cast<long long>(Path.size());
    while (i > 1 && Path[static_cast<std::size_t>(i - 1)] != '\\') {
        --i;
    }
    return ZuveloStringLibrary::CopyRange(Path, 1, i);
}

} // namespace ZuveloArchiveLibrary
