#include "host/window/panels/panel_layer.h"

#include <GL/gl.h>
#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <vector>

#include "host/scene/selection.h"
#include "host/ui/attribute_editor.h"
#include "host/ui/console.h"
#include "host/ui/outliner.h"
#include "host/ui/tool_settings.h"
#include "host/view/gl_context.h"
#include "host/view/scene_layer.h"
#include "host/view/tool_contexts.h"
#include "host/view/view_frame.h"
#include "host/window/panels/imgui_gl.h"
#include "host/window/view_window.h"

namespace tarn::window::panels {

namespace {

using Clock = std::chrono::steady_clock;

// The UI library's key index for one of the window's key names (-1: none it uses).
int imguiKey(const std::string& name) {
    static const std::pair<const char*, int> keys[] = {
        {"Tab", ImGuiKey_Tab},
        {"Left", ImGuiKey_LeftArrow},
        {"Right", ImGuiKey_RightArrow},
        {"Up", ImGuiKey_UpArrow},
        {"Down", ImGuiKey_DownArrow},
        {"Prior", ImGuiKey_PageUp},
        {"Next", ImGuiKey_PageDown},
        {"Home", ImGuiKey_Home},
        {"End", ImGuiKey_End},
        {"Delete", ImGuiKey_Delete},
        {"BackSpace", ImGuiKey_Backspace},
        {"Return", ImGuiKey_Enter},
        {"KP_Enter", ImGuiKey_KeyPadEnter},
        {"Escape", ImGuiKey_Escape},
        {"a", ImGuiKey_A},
        {"c", ImGuiKey_C},
        {"v", ImGuiKey_V},
        {"x", ImGuiKey_X},
        {"y", ImGuiKey_Y},
        {"z", ImGuiKey_Z},
    };
    for (const auto& [n, k] : keys)
        if (name == n) return k;
    return -1;
}

// The window's mouse button (1 left, 2 middle, 3 right) as the UI library numbers it.
int imguiButton(int button) {
    return button == 1 ? 0 : button == 3 ? 1 : button == 2 ? 2 : -1;
}

// The node an attribute editor shows for the active selection: its newest item's node
// ("pCube1.f[2]" gives pCube1).
std::string selectedNode() {
    const std::vector<std::string> names = scene::selectionStrings(scene::activeSelection());
    if (names.empty()) return {};
    const std::string& last = names.back();
    return last.substr(0, last.find('.'));
}

// A number a float holds exactly, as the shortest decimal that reads back as that float;
// other numbers as they are.
double floatShortest(double v) {
    const float f = static_cast<float>(v);
    if (!std::isfinite(v) || static_cast<double>(f) != v) return v;
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, f);
    if (error != std::errc()) return v;
    *end = '\0';
    return std::strtod(text, nullptr);
}

// True while a text field has the keyboard. The library's own flag lags a frame behind a
// field that let go; a field that has the keyboard is also the active item.
bool isTyping() {
    return ImGui::GetIO().WantTextInput && ImGui::IsAnyItemActive();
}

// A tooltip wrapped to a readable width.
void wrappedTooltip(const std::string& text) {
    ImGui::BeginTooltip();
    ImGui::PushTextWrapPos(ImGui::GetFontSize() * 30.0f);
    ImGui::TextUnformatted(text.c_str());
    ImGui::PopTextWrapPos();
    ImGui::EndTooltip();
}

int clickModifiers(const ImGuiIO& io) {
    return (io.KeyShift ? ui::kShift : 0) | (io.KeyCtrl ? ui::kCtrl : 0);
}

}  // namespace

// A panel (or popup) as drawn: its rectangle, what it showed (a hash of its draw lists), and
// its picture, opaque (drawn on the panels' ground).
struct PanelPicture {
    Rect rect;
    std::uint64_t hash = 0;
    std::vector<std::uint8_t> pixels;  // BGRA, rect.w x rect.h, rows top first
};

struct PanelLayer::Impl {
    Runner run;
    Changed changed;
    ImGuiContext* context = nullptr;
    int width = 0, height = 0;  // the window's size at the last frame
    Clock::time_point lastFrame = Clock::now();
    // Texts and work the frame's widgets asked for, done once the frame is built (the models
    // are read afresh by the next frame).
    std::vector<std::function<void()>> deferred;
    bool popupOpen = false;  // a popup (a combo's list) may reach past the panels
    bool hovering = false;   // the pointer was last seen over the panels
    // The UI lays some things out a frame late (a tab bar's new tabs): such a frame is built
    // again before it is shown.
    bool settle = false;
    std::vector<std::string> lastTabs;
    // Each picture is drawn in a GL context of its own (OSMesa, the process's one GL), so its
    // buffer keeps its size from frame to frame instead of being made again for each picture.
    struct PictureContext {
        std::unique_ptr<view::GlContext> gl;
        unsigned font = 0;  // the font's texture in that context
    };
    std::map<std::string, PictureContext> contexts;
    float ground[3] = {0.0f, 0.0f, 0.0f};  // the panels' background colour
    std::vector<PanelPicture> pictures;    // the pictures of the last paint, in order

    // Outliner
    std::string renaming;  // the key of the row being renamed ("" none)
    std::string renameText;
    bool renameFocus = false;
    std::string outlinerMessage;

    // Attribute editor
    ui::AttributeEditor editor;
    ui::SliderDrag drag;
    std::string shownSelection;  // the selected node the tabs were last opened for
    bool selectTab = false;      // open the selection's own tab in the next frame
    bool showHidden = false;
    std::string meaning;  // the meaning of the attribute last used

    // Tool settings
    ui::ToolSettings tools;

    // Console
    ui::Console console;
    std::string consoleBuffer;
    enum class ConsoleAction { None, Submit, Up, Down, Complete };
    ConsoleAction consoleAction = ConsoleAction::None;
    bool consoleActive = false;   // its input had the keyboard in the last frame
    bool consoleReplace = false;  // the field takes the model's input in the next frame
    std::size_t consoleCursor = std::string::npos;
    std::size_t consoleShown = 0;  // entries shown at the last frame (scrolls to new ones)
    std::string candidates;        // completion candidates when there were several
    std::string recalled;          // the text the last Up or Down brought

