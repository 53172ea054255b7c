#include "host/window/view_window.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/window/x11_connection.h"
#include "stb_easy_font.h"

namespace tarn::window {

struct ViewWindow::Impl {
    SDL_Window* window = nullptr;
    const std::uint8_t* shown = nullptr;  // the last picture shown (BGRA, borrowed)
    int shownWidth = 0, shownHeight = 0;
    Uint32 wakeEvent = 0;
    Modifiers mods;            // the modifier keys as of the last key event taken
    unsigned heldButtons = 0;  // bit b set while button b is down
    int lastButton = 1;
    int pointerX = 0, pointerY = 0;  // the pointer's last position in the window
};

namespace {

Modifiers modifiersOf(Uint16 mod) {
    return {(mod & KMOD_SHIFT) != 0, (mod & KMOD_CTRL) != 0, (mod & KMOD_ALT) != 0};
}

// The name input_commands and the session give a key: the character of a printable key (the
// unshifted one: "z" with or without Shift), or the name of an editing key.
std::string keyNameOf(SDL_Keycode key) {
    switch (key) {
        case SDLK_RETURN:
            return "Return";
        case SDLK_KP_ENTER:
            return "KP_Enter";
        case SDLK_ESCAPE:
            return "Escape";
        case SDLK_BACKSPACE:
            return "BackSpace";
        case SDLK_F1:
            return "F1";
        case SDLK_F2:
            return "F2";
        case SDLK_F3:
            return "F3";
        case SDLK_F4:
            return "F4";
        case SDLK_F5:
            return "F5";
        case SDLK_TAB:
            return "Tab";
        case SDLK_LEFT:
            return "Left";
        case SDLK_RIGHT:
            return "Right";
        case SDLK_HOME:
            return "Home";
        case SDLK_END:
            return "End";
        case SDLK_DELETE:
            return "Delete";
        case SDLK_UP:
            return "Up";
        case SDLK_DOWN:
            return "Down";
        case SDLK_PAGEUP:
            return "Prior";
        case SDLK_PAGEDOWN:
            return "Next";
        default:
            if (key >= 32 && key < 127) return std::string(1, static_cast<char>(key));
            return {};
    }
}

// True when the environment variable holds a value.
bool set(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

// Fills the quads stb's vector font makes of `line` (written from x, y) in `color`.
void drawText(SDL_Surface* surface, int x, int y, const std::string& line, Uint32 color) {
    if (line.empty()) return;
    // Each quad is four vertices of 16 bytes (x, y, z as floats, then a colour).
    std::vector<char> vertices(line.size() * 300);
    unsigned char white[4] = {255, 255, 255, 255};
    const int quads = stb_easy_font_print(static_cast<float>(x), static_cast<float>(y),
                                          const_cast<char*>(line.c_str()), white, vertices.data(),
                                          static_cast<int>(vertices.size()));
    std::vector<SDL_Rect> rects;
    rects.reserve(static_cast<std::size_t>(quads));
    for (int q = 0; q < quads; ++q) {
        float corner[2][2];
        std::memcpy(corner[0], vertices.data() + (q * 4) * 16, sizeof corner[0]);
        std::memcpy(corner[1], vertices.data() + (q * 4 + 2) * 16, sizeof corner[1]);
        const int x0 = static_cast<int>(corner[0][0]), y0 = static_cast<int>(corner[0][1]);
        rects.push_back(
            {x0, y0, static_cast<int>(corner[1][0]) - x0, static_cast<int>(corner[1][1]) - y0});
    }
    SDL_FillRects(surface, rects.data(), static_cast<int>(rects.size()), color);
}

// The first line of `text`, cut to what fits `width` pixels (about five a character).
std::string fitted(const std::string& text, int width) {
    std::string line = text.substr(0, text.find('\n'));
    line.resize(std::min<std::size_t>(line.size(), static_cast<std::size_t>(width / 5 + 1)));
    return line;
}

// The status line in white on a dark bar along the bottom of the surface, and above it the
// message area's lines on a darker panel, coloured by kind.
void drawStatus(SDL_Surface* surface, const StatusView& text) {
    const int width = surface->w, height = surface->h;
    const SDL_Rect bar{0, height - kStatusBarHeight, width, kStatusBarHeight};
    SDL_FillRect(surface, &bar, SDL_MapRGB(surface->format, 0x20, 0x20, 0x20));
    drawText(surface, 4, bar.y + 5, fitted(text.status, width),
             SDL_MapRGB(surface->format, 255, 255, 255));
    if (text.console.empty()) return;
    const int lines = static_cast<int>(text.console.size());
    const bool placed = text.messageWidth > 0;
    const int left = placed ? text.messageLeft : 0;
    const int areaWidth = placed ? text.messageWidth : width;
    const int bottom =
        placed && text.messageBottom > 0 ? std::min(text.messageBottom, bar.y) : bar.y;
    const SDL_Rect panel{left, bottom - lines * kConsoleLineHeight - 4, areaWidth,
                         lines * kConsoleLineHeight + 4};
    SDL_FillRect(surface, &panel, SDL_MapRGB(surface->format, 0x14, 0x16, 0x1a));
    for (int i = 0; i < lines; ++i) {
        const ConsoleLine& l = text.console[i];
        Uint8 r = 200, g = 200, b = 200;
        switch (l.kind) {
            case ConsoleLine::Kind::Echo:
                r = 150, g = 190, b = 255;
                break;
            case ConsoleLine::Kind::Result:
                r = g = b = 255;
                break;
            case ConsoleLine::Kind::Warning:
                r = 255, g = 220, b = 90;
                break;
            case ConsoleLine::Kind::Error:
                r = 255, g = 110, b = 100;
                break;
            case ConsoleLine::Kind::Info:
                break;
        }
        drawText(surface, left + 4, panel.y + 4 + i * kConsoleLineHeight, fitted(l.text, areaWidth),
                 SDL_MapRGB(surface->format, r, g, b));
    }
}

}  // namespace

ViewWindow::ViewWindow(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

ViewWindow::~ViewWindow() {
    if (m_impl && m_impl->window) {
        if (windowDestroyed())
            destroyDestroyedWindow(m_impl->window);
        else
            SDL_DestroyWindow(m_impl->window);
    }
    SDL_Quit();
}

std::unique_ptr<ViewWindow> ViewWindow::open(int width, int height, const std::string& title,
                                             std::string* error) {
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("SDL_VIDEODRIVER")) {
        *error = "no display ($DISPLAY is not set)";
        return nullptr;
    }
    // The window's pixels go through SDL's software framebuffer. Left to itself SDL would
    // back the framebuffer with a texture of a GL renderer, loading a second GL into a process
    // whose GL is OSMesa (the plug-ins' GL calls must keep reaching it). For the same reason
    // any renderer SDL makes is its software one.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    // A real display only: SDL would otherwise fall back to its offscreen driver, a window
    // nobody sees. $SDL_VIDEODRIVER still overrides this.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, set("DISPLAY") ? "x11" : "wayland");
    // The click that gives the window the keyboard is a click like any other (a pick, the
    // start of a stroke), not swallowed.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (set("DISPLAY")) prepareX11Handlers();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        const char* display = std::getenv("DISPLAY");
        *error = set("DISPLAY") ? std::string("cannot connect to the X display '") + display +
                                      "' (" + SDL_GetError() + ")"
                                : std::string("cannot open the display (") + SDL_GetError() + ")";
        SDL_Quit();
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    impl->window = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    std::max(1, width), std::max(1, height), SDL_WINDOW_RESIZABLE);
    if (!impl->window) {
        *error = std::string("cannot create a window (") + SDL_GetError() + ")";
        SDL_Quit();
        return nullptr;
    }
    guardX11Connection(impl->window);
    impl->wakeEvent = SDL_RegisterEvents(1);
    impl->mods = modifiersOf(static_cast<Uint16>(SDL_GetModState()));
    SDL_StartTextInput();
    return std::unique_ptr<ViewWindow>(new ViewWindow(std::move(impl)));
}

void ViewWindow::resize(int width, int height) {
    SDL_SetWindowSize(m_impl->window, std::max(1, width), std::max(1, height));
}

void ViewWindow::setTitle(const std::string& title) {
    SDL_SetWindowTitle(m_impl->window, title.c_str());
}

void ViewWindow::wake() {
    SDL_Event e;
    SDL_zero(e);
    e.type = m_impl->wakeEvent;
    SDL_PushEvent(&e);
}

std::vector<WindowInput> ViewWindow::wait(int timeoutMs) {
    std::vector<WindowInput> inputs;
    Impl& w = *m_impl;
    const auto destroyed = [&] {
        WindowInput closed;
        closed.kind = WindowInput::Kind::Closed;
        inputs.push_back(closed);
        return inputs;
    };
    if (windowDestroyed()) return destroyed();
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, timeoutMs)) return windowDestroyed() ? destroyed() : inputs;
    do {
        WindowInput in;
        switch (e.type) {
            case SDL_SYSWMEVENT:
                // Another program destroyed the window: as if it was closed.
                if (!noteDestroyEvent(e.syswm.msg)) continue;
                in.kind = WindowInput::Kind::Closed;
                break;
            case SDL_QUIT:
                in.kind = WindowInput::Kind::Closed;
                break;
            case SDL_WINDOWEVENT:
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        in.kind = WindowInput::Kind::Closed;
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        in.kind = WindowInput::Kind::Resized;
                        in.width = e.window.data1;
                        in.height = e.window.data2;
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                        in.kind = WindowInput::Kind::Exposed;
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED:
                        // Keys may have changed while another window had the keyboard.
                        w.mods = modifiersOf(static_cast<Uint16>(SDL_GetModState()));
                        continue;
                    default:
                        continue;
                }
                break;
            case SDL_KEYDOWN:
            case SDL_KEYUP:
                // Mouse events carry no modifiers: the key events before them in the queue
                // tell which were held (a later state query would see the keys' releases).
                w.mods = modifiersOf(e.key.keysym.mod);
                if (e.type == SDL_KEYUP) continue;
                in.kind = WindowInput::Kind::Key;
                in.keyName = keyNameOf(e.key.keysym.sym);
                in.mods = w.mods;
                if (in.keyName.empty()) continue;
                break;
            case SDL_TEXTINPUT:
                in.kind = WindowInput::Kind::Text;
                in.text = e.text.text;
                break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                const int b = e.button.button;
                if (b < SDL_BUTTON_LEFT || b > SDL_BUTTON_RIGHT) continue;
                const bool press = e.type == SDL_MOUSEBUTTONDOWN;
                if (press) {
                    w.heldButtons |= 1u << b;
                    w.lastButton = b;
                } else {
                    w.heldButtons &= ~(1u << b);
                }
                w.pointerX = e.button.x;
                w.pointerY = e.button.y;
                in.kind = WindowInput::Kind::Pointer;
                in.pointer = {press ? PointerAction::Press : PointerAction::Release, b, e.button.x,
                              e.button.y, w.mods};
                break;
            }
            case SDL_MOUSEWHEEL: {
                // The wheel is buttons 4 (away from the user) and 5, as on X.
                int steps = e.wheel.y;
                if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
                if (steps == 0) continue;
                in.kind = WindowInput::Kind::Pointer;
                in.pointer = {PointerAction::Press, steps > 0 ? 4 : 5, w.pointerX, w.pointerY,
                              w.mods};
                break;
            }
            case SDL_MOUSEMOTION:
                w.pointerX = e.motion.x;
                w.pointerY = e.motion.y;
                // Motion without a held button is no event for tools; the panels show what is
                // under the pointer (the newest position is enough).
                if (!w.heldButtons) {
                    in.kind = WindowInput::Kind::Pointer;
                    in.pointer = {PointerAction::Move, 0, e.motion.x, e.motion.y, w.mods};
                    if (!inputs.empty() && inputs.back().kind == WindowInput::Kind::Pointer &&
                        inputs.back().pointer.action == PointerAction::Move) {
                        inputs.back() = in;
                        continue;
                    }
                    break;
                }
                in.kind = WindowInput::Kind::Pointer;
                in.pointer = {PointerAction::Drag, w.lastButton, e.motion.x, e.motion.y, w.mods};
                // An Alt drag moves the camera by the motion since the last one taken, so a
                // camera drag replaces the one just before it. A tool sees every motion: its
                // samples make the stroke.
                if (w.mods.alt && !inputs.empty() &&
                    inputs.back().kind == WindowInput::Kind::Pointer &&
                    inputs.back().pointer.action == PointerAction::Drag &&
                    inputs.back().pointer.mods.alt) {
                    inputs.back() = in;
                    continue;
                }
                break;
            default:
                // The wake event and everything else carry no input.
                continue;
        }
        inputs.push_back(std::move(in));
    } while (SDL_PollEvent(&e));
    return inputs;
}

