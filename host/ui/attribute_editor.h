#pragma once
/// The attribute editor panel's model: for a node, the tabs a person moves between (the
/// nodes of its shape's history and shading network) and its attributes with what a widget
/// needs (kind, value, limits, flags, meaning), read afresh on each call; and the command text
/// of every change. Main thread only.
///
/// Tabs of a node:
/// - a DAG node: its transform, the transform's shapes, then for each mesh shape its history
///   (nearest first) and each shading group of its faces followed by the group's network
///   (surface shader, then what feeds it: textures, placements);
/// - a node in a mesh's history: the tabs of the mesh it feeds, that node's tab current;
/// - a shading group, shader or texture: the node, then its network;
/// - anything else: the node alone.

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarn::ui {

/// What widget an attribute wants.
enum class AttributeWidget {
    Bool,      ///< a check box
    Int,       ///< an int slider (or drag field without a range)
    Float,     ///< a float slider (or drag field without a range)
    Enum,      ///< a choice among named fields
    String,    ///< a text field
    Color,     ///< a colour compound of three numbers (a colour picker)
    Vector,    ///< a compound of two or three numbers
    Matrix,    ///< sixteen numbers, shown read-only
    Compound,  ///< any other compound: its children are rows of their own
    Array,     ///< a multi attribute: its element count only
    Data,      ///< mesh or other data: no value shown
    Message,   ///< a connection-only attribute: no value
};

struct EnumField {
    std::string name;
    int value = 0;
};

struct AttributeRow {
    std::string name;       ///< long name
    std::string shortName;  ///< short name
    std::string plug;       ///< "node.longName" (children: "node.childLongName")
    AttributeWidget widget = AttributeWidget::Data;
    std::vector<double> values;     ///< the numbers (one for a scalar, one per child of a compound)
    std::string text;               ///< the string of a String row
    std::vector<EnumField> fields;  ///< Enum rows
    std::vector<AttributeRow> children;                ///< Compound rows
    std::vector<std::string> childNames;               ///< Color, Vector: the children's long names
    int elementCount = 0;                              ///< Array rows
    std::optional<double> minValue, maxValue;          ///< hard limits (setAttr clamps to them)
    std::optional<double> softMinValue, softMaxValue;  ///< the range a slider shows
    /// The span a slider shows: the soft range, else the hard one; `hasSlider` false when
    /// neither gives both ends (a drag field fits then).
    bool hasSlider = false;
    double sliderMin = 0.0, sliderMax = 0.0;
    bool keyable = false, hidden = false, readable = true, writable = true, storable = true;
    bool output = false;     ///< computed by the node (shown read-only)
    bool connected = false;  ///< driven by a connection
    std::string source;      ///< the plug driving it, when connected
    bool locked = false;     ///< it, a parent or a child is locked
    bool editable = false;   ///< a setAttr of it would be accepted now
    std::string meaning;     ///< what it does, as `help NODE_TYPE` says it ("" when unknown)
};

struct AttributeTab {
    std::string node;  ///< the node's name
    std::string type;  ///< its node type
    /// "transform", "shape", "history", "shading group", "shader", "texture", "placement",
    /// "set" or "node".
    std::string role;
};

struct AttributeTabs {
    std::vector<AttributeTab> tabs;
    int current = -1;  ///< the tab of the node asked for (-1 when there is no such node)
};

class AttributeEditor {
public:
    /// The tabs for `node` (see above); no tabs when there is no such node.
    AttributeTabs tabs(const std::string& node) const;
    /// The attributes of `node` in the type's order, children inside their compounds; empty
    /// when there is no such node. Outputs are evaluated to show their values (data is not).
    std::vector<AttributeRow> rows(const std::string& node);

    /// `setAttr PLUG V...` for numbers (ints and enums rounded, booleans 0 or 1); empty when the
    /// row takes no numbers or the count differs from the row's.
    static std::string setText(const AttributeRow& row, std::span<const double> values);
    /// `setAttr -type "string" PLUG "TEXT"` for a String row (the text quoted); empty otherwise.
    static std::string setText(const AttributeRow& row, const std::string& text);

private:
    const std::map<std::string, std::string>& meaningsFor(const std::string& pluginPath);

    /// Plug-in notes read once per plug-in file (they do not change while the host runs).
    std::map<std::string, std::map<std::string, std::string>> m_meanings;
};

/// A slider drag as texts, so that the whole drag is one undo step: begin() opens an undo
/// chunk (`undoInfo -openChunk -chunkName "drag PLUG"`), the moves in between are ordinary
/// setAttr texts, end() closes it (`undoInfo -closeChunk`). The texts are journalled like any
/// other, so a replayed session takes the drag back in one undo too.
class SliderDrag {
public:
    /// The text to run as a drag on `plug` starts; a drag still open is closed first.
    std::string begin(const std::string& plug);
    /// The text to run as the drag ends; empty when no drag is open.
    std::string end();
    bool active() const { return m_active; }
    const std::string& plug() const { return m_plug; }

private:
    bool m_active = false;
    std::string m_plug;
};

}  // namespace tarn::ui
