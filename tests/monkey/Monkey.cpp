// The GUI monkey: starts its own Xvfb and the real program on it, and drives the program with
// random but repeatable input through the X test extension only: keys, mouse buttons 1 to 3, the
// wheel and drags, over every window the program shows. An event is one click, key press (a
// menu choice from the keyboard is several), step of the wheel, drag or name typed in a dialog.
// Every few hundred events it checks that the program is alive and answers, that no sanitizer
// report has been written and that every state line the program traced is sound. A failure names
// the seed and the last events.
//
//   plexa3d_monkey --program FILE [--seed N] [--events N] [--seconds S] [--min-events N]
//                  [--models DIR]... [--scenario random|licence-paste] [--keep]
//
// The program runs with an empty home folder (which must stay empty), with a PATH that holds
// only a stand-in for xdg-open (so that the website and e-mail buttons open nothing), and in a
// folder of generated models: good ones, damaged ones, a folder named like a model, and names of
// models that do not exist; beside them, copies of the --models folders' .3DS files, and of each
// --models folder that holds models of the other formats. Inside a file dialog the monkey only
// types those names, presses Return or cancels: nothing else in the dialog is touched, so it never
// creates, renames or deletes files.
#include "Writer3DS.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int ScreenWidth = 1280;
constexpr int ScreenHeight = 1024;
constexpr int CheckEvery = 250;               // events between two checks
constexpr int TextCheckEvery = 400;           // events between two checks of the text box
constexpr int PaceMilliseconds = 4;           // pause after every event
constexpr int MenuOpenMilliseconds = 40;      // time for a menu to open before keys go to it
constexpr int MenuPatienceMilliseconds = 400; // for a random menu command's menus to open
constexpr int AnswerSeconds = 30;             // how long the program may take to answer a check
constexpr int TextSettleSeconds = 10;         // how long typed keys may take to reach the text box
constexpr int MaxObjects = 255;
const char* const MainTitle = "Zuvelo Omarin Plexa3D V 0.1";
const char* const MessageTitle = "Plexa3D"; // the error message boxes
// The text box under "Funzioni Testo 2D" and a point over the free view in either layout, from the
// main window's top-left corner (the menu bar included); what is typed into the box there.
constexpr int TextBoxX = 878, TextBoxY = 468;
constexpr int FreeViewX = 600, FreeViewY = 470;
const char* const KnownText = "fa+b-c=F 42";
const char* const InfoTitles[] = {"Form_Plexa3d_Guida", "Informazioni Autore Software",
                                  "Informazione Siti Web", "E-Mail", "Form_Plexa3d_Licenza"};

struct TOptions {
    std::string Program;
    std::uint64_t Seed = 1;
    long Events = 2000;
    double Seconds = 0; // 0: no time limit
    long MinEvents = 0;
    std::vector<std::string> ModelDirs;
    std::string Scenario = "random";
    bool Keep = false;
};

struct TFailure {
    std::string Reason;
};

[[noreturn]] void Fail(const std::string& reason) {
    throw TFailure{reason};
}

void Pause(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Repeatable across standard libraries: only the engine's raw output is used.
class TRandom {
public:
    explicit TRandom(std::uint64_t seed) : engine_(seed) {}
    int Pick(int n) { return n <= 1 ? 0 : static_cast<int>(engine_() % std::uint64_t(n)); }
    int Between(int low, int high) { return low + Pick(high - low + 1); }
    bool Chance(int percent) { return Pick(100) < percent; }

private:
    std::mt19937_64 engine_;
};

// ---- The models the dialog is given ------------------------------------------------------

using Plexa3DTools::MeshFile;
using Plexa3DTools::TMeshSpec;
using Plexa3DTools::WriteBytes;

TMeshSpec Cube(const std::string& name, float size) {
    TMeshSpec cube{name, {}, {}};
    for (int i = 0; i < 8; ++i) {
        cube.Vertices.push_back({i & 1 ? size : -size, i & 2 ? size : -size, i & 4 ? size : -size});
    }
    cube.Faces = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                  {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
    return cube;
}

// Writes good, damaged and strange models into dir and returns every name to offer the dialog,
// including names that do not exist.
std::vector<std::string> MakeModels(const fs::path& dir, const std::vector<std::string>& copyFrom,
                                    TRandom& random) {
    fs::create_directories(dir);
    std::vector<std::string> names;
    const auto write = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteBytes((dir / name).string(), bytes);
        names.push_back((dir / name).string());
    };
    const std::vector<std::uint8_t> cube = MeshFile({Cube("Cubo", 20)});
    write("cubo.3ds", cube);
    write("grande.3ds", MeshFile({Cube("Grande", 4000)}));
    write("punto.3ds", MeshFile({{"Punto", {{0, 0, 0}}, {}}}));
    write("due.3ds", MeshFile({Cube("Primo", 10), Cube("Secondo", 30)}));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    write("nan.3ds", MeshFile({{"NaN", {{nan, 0, 0}, {0, inf, 0}, {0, 0, -inf}}, {{0, 1, 2}}}}));
    write("facce.3ds", MeshFile({{"Facce", {{0, 0, 0}, {9, 0, 0}}, {{0, 1, 7}, {65535, 0, 1}}}}));
    for (std::size_t cut :
         {std::size_t(0), std::size_t(3), std::size_t(6), cube.size() / 2, cube.size() - 1}) {
        write("tronco" + std::to_string(cut) + ".3ds",
              std::vector<std::uint8_t>(cube.begin(), cube.begin() + std::ptrdiff_t(cut)));
    }
    for (int i = 0; i < 6; ++i) {
        std::vector<std::uint8_t> flipped = cube;
        for (int flips = 0; flips < 1 + i; ++flips) {
            flipped[std::size_t(random.Pick(int(flipped.size())))] ^=
                std::uint8_t(1u << random.Pick(8));
        }
        write("guasto" + std::to_string(i) + ".3ds", flipped);
    }
    std::vector<std::uint8_t> longChunk = cube;
    longChunk[2] = longChunk[3] = longChunk[4] = 0xff;
    longChunk[5] = 0x7f;
    write("lungo.3ds", longChunk);
    {
        std::ofstream(dir / "testo.3ds") << "non un modello\n";
        names.push_back((dir / "testo.3ds").string());
    }
    fs::create_directories(dir / "cartella.3ds");
    names.push_back((dir / "cartella.3ds").string());
    names.push_back((dir / "mancante.3ds").string());
    names.push_back((dir / "nessuna" / "cartella" / "x.3ds").string());
    int copied = 0;
    for (const std::string& from : copyFrom) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(from, error)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".3ds" || ext == ".3DS")) {
                const fs::path to = dir / ("copia" + std::to_string(++copied) + ".3ds");
                fs::copy_file(entry.path(), to, error);
                names.push_back(to.string());
            }
        }
    }
    // Models of the other formats anywhere under a folder: the folder is copied whole, so that
    // each keeps the material libraries, buffers and images beside it that it names. At most as
    // many of them as of the names above are offered, chosen at random, so that the .3DS ones
    // keep at least half of the dialog's turns.
    std::vector<std::string> others;
    int folders = 0;
    for (const std::string& from : copyFrom) {
        std::vector<fs::path> found;
        std::error_code error;
        for (auto entry = fs::recursive_directory_iterator(from, error);
             !error && entry != fs::recursive_directory_iterator(); entry.increment(error)) {
            std::string ext = entry->path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(),
                           [](unsigned char c) { return char(std::tolower(c)); });
            if (entry->is_regular_file() && (ext == ".obj" || ext == ".stl" || ext == ".ply" ||
                                             ext == ".off" || ext == ".gltf" || ext == ".glb")) {
                found.push_back(fs::relative(entry->path(), from));
            }
        }
        if (found.empty()) {
            continue;
        }
        const fs::path to = dir / ("formati" + std::to_string(++folders));
        fs::copy(from, to, fs::copy_options::recursive, error);
        for (const fs::path& model : found) {
            others.push_back((to / model).string());
        }
    }
    for (std::size_t i = others.size(); i > 1; --i) {
        std::swap(others[i - 1], others[std::size_t(random.Pick(int(i)))]);
    }
    others.resize(std::min(others.size(), names.size()));
    names.insert(names.end(), others.begin(), others.end());
    return names;
}

