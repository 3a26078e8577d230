#include "GraphErrors.h"

#include <cerrno>

namespace ZuveloGraphLibrary {
namespace {

std::string InOutText(int code) {
    switch (code) {
    case 2:
        return "File not found";
    case 3:
        return "Invalid filename";
    case 4:
        return "Too many open files";
    case 5:
        return "File access denied";
    default:
        return "I/O error " + std::to_string(code);
    }
}

const char* FloatText(FloatFault fault) {
    switch (fault) {
    case FloatFault::InvalidOperation:
        return "Invalid floating point operation";
    case FloatFault::DivisionByZero:
        return "Floating point division by zero";
    case FloatFault::Overflow:
        return "Floating point overflow";
    }
    return "Invalid floating point operation";
}

} // namespace

InOutError::InOutError(int code) : InOutError(code, InOutText(code)) {}

InOutError::InOutError(int code, const std::string& text) : RuntimeError(text), code_(code) {}

InOutError InOutError::FromErrno(int err) {
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return InOutError(2);
    case ENAMETOOLONG:
        return InOutError(3);
    case EMFILE:
    case ENFILE:
        return InOutError(4);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return InOutError(5);
    default:
        // errno values that coincide with the codes 2 to 5 (EIO is 5) keep the generic text,
        // so that a hardware error is never reported as a permission problem.
        return InOutError(err, "I/O error " + std::to_string(err));
    }
}

OutOfMemoryError::OutOfMemoryError() : RuntimeError("Out of memory") {}

FloatingPointError::FloatingPointError(FloatFault fault)
    : RuntimeError(FloatText(fault)), fault_(fault) {}

void RaiseInvalidOperation() {
    throw FloatingPointError(FloatFault::InvalidOperation);
}

} // namespace ZuveloGraphLibrary
