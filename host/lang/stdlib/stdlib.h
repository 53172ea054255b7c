#pragma once
/// The standard procedures of the command language, by concern. Each adder registers its
/// procedures (name, usage, one-line summary, argument types) into a registry; the host's
/// installer (installStdlibCommands) calls them all. Bodies are pure over their arguments except
/// where a concern says otherwise (control: messages; nodes: reads the scene).

#include "host/lang/command_registry.h"

namespace tarn::lang::stdlib {

/// strip, match, gmatch, substitute, substituteAllString, tokenize, toupper, tolower,
/// substring, startsWith, endsWith, capitalizeString, strcmp.
void addStringProcedures(CommandRegistry& registry);
/// sort, stringArrayToString, stringToStringArray, stringArrayRemoveDuplicates,
/// stringArrayContains, stringArrayFind, stringArrayCount, stringArrayCatenate,
/// stringArrayRemove, stringArrayInsertAtIndex.
void addArrayProcedures(CommandRegistry& registry);
/// abs, sign, min, max, clamp, floor, ceil, trunc, sqrt, pow, exp, log, log10, sin, cos, tan,
/// asin, acos, atan, atan2, hypot, fmod, deg_to_rad, rad_to_deg, mag, dot, cross, unit, linstep,
/// smoothstep, rand, seed.
void addMathProcedures(CommandRegistry& registry);
/// catch, catchQuiet, error, warning.
void addControlProcedures(CommandRegistry& registry);
/// objExists, nodeType, attributeQuery, attributeExists, pointPosition (read the scene).
void addNodeProcedures(CommandRegistry& registry);

}  // namespace tarn::lang::stdlib
