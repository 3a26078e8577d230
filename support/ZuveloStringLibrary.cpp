#include "ZuveloStringLibrary.h"

#include <algorithm>

namespace ZuveloStringLibrary {

std::string CopyRange(const std::string& S, long long Start, long long Finish) {
    Finish = std::min(Finish, static_cast<long long>(S.size()));
    if (Start < 1 || Finish < Start) {
        return {};
    }
    return S.substr(static_cast<std::size_t>(Start - 1),
                    static_cast<std::size_t>(Finish - Start + 1));
}

bool IsDigit(char C) {
    return C >= '0' && C <= '9';
}

bool IsNumber(const std::string& S) {
    return !S.empty() && std::all_of(S.begin(), S.end(), IsDigit);
}

} // namespace ZuveloStringLibrary