    void queue(std::string text) {
        if (!text.empty()) deferred.push_back([this, text = std::move(text)] { run(text); });
    }

    void step() { buildFrame(width, height); }

    // A panel being resized by its inner edge (-1: none) and the size it would take.
    int resizing = -1;
    int resizeSize = 0;
    // The panel whose inner edge is at (x, y), give or take a few pixels; -1 for none.
    int edgeAt(const PanelGeometry& g, int x, int y) const {
        constexpr int kGrip = 3;
        const auto near = [](int a, int b) { return a - b <= kGrip && b - a <= kGrip; };
        const Rect& o = g[ui::Panel::Outliner];
        if (!o.empty() && near(x, o.x + o.w) && y >= o.y && y < o.y + o.h)
            return static_cast<int>(ui::Panel::Outliner);
        for (ui::Panel p : {ui::Panel::AttributeEditor, ui::Panel::ToolSettings}) {
            const Rect& r = g[p];
            if (!r.empty() && near(x, r.x) && y >= r.y && y < r.y + r.h) return static_cast<int>(p);
        }
        const Rect& c = g[ui::Panel::Console];
        if (!c.empty() && near(y, c.y) && x >= c.x && x < c.x + c.w)
            return static_cast<int>(ui::Panel::Console);
        return -1;
    }
    // The size a panel takes with its inner edge at (x, y), within the panel's range.
    int sizeAt(ui::Panel panel, int x, int y) const {
        const ui::PanelInfo& info = ui::panelInfo(panel);
        const int size = info.side == ui::PanelSide::Left    ? x
                         : info.side == ui::PanelSide::Right ? width - x
                                                             : height - kStatusBarHeight - y;
        return std::clamp(size, info.minSize, info.maxSize);
    }
    void buildFrame(int w, int h);
    void drawOutliner(const Rect& r);
    void drawAttributes(const Rect& r);
    void drawAttributeRow(const ui::AttributeRow& row, bool* anyActive);
    void drawTools(const Rect& r);
    void drawToolChoice(const std::string& current);
    void drawConsole(const Rect& r);
    bool beginPanel(ui::Panel panel, const Rect& r);
    int consoleCallback(ImGuiInputTextCallbackData* data);
    // Draws the lists into the picture's pixels with GL. False when GL refuses.
    bool drawPicture(const std::vector<ImDrawList*>& lists, const std::string& owner,
                     PanelPicture& p);
};

PanelLayer::PanelLayer(Runner run, Changed changed) : m_impl(std::make_unique<Impl>()) {
    m_impl->run = std::move(run);
    m_impl->changed = std::move(changed);
    m_impl->context = ImGui::CreateContext();
    ImGui::SetCurrentContext(m_impl->context);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;  // the layout lives in the preferences, not in a file of its own
    io.LogFilename = nullptr;
    for (int k = 0; k < ImGuiKey_COUNT; ++k) io.KeyMap[k] = k;
    io.BackendRendererName = "tarn-osmesa";
    io.BackendFlags |= ImGuiBackendFlags_RendererHasVtxOffset;
    ImGui::StyleColorsDark();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0.0f;
    style.WindowBorderSize = 1.0f;
    // Opaque panels and popups: a panel's picture is laid by copying its rows. A panel's ground
    // is the picture's clear colour rather than a quad the UI draws (filling every pixel with
    // the software rasteriser costs more than the rest of a panel).
    const ImVec4 bg = style.Colors[ImGuiCol_WindowBg];
    m_impl->ground[0] = bg.x, m_impl->ground[1] = bg.y, m_impl->ground[2] = bg.z;
    style.Colors[ImGuiCol_WindowBg].w = 0.0f;
    style.Colors[ImGuiCol_PopupBg].w = 1.0f;
    // The tool-property window exists from the start when the tool-settings panel will show:
    // a start-up script's tool edit hooks find it.
    if (ui::panelState(ui::Panel::ToolSettings).open) m_impl->tools.open();
    // The font atlas is built now; its texture is made when GL is first current.
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
}

PanelLayer::~PanelLayer() {
    ImGui::SetCurrentContext(m_impl->context);
    ImGui::DestroyContext(m_impl->context);
}

PanelGeometry PanelLayer::geometry(int width, int height) const {
    return panelGeometry(width, height, currentPanelStates(), kStatusBarHeight);
}

std::string PanelLayer::toggleText(ui::Panel panel) {
    return ui::panelToggleText(panel);
}

bool PanelLayer::panelForKey(const std::string& keyName, ui::Panel* panel) {
    for (const ui::PanelInfo& info : ui::panelTable())
        if (keyName == info.shortcut) {
            if (panel) *panel = info.panel;
            return true;
        }
    return false;
}

std::string PanelLayer::keysText() {
    std::string text;
    for (const ui::PanelInfo& info : ui::panelTable()) {
        if (!text.empty()) text += "  ";
        text += std::string(info.shortcut) + " " + info.title;
    }
    return text;
}

bool PanelLayer::typing() const {
    ImGui::SetCurrentContext(m_impl->context);
    return isTyping();
}

