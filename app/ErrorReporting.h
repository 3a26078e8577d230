// Errors raised inside an event handler are caught in one place, RunGuarded, which shows their
// text in an error message box (or on standard error when the program runs without a display)
// and lets the event loop go on. Every handler of every window is connected through Guarded.
#pragma once

#include <QString>

#include <exception>
#include <utility>

namespace Plexa3DApp {

enum class TErrorDisplay { MessageBox, StandardError };

void SetErrorDisplay(TErrorDisplay display);
TErrorDisplay ErrorDisplay();
// How many errors have been shown since the program started.
int ErrorsShown();

void ShowErrorMessage(const QString& text);

// Something worth knowing that is no error (an image a model names that could not be shown):
// written on standard error when errors are, and left to the windows to show otherwise. It does
// not count as an error.
void ShowNotice(const QString& text);

// From now on, a signal that would end the program without a word (a crash, a limit reached, or
// being told to stop) first writes "plexa3d: <subject>: stopped by signal <number> (<name>)" on
// standard error, then takes its course as it would have: a program that makes a file for others
// (a thumbnail) never ends without saying why.
void TellWhenStoppedBySignal(const QString& subject);

// Runs the handler; an exception it raises is shown and goes no further. Returns false then.
template <class Handler> bool RunGuarded(Handler&& handler) noexcept {
    QString text;
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const std::exception& error) {
        text = QString::fromUtf8(error.what());
    } catch (...) {
        text = QStringLiteral("Unknown error");
    }
    ShowErrorMessage(text);
    return false;
}

// A slot that runs a member handler under RunGuarded, for connect().
template <class Window, class... Args>
auto Guarded(Window* window, void (Window::*handler)(Args...)) {
    return [window, handler](Args... args) { RunGuarded([&] { (window->*handler)(args...); }); };
}

} // namespace Plexa3DApp
