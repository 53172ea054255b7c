#pragma once
/// What happens when the X connection under the window breaks or a request fails. Xlib's own
/// handlers end the process with a terse line (and status 1); these write a clear message
/// instead, end through exit() so the journal is flushed, and let the window go on after a
/// refused request.

#include <string>

struct SDL_Window;

namespace tarn::window {

/// The exit status of `tarn view` when the X connection is lost while the window is open.
constexpr int kConnectionLostStatus = 3;

/// The message `tarn view` writes when the X connection to `display` is lost while the window
/// is open; the process then ends with kConnectionLostStatus.
std::string connectionLostMessage(const std::string& display);

/// Installs the request error handler below before SDL starts, so that it is also the handler
/// SDL puts back when it shuts down (refusals about a window another program destroyed may
/// still arrive then). Harmless without X11.
void prepareX11Handlers();

/// When `window` is on an X11 display, replaces Xlib's connection and request error handlers
/// with the ones above, and watches the window: requests refused because another program
/// destroyed it are not reported (windowDestroyed() turns true instead). Nothing on other
/// video drivers.
void guardX11Connection(SDL_Window* window);

/// True once the X server has told (by an event or a refused request) that the watched window
/// no longer exists: another program destroyed it.
bool windowDestroyed();

/// Destroys the SDL side of a window another program destroyed, with the refusals that brings
/// taken by the handler above before SDL puts Xlib's own back (which would end the process).
void destroyDestroyedWindow(SDL_Window* window);

/// Looks at a raw X event SDL passed on (an SDL_SysWMmsg): a DestroyNotify of the watched
/// window makes windowDestroyed() true. False for any other event.
bool noteDestroyEvent(const void* sysWmMessage);

}  // namespace tarn::window