bool PanelLayer::pointer(const PointerInput& input) {
    Impl& m = *m_impl;
    ImGui::SetCurrentContext(m.context);
    ImGuiIO& io = ImGui::GetIO();
    io.KeyShift = input.mods.shift;
    io.KeyCtrl = input.mods.ctrl;
    io.KeyAlt = input.mods.alt;
    const ImVec2 at(static_cast<float>(input.x), static_cast<float>(input.y));
    const PanelGeometry g = geometry(m.width, m.height);
    const bool over = std::any_of(g.panels.begin(), g.panels.end(),
                                  [&](const Rect& r) { return r.contains(input.x, input.y); });
    if (input.action == PointerAction::Move) {
        // What is under the pointer shows (a row's highlight, an attribute's meaning); leaving
        // the panels clears it once.
        if (over || m.popupOpen || m_pointerHeld) {
            io.MousePos = at;
            m.hovering = true;
        } else if (m.hovering) {
            io.MousePos = ImVec2(-FLT_MAX, -FLT_MAX);
            m.hovering = false;
        } else {
            return false;
        }
        m.step();
        return true;
    }
    if (input.action == PointerAction::Press && (input.button == 4 || input.button == 5)) {
        if (!over) return false;
        io.MousePos = at;
        io.MouseWheel += input.button == 4 ? 1.0f : -1.0f;
        m.step();
        return true;
    }
    const int button = imguiButton(input.button);
    if (button < 0) return false;
    // A panel's inner edge dragged with the left button resizes it; the size is kept in the
    // preferences when the button is let go.
    if (input.action == PointerAction::Press && button == 0 && !m_pointerHeld) {
        const int edge = m.edgeAt(g, input.x, input.y);
        if (edge >= 0) {
            m.resizing = edge;
            m.resizeSize = m.sizeAt(static_cast<ui::Panel>(edge), input.x, input.y);
            m_pointerHeld = true;
            m.step();
            return true;
        }
    }
    if (m.resizing >= 0) {
        const auto panel = static_cast<ui::Panel>(m.resizing);
        if (input.action == PointerAction::Drag || input.action == PointerAction::Release)
            m.resizeSize = m.sizeAt(panel, input.x, input.y);
        if (input.action == PointerAction::Release) {
            // The right column's panels share its width.
            const bool right =
                panel == ui::Panel::AttributeEditor || panel == ui::Panel::ToolSettings;
            for (const ui::PanelInfo& info : ui::panelTable())
                if (info.panel == panel ||
                    (right && info.side == ui::PanelSide::Right && ui::panelState(info.panel).open))
                    m.queue(ui::panelSizeText(info.panel, m.resizeSize));
            m.resizing = -1;
            m_pointerHeld = false;
        }
        m.step();
        return true;
    }
    if (input.action == PointerAction::Press) {
        if (m_pointerHeld && io.MouseDown[button]) {
            // The release of the last press never came (let go outside the window): that
            // press ends here.
            io.MouseDown[button] = false;
            m.step();
            m_pointerHeld = false;
        }
        if (m_pointerHeld) return true;  // another button while one is held
        if (!over && !m.popupOpen) {
            // A press in the view takes the keyboard back from a text field of the panels.
            if (isTyping()) {
                io.MousePos = at;
                io.MouseDown[0] = true;
                m.step();
                io.MouseDown[0] = false;
                m.step();
            }
            return false;
        }
        io.MousePos = at;
        m.step();  // hovering first: the press lands on what is under the pointer
        if (!over && !io.WantCaptureMouse) return false;
        m_pointerHeld = true;
        io.MouseDown[button] = true;
        m.step();
        return true;
    }
    if (!m_pointerHeld) return false;
    io.MousePos = at;
    if (input.action == PointerAction::Release) {
        io.MouseDown[button] = false;
        m_pointerHeld = std::any_of(std::begin(io.MouseDown), std::end(io.MouseDown),
                                    [](bool down) { return down; });
    }
    m.step();
    return true;
}

bool PanelLayer::key(const std::string& keyName, const Modifiers& mods) {
    Impl& m = *m_impl;
    ImGui::SetCurrentContext(m.context);
    ui::Panel panel;
    if (panelForKey(keyName, &panel)) {
        // A drag still open ends with the panel's change of layout.
        m.queue(m.drag.end());
        m.queue(toggleText(panel));
        for (auto& work : m.deferred) work();
        m.deferred.clear();
        // Two frames of the new layout: a text field of a panel that closed lets the keyboard
        // go (the UI notices a missing field a frame late).
        m.step();
        m.step();
        return true;
    }
    ImGuiIO& io = ImGui::GetIO();
    if (!isTyping()) return false;
    io.KeyShift = mods.shift;
    io.KeyCtrl = mods.ctrl;
    io.KeyAlt = mods.alt;
    if (m.consoleActive) {
        // The console's own keys: Enter runs the input, Up and Down walk the history (while
        // the input is one line, or a text the walk brought), Tab completes. Shift+Enter adds
        // a line.
        using A = Impl::ConsoleAction;
        A action = A::None;
        const bool oneLine =
            m.consoleBuffer.find('\n') == std::string::npos || m.consoleBuffer == m.recalled;
        if ((keyName == "Return" || keyName == "KP_Enter") && !mods.shift)
            action = A::Submit;
        else if (keyName == "Up" && oneLine)
            action = A::Up;
        else if (keyName == "Down" && oneLine)
            action = A::Down;
        else if (keyName == "Tab")
            action = A::Complete;
        if (action != A::None) {
            m.consoleAction = action;
            m.step();
            // The input takes what ran (or the line added) before more is typed.
            m.step();
            io.KeyShift = io.KeyCtrl = io.KeyAlt = false;
            return true;
        }
    }
    const int k = imguiKey(keyName);
    if (k < 0) return true;  // typed characters come as text
    io.KeysDown[k] = true;
    m.step();
    io.KeysDown[k] = false;
    m.step();
    // Modifiers hold for this key only (typed text comes without them).
    io.KeyShift = io.KeyCtrl = io.KeyAlt = false;
    return true;
}

bool PanelLayer::text(const std::string& text) {
    Impl& m = *m_impl;
    ImGui::SetCurrentContext(m.context);
    ImGuiIO& io = ImGui::GetIO();
    if (!isTyping()) return false;
    io.KeyCtrl = io.KeyAlt = false;
    io.AddInputCharactersUTF8(text.c_str());
    m.step();
    return true;
}

void PanelLayer::frame(int width, int height) {
    ImGui::SetCurrentContext(m_impl->context);
    // A few frames at most while the UI settles (new tabs laid out, a field taking the
    // keyboard).
    for (int i = 0; i < 4 && (i == 0 || m_impl->settle); ++i) {
        m_impl->settle = false;
        m_impl->buildFrame(width, height);
    }
}

