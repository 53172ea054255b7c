// Control procedures: catch and catchQuiet let a script go on past a failure; error and warning
// report from a script.

#include "host/lang/stdlib/stdlib.h"

namespace tarn::lang::stdlib {
namespace {

// The interpreter evaluates catch's argument under a guard: a failure inside it (a failing
// command, proc, eval or error; never an interrupt) reaches the body instead of ending the
// statement. What the failing command changed is already taken back.
CommandResult catchCmd(const CommandArgs& args, CommandContext& ctx) {
    const CommandArgs::GuardedFailure& failure = args.guardedFailure();
    if (!failure.failed) return Value(std::int64_t(0));
    if (!failure.reported) ctx.error(failure.message);
    return Value(std::int64_t(1));
}

CommandResult errorCmd(const CommandArgs& args, CommandContext&) {
    std::string message = args[0].asString();
    if (message.empty()) message = "error called.";
    return CommandResult::failure(message);
}

CommandResult warningCmd(const CommandArgs& args, CommandContext& ctx) {
    ctx.warning(args[0].asString());
    return {};
}

}  // namespace

void addControlProcedures(CommandRegistry& registry) {
    using A = ArgType;
    const CommandSpec procedures[] = {
        {.name = "catch",
         .usage = "catch(expression)",
         .summary = "Runs the expression (a command, a proc call, eval); answers 1 when it failed "
                    "(its error still printed) and 0 when it succeeded, and the script goes on.",
         .minArgs = 0,
         .maxArgs = 1,
         .guardsArguments = true,
         .body = catchCmd},
        {.name = "catchQuiet",
         .usage = "catchQuiet(expression)",
         .summary = "Like catch, but the error of a failure is not printed.",
         .minArgs = 0,
         .maxArgs = 1,
         .guardsArguments = true,
         .body = catchCmd},
        {.name = "error",
         .usage = "error message",
         .summary = "Fails with the message, as a failing command does: the script stops unless "
                    "a catch surrounds it.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = errorCmd},
        {.name = "warning",
         .usage = "warning message",
         .summary = "Prints the message as a warning; the script goes on.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::String},
         .body = warningCmd},
    };
    for (const auto& procedure : procedures) registry.add(procedure);
}

}  // namespace tarn::lang::stdlib
