// Start-up time of full-screen programs on an X server, seen from outside:
// from just before the program is started to the first time the screen
// shows its first frame, found by polling one pixel of the screen through a
// connection of our own. Each run ends with Esc, Esc. The programs are run in
// turns, so the machine's load weighs on all of them alike.
//
// Usage: bench_startup [--runs N] [--probe X,Y] NAME=PROGRAM...
// The first program is the floor the others are compared with. The probe
// pixel must change when the first frame shows (the capture window's hint
// box stands there). Needs DISPLAY; bench/startup runs it on its own Xvfb.
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto frameTimeout = 10s;
constexpr auto exitTimeout = 5s;
// Short enough for a fine figure, long enough not to keep the server busy.
constexpr auto pollInterval = 500us;
// The root's colour while no program runs.
constexpr uint32_t rootColour = 0x808080;

struct Program
{
    std::string name;
    std::string path;
    std::vector<double> startupMs;
    std::vector<double> peakRssMb;
};

struct Run
{
    double startupMs;
    double peakRssMb;
};

class Screen
{
public:
    Screen()
    {
        m_connection = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_connection))
            die("cannot connect to the X server (DISPLAY)");
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_root = screen->root;
        m_width = screen->width_in_pixels;
        m_height = screen->height_in_pixels;
        // A plain root, so the probe sees any window drawn over it.
        const uint32_t background = rootColour;
        xcb_change_window_attributes(m_connection, m_root, XCB_CW_BACK_PIXEL, &background);
        xcb_clear_area(m_connection, 0, m_root, 0, 0, 0, 0);
        sync();
    }
    ~Screen() { xcb_disconnect(m_connection); }
    Screen(const Screen &) = delete;
    Screen &operator=(const Screen &) = delete;

    std::optional<uint32_t> pixel(int x, int y)
    {
        xcb_get_image_reply_t *reply = xcb_get_image_reply(m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, static_cast<int16_t>(x),
                static_cast<int16_t>(y), 1, 1, ~0u),
            nullptr);
        if (!reply)
            return std::nullopt;
        uint32_t value = 0;
        const int length = xcb_get_image_data_length(reply);
        std::memcpy(
            &value, xcb_get_image_data(reply), std::min(sizeof value, static_cast<size_t>(length)));
        free(reply);
        return value;
    }

    // Whether a mapped top-level window covers the whole screen: a window
    // that only says it is full-screen keeps its own size where no window
    // manager acts on that, and would be measured with less to draw.
    bool coveredByOneWindow()
    {
        xcb_query_tree_reply_t *tree
            = xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, m_root), nullptr);
        if (!tree)
            return false;
        const xcb_window_t *children = xcb_query_tree_children(tree);
        bool covered = false;
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !covered; ++i) {
            xcb_get_window_attributes_reply_t *attributes = xcb_get_window_attributes_reply(
                m_connection, xcb_get_window_attributes(m_connection, children[i]), nullptr);
            xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(
                m_connection, xcb_get_geometry(m_connection, children[i]), nullptr);
            covered = attributes && geometry && attributes->map_state == XCB_MAP_STATE_VIEWABLE
                && geometry->x <= 0 && geometry->y <= 0 && geometry->x + geometry->width >= m_width
                && geometry->y + geometry->height >= m_height;
            free(attributes);
            free(geometry);
        }
        free(tree);
        return covered;
    }

private:
    // A round trip: every request sent before has been handled.
    void sync()
    {
        free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }

    [[noreturn]] static void die(const char *message)
    {
        std::fprintf(stderr, "bench_startup: %s\n", message);
        std::exit(2);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    int m_width = 0;
    int m_height = 0;
};

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

pid_t spawn(const std::vector<std::string> &argv)
{
    std::vector<char *> args;
    for (const std::string &arg : argv)
        args.push_back(const_cast<char *>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    return pid;
}

bool waitFor(pid_t pid, Clock::duration timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (Clock::now() < deadline) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

// The process and all its descendants, from /proc.
std::vector<pid_t> processTree(pid_t root)
{
    std::vector<std::pair<pid_t, pid_t>> parents; // (pid, ppid)
    if (DIR *proc = opendir("/proc")) {
        while (const dirent *entry = readdir(proc)) {
            const pid_t pid = std::atoi(entry->d_name);
            if (pid <= 0)
                continue;
            std::ifstream stat("/proc/" + std::string(entry->d_name) + "/stat");
            std::string line;
            std::getline(stat, line);
            const size_t close = line.rfind(')');
            if (close == std::string::npos)
                continue;
            std::istringstream fields(line.substr(close + 2));
            char state = 0;
            pid_t ppid = 0;
            fields >> state >> ppid;
            parents.emplace_back(pid, ppid);
        }
        closedir(proc);
    }
    std::vector<pid_t> tree {root};
    for (size_t i = 0; i < tree.size(); ++i) {
        for (const auto &[pid, ppid] : parents)
            if (ppid == tree[i])
                tree.push_back(pid);
    }
    return tree;
}

// Peak resident set of the largest process of the tree, in MB (10^6 bytes).
double peakRssMb(pid_t root)
{
    long largestKb = 0;
    for (pid_t pid : processTree(root)) {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("VmHWM:", 0) == 0)
                largestKb = std::max(largestKb, std::atol(line.c_str() + 6));
        }
    }
    return static_cast<double>(largestKb) * 1024.0 / 1e6;
}