void PanelLayer::Impl::buildFrame(int w, int h) {
    width = w;
    height = h;
    ImGuiIO& io = ImGui::GetIO();
    io.DisplaySize = ImVec2(static_cast<float>(std::max(1, w)), static_cast<float>(std::max(1, h)));
    const Clock::time_point now = Clock::now();
    io.DeltaTime = std::max(1e-4f, std::chrono::duration<float>(now - lastFrame).count());
    lastFrame = now;
    ImGui::NewFrame();
    const PanelGeometry g = panelGeometry(w, h, currentPanelStates(), kStatusBarHeight);
    // The tool-property window exists while the tool-settings panel shows.
    const bool toolsShown = !g[ui::Panel::ToolSettings].empty();
    if (toolsShown && !tools.isOpen()) tools.open();
    if (!toolsShown && tools.isOpen()) tools.close();
    if (!g[ui::Panel::Outliner].empty()) drawOutliner(g[ui::Panel::Outliner]);
    if (!g[ui::Panel::AttributeEditor].empty()) drawAttributes(g[ui::Panel::AttributeEditor]);
    if (toolsShown) drawTools(g[ui::Panel::ToolSettings]);
    if (!g[ui::Panel::Console].empty()) {
        drawConsole(g[ui::Panel::Console]);
    } else {
        consoleActive = false;
    }
    if (resizing >= 0) {
        // Where the edge being dragged would go.
        const ui::PanelInfo& info = ui::panelInfo(static_cast<ui::Panel>(resizing));
        const float bottom = static_cast<float>(h - kStatusBarHeight);
        const ImU32 colour = ImGui::GetColorU32(ImGuiCol_SeparatorActive);
        ImDrawList* top = ImGui::GetForegroundDrawList();
        if (info.side == ui::PanelSide::Bottom) {
            const float y = bottom - static_cast<float>(resizeSize);
            top->AddRectFilled(ImVec2(0.0f, y - 1.0f), ImVec2(static_cast<float>(w), y + 2.0f),
                               colour);
        } else {
            const float x =
                static_cast<float>(info.side == ui::PanelSide::Left ? resizeSize : w - resizeSize);
            top->AddRectFilled(ImVec2(x - 1.0f, 0.0f), ImVec2(x + 2.0f, bottom), colour);
        }
    }
    popupOpen = ImGui::IsPopupOpen(nullptr, ImGuiPopupFlags_AnyPopupId);
    // A name being edited takes the keyboard a frame or two after the double click.
    if (!renaming.empty() && !isTyping()) settle = true;
    ImGui::Render();
    std::vector<std::function<void()>> work;
    work.swap(deferred);
    for (auto& job : work) job();
}

bool PanelLayer::Impl::beginPanel(ui::Panel panel, const Rect& r) {
    const ui::PanelInfo& info = ui::panelInfo(panel);
    ImGui::SetNextWindowPos(ImVec2(static_cast<float>(r.x), static_cast<float>(r.y)));
    ImGui::SetNextWindowSize(ImVec2(static_cast<float>(r.w), static_cast<float>(r.h)));
    bool open = true;
    const std::string title = std::string(info.title) + "  (" + info.shortcut + ")###" + info.name;
    const bool shown =
        ImGui::Begin(title.c_str(), &open,
                     ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoResize |
                         ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);
    // The close box: the same text as the panel's key.
    if (!open) queue(toggleText(panel));
    return shown;
}

// --- Outliner -------------------------------------------------------------------------------

void PanelLayer::Impl::drawOutliner(const Rect& r) {
    if (beginPanel(ui::Panel::Outliner, r)) {
        const std::vector<ui::OutlinerRow> rows = ui::outlinerRows();
        // A row's key: its place in the tree by names, so a tree node stays open while rows
        // come and go above it.
        std::vector<std::string> keys(rows.size());
        std::vector<int> open;  // depths of the tree nodes open above the current row
        const ImGuiIO& io = ImGui::GetIO();
        const float eyeX = ImGui::GetWindowContentRegionMax().x - ImGui::GetFrameHeight();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const ui::OutlinerRow& row = rows[i];
            keys[i] = (row.parent >= 0 ? keys[row.parent] + "|" : std::string()) + row.name;
            while (!open.empty() && row.depth <= open.back()) {
                ImGui::TreePop();
                open.pop_back();
            }
            if (row.depth > static_cast<int>(open.size())) continue;  // under a closed node
            ImGui::PushID(keys[i].c_str());
            if (renaming == keys[i]) {
                // Renaming: Enter renames, Escape or a click elsewhere leaves the name.
                if (renameFocus) ImGui::SetKeyboardFocusHere();
                renameFocus = false;
                ImGui::SetNextItemWidth(-1.0f);
                const bool entered = ImGui::InputText(
                    "##rename", &renameText,
                    ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AutoSelectAll);
                if (entered) {
                    std::string why;
                    const std::string text = ui::outlinerRenameText(row.name, renameText, &why);
                    if (text.empty() && !why.empty()) outlinerMessage = why;
                    queue(text);
                    renaming.clear();
                } else if (ImGui::IsItemDeactivated()) {
                    renaming.clear();
                }
                ImGui::PopID();
                continue;
            }
            // The row's hit box ends with its name, so the eye beside it takes its own clicks.
            // The arrow opens a row; a double click renames it.
            ImGuiTreeNodeFlags flags = ImGuiTreeNodeFlags_OpenOnArrow;
            if (row.childCount == 0) flags |= ImGuiTreeNodeFlags_Leaf;
            if (row.selected) flags |= ImGuiTreeNodeFlags_Selected;
            if (row.depth == 0 && row.kind == ui::OutlinerKind::Dag)
                flags |= ImGuiTreeNodeFlags_DefaultOpen;
            const bool nodeOpen = ImGui::TreeNodeEx("##row", flags, "%s", row.name.c_str());
            if (ImGui::IsItemHovered() && ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left) &&
                !ImGui::IsItemToggledOpen()) {
                renaming = keys[i];
                renameText = row.name;
                renameFocus = true;
            } else if (ImGui::IsItemClicked(ImGuiMouseButton_Left) && !ImGui::IsItemToggledOpen()) {
                queue(ui::outlinerSelectText(row.name, clickModifiers(io)));
            }
            ImGui::SameLine();
            ImGui::TextDisabled("%s", row.type.c_str());
            if (row.hasVisibility) {
                // The eye: visibility on or off.
                ImGui::SameLine(eyeX);
                bool visible = row.visible;
                if (ImGui::Checkbox("##eye", &visible)) queue(ui::outlinerVisibilityText(row));
                if (ImGui::IsItemHovered()) ImGui::SetTooltip("visibility");
            }
            ImGui::PopID();
            if (nodeOpen && row.childCount > 0)
                open.push_back(row.depth);
            else if (nodeOpen)
                ImGui::TreePop();
        }
        while (!open.empty()) {
            ImGui::TreePop();
            open.pop_back();
        }
        if (!outlinerMessage.empty()) {
            ImGui::Separator();
            ImGui::TextWrapped("%s", outlinerMessage.c_str());
        }
    }
    ImGui::End();
}