// ---- The X server, the program and the input ------------------------------------------------

struct TChild {
    pid_t Pid = -1;
    void Stop() {
        if (Pid > 0) {
            kill(Pid, SIGKILL);
            waitpid(Pid, nullptr, 0);
            Pid = -1;
        }
    }
};

// Starts a fresh Xvfb on a free display and returns its number.
int StartXvfb(TChild& server) {
    int ready[2];
    if (pipe(ready) != 0) {
        Fail("cannot make a pipe");
    }
    server.Pid = fork();
    if (server.Pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL); // also when the monkey itself is killed
        close(ready[0]);
        const std::string fd = std::to_string(ready[1]);
        const std::string screen =
            std::to_string(ScreenWidth) + "x" + std::to_string(ScreenHeight) + "x24";
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
               "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    char c;
    while (read(ready[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(ready[0]);
    if (number.empty()) {
        Fail("Xvfb did not start (is it installed?)");
    }
    return std::stoi(number);
}

class TDisplay {
public:
    explicit TDisplay(int number) {
        name_ = ":" + std::to_string(number);
        display_ = XOpenDisplay(name_.c_str());
        if (!display_) {
            Fail("cannot open display " + name_);
        }
        int event, error, major, minor;
        if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
            Fail("the X server has no XTEST extension");
        }
        // A window may go between listing it and asking about it: such errors are expected.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        root_ = DefaultRootWindow(display_);
        XSelectInput(display_, root_, StructureNotifyMask); // where the ping answers go
        pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
        protocolsAtom_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        pingAtom_ = XInternAtom(display_, "_NET_WM_PING", False);
        deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    }
    ~TDisplay() { XCloseDisplay(display_); }

    const std::string& Name() const { return name_; }

    struct TWindow {
        Window Id;
        std::string Title;
        int X, Y, Width, Height;
        bool Popup; // menus, lists and tips: override-redirect windows
    };

    // The program's windows that are on screen, in stacking order (topmost last).
    std::vector<TWindow> Windows(pid_t pid) {
        std::vector<TWindow> found;
        Window rootReturn, parent, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) {
            return found;
        }
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable ||
                a.width < 8 || a.height < 8 || WindowPid(children[i]) != pid) {
                continue;
            }
            char* title = nullptr;
            XFetchName(display_, children[i], &title);
            found.push_back({children[i], title ? title : "", a.x, a.y, a.width, a.height,
                             a.override_redirect != 0});
            XFree(title);
        }
        XFree(children);
        return found;
    }

    void Move(int x, int y) {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        Sync();
    }
    void Button(unsigned button, bool down) {
        XTestFakeButtonEvent(display_, button, down, CurrentTime);
        Sync();
    }
    void Click(unsigned button) {
        Button(button, true);
        Button(button, false);
    }
    void Key(KeySym symbol, bool down) {
        const KeyCode code = XKeysymToKeycode(display_, symbol);
        if (code != 0) {
            XTestFakeKeyEvent(display_, code, down, CurrentTime);
            Sync();
        }
    }
    void Press(KeySym symbol, std::vector<KeySym> modifiers = {}) {
        for (KeySym m : modifiers) {
            Key(m, true);
        }
        Key(symbol, true);
        Key(symbol, false);
        for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) {
            Key(*m, false);
        }
    }
    void Type(const std::string& text) {
        for (const char c : text) {
            const KeySym symbol = CharSymbol(c);
            const KeyCode code = XKeysymToKeycode(display_, symbol);
            const bool shifted = code != 0 && XkbKeycodeToKeysym(display_, code, 0, 0) != symbol;
            Press(symbol, shifted ? std::vector<KeySym>{XK_Shift_L} : std::vector<KeySym>{});
        }
    }

    // Whether the keyboard's focus is on the window (without a window manager, the program sets
    // it when one of its windows is clicked).
    bool HasFocus(Window window) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        return focus == window;
    }

    // Without a window manager nobody gives the focus back when a window closes: it falls to the
    // root, and keys reach no window. A window manager would give it to the window left on top;
    // so does this, when the focus is neither on that window nor on one above it.
    void FocusIfLost(Window window, const std::vector<TWindow>& programs) {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(display_, &focus, &revert);
        const auto at = std::find_if(programs.begin(), programs.end(),
                                     [&](const TWindow& w) { return w.Id == window; });
        const bool lost =
            std::none_of(at, programs.end(), [&](const TWindow& w) { return w.Id == focus; });
        if (lost) {
            XSetInputFocus(display_, window, RevertToParent, CurrentTime);
            XSync(display_, False);
        }
    }

    // What a window manager sends when the user clicks a window's close button.
    void AskToClose(Window window) { SendProtocol(window, deleteAtom_, window); }

    // Sends _NET_WM_PING and waits for the answer, which the toolkit gives from its event loop.
    bool Answers(Window window, int seconds) {
        const long stamp = ++pings_;
        SendProtocol(window, pingAtom_, window, stamp);
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            while (XPending(display_)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == ClientMessage && event.xclient.message_type == protocolsAtom_ &&
                    Atom(event.xclient.data.l[0]) == pingAtom_ &&
                    event.xclient.data.l[1] == stamp) {
                    return true;
                }
            }
            Pause(20);
        }
        return false;
    }

