// The runtime errors of the system. Every failure is raised as one of these exceptions; its
// message is the text that the user sees in the error message box.
#pragma once

#include <stdexcept>
#include <string>

namespace ZuveloGraphLibrary {

class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Input/output error with its code: 2 "File not found", 3 "Invalid filename",
// 4 "Too many open files", 5 "File access denied", any other code "I/O error <code>".
class InOutError : public RuntimeError {
public:
    explicit InOutError(int code);
    // The error of a failed system call, from its errno value.
    static InOutError FromErrno(int err);
    int Code() const noexcept { return code_; }

private:
    InOutError(int code, const std::string& text);
    int code_;
};

class OutOfMemoryError : public RuntimeError {
public:
    OutOfMemoryError();
};

enum class FloatFault { InvalidOperation, DivisionByZero, Overflow };

class FloatingPointError : public RuntimeError {
public:
    explicit FloatingPointError(FloatFault fault);
    FloatFault Fault() const noexcept { return fault_; }

private:
    FloatFault fault_;
};

// Raises FloatingPointError(InvalidOperation); out of line, for the drawing loops' rare failures.
[[noreturn]] void RaiseInvalidOperation();

} // namespace ZuveloGraphLibrary