// --- Attribute editor -----------------------------------------------------------------------

void PanelLayer::Impl::drawAttributeRow(const ui::AttributeRow& row, bool* anyActive) {
    using W = ui::AttributeWidget;
    if (row.hidden && !showHidden) return;
    ImGui::TableNextRow();
    ImGui::TableSetColumnIndex(0);
    ImGui::AlignTextToFramePadding();
    if (row.widget == W::Compound) {
        const bool open = ImGui::TreeNodeEx(row.plug.c_str(), ImGuiTreeNodeFlags_SpanFullWidth,
                                            "%s", row.name.c_str());
        if (ImGui::IsItemHovered() || ImGui::IsItemClicked()) meaning = row.meaning;
        if (open) {
            for (const ui::AttributeRow& child : row.children) drawAttributeRow(child, anyActive);
            ImGui::TreePop();
        }
        return;
    }
    ImGui::TextUnformatted(row.name.c_str());
    if (ImGui::IsItemHovered() && !row.meaning.empty()) {
        wrappedTooltip(row.meaning);
        meaning = row.name + ": " + row.meaning;
    }
    ImGui::TableSetColumnIndex(1);
    ImGui::PushID(row.plug.c_str());
    ImGui::SetNextItemWidth(-1.0f);
    const bool readOnly = !row.editable;
    if (readOnly) ImGui::BeginDisabled();
    // Numbers edited by dragging: the whole drag is one undo step. The step opens with the
    // first change (a click that changes nothing leaves no step) and closes when the widget
    // is let go.
    const auto tracked = [&](bool changed, std::vector<double> values) {
        if (ImGui::IsItemActive()) *anyActive = true;
        if (!changed) return;
        if (!drag.active() || drag.plug() != row.plug) queue(drag.begin(row.plug));
        queue(ui::AttributeEditor::setText(row, values));
    };
    switch (row.widget) {
        case W::Bool: {
            bool v = !row.values.empty() && row.values[0] != 0.0;
            const bool changed = ImGui::Checkbox("##v", &v);
            tracked(changed, {v ? 1.0 : 0.0});
            break;
        }
        case W::Int: {
            int v = row.values.empty() ? 0 : static_cast<int>(std::lround(row.values[0]));
            bool changed;
            if (row.hasSlider) {
                changed = ImGui::SliderInt("##v", &v, static_cast<int>(std::floor(row.sliderMin)),
                                           static_cast<int>(std::ceil(row.sliderMax)));
            } else {
                const int lo = row.minValue ? static_cast<int>(*row.minValue) : 0;
                const int hi = row.maxValue ? static_cast<int>(*row.maxValue) : 0;
                changed = ImGui::DragInt("##v", &v, 0.1f, lo, hi);
            }
            tracked(changed, {static_cast<double>(v)});
            break;
        }
        case W::Float: {
            double v = row.values.empty() ? 0.0 : row.values[0];
            bool changed;
            if (row.hasSlider) {
                changed = ImGui::SliderScalar("##v", ImGuiDataType_Double, &v, &row.sliderMin,
                                              &row.sliderMax, "%.3f");
            } else {
                const double lo = row.minValue.value_or(0.0), hi = row.maxValue.value_or(0.0);
                changed = ImGui::DragScalar("##v", ImGuiDataType_Double, &v, 0.01f,
                                            row.minValue ? &lo : nullptr,
                                            row.maxValue ? &hi : nullptr, "%.3f");
            }
            tracked(changed, {v});
            break;
        }
        case W::Enum: {
            const int current =
                row.values.empty() ? 0 : static_cast<int>(std::lround(row.values[0]));
            std::string shown = std::to_string(current);
            for (const ui::EnumField& f : row.fields)
                if (f.value == current) shown = f.name;
            if (ImGui::BeginCombo("##v", shown.c_str())) {
                for (const ui::EnumField& f : row.fields)
                    if (ImGui::Selectable(f.name.c_str(), f.value == current))
                        queue(ui::AttributeEditor::setText(
                            row, std::vector<double>{static_cast<double>(f.value)}));
                ImGui::EndCombo();
            }
            break;
        }
        case W::String: {
            std::string text = row.text;
            if (ImGui::InputText("##v", &text, ImGuiInputTextFlags_EnterReturnsTrue))
                queue(ui::AttributeEditor::setText(row, text));
            break;
        }
        case W::Color: {
            float c[3] = {0, 0, 0};
            for (std::size_t i = 0; i < 3 && i < row.values.size(); ++i)
                c[i] = static_cast<float>(row.values[i]);
            const bool changed = ImGui::ColorEdit3("##v", c, ImGuiColorEditFlags_Float);
            // The widget edits single floats: the components it left alone keep their values,
            // and a value a float holds exactly is written as the float's shortest text
            // (0.3, not 0.30000001192092896).
            std::vector<double> values = row.values;
            values.resize(3, 0.0);
            for (int i = 0; i < 3; ++i) {
                if (static_cast<float>(values[i]) != c[i]) values[i] = c[i];
                values[i] = floatShortest(values[i]);
            }
            tracked(changed, values);
            break;
        }
        case W::Vector: {
            std::vector<double> v = row.values;
            const bool changed =
                !v.empty() &&
                ImGui::DragScalarN("##v", ImGuiDataType_Double, v.data(),
                                   static_cast<int>(v.size()), 0.01f, nullptr, nullptr, "%.3f");
            tracked(changed, v);
            break;
        }
        case W::Matrix: {
            std::string text;
            for (std::size_t i = 0; i < row.values.size(); ++i) {
                char n[32];
                std::snprintf(n, sizeof n, "%s%g", i ? " " : "", row.values[i]);
                text += n;
            }
            ImGui::TextDisabled("%s", text.c_str());
            break;
        }
        case W::Array:
            ImGui::TextDisabled("%d element%s", row.elementCount, row.elementCount == 1 ? "" : "s");
            break;
        case W::Data:
            ImGui::TextDisabled("data");
            break;
        case W::Message:
            ImGui::TextDisabled("connections only");
            break;
        case W::Compound:
            break;
    }
    if (readOnly) ImGui::EndDisabled();
    if ((ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled) || ImGui::IsItemActive()) &&
        !row.meaning.empty())
        meaning = row.name + ": " + row.meaning;
    if (row.connected && ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled))
        ImGui::SetTooltip("driven by %s", row.source.c_str());
    ImGui::PopID();
}

