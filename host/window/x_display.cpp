#include "host/window/x_display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tarn::window {

struct XWindow::Impl {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    Atom deleteAtom = 0;
    unsigned heldButtons = 0;  // bit b set while button b is down
    int lastButton = 1;
    std::vector<char> frame;  // the image in the visual's 32-bit layout
};

namespace {

Modifiers modifiersOf(unsigned state) {
    return {(state & ShiftMask) != 0, (state & ControlMask) != 0, (state & Mod1Mask) != 0};
}

// The shift of a channel mask's lowest set bit (the visual's layout of red, green, blue).
int shiftOf(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Xlib calls this when the connection breaks (the server ended, the network failed) and exits
// the process itself if it returns: write what happened and end through exit(), so streams and
// the journal file are flushed and closed, with a status a caller can tell from success.
int onConnectionLost(Display* display) {
    const char* name = display ? DisplayString(display) : nullptr;
    std::fflush(stdout);
    std::fputs(connectionLostMessage(name ? name : "").c_str(), stderr);
    std::fflush(stderr);
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

XWindow::XWindow(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

XWindow::~XWindow() {
    if (!m_impl || !m_impl->display) return;
    if (m_impl->gc) XFreeGC(m_impl->display, m_impl->gc);
    if (m_impl->window) XDestroyWindow(m_impl->display, m_impl->window);
    XCloseDisplay(m_impl->display);
}

std::unique_ptr<XWindow> XWindow::open(const std::string& displayName, int width, int height,
                                       const std::string& title, std::string* error) {
    const char* name = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
    if (!name || !*name) {
        *error = "no display ($DISPLAY is not set)";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->display = XOpenDisplay(name);
    if (!impl->display) {
        *error = std::string("cannot connect to the X display '") + name + "'";
        return nullptr;
    }
    Display* d = impl->display;
    XSetIOErrorHandler(onConnectionLost);
    XSetErrorHandler(onRequestError);
    const int screen = DefaultScreen(d);
    impl->visual = DefaultVisual(d, screen);
    impl->depth = DefaultDepth(d, screen);
    if (impl->visual->c_class != TrueColor || (impl->depth != 24 && impl->depth != 32)) {
        XCloseDisplay(d);
        *error = "the X display has no 24-bit true-colour visual";
        return nullptr;
    }
    impl->window = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(width),
                                       static_cast<unsigned>(height), 0, BlackPixel(d, screen),
                                       BlackPixel(d, screen));
    XStoreName(d, impl->window, title.c_str());
    XSelectInput(d, impl->window,
                 ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask |
                     ButtonReleaseMask | PointerMotionMask);
    impl->deleteAtom = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, impl->window, &impl->deleteAtom, 1);
    impl->gc = XCreateGC(d, impl->window, 0, nullptr);
    XMapWindow(d, impl->window);
    XFlush(d);
    return std::unique_ptr<XWindow>(new XWindow(std::move(impl)));
}

void XWindow::resize(int width, int height) {
    XResizeWindow(m_impl->display, m_impl->window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XFlush(m_impl->display);
}

int XWindow::fd() const {
    return ConnectionNumber(m_impl->display);
}

std::vector<WindowInput> XWindow::takeInputs() {
    std::vector<WindowInput> inputs;
    Display* d = m_impl->display;
    while (XPending(d) > 0) {
        XEvent e;
        XNextEvent(d, &e);
        WindowInput in;
        switch (e.type) {
            case Expose:
                if (e.xexpose.count != 0) continue;
                in.kind = WindowInput::Kind::Exposed;
                break;
            case ConfigureNotify:
                in.kind = WindowInput::Kind::Resized;
                in.width = e.xconfigure.width;
                in.height = e.xconfigure.height;
                break;
            case ClientMessage:
                if (static_cast<Atom>(e.xclient.data.l[0]) != m_impl->deleteAtom) continue;
                in.kind = WindowInput::Kind::Closed;
                break;
            case ButtonPress:
            case ButtonRelease: {
                const int b = static_cast<int>(e.xbutton.button);
                const bool press = e.type == ButtonPress;
                if (b >= 1 && b <= 3) {
                    if (press)
                        m_impl->heldButtons |= 1u << b;
                    else
                        m_impl->heldButtons &= ~(1u << b);
                    if (press) m_impl->lastButton = b;
                }
                in.kind = WindowInput::Kind::Pointer;
                in.pointer = {press ? PointerAction::Press : PointerAction::Release, b, e.xbutton.x,
                              e.xbutton.y, modifiersOf(e.xbutton.state)};
                break;
            }
            case MotionNotify:
                // Motion without a held button is no event for tools.
                if (!m_impl->heldButtons) continue;
                in.kind = WindowInput::Kind::Pointer;
                in.pointer = {PointerAction::Drag, m_impl->lastButton, e.xmotion.x, e.xmotion.y,
                              modifiersOf(e.xmotion.state)};
                // Coalesce: a drag replaces the drag just before it.
                if (!inputs.empty() && inputs.back().kind == WindowInput::Kind::Pointer &&
                    inputs.back().pointer.action == PointerAction::Drag) {
                    inputs.back() = in;
                    continue;
                }
                break;
            case KeyPress: {
                char text[16] = {};
                KeySym sym = 0;
                const int n = XLookupString(&e.xkey, text, sizeof text - 1, &sym, nullptr);
                in.kind = WindowInput::Kind::Key;
                const char* symName = XKeysymToString(sym);
                in.keyName = symName ? symName : "";
                in.keyText.assign(text, n > 0 ? static_cast<std::size_t>(n) : 0);
                in.mods = modifiersOf(e.xkey.state);
                break;
            }
            default:
                continue;
        }
        inputs.push_back(std::move(in));
    }
    return inputs;
}

bool XWindow::hasQueued() const {
    return XEventsQueued(m_impl->display, QueuedAlready) > 0;
}

void XWindow::show(const view::RgbImage& image, const std::string& status) {
    if (image.width < 1 || image.height < 1) return;
    Impl& w = *m_impl;
    const int rs = shiftOf(w.visual->red_mask), gs = shiftOf(w.visual->green_mask),
              bs = shiftOf(w.visual->blue_mask);
    const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
    w.frame.resize(count * 4);
    XImage* xi = XCreateImage(w.display, w.visual, static_cast<unsigned>(w.depth), ZPixmap, 0,
                              w.frame.data(), static_cast<unsigned>(image.width),
                              static_cast<unsigned>(image.height), 32, image.width * 4);
    if (!xi) return;
    // Pack each pixel into the visual's 32-bit layout, in the byte order the image declares.
    const bool lsbFirst = xi->byte_order == LSBFirst;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* p = image.pixels.data() + i * 3;
        const std::uint32_t v =
            (std::uint32_t(p[0]) << rs) | (std::uint32_t(p[1]) << gs) | (std::uint32_t(p[2]) << bs);
        char* out = w.frame.data() + i * 4;
        for (int k = 0; k < 4; ++k)
            out[k] = static_cast<char>((v >> (8 * (lsbFirst ? k : 3 - k))) & 0xff);
    }
    XPutImage(w.display, w.window, w.gc, xi, 0, 0, 0, 0, static_cast<unsigned>(image.width),
              static_cast<unsigned>(image.height));
    // The pixels belong to `frame`: detach them before the image is destroyed.
    xi->data = nullptr;
    XDestroyImage(xi);
    // The status line: the server's default font on a dark bar.
    constexpr int kBar = 18;
    Display* d = w.display;
    const int screen = DefaultScreen(d);
    XSetForeground(d, w.gc, 0x202020);
    XFillRectangle(d, w.window, w.gc, 0, image.height - kBar, static_cast<unsigned>(image.width),
                   kBar);
    XSetForeground(d, w.gc, WhitePixel(d, screen));
    const std::string line = status.substr(0, std::min<std::size_t>(status.find('\n'), 400));
    XDrawString(d, w.window, w.gc, 4, image.height - 5, line.c_str(),
                static_cast<int>(line.size()));
    XFlush(w.display);
}

std::string noDisplayMessage(const std::string& reason) {
    return "tarn view: cannot open a window: " + reason +
           ".\nWithout a display, use the headless view commands (viewPort, viewCamera, "
           "viewFit, viewEvent,\nviewStroke, viewCapture, viewSnapshot) in a script or with "
           "tarn -c.\n";
}

std::string connectionLostMessage(const std::string& display) {
    return "tarn view: the connection to the X display" +
           (display.empty() ? std::string() : " '" + display + "'") +
           " was lost; the window is gone and tarn ends.\nEverything run before is in the "
           "journal when one was written (--journal).\n";
}

}  // namespace tarn::window