void blitBgra(void* surfacePointer, const std::uint8_t* bgra, int width, int height) {
    auto* target = static_cast<SDL_Surface*>(surfacePointer);
    if (!target || !bgra || width < 1 || height < 1) return;
    const int w = std::min(width, target->w), h = std::min(height, target->h);
    const SDL_PixelFormat* f = target->format;
    // The usual 32-bit window layout is the picture's own: rows are copied as they are.
    if (f->BytesPerPixel == 4 && f->Rmask == 0x00ff0000u && f->Gmask == 0x0000ff00u &&
        f->Bmask == 0x000000ffu && SDL_LockSurface(target) == 0) {
        auto* pixels = static_cast<std::uint8_t*>(target->pixels);
        for (int y = 0; y < h; ++y)
            std::memcpy(pixels + static_cast<std::size_t>(y) * target->pitch,
                        bgra + static_cast<std::size_t>(y) * width * 4,
                        static_cast<std::size_t>(w) * 4);
        SDL_UnlockSurface(target);
    } else {
        // Note: the picture is borrowed, not copied; the blit converts it to the window's layout.
        SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<std::uint8_t*>(bgra), width, height, 32, width * 4, SDL_PIXELFORMAT_BGRA32);
        if (!picture) return;
        SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_NONE);
        SDL_BlitSurface(picture, nullptr, target, nullptr);
        SDL_FreeSurface(picture);
    }
    const Uint32 dark = SDL_MapRGB(f, 0x18, 0x18, 0x1c);
    if (w < target->w) {
        const SDL_Rect right{w, 0, target->w - w, target->h};
        SDL_FillRect(target, &right, dark);
    }
    if (h < target->h) {
        const SDL_Rect below{0, h, w, target->h - h};
        SDL_FillRect(target, &below, dark);
    }
}

void ViewWindow::show(const std::uint8_t* bgra, int width, int height, const StatusView& text) {
    if (!bgra || width < 1 || height < 1) return;
    Impl& w = *m_impl;
    w.shown = bgra;
    w.shownWidth = width;
    w.shownHeight = height;
    showAgain(text);
}

void ViewWindow::showAgain(const StatusView& text) {
    Impl& w = *m_impl;
    if (windowDestroyed()) return;
    SDL_Surface* target = SDL_GetWindowSurface(w.window);
    if (!target) return;
    if (!w.shown)
        SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 0x18, 0x18, 0x1c));
    else
        blitBgra(target, w.shown, w.shownWidth, w.shownHeight);
    drawStatus(target, text);
    SDL_UpdateWindowSurface(w.window);
}

std::string noDisplayMessage(const std::string& reason) {
    return "tarn view: cannot open a window: " + reason +
           ".\nWithout a display, use the headless view commands (viewPort, viewCamera, "
           "viewFit, viewEvent,\nviewStroke, viewCapture, viewSnapshot) in a script or with "
           "tarn -c.\n";
}

}  // namespace tarn::window