void PanelLayer::Impl::drawAttributes(const Rect& r) {
    bool anyActive = false;
    if (beginPanel(ui::Panel::AttributeEditor, r)) {
        const std::string selected = selectedNode();
        if (selected != shownSelection) {
            shownSelection = selected;
            selectTab = true;
            meaning.clear();
        }
        const ui::AttributeTabs tabs = editor.tabs(shownSelection);
        std::vector<std::string> tabNodes;
        for (const ui::AttributeTab& t : tabs.tabs) tabNodes.push_back(t.node);
        if (tabNodes != lastTabs || selectTab) settle = true;
        lastTabs = std::move(tabNodes);
        if (tabs.tabs.empty()) {
            ImGui::TextWrapped(
                "Select a node (in the view or the outliner) to edit its "
                "attributes.");
        } else if (ImGui::BeginTabBar("tabs", ImGuiTabBarFlags_FittingPolicyScroll)) {
            for (int i = 0; i < static_cast<int>(tabs.tabs.size()); ++i) {
                const ui::AttributeTab& tab = tabs.tabs[i];
                const ImGuiTabItemFlags flags =
                    selectTab && i == tabs.current ? ImGuiTabItemFlags_SetSelected : 0;
                const bool open = ImGui::BeginTabItem(tab.node.c_str(), nullptr, flags);
                if (ImGui::IsItemHovered())
                    ImGui::SetTooltip("%s (%s)", tab.type.c_str(), tab.role.c_str());
                if (!open) continue;
                ImGui::TextDisabled("%s: %s", tab.role.c_str(), tab.type.c_str());
                ImGui::SameLine();
                ImGui::Checkbox("hidden", &showHidden);
                const float meaningHeight = ImGui::GetTextLineHeightWithSpacing() * 4.0f;
                if (ImGui::BeginTable("rows", 2,
                                      ImGuiTableFlags_BordersInnerH | ImGuiTableFlags_ScrollY |
                                          ImGuiTableFlags_Resizable | ImGuiTableFlags_BordersInnerV,
                                      ImVec2(0.0f, -meaningHeight))) {
                    ImGui::TableSetupColumn("attribute", ImGuiTableColumnFlags_WidthStretch, 0.4f);
                    ImGui::TableSetupColumn("value", ImGuiTableColumnFlags_WidthStretch, 0.6f);
                    for (const ui::AttributeRow& row : editor.rows(tab.node))
                        drawAttributeRow(row, &anyActive);
                    ImGui::EndTable();
                }
                ImGui::Separator();
                ImGui::TextWrapped("%s", meaning.c_str());
                ImGui::EndTabItem();
            }
            ImGui::EndTabBar();
            selectTab = false;
        }
    }
    ImGui::End();
    // A drag ends when no widget of the editor is held any more.
    if (!anyActive && drag.active()) queue(drag.end());
}

// --- Tool settings --------------------------------------------------------------------------

// The tools a person can make active: the host's selection tool and each tool context a loaded
// plug-in's command makes (its existing context, or a new one made by the command).
void PanelLayer::Impl::drawToolChoice(const std::string& current) {
    struct Choice {
        std::string label, text;
    };
    std::vector<Choice> choices{
        {view::kSelectToolName, std::string("setToolTo ") + view::kSelectToolName}};
    const view::ToolContexts& contexts = view::ToolContexts::instance();
    const std::vector<std::string> names = contexts.names();
    for (const plugins::ContextCommandEntry& c : plugins::Registry::instance().contextCommands()) {
        std::string made;
        for (const std::string& n : names)
            if (contexts.commandOf(n) == c.name) made = n;
        choices.push_back(made.empty() ? Choice{c.name, "setToolTo `" + c.name + "`"}
                                       : Choice{made, "setToolTo " + made});
    }
    ImGui::SetNextItemWidth(-1.0f);
    if (ImGui::BeginCombo("##tool", current.c_str())) {
        for (const Choice& c : choices)
            if (ImGui::Selectable(c.label.c_str(), c.label == current)) queue(c.text);
        ImGui::EndCombo();
    }
    if (ImGui::IsItemHovered()) wrappedTooltip("the active tool");
}

