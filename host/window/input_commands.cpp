#include "host/window/input_commands.h"

#include <cctype>

namespace tarn::window {

namespace {

const char* actionWord(PointerAction action) {
    switch (action) {
        case PointerAction::Press:
            return "press";
        case PointerAction::Drag:
            return "drag";
        case PointerAction::Hold:
            return "hold";
        case PointerAction::Release:
            return "release";
    }
    return "press";
}

}  // namespace

std::string pointerCommand(const PointerInput& input, int portHeight) {
    // Alt drags move the camera; the wheel and extra buttons are not tool events.
    if (input.mods.alt || input.button < 1 || input.button > 3 || portHeight < 1) return {};
    std::string text = "viewEvent";
    if (input.button == 2) text += " -button middle";
    if (input.button == 3) text += " -button right";
    if (input.mods.shift) text += " -shift";
    if (input.mods.ctrl) text += " -ctrl";
    // Flip to port coordinates: origin at the bottom-left pixel.
    const int portY = portHeight - 1 - input.y;
    text += std::string(" ") + actionWord(input.action) + " " + std::to_string(input.x) + " " +
            std::to_string(portY);
    return text;
}

std::string keyCommand(const std::string& keyName, const Modifiers& mods) {
    if (keyName.size() != 1) return {};
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(keyName[0])));
    const bool shifted = mods.shift || std::isupper(static_cast<unsigned char>(keyName[0]));
    if (mods.ctrl && !mods.alt && lower == 'z') return shifted ? "redo" : "undo";
    if (mods.ctrl || mods.alt || shifted) return {};
    if (lower == 'f') return "viewFit -selection";
    if (lower == 'a') return "viewFit";
    return {};
}

std::string resizeCommand(int width, int height) {
    if (width < 1 || height < 1) return {};
    return "viewPort " + std::to_string(width) + " " + std::to_string(height);
}

}  // namespace tarn::window