private:
    static KeySym CharSymbol(char c) {
        switch (c) {
        case '/':
            return XK_slash;
        case '.':
            return XK_period;
        case '-':
            return XK_minus;
        case '_':
            return XK_underscore;
        case ' ':
            return XK_space;
        default:
            return KeySym(static_cast<unsigned char>(c)); // Latin-1 keysyms are the codes
        }
    }
    pid_t WindowPid(Window window) {
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char* data = nullptr;
        pid_t pid = -1;
        if (XGetWindowProperty(display_, window, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data && items == 1) {
            pid = pid_t(*reinterpret_cast<unsigned long*>(data));
        }
        XFree(data);
        return pid;
    }
    void SendProtocol(Window window, Atom protocol, Window about, long stamp = CurrentTime) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = protocolsAtom_;
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(protocol);
        event.xclient.data.l[1] = stamp;
        event.xclient.data.l[2] = long(about);
        XSendEvent(display_, window, False, NoEventMask, &event);
        Sync();
    }
    void Sync() { XSync(display_, False); }

    std::string name_;
    Display* display_ = nullptr;
    Window root_ = 0;
    Atom pidAtom_, protocolsAtom_, pingAtom_, deleteAtom_;
    long pings_ = 0;
};

// ---- The program under test ----------------------------------------------------------------

class TProgram {
public:
    TProgram(const TOptions& options, const fs::path& work, const std::string& display)
        : options_(options), work_(work), display_(display) {}
    ~TProgram() { child_.Stop(); }

    pid_t Pid() const { return child_.Pid; }
    const fs::path& Reports() const { return reports_; }
    long StateLines() const { return stateLines_; }
    int MostObjects() const { return mostObjects_; }
    const std::string& LastText() const { return lastText_; } // the text box's, as last traced
    // Reads what has been traced so far and forgets the text box's text.
    void ForgetText() {
        CheckStateLines();
        lastText_.clear();
    }