std::optional<Run> runOnce(Screen &screen, const Program &program, int probeX, int probeY)
{
    const std::optional<uint32_t> before = screen.pixel(probeX, probeY);
    if (!before)
        return std::nullopt;
    const Clock::time_point start = Clock::now();
    const pid_t pid = spawn({program.path});
    if (pid < 0)
        return std::nullopt;

    std::optional<Run> run;
    while (Clock::now() - start < frameTimeout) {
        const std::optional<uint32_t> now = screen.pixel(probeX, probeY);
        if (now && *now != *before) {
            run = Run {msSince(start), 0.0};
            break;
        }
        std::this_thread::sleep_for(pollInterval);
    }
    // A window smaller than the screen has less to draw: such a run is no
    // comparison, and ends the benchmark.
    const bool covered = run && screen.coveredByOneWindow();
    if (run && !covered)
        std::fprintf(stderr, "bench_startup: %s showed no window over the whole screen\n",
            program.name.c_str());
    if (run) {
        // Let the start-up settle before its peak is read.
        std::this_thread::sleep_for(300ms);
        run->peakRssMb = peakRssMb(pid);
        const pid_t keys = spawn({"xdotool", "key", "Escape", "sleep", "0.05", "key", "Escape"});
        if (keys > 0)
            waitFor(keys, exitTimeout);
    }
    if (!waitFor(pid, exitTimeout)) {
        std::fprintf(stderr, "bench_startup: %s did not end on Esc, Esc\n", program.name.c_str());
        kill(pid, SIGKILL);
        waitFor(pid, exitTimeout);
        run.reset();
    }
    if (!covered)
        run.reset();
    // The next run starts from the bare root again.
    const auto deadline = Clock::now() + exitTimeout;
    while (screen.pixel(probeX, probeY) != before && Clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    return run;
}

double quantile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    const double at = q * static_cast<double>(values.size() - 1);
    const size_t low = static_cast<size_t>(at);
    const size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (at - static_cast<double>(low));
}

void printTable(const std::vector<Program> &programs)
{
    const double floorMedian = quantile(programs.front().startupMs, 0.5);
    std::printf("| program | runs | median | min | p25 | p75 | max | median / %s | peak RSS |\n",
        programs.front().name.c_str());
    std::printf("|---|---|---|---|---|---|---|---|---|\n");
    for (const Program &program : programs) {
        const std::vector<double> &ms = program.startupMs;
        std::printf(
            "| %s | %zu | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.1f ms | %.2f | %.1f MB |\n",
            program.name.c_str(), ms.size(), quantile(ms, 0.5), quantile(ms, 0.0),
            quantile(ms, 0.25), quantile(ms, 0.75), quantile(ms, 1.0),
            quantile(ms, 0.5) / floorMedian, quantile(program.peakRssMb, 1.0));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    int runs = 11;
    int probeX = 366, probeY = 286;
    std::vector<Program> programs;
    bool usable = true;
    for (int i = 1; i < argc && usable; ++i) {
        const std::string arg = argv[i];
        const size_t eq = arg.find('=');
        if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--probe" && i + 1 < argc)
            usable = std::sscanf(argv[++i], "%d,%d", &probeX, &probeY) == 2;
        else if (eq != std::string::npos && eq > 0)
            programs.push_back({arg.substr(0, eq), arg.substr(eq + 1), {}, {}});
        else
            usable = false;
    }
    if (!usable || programs.empty()) {
        std::fprintf(stderr, "usage: bench_startup [--runs N] [--probe X,Y] NAME=PROGRAM...\n");
        return 2;
    }

    Screen screen;
    // One unmeasured run each, so every measured run finds the files cached.
    for (const Program &program : programs) {
        if (!runOnce(screen, program, probeX, probeY)) {
            std::fprintf(stderr, "bench_startup: %s showed no first frame\n", program.name.c_str());
            return 1;
        }
    }
    for (int round = 0; round < runs; ++round) {
        // Alternate the order, so neither is always the one after the other.
        for (size_t k = 0; k < programs.size(); ++k) {
            Program &program = programs[round % 2 == 0 ? k : programs.size() - 1 - k];
            const std::optional<Run> run = runOnce(screen, program, probeX, probeY);
            if (!run) {
                std::fprintf(stderr, "bench_startup: %s failed in round %d\n", program.name.c_str(),
                    round + 1);
                return 1;
            }
            program.startupMs.push_back(run->startupMs);
            program.peakRssMb.push_back(run->peakRssMb);
        }
    }
    printTable(programs);
    return 0;
}
