#pragma once
/// Undo support shared by the commands that connect plugs (connectAttr, defaultNavigation):
/// what a destination held before a connection was made, and putting a replaced connection back
/// at its old place in the graph's list so the scene reads exactly as before. Main thread only.

#include <cstddef>
#include <string>
#include <vector>

#include "frame/k_plug.h"

namespace tarn::commands {

/// A connection by plug names ("node.attr[2].child") and its place in the graph's list.
struct PlacedConnection {
    std::string source;
    std::string destination;
    std::size_t position = 0;
};

/// The connections into `destination` (its children and parents included) in list order.
std::vector<PlacedConnection> incomingConnections(const KPlug& destination);

/// Connects `c.source` to `c.destination` and puts the connection at `c.position` of the
/// graph's list (or at its end when the list is shorter). False when a plug is gone.
bool restoreConnection(const PlacedConnection& c);

/// What a destination plug holds before a connection: its numbers or text, or that it is an
/// array element the connection creates.
class DestinationValue {
public:
    /// Reads the plug's stored value (before connecting to it).
    explicit DestinationValue(const KPlug& plug);
    /// Puts the value back after the connection was taken away (removes a created element).
    void restore() const;

private:
    std::string m_plug;
    std::vector<double> m_numbers;
    std::string m_text;
    bool m_isText = false;
    bool m_created = false;
    bool m_valid = false;
};

}  // namespace tarn::commands