    void Start() {
        fs::create_directories(work_ / "home");
        fs::create_directories(work_ / "runtime");
        fs::permissions(work_ / "runtime", fs::perms::owner_all);
        fs::create_directories(reports_);
        child_.Pid = fork();
        if (child_.Pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int log = open(stderrLog_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(log, STDERR_FILENO);
            dup2(log, STDOUT_FILENO);
            if (chdir((work_ / "models").c_str()) != 0) {
                _exit(126);
            }
            for (const char* name :
                 {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "BROWSER",
                  "DEFAULT_BROWSER", "DESKTOP_SESSION", "XDG_CURRENT_DESKTOP", "SESSION_MANAGER",
                  "XAUTHORITY"}) {
                unsetenv(name);
            }
            setenv("DISPLAY", display_.c_str(), 1);
            setenv("HOME", (work_ / "home").c_str(), 1);
            setenv("XDG_CONFIG_HOME", (work_ / "home" / ".config").c_str(), 1);
            setenv("XDG_RUNTIME_DIR", (work_ / "runtime").c_str(), 1);
            setenv("PATH", (work_ / "bin").c_str(), 1);
            setenv("PLEXA3D_STATE_TRACE", "1", 1);
            // LeakSanitizer lists the suppressions it matched at every exit, into the report
            // folder; that list is no report. The user's own options come after, and win.
            for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
                const char* old = getenv(name);
                std::string value = std::strcmp(name, "LSAN_OPTIONS") == 0
                                        ? std::string("print_suppressions=0:")
                                        : std::string();
                value += old ? std::string(old) + ":" : std::string();
                value += "log_path=" + (reports_ / "report").string();
                setenv(name, value.c_str(), 1);
            }
            execl(options_.Program.c_str(), options_.Program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // Status of the program if it has ended, nothing while it runs.
    std::optional<int> Ended() {
        int status = 0;
        if (child_.Pid <= 0) {
            return 0;
        }
        if (waitpid(child_.Pid, &status, WNOHANG) != child_.Pid) {
            return std::nullopt;
        }
        child_.Pid = -1;
        return status;
    }

    std::optional<int> WaitForEnd(int seconds) {
        const auto end = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < end) {
            if (auto status = Ended()) {
                return status;
            }
            Pause(50);
        }
        return std::nullopt;
    }

    // Reads the state lines written since the last call and checks each.
    void CheckStateLines() {
        std::ifstream log(stderrLog_);
        log.seekg(std::streamoff(readUpTo_));
        static const std::regex line(
            R"(plexa3d-state: objects=(\d+) rows=(\d+) current=(\d+) rest=(\d+))");
        static const std::string textLine = "plexa3d-text: Edit1=";
        std::string text;
        while (std::getline(log, text)) {
            if (log.eof()) {
                break; // a line still being written is read next time
            }
            readUpTo_ += std::streamoff(text.size() + 1);
            if (text.rfind(textLine, 0) == 0) {
                lastText_ = text.substr(textLine.size());
                continue;
            }
            std::smatch m;
            if (!std::regex_search(text, m, line)) {
                continue;
            }
            ++stateLines_;
            const int objects = std::stoi(m[1]), rows = std::stoi(m[2]), rest = std::stoi(m[4]);
            mostObjects_ = std::max(mostObjects_, objects);
            if (objects > MaxObjects || rows != objects + 2 || rest != 1) {
                Fail("unsound state line: " + text);
            }
        }
    }

    void CheckNoReports() {
        for (const auto& entry : fs::directory_iterator(reports_)) {
            std::ifstream report(entry.path());
            std::stringstream text;
            text << report.rdbuf();
            Fail("sanitizer report " + entry.path().string() + ":\n" + text.str());
        }
    }

    std::string StderrTail(std::size_t lines) const {
        std::ifstream log(stderrLog_);
        std::deque<std::string> tail;
        std::string text;
        while (std::getline(log, text)) {
            tail.push_back(text);
            if (tail.size() > lines) {
                tail.pop_front();
            }
        }
        std::string joined;
        for (const std::string& t : tail) {
            joined += "    " + t + "\n";
        }
        return joined;
    }

private:
    const TOptions& options_;
    fs::path work_;
    std::string display_;
    fs::path reports_ = work_ / "reports";
    fs::path stderrLog_ = work_ / "stderr.log";
    TChild child_;
    std::streamoff readUpTo_ = 0;
    long stateLines_ = 0;
    int mostObjects_ = 0;
    std::string lastText_;
};

// ---- The monkey ----------------------------------------------------------------------------

class TMonkey {
public:
    // Every event is also written to the file log, with its time.
    TMonkey(TDisplay& display, TProgram& program, std::vector<std::string> models,
            const fs::path& log, std::uint64_t seed)
        : x_(display), program_(program), models_(std::move(models)), random_(seed),
          eventLog_(log) {}

    long Events() const { return events_; }
    long Checks() const { return checks_; }
    int Restarts() const { return restarts_; }
    long Imports() const { return imports_; }
    long TextChecks() const { return textChecks_; }

    void WaitForMainWindow() {
        const auto end = Clock::now() + std::chrono::seconds(AnswerSeconds);
        while (Clock::now() < end) {
            if (Find(MainTitle)) {
                return;
            }
            if (auto status = program_.Ended()) {
                Fail("the program ended at start-up, " + Describe(*status));
            }
            Pause(50);
        }
        Fail("the main window did not appear");
    }

    void Check() {
        ++checks_;
        auto main = Find(MainTitle);
        std::optional<int> status = program_.Ended();
        if (!main && !status) { // ending, or worse
            status = program_.WaitForEnd(AnswerSeconds);
            if (!status) {
                Fail("the main window is gone while the program runs on");
            }
        }
        if (status) {
            if (!(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)) {
                Fail("the program ended, " + Describe(*status));
            }
            // File, "Esci" was chosen: a user would start the program again.
            program_.CheckNoReports();
            program_.CheckStateLines();
            ++restarts_;
            Note("the program ended normally; started again");
            program_.Start();
            WaitForMainWindow();
            return;
        }
        if (!x_.Answers(main->Id, AnswerSeconds)) {
            if (auto ended = program_.Ended()) {
                Fail("the program ended, " + Describe(*ended));
            }
            Fail("the program does not answer");
        }
        program_.CheckNoReports();
        program_.CheckStateLines();
    }

    // One random action of a user; returns after its events have been sent.
    void Step() {
        const auto windows = x_.Windows(program_.Pid());
        if (std::none_of(windows.begin(), windows.end(),
                         [](const auto& w) { return w.Title == MainTitle; })) {
            Check(); // ended (File, "Esci" or a crash) or gone: found out at once
            return;
        }
        const auto dialog = FindDialog(windows);
        if (dialog) {
            InDialog(*dialog);
            return;
        }
        if (events_ >= nextTextCheck_ && CheckTextBox(windows)) {
            nextTextCheck_ = events_ + TextCheckEvery;
            return;
        }
        const int pick = random_.Pick(100);
        if (pick < 22) {
            ClickSomewhere(windows);
        } else if (pick < 30) {
            DoubleClickSomewhere(windows);
        } else if (pick < 40) {
            DragSomewhere(windows);
        } else if (pick < 48) {
            WheelSomewhere(windows);
        } else if (pick < 60) {
            RandomKey();
        } else if (pick < 72) {
            MenuCommand();
        } else if (pick < 80) {
            Import();
        } else if (pick < 86) {
            DragScrollBar();
        } else if (pick < 92) {
            ClickGrid();
        } else {
            CloseInformationWindow(windows);
        }
    }

    // With the information windows closed, no menu open and no dialog: a click on the 2D text
    // box, the pointer moved over the free view, all selected and the known text typed. The box
    // must hold it whole: the free view takes keys only while it has the focus itself. Returns
    // false when the check could not be made (a dialog opened), to be tried again later.
    bool CheckTextBox(const std::vector<TDisplay::TWindow>& all) {
        CloseInformationWindows(all);
        for (int i = 0; i < 3 && HasPopup(); ++i) {
            x_.Press(XK_Escape);
            Pause(MenuOpenMilliseconds / 4);
        }
        // The program may still be opening a window for an earlier event: a dialog, or an
        // information window chosen from the menu. It answers a ping as soon as it has read the
        // events before it, which may be before it has handled them.
        const auto main = Find(MainTitle);
        if (!main || !x_.Answers(main->Id, AnswerSeconds) ||
            HasOtherWindow(x_.Windows(program_.Pid()))) {
            return false;
        }
        program_.ForgetText();
        x_.Move(main->X + TextBoxX, main->Y + TextBoxY);
        Event("text box: click, then \"" + std::string(KnownText) + "\" over the free view");
        x_.Click(1);
        x_.Move(main->X + FreeViewX, main->Y + FreeViewY);
        x_.Press(XK_a, {XK_Control_L});
        x_.Type(KnownText);
        events_ += long(std::strlen(KnownText)) + 2;
        if (!x_.Answers(main->Id, AnswerSeconds)) {
            return false; // found out by the next check
        }
        // The toolkit answers a ping before it has handed every earlier key to the box: the trace
        // is read until the text is whole, or for a while.
        const auto end = Clock::now() + std::chrono::seconds(TextSettleSeconds);
        program_.CheckStateLines();
        while (program_.LastText() != KnownText && Clock::now() < end) {
            Pause(MenuOpenMilliseconds);
            program_.CheckStateLines();
        }
        if (program_.LastText() != KnownText) {
            if (HasOtherWindow(x_.Windows(program_.Pid()))) {
                return false; // the keys went to a window that opened meanwhile
            }
            // No key reached the box at all: the click did not give it the focus (a popup that
            // opened meanwhile took it). A key taken by another widget leaves the box part of
            // the text, and that fails at once; a box that stays empty fails the third time.
            if (program_.LastText().empty() && ++emptyTextChecks_ < 3) {
                return false;
            }
            Fail("the text box holds \"" + program_.LastText() + "\", not \"" + KnownText + "\"");
        }
        ++textChecks_;
        emptyTextChecks_ = 0;
        return true;
    }

    // Info, "Licenza", then middle clicks and pastes into the text, with nothing to paste.
    void LicencePaste() {
        if (!MenuByKeyboard(4, 5, std::chrono::seconds(AnswerSeconds))) {
            Fail("the menus did not open");
        }
        std::optional<TDisplay::TWindow> licence;
        const auto end = Clock::now() + std::chrono::seconds(AnswerSeconds);
        while (!(licence = Find("Form_Plexa3d_Licenza")) && Clock::now() < end) {
            Pause(50);
        }
        if (!licence) {
            Fail("the licence window did not appear");
        }
        for (int i = 0; i < 3; ++i) {
            x_.Move(licence->X + licence->Width / 2, licence->Y + licence->Height / 2 + 20 * i);
            Event("middle click in the licence text");
            x_.Click(2);
        }
        x_.Press(XK_v, {XK_Control_L});
        x_.Press(XK_Insert, {XK_Shift_L});
        events_ += 2;
        x_.Type("ok");
        events_ += 2;
    }

    // File, "Esci", after closing whatever dialog, menu or list is open; the program must end
    // normally.
    void Quit() {
        std::optional<int> status;
        for (int attempt = 0; attempt < 4 && !status; ++attempt) {
            for (int i = 0; i < 5; ++i) {
                const auto windows = x_.Windows(program_.Pid());
                const auto dialog = FindDialog(windows);
                if (!dialog) {
                    break;
                }
                x_.FocusIfLost(dialog->Id, windows);
                x_.Press(XK_Escape);
                Pause(300);
            }
            x_.Press(XK_Escape);
            x_.Press(XK_Escape);
            MenuByKeyboard(0, 6);
            status = program_.WaitForEnd(attempt < 3 ? 5 : AnswerSeconds * 2);
        }
        if (!status) {
            Fail("the program did not end after File, Esci");
        }
        if (!(WIFEXITED(*status) && WEXITSTATUS(*status) == 0)) {
            Fail("the program ended after File, Esci, " + Describe(*status));
        }
        program_.CheckStateLines();
        program_.CheckNoReports();
    }

    std::string LastEvents() const {
        std::string text;
        for (const std::string& e : log_) {
            text += "    " + e + "\n";
        }
        return text;
    }

private:
    std::optional<TDisplay::TWindow> Find(const std::string& title) {
        for (const auto& w : x_.Windows(program_.Pid())) {
            if (!w.Popup && w.Title == title) {
                return w;
            }
        }
        return std::nullopt;
    }

    bool HasPopup() {
        const auto all = x_.Windows(program_.Pid());
        return std::any_of(all.begin(), all.end(), [](const auto& w) { return w.Popup; });
    }

    // The popups on screen (menus, lists, tips), in stacking order.
    std::vector<Window> Popups() {
        std::vector<Window> popups;
        for (const auto& w : x_.Windows(program_.Pid())) {
            if (w.Popup) {
                popups.push_back(w.Id);
            }
        }
        return popups;
    }

    // A popup that is on screen now and was not among those given, waited for a while.
    std::optional<Window> WaitForNewPopup(const std::vector<Window>& before,
                                          std::chrono::milliseconds patience) {
        const auto end = Clock::now() + patience;
        do {
            for (const Window w : Popups()) {
                if (std::find(before.begin(), before.end(), w) == before.end()) {
                    return w;
                }
            }
            Pause(2);
        } while (Clock::now() < end);
        return std::nullopt;
    }

    // Waits, for a while, until the popup has left the screen.
    void WaitForPopupGone(Window popup, std::chrono::milliseconds patience) {
        const auto end = Clock::now() + patience;
        for (auto now = Popups();
             std::find(now.begin(), now.end(), popup) != now.end() && Clock::now() < end;
             now = Popups()) {
            Pause(2);
        }
    }

    static bool Known(const TDisplay::TWindow& w) {
        if (w.Popup || w.Title == MainTitle) {
            return true;
        }
        for (const char* title : InfoTitles) {
            if (w.Title == title) {
                return true;
            }
        }
        return false;
    }

    // A window of the program other than the main window and the popups: an information
    // window, a file dialog or a message box.
    static bool HasOtherWindow(const std::vector<TDisplay::TWindow>& all) {
        return std::any_of(all.begin(), all.end(),
                           [](const auto& w) { return !w.Popup && w.Title != MainTitle; });
    }

    // A window other than the six of the program and its popups: a file or message dialog.
    static std::optional<TDisplay::TWindow> FindDialog(const std::vector<TDisplay::TWindow>& all) {
        for (auto w = all.rbegin(); w != all.rend(); ++w) {
            if (!Known(*w)) {
                return *w;
            }
        }
        return std::nullopt;
    }

    static std::string Describe(int status) {
        if (WIFSIGNALED(status)) {
            return "killed by signal " + std::to_string(WTERMSIG(status));
        }
        return "status " + std::to_string(WEXITSTATUS(status));
    }

    void Note(const std::string& what) {
        const double at = std::chrono::duration<double>(Clock::now() - start_).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%8.3f ", at);
        eventLog_ << stamp << what << '\n';
        log_.push_back(what);
        if (log_.size() > 40) {
            log_.pop_front();
        }
    }
    void Event(const std::string& what) {
        ++events_;
        Note("#" + std::to_string(events_) + " " + what);
    }

    std::string At(int x, int y) {
        return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    }

    // A point in one of the windows: a popup when one is open (it holds the mouse), else mostly
    // the main window, else an information window.
    std::optional<std::pair<int, int>> RandomPoint(const std::vector<TDisplay::TWindow>& all) {
        std::vector<const TDisplay::TWindow*> popups, others;
        for (const auto& w : all) {
            (w.Popup ? popups : others).push_back(&w);
        }
        const TDisplay::TWindow* w = nullptr;
        if (!popups.empty() && random_.Chance(70)) {
            w = popups[std::size_t(random_.Pick(int(popups.size())))];
        } else if (!others.empty()) {
            w = others[0]->Title == MainTitle && random_.Chance(70)
                    ? others[0]
                    : others[std::size_t(random_.Pick(int(others.size())))];
        }
        if (!w) {
            return std::nullopt;
        }
        return std::pair{w->X + random_.Pick(w->Width), w->Y + random_.Pick(w->Height)};
    }

    unsigned RandomButton() {
        const int pick = random_.Pick(10);
        return pick < 6 ? 1 : pick < 8 ? 2 : 3;
    }

    void ClickSomewhere(const std::vector<TDisplay::TWindow>& all) {
        if (const auto p = RandomPoint(all)) {
            const unsigned button = RandomButton();
            x_.Move(p->first, p->second);
            Event("click " + std::to_string(button) + " at " + At(p->first, p->second));
            x_.Click(button);
        }
    }

    void DoubleClickSomewhere(const std::vector<TDisplay::TWindow>& all) {
        if (const auto p = RandomPoint(all)) {
            x_.Move(p->first, p->second);
            Event("double click at " + At(p->first, p->second));
            x_.Click(1);
            x_.Click(1);
        }
    }

    void DragSomewhere(const std::vector<TDisplay::TWindow>& all) {
        const auto from = RandomPoint(all);
        if (!from) {
            return;
        }
        const unsigned button = RandomButton();
        const int dx = random_.Between(-300, 300), dy = random_.Between(-200, 200);
        Drag(from->first, from->second, from->first + dx, from->second + dy, button);
    }

    void Drag(int x1, int y1, int x2, int y2, unsigned button) {
        x_.Move(x1, y1);
        Event("drag " + std::to_string(button) + " from " + At(x1, y1) + " to " + At(x2, y2));
        x_.Button(button, true);
        const int steps = random_.Between(2, 8);
        for (int i = 1; i <= steps; ++i) {
            x_.Move(x1 + (x2 - x1) * i / steps, y1 + (y2 - y1) * i / steps);
            Pause(PaceMilliseconds);
        }
        x_.Button(button, false);
    }

    void WheelSomewhere(const std::vector<TDisplay::TWindow>& all) {
        if (const auto p = RandomPoint(all)) {
            const unsigned button = unsigned(random_.Between(4, 7));
            const int turns = random_.Between(1, 6);
            x_.Move(p->first, p->second);
            Event("wheel " + std::to_string(button) + " x" + std::to_string(turns) + " at " +
                  At(p->first, p->second));
            for (int i = 0; i < turns; ++i) {
                x_.Click(button);
                ++events_; // each step of the wheel is a button click of its own
            }
            --events_;
        }
    }

    void RandomKey() {
        static const KeySym keys[] = {
            XK_Left,   XK_Right,     XK_Up,     XK_Down,  XK_Tab,    XK_Return, XK_Escape,
            XK_space,  XK_BackSpace, XK_Delete, XK_Home,  XK_End,    XK_Prior,  XK_Next,
            XK_Insert, XK_F1,        XK_F2,     XK_F10,   XK_a,      XK_z,      XK_0,
            XK_1,      XK_5,         XK_9,      XK_minus, XK_period, XK_Menu,   XK_Alt_L};
        static const KeySym modifiers[] = {XK_Control_L, XK_Shift_L, XK_Alt_L};
        const KeySym key = keys[random_.Pick(int(std::size(keys)))];
        std::vector<KeySym> held;
        if (random_.Chance(25)) {
            held.push_back(modifiers[random_.Pick(int(std::size(modifiers)))]);
        }
        if (random_.Chance(10)) { // the paste and edit shortcuts
            static const KeySym edits[] = {XK_v, XK_c, XK_x, XK_z, XK_a, XK_y};
            const KeySym edit = edits[random_.Pick(int(std::size(edits)))];
            Event("ctrl+" + std::string(XKeysymToString(edit)));
            x_.Press(edit, {XK_Control_L});
            return;
        }
        Event(std::string("key ") + XKeysymToString(key) + (held.empty() ? "" : " with modifier"));
        x_.Press(key, held);
    }

    // The menu bar from the keyboard. A click on its first title opens File; for File's items,
    // Down steps through them and Return chooses. For the other menus, Escape closes File and
    // leaves the bar in its keyboard mode on File, Right moves along the titles (Opzioni,
    // Visualizza, Lingua, Info, Exit) without opening them, and Down opens the menu of the title
    // reached with its first item active. A menu holds the keyboard while it is open, and a key
    // that reaches it after the program has closed it is lost; so before a key that closes a
    // menu the menu must be on screen, and the keys after it wait until it has gone. A menu that
    // does not open within `patience` (the click closed a list instead, a dialog took the
    // input, another window has the keyboard) ends the command there. Returns whether the
    // command was given in full.
    bool MenuByKeyboard(
        int rights, int item,
        std::chrono::milliseconds patience = std::chrono::milliseconds(MenuPatienceMilliseconds)) {
        const auto main = Find(MainTitle);
        if (!main) {
            return false;
        }
        // An open popup (a menu, a list, a context menu) would take the click on the title.
        for (int i = 0; i < 3 && HasPopup(); ++i) {
            x_.Press(XK_Escape);
            Pause(MenuOpenMilliseconds / 4);
        }
        x_.Move(main->X + 14, main->Y + 8);
        Event("menu " + std::to_string(rights) + ", item " + std::to_string(item));
        const std::vector<Window> before = Popups();
        x_.Click(1);
        if (rights > 0) {
            const auto file = WaitForNewPopup(before, patience);
            if (!file) {
                return false;
            }
            x_.Press(XK_Escape);
            ++events_;
            WaitForPopupGone(*file, patience);
            if (!x_.HasFocus(main->Id)) {
                return false;
            }
            for (int i = 0; i < rights; ++i) {
                x_.Press(XK_Right);
                ++events_;
            }
            x_.Press(XK_Down);
            ++events_;
            if (!WaitForNewPopup(before, patience)) {
                return false;
            }
        } else {
            Pause(MenuOpenMilliseconds);
        }
        for (int i = rights > 0 ? 1 : 0; i < item; ++i) {
            x_.Press(XK_Down);
            ++events_;
        }
        x_.Press(item > 0 ? XK_Return : XK_Escape);
        ++events_;
        return true;
    }

    // A menu command, never File, "Esci": File's items 1 to 5, Visualizza's 4, Info's 5; or a
    // menu opened and left with Escape.
    void MenuCommand() {
        const int menu = random_.Pick(3);
        if (random_.Chance(10)) {
            MenuByKeyboard(menu == 0 ? 0 : menu == 1 ? 2 : 4, 0);
        } else if (menu == 0) {
            MenuByKeyboard(0, random_.Between(1, 5));
        } else if (menu == 1) {
            MenuByKeyboard(2, random_.Between(1, 4));
        } else {
            MenuByKeyboard(4, random_.Between(1, 5));
        }
    }

    // File, "Importa .3DS"; the dialog then gets a name (or is cancelled) by InDialog.
    void Import() {
        MenuByKeyboard(0, 4);
        for (int i = 0; i < 20 && !FindDialog(x_.Windows(program_.Pid())); ++i) {
            Pause(20);
        }
    }

    // In a message box anything goes; in any other dialog only names, Return and Escape.
    void InDialog(const TDisplay::TWindow& dialog) {
        x_.FocusIfLost(dialog.Id, x_.Windows(program_.Pid()));
        if (dialog.Title == MessageTitle) {
            const int pick = random_.Pick(10);
            if (pick < 3) {
                x_.Move(dialog.X + random_.Pick(dialog.Width),
                        dialog.Y + random_.Pick(dialog.Height));
                Event("click in the message box");
                x_.Click(RandomButton());
            } else {
                const KeySym key = pick < 7 ? XK_Return : pick < 9 ? XK_Escape : XK_space;
                Event(std::string("message box: ") + XKeysymToString(key));
                x_.Press(key);
            }
            return;
        }
        const int pick = random_.Pick(10);
        if (pick < 7) {
            const std::string& name = models_[std::size_t(random_.Pick(int(models_.size())))];
            Event("dialog \"" + dialog.Title + "\": " + name);
            x_.Press(XK_a, {XK_Control_L});
            x_.Type(name);
            x_.Press(XK_Return);
            ++imports_;
        } else {
            const KeySym key = pick < 9 ? XK_Escape : XK_Return;
            Event("dialog \"" + dialog.Title + "\": " + XKeysymToString(key));
            x_.Press(key);
        }
        Pause(MenuOpenMilliseconds);
    }

    // The rotation bars lie at the top of the column right of the panes.
    void DragScrollBar() {
        const auto main = Find(MainTitle);
        if (!main) {
            return;
        }
        const int bar = random_.Pick(3);
        const int y = main->Y + 45 + 23 * bar;
        const int x1 = main->X + random_.Between(828, 944);
        const int x2 = main->X + random_.Between(780, 990);
        Drag(x1, y, x2, y + random_.Between(-6, 6), 1);
    }

    // The object list lies below the bars: a click on a row, sometimes typing into a cell.
    void ClickGrid() {
        const auto main = Find(MainTitle);
        if (!main) {
            return;
        }
        const int x = main->X + random_.Between(812, 958), y = main->Y + random_.Between(162, 240);
        x_.Move(x, y);
        Event("grid click at " + At(x, y));
        x_.Click(random_.Chance(80) ? 1 : RandomButton());
        if (random_.Chance(15)) {
            x_.Type(random_.Chance(50) ? "1" : "x9");
            x_.Press(random_.Chance(50) ? XK_Return : XK_Escape);
        }
    }

    // What a window manager does when the user clicks a window's close button.
    void CloseInformationWindow(const std::vector<TDisplay::TWindow>& all) {
        for (const auto& w : all) {
            if (Known(w) && !w.Popup && w.Title != MainTitle && random_.Chance(50)) {
                Event("close \"" + w.Title + "\"");
                x_.AskToClose(w.Id);
                return;
            }
        }
    }

    // Asks every information window to close and waits a little for them to go.
    void CloseInformationWindows(const std::vector<TDisplay::TWindow>& all) {
        bool asked = false;
        for (const auto& w : all) {
            if (Known(w) && !w.Popup && w.Title != MainTitle) {
                x_.AskToClose(w.Id);
                asked = true;
            }
        }
        if (asked) {
            Note("information windows closed for the text box check");
            Pause(MenuOpenMilliseconds * 2);
        }
    }

    TDisplay& x_;
    TProgram& program_;
    std::vector<std::string> models_;
    TRandom random_;
    long events_ = 0;
    long checks_ = 0;
    long imports_ = 0;
    long nextTextCheck_ = TextCheckEvery;
    long textChecks_ = 0;
    int emptyTextChecks_ = 0; // text checks in a row in which no key reached the box
    int restarts_ = 0;
    std::deque<std::string> log_;
    std::ofstream eventLog_;
    Clock::time_point start_ = Clock::now();
};

TOptions ParseOptions(int argc, char** argv) {
    TOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::cerr << "plexa3d_monkey: " << arg << " needs a value\n";
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--program") {
            options.Program = fs::absolute(value()).string();
        } else if (arg == "--seed") {
            options.Seed = std::stoull(value());
        } else if (arg == "--events") {
            options.Events = std::stol(value());
        } else if (arg == "--seconds") {
            options.Seconds = std::stod(value());
        } else if (arg == "--min-events") {
            options.MinEvents = std::stol(value());
        } else if (arg == "--models") {
            options.ModelDirs.push_back(value());
        } else if (arg == "--scenario") {
            options.Scenario = value();
        } else if (arg == "--keep") {
            options.Keep = true;
        } else {
            std::cerr << "plexa3d_monkey: unknown option " << arg << "\n";
            std::exit(2);
        }
    }
    if (options.Program.empty() ||
        (options.Scenario != "random" && options.Scenario != "licence-paste")) {
        std::cerr << "usage: plexa3d_monkey --program FILE [--seed N] [--events N] [--seconds S]\n"
                     "       [--min-events N] [--models DIR]... [--scenario random|licence-paste]"
                     " [--keep]\n";
        std::exit(2);
    }
    return options;
}