void PanelLayer::Impl::drawTools(const Rect& r) {
    using Kind = plugins::ToolProperty::Kind;
    if (beginPanel(ui::Panel::ToolSettings, r)) {
        const ui::ToolSettingsView view = tools.view();
        drawToolChoice(view.context);
        ImGui::Text("%s", view.title.empty() ? view.context.c_str() : view.title.c_str());
        if (!view.title.empty()) ImGui::TextDisabled("%s", view.context.c_str());
        if (view.rows.empty()) ImGui::TextWrapped("This tool has no settings.");
        for (const ui::ToolSettingRow& row : view.rows) {
            if (!row.visible) continue;
            ImGui::PushID(row.optionVar.c_str());
            ImGui::Separator();
            if (!row.enabled) ImGui::BeginDisabled();
            switch (row.kind) {
                case Kind::IntSlider: {
                    int v = static_cast<int>(std::lround(row.value));
                    ImGui::TextUnformatted(row.label.c_str());
                    ImGui::SetNextItemWidth(-1.0f);
                    if (ImGui::SliderInt("##v", &v, static_cast<int>(row.sliderMin),
                                         static_cast<int>(row.sliderMax)))
                        queue(ui::ToolSettings::setText(row, v));
                    break;
                }
                case Kind::FloatSlider: {
                    double v = row.value;
                    ImGui::TextUnformatted(row.label.c_str());
                    ImGui::SetNextItemWidth(-1.0f);
                    if (ImGui::SliderScalar("##v", ImGuiDataType_Double, &v, &row.sliderMin,
                                            &row.sliderMax, "%.3f"))
                        queue(ui::ToolSettings::setText(row, v));
                    break;
                }
                case Kind::CheckBox: {
                    bool v = row.value != 0.0;
                    if (ImGui::Checkbox(row.label.c_str(), &v))
                        queue(ui::ToolSettings::setText(row, v ? 1.0 : 0.0));
                    break;
                }
                case Kind::RadioGroup: {
                    ImGui::TextUnformatted(row.label.c_str());
                    for (int b = 0; b < static_cast<int>(row.choices.size()); ++b) {
                        if (ImGui::RadioButton(row.choices[b].c_str(), row.selected == b))
                            queue(ui::ToolSettings::chooseText(row, b));
                        if (b + 1 < static_cast<int>(row.choices.size())) ImGui::SameLine();
                    }
                    break;
                }
            }
            if (!row.enabled) ImGui::EndDisabled();
            // What it means, the option it sets and the values a person may set.
            std::string about = row.meaning + "  [" + row.optionVar;
            if (row.kind == Kind::IntSlider || row.kind == Kind::FloatSlider) {
                char range[64];
                std::snprintf(range, sizeof range, ", %g to %g", row.minValue, row.maxValue);
                about += range;
            }
            about += row.isSet ? "]" : ", not set]";
            ImGui::PushStyleColor(ImGuiCol_Text, ImGui::GetStyleColorVec4(ImGuiCol_TextDisabled));
            ImGui::TextWrapped("%s", about.c_str());
            ImGui::PopStyleColor();
            ImGui::PopID();
        }
        const std::string reset = ui::ToolSettings::resetText(view);
        if (!reset.empty()) {
            ImGui::Separator();
            if (ImGui::Button("Reset to defaults")) queue(reset);
        }
    }
    ImGui::End();
}

// --- Console --------------------------------------------------------------------------------

int PanelLayer::Impl::consoleCallback(ImGuiInputTextCallbackData* data) {
    const auto replace = [&](const std::string& text, std::size_t cursor) {
        data->DeleteChars(0, data->BufTextLen);
        data->InsertChars(0, text.c_str(), text.c_str() + text.size());
        data->CursorPos = data->SelectionStart = data->SelectionEnd =
            static_cast<int>(std::min(cursor, text.size()));
    };
    const std::string buffer(data->Buf, static_cast<std::size_t>(data->BufTextLen));
    using A = ConsoleAction;
    const A action = consoleAction;
    consoleAction = A::None;
    if (consoleReplace) {
        consoleReplace = false;
        replace(console.input(), consoleCursor);
        return 0;
    }
    if (action == A::None) return 0;
    if (buffer != console.input()) console.setInput(buffer);
    switch (action) {
        case A::Up:
        case A::Down:
            if (action == A::Up)
                console.historyUp();
            else
                console.historyDown();
            replace(console.input(), std::string::npos);
            recalled = console.input();
            break;
        case A::Complete: {
            std::size_t cursor = static_cast<std::size_t>(data->CursorPos);
            const ui::Completion c = console.complete(&cursor);
            candidates.clear();
            if (c.candidates.size() > 1)
                for (const std::string& s : c.candidates)
                    candidates += (candidates.empty() ? "" : "  ") + s;
            replace(console.input(), cursor);
            break;
        }
        case A::Submit:
            // Run once the frame is built: what runs may change anything the panels show.
            deferred.push_back([this] {
                candidates.clear();
                if (!console.submit() && !console.inputComplete() &&
                    console.input().find_first_not_of(" \t\n") != std::string::npos)
                    console.setInput(console.input() + "\n");  // a block is open: a new line
                else if (changed)
                    changed();
                consoleReplace = true;
                consoleCursor = std::string::npos;
            });
            break;
        case A::None:
            break;
    }
    return 0;
}

void PanelLayer::Impl::drawConsole(const Rect& r) {
    if (beginPanel(ui::Panel::Console, r)) {
        const float inputHeight = ImGui::GetTextLineHeight() * 3.0f + 8.0f;
        const float footer = inputHeight + ImGui::GetStyle().ItemSpacing.y * 2 +
                             (candidates.empty() ? 0.0f : ImGui::GetTextLineHeightWithSpacing());
        ImGui::BeginChild("history", ImVec2(0.0f, -footer), false,
                          ImGuiWindowFlags_HorizontalScrollbar);
        for (const ui::ConsoleEntry& e : console.entries()) {
            ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(0.55f, 0.75f, 1.0f, 1.0f));
            ImGui::TextUnformatted(("> " + e.input).c_str());
            ImGui::PopStyleColor();
            if (!e.output.empty()) {
                if (!e.ok) ImGui::PushStyleColor(ImGuiCol_Text, ImVec4(1.0f, 0.45f, 0.4f, 1.0f));
                ImGui::TextUnformatted(e.output.c_str());
                if (!e.ok) ImGui::PopStyleColor();
            }
            if (!e.result.empty()) ImGui::TextUnformatted(("// Result: " + e.result).c_str());
        }
        if (console.entries().size() != consoleShown) {
            consoleShown = console.entries().size();
            ImGui::SetScrollHereY(1.0f);
        }
        ImGui::EndChild();
        if (!candidates.empty()) ImGui::TextDisabled("%s", candidates.c_str());
        const ImGuiInputTextCallback callback = [](ImGuiInputTextCallbackData* data) {
            return static_cast<Impl*>(data->UserData)->consoleCallback(data);
        };
        ImGui::InputTextMultiline("##input", &consoleBuffer, ImVec2(-1.0f, inputHeight),
                                  ImGuiInputTextFlags_CallbackAlways, callback, this);
        consoleActive = ImGui::IsItemActive();
        if (!consoleActive && consoleReplace) {
            consoleReplace = false;
            consoleBuffer = console.input();
        }
    } else {
        consoleActive = false;
    }
    ImGui::End();
}

// --- Drawing --------------------------------------------------------------------------------

namespace {

// 64-bit FNV-1a over a run of bytes.
void mix(std::uint64_t& h, const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) h = (h ^ p[i]) * 1099511628211ull;
}

