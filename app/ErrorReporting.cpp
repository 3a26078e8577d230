#include "ErrorReporting.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace Plexa3DApp {
namespace {

TErrorDisplay Display = TErrorDisplay::MessageBox;
int Shown = 0;

// What a stopping signal writes, made before any signal can come: the line up to the signal.
constexpr std::size_t StopLineSize = 1024;
char StopLine[StopLineSize];
std::size_t StopLineLength = 0;
struct TStopSignal {
    int Number;
    const char* Name;
    struct sigaction Before;
};
TStopSignal StopSignals[] = {
    {SIGSEGV, "SIGSEGV", {}}, {SIGBUS, "SIGBUS", {}},   {SIGFPE, "SIGFPE", {}},
    {SIGILL, "SIGILL", {}},   {SIGABRT, "SIGABRT", {}}, {SIGTERM, "SIGTERM", {}},
    {SIGINT, "SIGINT", {}},   {SIGHUP, "SIGHUP", {}},   {SIGQUIT, "SIGQUIT", {}},
    {SIGXCPU, "SIGXCPU", {}}, {SIGXFSZ, "SIGXFSZ", {}}};

// Only calls that are safe in a signal handler.
void Stopped(int number) {
    for (TStopSignal& s : StopSignals) {
        if (s.Number != number) {
            continue;
        }
        char line[StopLineSize + 64];
        std::memcpy(line, StopLine, StopLineLength);
        std::size_t at = StopLineLength;
        char digits[12];
        std::size_t count = 0;
        for (int n = number; n > 0 || count == 0; n /= 10) {
            digits[count++] = char('0' + n % 10);
        }
        while (count > 0) {
            line[at++] = digits[--count];
        }
        line[at++] = ' ';
        line[at++] = '(';
        for (const char* c = s.Name; *c != 0; ++c) {
            line[at++] = *c;
        }
        line[at++] = ')';
        line[at++] = '\n';
        [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line, at);
        sigaction(number, &s.Before, nullptr);
        raise(number); // to the handler it had before, when this one returns
        return;
    }
}

} // namespace

void SetErrorDisplay(TErrorDisplay display) {
    Display = display;
}

TErrorDisplay ErrorDisplay() {
    return Display;
}

int ErrorsShown() {
    return Shown;
}

void TellWhenStoppedBySignal(const QString& subject) {
    const QByteArray line =
        ("plexa3d: " + subject + QStringLiteral(": stopped by signal ")).toLocal8Bit();
    StopLineLength = std::min<std::size_t>(std::size_t(line.size()), StopLineSize);
    std::memcpy(StopLine, line.constData(), StopLineLength);
    for (TStopSignal& s : StopSignals) {
        struct sigaction action {};
        sigaction(s.Number, nullptr, &s.Before);
        if (s.Before.sa_handler == SIG_IGN) {
            continue; // a signal the caller ignores stays ignored
        }
        action.sa_handler = Stopped;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_NODEFER;
        sigaction(s.Number, &action, nullptr);
    }
}

void ShowNotice(const QString& text) {
    if (Display == TErrorDisplay::StandardError) {
        std::fprintf(stderr, "plexa3d: %s\n", text.toLocal8Bit().constData());
    }
}

void ShowErrorMessage(const QString& text) {
    ++Shown;
    if (Display == TErrorDisplay::StandardError) {
        std::fprintf(stderr, "plexa3d: %s\n", text.toLocal8Bit().constData());
        return;
    }
    QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorMessage"));
    box.exec();
}

} // namespace Plexa3DApp
