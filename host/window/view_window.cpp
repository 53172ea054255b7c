#include "host/window/view_window.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "host/window/x11_connection.h"
#include "stb_easy_font.h"

namespace tarn::window {

struct ViewWindow::Impl {
    SDL_Window* window = nullptr;
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

// Writes the first line of `status` in white on a dark bar along the bottom of `surface`'s
// first `height` rows, with the public-domain stb vector font (one-pixel strokes).
void drawStatusBar(SDL_Surface* surface, int width, int height, const std::string& status) {
    const SDL_Rect bar{0, height - kStatusBarHeight, width, kStatusBarHeight};
    SDL_FillRect(surface, &bar, SDL_MapRGB(surface->format, 0x20, 0x20, 0x20));
    // About six pixels a character: keep what fits.
    std::string line = status.substr(0, status.find('\n'));
    line.resize(std::min<std::size_t>(line.size(), static_cast<std::size_t>(width / 5 + 1)));
    if (line.empty()) return;
    // Each quad is four vertices of 16 bytes (x, y, z as floats, then a colour).
    std::vector<char> vertices(line.size() * 300);
    unsigned char white[4] = {255, 255, 255, 255};
    const int quads = stb_easy_font_print(4.0f, static_cast<float>(bar.y + 5), line.data(), white,
                                          vertices.data(), static_cast<int>(vertices.size()));
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
    SDL_FillRects(surface, rects.data(), static_cast<int>(rects.size()),
                  SDL_MapRGB(surface->format, 255, 255, 255));
}

}  // namespace

ViewWindow::ViewWindow(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}

ViewWindow::~ViewWindow() {
    if (m_impl && m_impl->window) SDL_DestroyWindow(m_impl->window);
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
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, timeoutMs)) return inputs;
    do {
        WindowInput in;
        switch (e.type) {
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
                // Motion without a held button is no event for tools.
                if (!w.heldButtons) continue;
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

void ViewWindow::show(const view::RgbImage& image, const std::string& status) {
    if (image.width < 1 || image.height < 1) return;
    SDL_Surface* target = SDL_GetWindowSurface(m_impl->window);
    if (!target) return;
    // The picture is borrowed, not copied; the blit converts it to the window's pixel layout.
    SDL_Surface* picture = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<std::uint8_t*>(image.pixels.data()), image.width, image.height, 24,
        image.width * 3, SDL_PIXELFORMAT_RGB24);
    if (!picture) return;
    SDL_BlitSurface(picture, nullptr, target, nullptr);
    SDL_FreeSurface(picture);
    drawStatusBar(target, std::min(image.width, target->w), std::min(image.height, target->h),
                  status);
    SDL_UpdateWindowSurface(m_impl->window);
}

std::string noDisplayMessage(const std::string& reason) {
    return "tarn view: cannot open a window: " + reason +
           ".\nWithout a display, use the headless view commands (viewPort, viewCamera, "
           "viewFit, viewEvent,\nviewStroke, viewCapture, viewSnapshot) in a script or with "
           "tarn -c.\n";
}

}  // namespace tarn::window