// A stand-in for xdg-open that only notes what it was asked to open.
void WriteOpener(const fs::path& bin) {
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open")
        << "#!/bin/sh\necho \"$*\" >> \"" << (bin / "opened.txt").string() << "\"\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read |
                                          fs::perms::others_exec);
}

void CheckFolderEmpty(const fs::path& folder) {
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        Fail("the program wrote " + entry.path().string());
    }
}

} // namespace

int main(int argc, char** argv) {
    const TOptions options = ParseOptions(argc, argv);
    std::string pattern = (fs::temp_directory_path() / "plexa3d-monkey-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("plexa3d_monkey: mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    const auto started = Clock::now();
    TChild server;
    bool failed = false;
    {
        std::optional<TDisplay> display;
        std::optional<TProgram> program;
        std::optional<TMonkey> monkey;
        try {
            TRandom modelRandom(options.Seed ^ 0x5eedu);
            const auto models = MakeModels(work / "models", options.ModelDirs, modelRandom);
            WriteOpener(work / "bin");
            display.emplace(StartXvfb(server));
            program.emplace(options, work, display->Name());
            monkey.emplace(*display, *program, models, work / "events.log", options.Seed);
            program->Start();
            monkey->WaitForMainWindow();
            if (options.Scenario == "licence-paste") {
                monkey->LicencePaste();
                monkey->Check();
            } else {
                const auto elapsed = [&] {
                    return std::chrono::duration<double>(Clock::now() - started).count();
                };
                while (monkey->Events() < options.Events &&
                       (options.Seconds <= 0 || elapsed() < options.Seconds)) {
                    const long before = monkey->Events();
                    monkey->Step();
                    Pause(PaceMilliseconds);
                    if (monkey->Events() / CheckEvery != before / CheckEvery) {
                        monkey->Check();
                    }
                }
                monkey->Check();
                if (monkey->Events() < options.MinEvents) {
                    Fail("only " + std::to_string(monkey->Events()) + " events in the time given");
                }
            }
            monkey->Quit();
            CheckFolderEmpty(work / "home");
            const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
            std::printf("plexa3d_monkey: seed %llu, scenario %s: %ld events in %.0f s, %ld names "
                        "given to the dialog, %ld checks, %ld of the text box, %ld state lines "
                        "(most objects %d), %d "
                        "restarts after File, Esci: passed\n",
                        static_cast<unsigned long long>(options.Seed), options.Scenario.c_str(),
                        monkey->Events(), seconds, monkey->Imports(), monkey->Checks(),
                        monkey->TextChecks(), program->StateLines(), program->MostObjects(),
                        monkey->Restarts());
        } catch (const TFailure& failure) {
            failed = true;
            std::fprintf(stderr,
                         "plexa3d_monkey: FAILED (seed %llu, scenario %s) after %ld events: %s\n",
                         static_cast<unsigned long long>(options.Seed), options.Scenario.c_str(),
                         monkey ? monkey->Events() : 0L, failure.Reason.c_str());
            if (monkey) {
                std::fprintf(stderr, "last events:\n%s", monkey->LastEvents().c_str());
            }
            if (program) {
                std::fprintf(stderr, "program's last lines:\n%s", program->StderrTail(30).c_str());
            }
            std::fprintf(stderr, "files kept in %s\n", work.c_str());
        }
    }
    server.Stop();
    if (!failed && !options.Keep) {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    }
    return failed ? 1 : 0;
}
