#pragma once
/// A plug: one attribute of one node instance, optionally one element of an array attribute.
/// Children of an array element carry the element's logical index. Plugs are values; a plug
/// of a node that was deleted reads as null. Use from the main thread only (values may be
/// evaluated on read).

#include "frame/k_arrays.h"
#include "frame/k_object.h"
#include "frame/k_status.h"
#include "frame/k_string.h"

class KPlugArray;

class KPlug {
public:
    KPlug() = default;
    /// The plug of `attribute` on `node`; null when the node's type lacks the attribute.
    KPlug(const KObject& node, const KObject& attribute);

    bool isNull(KStatus* status = nullptr) const;
    KObject node(KStatus* status = nullptr) const { if (status) status->clear(); return m_node; }
    KObject attribute(KStatus* status = nullptr) const { if (status) status->clear(); return m_attribute; }

    /// "node.attr", "node.array[3]", "node.array[3].child" with long attribute names.
    KString name(KStatus* status = nullptr) const;
    /// As name() with short attribute names; `includeNodeName` false drops "node.".
    KString partialName(bool includeNodeName = false, bool useLongNames = false,
                        KStatus* status = nullptr) const;

    /// The plug names the whole array (no element chosen).
    bool isArray(KStatus* status = nullptr) const;
    /// The plug is one element of an array.
    bool isElement(KStatus* status = nullptr) const;
    bool isCompound(KStatus* status = nullptr) const;
    bool isChild(KStatus* status = nullptr) const;
    unsigned numChildren(KStatus* status = nullptr) const;
    /// Child plugs keep this plug's element index.
    KPlug child(unsigned index, KStatus* status = nullptr) const;
    KPlug child(const KObject& attribute, KStatus* status = nullptr) const;
    /// The compound plug this is a child of (null when none).
    KPlug parent(KStatus* status = nullptr) const;
    /// From an element (or a child of one): the whole-array plug.
    KPlug array(KStatus* status = nullptr) const;
    /// Element `logicalIndex` of an array plug; the element is created on first write.
    KPlug elementByLogicalIndex(unsigned logicalIndex, KStatus* status = nullptr) const;
    /// Element at position `physicalIndex` among the existing ones (logical-index order).
    KPlug elementByPhysicalIndex(unsigned physicalIndex, KStatus* status = nullptr) const;
    /// The element's logical index; -1 when the plug is not in an element.
    int logicalIndex(KStatus* status = nullptr) const;
    /// Number of existing elements of an array plug.
    unsigned numElements(KStatus* status = nullptr) const;
    /// Logical indices of the existing elements, ascending.
    unsigned getExistingArrayAttributeIndices(KIntArray& indices, KStatus* status = nullptr) const;

    bool isConnected(KStatus* status = nullptr) const;
    bool isSource(KStatus* status = nullptr) const;
    bool isDestination(KStatus* status = nullptr) const;
    /// Plugs connected to this one (as its source, its destinations, or both).
    bool connectedTo(KPlugArray& plugs, bool asDestination, bool asSource,
                     KStatus* status = nullptr) const;

    bool isLocked(KStatus* status = nullptr) const;
    KStatus setLocked(bool locked);
    bool isKeyable(KStatus* status = nullptr) const;

    /// Values. Reading an output evaluates it first; reading a connected input pulls its source.
    /// Numbers convert between kinds; a compound answers its first child.
    KStatus getValue(bool& value) const;
    KStatus getValue(int& value) const;
    KStatus getValue(short& value) const;
    KStatus getValue(float& value) const;
    KStatus getValue(double& value) const;
    KStatus getValue(KString& value) const;
    KStatus getValue(KObject& data) const;
    KStatus getValue(KMatrix& value) const;
    bool asBool(KStatus* status = nullptr) const;
    int asInt(KStatus* status = nullptr) const;
    short asShort(KStatus* status = nullptr) const;
    float asFloat(KStatus* status = nullptr) const;
    double asDouble(KStatus* status = nullptr) const;
    KString asString(KStatus* status = nullptr) const;
    KObject asKObject(KStatus* status = nullptr) const;

    /// Writes a value and marks what depends on it dirty. Fails on outputs fed by compute only
    /// when they are not writable, on locked plugs, and on connected destinations.
    KStatus setValue(bool value);
    KStatus setValue(int value);
    KStatus setValue(short value);
    KStatus setValue(float value);
    KStatus setValue(double value);
    KStatus setValue(const KString& value);
    KStatus setValue(const char* value) { return setValue(KString(value)); }
    KStatus setValue(const KObject& data);
    KStatus setValue(const KMatrix& value);

    /// Same node, attribute and element.
    bool operator==(const KPlug& other) const {
        return m_node == other.m_node && m_attribute == other.m_attribute && m_index == other.m_index;
    }
    bool operator!=(const KPlug& other) const { return !(*this == other); }
    /// True when the plug's attribute is `attribute` (any node, any element).
    bool operator==(const KObject& attribute) const { return m_attribute == attribute; }
    bool operator!=(const KObject& attribute) const { return m_attribute != attribute; }

    /// Host use: the element index (-1 when none) and a direct constructor.
    int elementIndex() const { return m_index; }
    KPlug(const KObject& node, const KObject& attribute, int elementIndex)
        : m_node(node), m_attribute(attribute), m_index(elementIndex) {}

private:
    KObject m_node;
    KObject m_attribute;
    int m_index = -1;
};

class KPlugArray : public KArray<KPlug> { public: using KArray::KArray; };
