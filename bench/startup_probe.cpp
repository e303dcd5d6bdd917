// Starts a program and measures how long it takes until its main window is
// mapped, then its memory once shown. Used by startup.sh under Xvfb, where no
// window manager reparents the window, so its MapNotify reaches the root.
//
//   startup_probe [--maps FILE] TITLE SETTLE_MS PROGRAM [ARGS...]
// prints: startup_ms=<float> cpu_ms=<float> rss_kb=<int> pss_kb=<int>
// (cpu_ms: the processor time the program had used when its window was mapped)
// --maps writes the Pss at the same moment by what is mapped, one "<kB> <name>"
// line each: files by their base name, anonymous memory as [anon], [heap] ...

#include <xcb/xcb.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <ctime>
#include <fstream>
#include <map>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

std::string property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t prop)
{
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, prop, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    std::string value;
    if (r) {
        value.assign(static_cast<const char*>(xcb_get_property_value(r)),
                     size_t(xcb_get_property_value_length(r)));
        free(r);
    }
    return value;
}

long procField(const std::string& path, const std::string& key)
{
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) == 0) {
            std::istringstream fields(line.substr(key.size()));
            long kb = -1;
            fields >> kb;
            return kb;
        }
    }
    return -1;
}

// Processor time of all the process's threads so far, in ms.
double cpuMs(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    double ns = 0;
    if (DIR* dir = opendir(tasks.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream in(tasks + "/" + entry->d_name + "/schedstat");
            double run = 0;
            if (in >> run)
                ns += run;
        }
        closedir(dir);
    }
    return ns / 1e6;
}

// Pss summed by mapping name, from /proc/PID/smaps: a header line starts with
// the address range, its sixth field on is the path; the rest are "Key: value".
void writeMappings(pid_t pid, const std::string& file)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps");
    std::map<std::string, long> pss;
    std::string line;
    std::string name = "[anon]";
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string first;
        fields >> first;
        if (first == "Pss:") {
            long kb = 0;
            fields >> kb;
            pss[name] += kb;
        } else if (!first.empty() && first.back() != ':') {
            std::string skip;
            for (int i = 0; i < 4; ++i)
                fields >> skip;
            std::string path;
            std::getline(fields >> std::ws, path);
            name = path.empty() ? "[anon]" : path.substr(path.find_last_of('/') + 1);
        }
    }
    std::ofstream out(file);
    for (const auto& [mapping, kb] : pss)
        out << kb << ' ' << mapping << '\n';
}

} // namespace

int main(int argc, char* argv[])
{
    std::string mapsFile;
    if (argc > 2 && strcmp(argv[1], "--maps") == 0) {
        mapsFile = argv[2];
        argv[2] = argv[0];
        argv += 2;
        argc -= 2;
    }
    if (argc < 4) {
        fprintf(stderr, "usage: %s [--maps FILE] TITLE SETTLE_MS PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    const std::string title = argv[1];
    const int settleMs = atoi(argv[2]);

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "cannot connect to the X server\n");
        return 1;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    xcb_flush(c);

    const double start = nowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[3], argv + 3);
        _exit(127);
    }

    double shown = -1;
    double shownCpu = 0;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    while (shown < 0 && nowMs() - start < 30000) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                fprintf(stderr, "the program ended before showing its window\n");
                return 1;
            }
            poll(&pfd, 1, 100);
            continue;
        }
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            const double at = nowMs();
            const double cpu = cpuMs(pid);
            if (property(c, map->window, netWmName) == title ||
                property(c, map->window, XCB_ATOM_WM_NAME) == title) {
                shown = at;
                shownCpu = cpu;
            }
        }
        free(event);
    }
    if (shown < 0) {
        fprintf(stderr, "no window \"%s\" within 30 s\n", title.c_str());
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return 1;
    }

    usleep(useconds_t(settleMs) * 1000);
    const std::string proc = "/proc/" + std::to_string(pid);
    const long rss = procField(proc + "/status", "VmRSS:");
    const long pss = procField(proc + "/smaps_rollup", "Pss:");
    if (!mapsFile.empty())
        writeMappings(pid, mapsFile);
    printf("startup_ms=%.1f cpu_ms=%.1f rss_kb=%ld pss_kb=%ld\n", shown - start, shownCpu, rss, pss);
    fflush(stdout);

    // SIGTERM ends the program the way the end of a session does.
    kill(pid, SIGTERM);
    bool ended = false;
    for (int i = 0; i < 50 && !ended; ++i) {
        ended = waitpid(pid, nullptr, WNOHANG) == pid;
        if (!ended)
            usleep(100000);
    }
    if (!ended) {
        fprintf(stderr, "the program did not end on SIGTERM\n");
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    xcb_disconnect(c);
    return 0;
}
