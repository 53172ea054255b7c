#include "host/window/input_commands.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "frame/k_string.h"

#include "host/view/active_view.h"

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
        case PointerAction::Move:
            break;
    }
    return "press";
}

// Pixels become degrees and dolly fractions by dividing by a whole number, so a pointer move
// gives the double nearest the decimal a person expects (12 px: 4.8 degrees, not 4.800...01).
constexpr double kPixelsPer10Degrees = 25.0;
constexpr double kPixelsPerDollyStep = 200.0;

}  // namespace

std::string navigationCommand(int button, int dx, int dy, bool continues) {
    if (dx == 0 && dy == 0) return {};
    const std::string flag = continues ? "-continue " : "";
    switch (button) {
        case 1:
            return "viewTumble " + flag + numberText(-dx * 10.0 / kPixelsPer10Degrees) + " " +
                   numberText(dy * 10.0 / kPixelsPer10Degrees);
        case 2:
            return "viewTrack " + flag + std::to_string(dx) + " " + std::to_string(-dy);
        case 3: {
            const double f = std::clamp((dx + dy) / kPixelsPerDollyStep, -0.5, 0.5);
            return f == 0.0 ? std::string() : "viewDolly " + flag + numberText(f);
        }
        default:
            return {};
    }
}

std::string wheelCommand(int button, bool continues) {
    const std::string flag = continues ? "-continue " : "";
    if (button == 4) return "viewDolly " + flag + "0.1";
    if (button == 5) return "viewDolly " + flag + "-0.1";
    return {};
}

std::string pointerCommand(const PointerInput& input, int portHeight) {
    // Alt drags move the camera; the wheel and extra buttons are not tool events.
    if (input.mods.alt || input.button < 1 || input.button > 3 || portHeight < 1 ||
        input.action == PointerAction::Move)
        return {};
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
    if (mods.ctrl && !mods.alt && !shifted && lower == 's') return "file -save";
    if (mods.ctrl || mods.alt || shifted) return {};
    if (lower == 'f') return "viewFit -selection";
    if (lower == 'a') return "viewFit";
    if (lower == '[') return "viewHistory -back";
    if (lower == ']') return "viewHistory -forward";
    return {};
}

std::string windowTitle(const std::string& sceneFile, bool modified) {
    std::string title = "tarn view";
    if (!sceneFile.empty()) title += " - " + sceneFile.substr(sceneFile.find_last_of('/') + 1);
    return modified ? title + " *" : title;
}

bool movesCameraOnly(const std::string& text) {
    if (text.find(';') != std::string::npos) return false;
    for (const char* move : {"viewTumble ", "viewTrack ", "viewDolly "})
        if (text.rfind(move, 0) == 0) return true;
    return text == "viewFit" || text == "viewFit -selection" || text == "viewHistory -back" ||
           text == "viewHistory -forward";
}

std::string resizeCommand(int width, int height) {
    if (width < 1 || height < 1) return {};
    return "viewPort " + std::to_string(std::min(width, view::kMaxPortSide)) + " " +
           std::to_string(std::min(height, view::kMaxPortSide));
}

namespace {

// The text up to its first line feed.
std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

}  // namespace

std::string statusText(bool ok, const std::string& shown, const std::string& error,
                       const std::vector<std::string>& warnings) {
    if (!ok) return "Error: " + firstLine(error);
    if (warnings.empty()) return firstLine(shown);
    std::string status = "Warning: " + firstLine(warnings.back());
    if (warnings.size() > 1) status += " (" + std::to_string(warnings.size()) + " warnings)";
    const std::string rest = firstLine(shown);
    if (!rest.empty()) status += " | " + rest;
    return status;
}

std::string startStatus() {
    return "Alt+drag: navigate  |  ':' type a command  |  '?' or F1: help  |  F2 outliner, F3 "
           "attributes, F4 tool settings, F5 console";
}

std::string undoStatus(bool undone, const std::string& summary) {
    const std::string what = firstLine(summary);
    if (what.empty()) return undone ? "undo" : "redo";
    return (undone ? "Undo: " : "Redo: ") + what;
}

std::string toolStatus(const std::string& tool, const std::string& help) {
    const std::string line = firstLine(help);
    return line.empty() ? "Tool: " + tool : line;
}

const std::vector<std::string>& helpLines() {
    static const std::vector<std::string> lines = {
        "Alt+left / middle / right drag: tumble / track / dolly the camera; the wheel dollies",
        "f: frame the selection   a: frame all   [ and ]: the previous and next view",
        "left / middle / right drag: the active tool (Shift, Ctrl); the selection tool picks",
        ": or Enter: type a command (Enter runs it, Escape leaves, Up/Down recall, PgUp/PgDn "
        "scroll)",
        "Ctrl+Z / Ctrl+Shift+Z: undo / redo (camera moves are not undone: use [ and ])",
        "F2 outliner, F3 attribute editor, F4 tool settings, F5 script console: open and close "
        "the panels",
        "? or F1: this help. The terminal takes commands too; everything is journalled.",
    };
    return lines;
}

}  // namespace tarn::window
