#pragma once
/// Small helpers shared by the scene function sets: attribute handles by name and numeric
/// reads and writes of a node's attributes.

#include <string_view>

#include "frame/k_math.h"
#include "frame/k_object.h"
#include "frame/k_plug.h"

namespace tarn::scene {

/// The attribute of a live node by long or short name (null when none).
KObject attributeByName(const KObject& node, std::string_view name);
/// The plug "node.name" (null when the node has no such attribute).
KPlug plugByName(const KObject& node, std::string_view name);
/// Numeric reads (0 when missing) and writes (recorded for undo when a chunk is open).
double readNumber(const KObject& node, std::string_view name);
KVector readVector(const KObject& node, std::string_view name);
bool writeNumber(const KObject& node, std::string_view name, double value);
bool writeVector(const KObject& node, std::string_view name, const KVector& value);

}  // namespace tarn::scene
