#include "host/lang/command_modules.h"
#include "host/lang/stdlib/stdlib.h"

namespace tarn::lang {

void installStdlibCommands(CommandRegistry& registry) {
    stdlib::addStringProcedures(registry);
    stdlib::addArrayProcedures(registry);
    stdlib::addMathProcedures(registry);
    stdlib::addControlProcedures(registry);
    stdlib::addNodeProcedures(registry);
}

}  // namespace tarn::lang
