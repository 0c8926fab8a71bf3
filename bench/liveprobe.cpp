// Watches a window on an X display for as long as asked, the way a user
// and a window manager would notice a frozen program:
// - every 250 ms a small window covers a spot of it and goes away again;
//   the time until the spot is painted again is a repaint gap;
// - every 250 ms a _NET_WM_PING is sent; the time to the answer is timed;
// - the window manager's visible name is read for "Not Responding".
// Usage: orvex-liveprobe WINDOW SECONDS X Y (X, Y: the spot, relative to
// the window). Stops early, with its figures, on SIGINT or SIGTERM.
// Prints one line of figures.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSpot = 24;
constexpr unsigned long kCoverColour = 0xFF00FF;
constexpr auto kPeriod = std::chrono::milliseconds(250);
constexpr auto kGiveUp = std::chrono::seconds(120);

volatile std::sig_atomic_t g_stop = 0;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

bool SpotCovered(Display *display, Window root, int x, int y)
{
    XImage *image = XGetImage(display, root, x, y, kSpot, kSpot, AllPlanes, ZPixmap);
    if (!image)
        return true;
    bool covered = false;
    for (int j = 0; j < kSpot && !covered; ++j) {
        for (int i = 0; i < kSpot && !covered; ++i)
            covered = (XGetPixel(image, i, j) & 0xFFFFFF) == kCoverColour;
    }
    XDestroyImage(image);
    return covered;
}

bool NotResponding(Display *display, Window window)
{
    const Atom visibleName = XInternAtom(display, "_NET_WM_VISIBLE_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, window, visibleName, 0, 1024, False, utf8, &type, &format, &count,
                           &after, &data) != Success || !data)
        return false;
    const bool marked = std::strstr(reinterpret_cast<char *>(data), "Not Responding") != nullptr;
    XFree(data);
    return marked;
}

struct Figures {
    std::vector<double> gaps;
    std::vector<double> pings;
    int unansweredPings = 0;
    bool notResponding = false;
};

void Report(const Figures &f)
{
    const auto summary = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        static char text[96];
        if (v.empty())
            std::snprintf(text, sizeof text, "none");
        else
            std::snprintf(text, sizeof text, "%zu, median %.1f ms, longest %.1f ms", v.size(),
                          v[v.size() / 2], v.back());
        return std::string(text);
    };
    std::printf("repaints: %s; pings answered: %s; unanswered %d; marked not responding: %s\n",
                summary(f.gaps).c_str(), summary(f.pings).c_str(), f.unansweredPings,
                f.notResponding ? "yes" : "no");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: orvex-liveprobe WINDOW SECONDS X Y\n");
        return 2;
    }
    const Window target = std::strtoul(argv[1], nullptr, 0);
    const auto duration = std::chrono::seconds(std::atoi(argv[2]));
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const Window root = DefaultRootWindow(display);
    Window child = 0;
    int spotX = 0, spotY = 0;
    if (!XTranslateCoordinates(display, target, root, std::atoi(argv[3]), std::atoi(argv[4]), &spotX,
                               &spotY, &child))
        return 2;

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = kCoverColour;
    const Window cover = XCreateWindow(display, root, spotX, spotY, kSpot, kSpot, 0, CopyFromParent,
                                       InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixel,
                                       &attributes);
    // Answers come to the root window, for whoever watches its structure.
    XSelectInput(display, root, StructureNotifyMask);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);

    std::signal(SIGINT, [](int) { g_stop = 1; });
    std::signal(SIGTERM, [](int) { g_stop = 1; });
    Figures figures;
    long stamp = 1;
    const auto end = Clock::now() + duration;
    while (Clock::now() < end && !g_stop) {
        const auto cycle = Clock::now();

        XEvent message{};
        message.xclient.type = ClientMessage;
        message.xclient.window = target;
        message.xclient.message_type = protocols;
        message.xclient.format = 32;
        message.xclient.data.l[0] = long(ping);
        message.xclient.data.l[1] = ++stamp;
        message.xclient.data.l[2] = long(target);
        if (!XSendEvent(display, target, False, NoEventMask, &message))
            break;
        XFlush(display);
        const auto pingSent = Clock::now();
        bool answered = false;
        while (!answered && Clock::now() - pingSent < kPeriod) {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == ClientMessage && event.xclient.message_type == protocols
                    && Atom(event.xclient.data.l[0]) == ping && event.xclient.data.l[1] == stamp) {
                    figures.pings.push_back(Ms(Clock::now() - pingSent));
                    answered = true;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!answered)
            ++figures.unansweredPings;

        XMapRaised(display, cover);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        XUnmapWindow(display, cover);
        XSync(display, False);
        const auto uncovered = Clock::now();
        while (SpotCovered(display, root, spotX, spotY) && Clock::now() - uncovered < kGiveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        figures.gaps.push_back(Ms(Clock::now() - uncovered));

        figures.notResponding = figures.notResponding || NotResponding(display, target);
        std::this_thread::sleep_until(cycle + kPeriod);
    }
    Report(figures);
    XCloseDisplay(display);
    return 0;
}
