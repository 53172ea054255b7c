#pragma once
/// The panels drawn over the window with an immediate-mode UI (Dear ImGui): outliner,
/// attribute editor, tool settings and script console, each a thin layer over its model in
/// host/ui. Every UI frame reads the models afresh and every change a person makes becomes the
/// model's command text, handed to the window's runner (journalled, undoable); the layer keeps
/// no copy of the scene. The UI is drawn with the process's one GL (OSMesa) into pictures of
/// its own, one per panel (and per popup), laid over the view's frame last
/// (ViewFrames::Options::paint). A panel's picture is drawn again only when what it shows
/// changed, so frames where only the view changes (a tool's drag, a camera move) lay the kept
/// pictures. Main thread only.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "host/ui/panel_layout.h"
#include "host/window/input_commands.h"
#include "host/window/panels/panel_geometry.h"

namespace tarn::window::panels {

class PanelLayer {
public:
    /// Runs a command text a panel made (the window's run: journal origin, status line).
    using Runner = std::function<void(const std::string& text)>;
    /// Called after the console ran a text itself (the scene may have changed).
    using Changed = std::function<void()>;

    PanelLayer(Runner run, Changed changed);
    ~PanelLayer();
    PanelLayer(const PanelLayer&) = delete;
    PanelLayer& operator=(const PanelLayer&) = delete;

    /// The layout for a window of width x height, from the preferences.
    PanelGeometry geometry(int width, int height) const;

    /// Pointer input in window pixels. True when the panels take it: a press over a panel,
    /// the drags and release of a press they took, a move over them (and the one leaving).
    bool pointer(const PointerInput& input);
    /// True while a press the panels took is held (its drags and release are theirs).
    bool holdsPointer() const { return m_pointerHeld; }
    /// A key press; true when the panels take it (a text field of theirs has the keyboard, or
    /// a key that opens or closes a panel).
    bool key(const std::string& keyName, const Modifiers& mods);
    /// Typed text; true when a text field of the panels has the keyboard.
    bool text(const std::string& text);
    /// True while a text field of the panels has the keyboard.
    bool typing() const;

    /// Builds the UI frame shown next, for a window of width x height (runs the changes made
    /// in it). Call before drawing.
    void frame(int width, int height);
    /// Lays the last UI frame over a BGRA frame (rows top first) of the window's size: the
    /// panels whose drawing changed are drawn again with GL first. Answers how many pictures
    /// were drawn again (0: all were kept).
    int paint(std::uint8_t* bgra, int frameWidth, int frameHeight);

    /// The text that opens or closes a panel (the option variable kept in the preferences).
    static std::string toggleText(ui::Panel panel);
    /// The panel a key opens and closes ("F2" the outliner ... "F5" the console), if any.
    static bool panelForKey(const std::string& keyName, ui::Panel* panel);
    /// The keys, as the status line names them: "F2 outliner  F3 attributes ...".
    static std::string keysText();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
    bool m_pointerHeld = false;
};

}  // namespace tarn::window::panels
