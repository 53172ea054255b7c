#pragma once
/// Queries of the graph's connections: listConnections.

#include "host/lang/command_registry.h"

namespace tarn::commands {

/// listConnections [-s bool] [-d bool] [-p bool] [-c bool] [-type T] node|plug...
void addConnectionCommands(lang::CommandRegistry& registry);

}  // namespace tarn::commands
