#include "host/window/x11_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace tarn::window {

namespace {

// The watched window and whether it is gone. Xlib calls the error handler on the thread that
// made the request (the main thread), but keep them atomic anyway.
std::atomic<unsigned long> g_watched{0};
std::atomic<bool> g_destroyed{false};

// Xlib calls this when the connection breaks (the server ended, the network failed) and exits
// the process itself if it returns: write what happened, shut SDL down as every other way out of
// the window does (Xlib has marked the display dead, so closing it sends nothing), and end
// through exit(), so streams and the journal file are flushed and closed, with a status a
// caller can tell from success.
int onConnectionLost(Display* display) {
    static bool ending = false;
    if (!ending) {
        ending = true;
        const char* name = display ? DisplayString(display) : nullptr;
        std::fflush(stdout);
        std::fputs(connectionLostMessage(name ? name : "").c_str(), stderr);
        std::fflush(stderr);
        SDL_Quit();
    }
    // Note: reached a second time only if shutting down touched the dead display again.
    std::exit(kConnectionLostStatus);
}

// A failed request (a protocol error) is reported and the window goes on; Xlib's default
// handler would end the process.
int onRequestError(Display* display, XErrorEvent* event) {
    // Requests on a window another program destroyed fail until the window job ends: that is
    // no error of ours to report.
    const bool aboutWindow = event->error_code == BadWindow || event->error_code == BadDrawable;
    if (aboutWindow && g_watched.load() != 0 && event->resourceid == g_watched.load()) {
        g_destroyed.store(true);
        return 0;
    }
    char text[256] = "";
    XGetErrorText(display, event->error_code, text, sizeof text);
    std::fprintf(stderr, "tarn view: the X server refused a request (%s, request %d).\n", text,
                 static_cast<int>(event->request_code));
    return 0;
}

}  // namespace

std::string connectionLostMessage(const std::string& display) {
    return "tarn view: the connection to the X display" +
           (display.empty() ? std::string() : " '" + display + "'") +
           " was lost; the window is gone and tarn ends.\nEverything run before is in the "
           "journal when one was written (--journal).\n";
}

void prepareX11Handlers() {
    XSetErrorHandler(onRequestError);
}

void guardX11Connection(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    g_watched.store(info.info.x11.window);
    g_destroyed.store(false);
    XSetIOErrorHandler(onConnectionLost);
    XSetErrorHandler(onRequestError);
    // Raw X events come through too, so the window's destruction is seen.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void destroyDestroyedWindow(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    Display* display = SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11
                           ? info.info.x11.display
                           : nullptr;
    if (display) XSetErrorHandler(onRequestError);
    SDL_DestroyWindow(window);
    // Take the refusals now, while the handler is ours.
    if (display) XSync(display, False);
}

bool windowDestroyed() {
    return g_destroyed.load();
}

bool noteDestroyEvent(const void* sysWmMessage) {
    const auto* msg = static_cast<const SDL_SysWMmsg*>(sysWmMessage);
    if (!msg || msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& e = msg->msg.x11.event;
    if (e.type != DestroyNotify || g_watched.load() == 0 ||
        e.xdestroywindow.window != g_watched.load())
        return false;
    g_destroyed.store(true);
    return true;
}

}  // namespace tarn::window
