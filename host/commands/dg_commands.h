#pragma once
/// The graph's commands by family, and the lookups they share. installDgCommands (in
/// dg_commands.cpp) adds them all.

#include <string>

#include "frame/k_object.h"
#include "frame/k_plug.h"
#include "host/lang/command_registry.h"

namespace tarn::commands {

/// setAttr [-type string] [-lock bool] plug [value...] and getAttr [-lock] plug.
void addAttrCommands(lang::CommandRegistry& registry);
/// listConnections [-s bool] [-d bool] [-p bool] [-c bool] [-type T] node|plug...
void addConnectionCommands(lang::CommandRegistry& registry);

/// A plug from "node.attr...", where the node part may be a DAG path; a null plug with the
/// reason in `*error` when the node or the attribute is missing. Main thread only.
KPlug findPlug(const std::string& text, std::string* error);
/// A node by name or DAG path, scene nodes first; null when there is none.
KObject findGraphNode(const std::string& name);

}  // namespace tarn::commands