// The window pixels a draw list touches: per command, the box of the vertices it draws inside
// its clip rectangle (a window's background is clipped by the whole display); their union,
// inside the frame.
Rect listRect(const ImDrawList& list, int fw, int fh) {
    float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
    for (const ImDrawCmd& cmd : list.CmdBuffer) {
        if (cmd.ElemCount == 0 || cmd.UserCallback) continue;
        float bx0 = 1e9f, by0 = 1e9f, bx1 = -1e9f, by1 = -1e9f;
        const ImDrawIdx* idx = list.IdxBuffer.Data + cmd.IdxOffset;
        const ImDrawVert* vtx = list.VtxBuffer.Data + cmd.VtxOffset;
        for (unsigned i = 0; i < cmd.ElemCount; ++i) {
            const ImVec2& p = vtx[idx[i]].pos;
            bx0 = std::min(bx0, p.x);
            by0 = std::min(by0, p.y);
            bx1 = std::max(bx1, p.x);
            by1 = std::max(by1, p.y);
        }
        x0 = std::min(x0, std::max(bx0, cmd.ClipRect.x));
        y0 = std::min(y0, std::max(by0, cmd.ClipRect.y));
        x1 = std::max(x1, std::min(bx1, cmd.ClipRect.z));
        y1 = std::max(y1, std::min(by1, cmd.ClipRect.w));
    }
    const int l = std::max(0, static_cast<int>(std::floor(x0)));
    const int t = std::max(0, static_cast<int>(std::floor(y0)));
    const int r = std::min(fw, static_cast<int>(std::ceil(x1)));
    const int b = std::min(fh, static_cast<int>(std::ceil(y1)));
    return r > l && b > t ? Rect{l, t, r - l, b - t} : Rect{};
}

bool inside(const Rect& inner, const Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.w <= outer.x + outer.w &&
           inner.y + inner.h <= outer.y + outer.h;
}

}  // namespace

int PanelLayer::paint(std::uint8_t* bgra, int frameWidth, int frameHeight) {
    Impl& m = *m_impl;
    ImGui::SetCurrentContext(m.context);
    ImDrawData* data = ImGui::GetDrawData();
    if (!data || !data->Valid || !bgra) return 0;
    // Group the lists: a list inside the one before it (a child window, a popup over its
    // panel) is drawn in the same picture, after it.
    struct Group {
        Rect rect;
        std::vector<ImDrawList*> lists;
    };
    std::vector<Group> groups;
    for (int l = 0; l < data->CmdListsCount; ++l) {
        ImDrawList* list = data->CmdLists[l];
        const Rect r = listRect(*list, frameWidth, frameHeight);
        if (r.empty()) continue;
        if (!groups.empty() && inside(r, groups.back().rect))
            groups.back().lists.push_back(list);
        else
            groups.push_back({r, {list}});
    }
    int drawn = 0;
    std::vector<PanelPicture> pictures;
    for (const Group& g : groups) {
        std::uint64_t h = 1469598103934665603ull;
        mix(h, &g.rect, sizeof g.rect);
        for (const ImDrawList* list : g.lists) {
            mix(h, list->VtxBuffer.Data, list->VtxBuffer.size_in_bytes());
            mix(h, list->IdxBuffer.Data, list->IdxBuffer.size_in_bytes());
            for (const ImDrawCmd& cmd : list->CmdBuffer) {
                mix(h, &cmd.ClipRect, sizeof cmd.ClipRect);
                mix(h, &cmd.ElemCount, sizeof cmd.ElemCount);
                mix(h, &cmd.IdxOffset, sizeof cmd.IdxOffset);
                mix(h, &cmd.VtxOffset, sizeof cmd.VtxOffset);
            }
        }
        // The picture kept from the last paint, when nothing in it changed.
        auto kept = std::find_if(m.pictures.begin(), m.pictures.end(), [&](const PanelPicture& p) {
            return p.hash == h && p.rect == g.rect && !p.pixels.empty();
        });
        if (kept != m.pictures.end()) {
            pictures.push_back(std::move(*kept));
            continue;
        }
        PanelPicture p;
        p.rect = g.rect;
        p.hash = h;
        const char* owner = g.lists.front()->_OwnerName;
        if (m.drawPicture(g.lists, owner ? owner : "", p)) ++drawn;
        pictures.push_back(std::move(p));
    }
    m.pictures = std::move(pictures);
    // Lay the pictures in order (each is opaque: drawn on the panels' ground).
    for (const PanelPicture& p : m.pictures) {
        if (p.pixels.empty()) continue;
        for (int y = 0; y < p.rect.h; ++y)
            std::copy_n(
                p.pixels.data() + static_cast<std::size_t>(y) * p.rect.w * 4,
                static_cast<std::size_t>(p.rect.w) * 4,
                bgra + (static_cast<std::size_t>(p.rect.y + y) * frameWidth + p.rect.x) * 4);
    }
    return drawn;
}

bool PanelLayer::Impl::drawPicture(const std::vector<ImDrawList*>& lists, const std::string& owner,
                                   PanelPicture& p) {
    const Rect& r = p.rect;
    p.pixels.assign(static_cast<std::size_t>(r.w) * r.h * 4, 0);
    view::GlCurrentGuard restore;
    PictureContext& context = contexts[owner];
    if (!context.gl) context.gl = std::make_unique<view::GlContext>(view::GlContext::Format::kBgra);
    view::GlContext& gl = *context.gl;
    for (int top = 0; top < r.h; top += view::kFrameTile)
        for (int left = 0; left < r.w; left += view::kFrameTile) {
            const int w = std::min(view::kFrameTile, r.w - left),
                      h = std::min(view::kFrameTile, r.h - top);
            std::uint8_t* at = p.pixels.data() + (static_cast<std::size_t>(top) * r.w + left) * 4;
            if (!gl.makeCurrentOn(at, w, h, r.w, 0, nullptr)) return false;
            context.font = fontTexture(context.font);
            glViewport(0, 0, w, h);
            glDisable(GL_SCISSOR_TEST);
            glClearColor(ground[0], ground[1], ground[2], 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            drawLists(lists, static_cast<float>(r.x + left), static_cast<float>(r.y + top), w, h,
                      context.font);
            glFinish();
        }
    return true;
}

}  // namespace tarn::window::panels
