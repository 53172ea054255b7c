#pragma once
/// The host side of an attribute: its description (names, kind, flags, defaults, limits,
/// children) and, once a node type owns it, its place in that type's storage layout.
/// Created by the attribute function sets; owned jointly by the handles that refer to it.

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "frame/k_attribute.h"
#include "frame/k_data_cell.h"
#include "frame/k_math.h"
#include "frame/k_object.h"

namespace tarn {

class NodeType;

class AttributeImpl final : public ObjectImpl, public std::enable_shared_from_this<AttributeImpl> {
public:
    AttributeImpl(KFn::Type fnType, std::string longName, std::string shortName)
        : fnType(fnType), longName(std::move(longName)), shortName(std::move(shortName)) {}
    ~AttributeImpl() override;
    KFn::Type apiType() const override { return fnType; }

    /// The attribute behind a handle, or null when the handle holds something else.
    static AttributeImpl* from(const KObject& object);
    static std::shared_ptr<AttributeImpl> sharedFrom(const KObject& object);

    bool isCompound() const { return kind == CellKind::kCompound; }
    bool isLeaf() const { return kind != CellKind::kCompound; }
    /// Numeric leaves (booleans, integers, floats, doubles) hold one number cell.
    bool isNumericLeaf() const {
        return kind == CellKind::kBool || kind == CellKind::kInt || kind == CellKind::kFloat ||
               kind == CellKind::kDouble;
    }
    /// True when `other` is this attribute or one of its descendants.
    bool contains(const AttributeImpl* other) const;
    /// The outermost compound this attribute belongs to (itself when it has no parent).
    const AttributeImpl* root() const;

    // Description.
    KFn::Type fnType;
    std::string longName;
    std::string shortName;
    CellKind kind = CellKind::kNone;
    KFnNumericData::Type numericType = KFnNumericData::kInvalid;
    KFnData::Type dataType = KFnData::kInvalid;

    bool readable = true;
    bool writable = true;
    bool connectable = true;
    bool storable = true;
    bool cached = true;
    bool array = false;
    bool indexMatters = true;
    bool keyable = false;
    bool hidden = false;
    bool usedAsColor = false;
    bool channelBox = false;
    bool renderSource = false;
    bool affectsAppearance = false;
    KFnAttribute::DisconnectBehavior disconnectBehavior = KFnAttribute::kNothing;

    double defaultValue = 0.0;  ///< numeric leaves (an address default is kept in defaultAddr)
    void* defaultAddr = nullptr;
    std::optional<double> minValue, maxValue, softMinValue, softMaxValue;
    KMatrix defaultMatrix;
    std::string defaultString;
    KObject defaultData;
    std::vector<std::pair<std::string, short>> enumFields;

    AttributeImpl* parent = nullptr;  ///< not owning: a compound owns its children
    std::vector<std::shared_ptr<AttributeImpl>> children;

    // Layout, valid while `owner` is set (see NodeType::finalize).
    const NodeType* owner = nullptr;
    int index = -1;                            ///< position in the owner's attribute list
    int subtreeEnd = -1;                       ///< one past the last descendant's index
    const AttributeImpl* arrayRoot = nullptr;  ///< nearest array attribute at or above, or null
    int arraySlot = -1;                        ///< for array attributes: their ArrayStore index
    int cell = -1;                             ///< first number cell in its scope (root or element)
    int width = 0;                             ///< number cells it spans (a matrix spans 16)
    int aux = -1;                              ///< string/data slot in its scope, leaves only
    bool computed = false;                     ///< affected by some attribute: an output
    /// An output that depends on more than the graph sees (a shape's world-space mesh on its
    /// parents' transforms): every read computes it, clean or not.
    bool computeOnEveryRead = false;
    std::vector<CellKind> cellKinds;  ///< kind of each number cell it spans
};

}  // namespace tarn
