#include "host/window/x11_connection.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdio>
#include <cstdlib>

namespace tarn::window {

namespace {

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

void guardX11Connection(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    XSetIOErrorHandler(onConnectionLost);
    XSetErrorHandler(onRequestError);
}

}  // namespace tarn::window
