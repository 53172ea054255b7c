// Math procedures: scalar functions (one table of one-argument functions), min/max/clamp,
// vectors as float arrays (mag, dot, cross, unit), interpolation steps, and a seeded random
// generator.

#include "host/lang/stdlib/stdlib.h"

#include <cmath>
#include <numbers>
#include <random>

namespace tarn::lang::stdlib {
namespace {

// The session's random generator: `seed` makes the following `rand` values repeatable.
std::mt19937_64& generator() {
    static std::mt19937_64 engine(12345);
    return engine;
}

struct UnaryRow {
    const char* name;
    double (*fn)(double);
    const char* summary;
};

double degToRad(double d) {
    return d * std::numbers::pi / 180.0;
}
double radToDeg(double r) {
    return r * 180.0 / std::numbers::pi;
}

const UnaryRow kUnary[] = {
    {"sqrt", [](double x) { return std::sqrt(x); }, "The square root (nan below 0)."},
    {"exp", [](double x) { return std::exp(x); }, "e to the power of the number."},
    {"log", [](double x) { return std::log(x); }, "The natural logarithm."},
    {"log10", [](double x) { return std::log10(x); }, "The base-10 logarithm."},
    {"sin", [](double x) { return std::sin(x); }, "The sine of an angle in radians."},
    {"cos", [](double x) { return std::cos(x); }, "The cosine of an angle in radians."},
    {"tan", [](double x) { return std::tan(x); }, "The tangent of an angle in radians."},
    {"asin", [](double x) { return std::asin(x); }, "The arc sine, in radians."},
    {"acos", [](double x) { return std::acos(x); }, "The arc cosine, in radians."},
    {"atan", [](double x) { return std::atan(x); }, "The arc tangent, in radians."},
    {"floor", [](double x) { return std::floor(x); }, "The largest whole number not above."},
    {"ceil", [](double x) { return std::ceil(x); }, "The smallest whole number not below."},
    {"trunc", [](double x) { return std::trunc(x); }, "The number without its fraction."},
    {"deg_to_rad", degToRad, "Degrees to radians."},
    {"rad_to_deg", radToDeg, "Radians to degrees."},
};

CommandResult absCmd(const CommandArgs& args, CommandContext&) {
    const Value& v = args[0];
    if (v.kind() == ValueKind::Int) {
        const std::int64_t i = v.asInt();
        // The most negative int has no positive twin: it stays as it is, as integers wrap.
        return Value(i < 0 ? std::int64_t(0 - std::uint64_t(i)) : i);
    }
    return Value(std::fabs(v.asFloat()));
}

CommandResult signCmd(const CommandArgs& args, CommandContext&) {
    const double d = args[0].asFloat();
    return Value(std::int64_t(d > 0 ? 1 : d < 0 ? -1 : 0));
}

// min and max keep ints when both arguments are ints.
CommandResult extremeCmd(const CommandArgs& args, bool wantMax) {
    const Value &a = args[0], &b = args[1];
    if (a.kind() == ValueKind::Int && b.kind() == ValueKind::Int)
        return Value(wantMax ? std::max(a.asInt(), b.asInt()) : std::min(a.asInt(), b.asInt()));
    return Value(wantMax ? std::fmax(a.asFloat(), b.asFloat())
                         : std::fmin(a.asFloat(), b.asFloat()));
}

CommandResult clampCmd(const CommandArgs& args, CommandContext&) {
    // clamp low high value; a range given upside down is refused rather than guessed at.
    const double lo = args[0].asFloat(), hi = args[1].asFloat(), v = args[2].asFloat();
    if (lo > hi)
        return CommandResult::failure("clamp: the low bound " + formatFloat(lo) +
                                      " is above the high bound " + formatFloat(hi) + ".");
    return Value(std::fmin(std::fmax(v, lo), hi));
}

CommandResult powCmd(const CommandArgs& args, CommandContext&) {
    return Value(std::pow(args[0].asFloat(), args[1].asFloat()));
}
CommandResult atan2Cmd(const CommandArgs& args, CommandContext&) {
    return Value(std::atan2(args[0].asFloat(), args[1].asFloat()));
}
CommandResult hypotCmd(const CommandArgs& args, CommandContext&) {
    return Value(std::hypot(args[0].asFloat(), args[1].asFloat()));
}
CommandResult fmodCmd(const CommandArgs& args, CommandContext&) {
    const double d = args[1].asFloat();
    if (d == 0) return CommandResult::failure("fmod: division by zero.");
    return Value(std::fmod(args[0].asFloat(), d));
}

CommandResult magCmd(const CommandArgs& args, CommandContext&) {
    double sum = 0;
    for (double x : args[0].asFloatArray()) sum += x * x;
    return Value(std::sqrt(sum));
}

CommandResult dotCmd(const CommandArgs& args, CommandContext&) {
    const auto a = args[0].asFloatArray(), b = args[1].asFloatArray();
    if (a.size() != b.size())
        return CommandResult::failure("dot: the vectors have " + std::to_string(a.size()) +
                                      " and " + std::to_string(b.size()) + " components.");
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += a[i] * b[i];
    return Value(sum);
}

CommandResult crossCmd(const CommandArgs& args, CommandContext&) {
    const auto a = args[0].asFloatArray(), b = args[1].asFloatArray();
    if (a.size() != 3 || b.size() != 3)
        return CommandResult::failure("cross: both vectors need 3 components (got " +
                                      std::to_string(a.size()) + " and " +
                                      std::to_string(b.size()) + ").");
    return Value(std::vector<double>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                     a[0] * b[1] - a[1] * b[0]});
}

CommandResult unitCmd(const CommandArgs& args, CommandContext&) {
    // A zero vector stays zero instead of becoming NaN.
    auto a = args[0].asFloatArray();
    double sum = 0;
    for (double x : a) sum += x * x;
    if (sum > 0)
        for (double& x : a) x /= std::sqrt(sum);
    return Value(std::move(a));
}

CommandResult linstepCmd(const CommandArgs& args, CommandContext&) {
    const double lo = args[0].asFloat(), hi = args[1].asFloat(), v = args[2].asFloat();
    if (hi == lo) return Value(v < lo ? 0.0 : 1.0);
    return Value(std::fmin(std::fmax((v - lo) / (hi - lo), 0.0), 1.0));
}

CommandResult smoothstepCmd(const CommandArgs& args, CommandContext&) {
    const double lo = args[0].asFloat(), hi = args[1].asFloat(), v = args[2].asFloat();
    if (hi == lo) return Value(v < lo ? 0.0 : 1.0);
    const double t = std::fmin(std::fmax((v - lo) / (hi - lo), 0.0), 1.0);
    return Value(t * t * (3 - 2 * t));
}

CommandResult randCmd(const CommandArgs& args, CommandContext&) {
    // rand high: [0, high); rand low high: [low, high).
    const double lo = args.count() == 2 ? args[0].asFloat() : 0.0;
    const double hi = args[args.count() - 1].asFloat();
    if (!std::isfinite(lo) || !std::isfinite(hi))
        return CommandResult::failure("rand: the bounds must be finite numbers.");
    const double u = std::generate_canonical<double, 53>(generator());
    return Value(lo + (hi - lo) * u);
}

CommandResult seedCmd(const CommandArgs& args, CommandContext&) {
    generator().seed(std::uint64_t(args[0].asInt()));
    return {};
}

}  // namespace

void addMathProcedures(CommandRegistry& registry) {
    using A = ArgType;
    for (const UnaryRow& row : kUnary) {
        const auto fn = row.fn;
        registry.add({.name = row.name,
                      .usage = std::string(row.name) + " number",
                      .summary = row.summary,
                      .minArgs = 1,
                      .maxArgs = 1,
                      .argTypes = {A::Float},
                      .body = [fn](const CommandArgs& args, CommandContext&) -> CommandResult {
                          return Value(fn(args[0].asFloat()));
                      }});
    }
    const CommandSpec procedures[] = {
        {.name = "abs",
         .usage = "abs number",
         .summary = "The number without its sign (an int stays an int).",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::Any},
         .body = absCmd},
        {.name = "sign",
         .usage = "sign number",
         .summary = "-1, 0 or 1 by the number's sign.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::Float},
         .body = signCmd},
        {.name = "min",
         .usage = "min a b",
         .summary = "The smaller number (ints stay ints).",
         .minArgs = 2,
         .maxArgs = 2,
         .body = [](const CommandArgs& a, CommandContext&) { return extremeCmd(a, false); }},
        {.name = "max",
         .usage = "max a b",
         .summary = "The larger number (ints stay ints).",
         .minArgs = 2,
         .maxArgs = 2,
         .body = [](const CommandArgs& a, CommandContext&) { return extremeCmd(a, true); }},
        {.name = "clamp",
         .usage = "clamp low high value",
         .summary = "The value kept within low..high.",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::Float},
         .body = clampCmd},
        {.name = "pow",
         .usage = "pow base exponent",
         .summary = "base to the power exponent.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::Float},
         .body = powCmd},
        {.name = "atan2",
         .usage = "atan2 y x",
         .summary = "The angle of the point (x, y) from the x axis, in radians.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::Float},
         .body = atan2Cmd},
        {.name = "hypot",
         .usage = "hypot a b",
         .summary = "sqrt(a*a + b*b) without overflow.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::Float},
         .body = hypotCmd},
        {.name = "fmod",
         .usage = "fmod a b",
         .summary = "The remainder of a / b, with the sign of a.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::Float},
         .body = fmodCmd},
        {.name = "mag",
         .usage = "mag vector",
         .summary = "The length of a vector ({x, y, z}).",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::FloatArray},
         .body = magCmd},
        {.name = "dot",
         .usage = "dot a b",
         .summary = "The dot product of two vectors.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::FloatArray},
         .body = dotCmd},
        {.name = "cross",
         .usage = "cross a b",
         .summary = "The cross product of two 3-component vectors.",
         .minArgs = 2,
         .maxArgs = 2,
         .argTypes = {A::FloatArray},
         .body = crossCmd},
        {.name = "unit",
         .usage = "unit vector",
         .summary = "The vector scaled to length 1 (a zero vector stays zero).",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::FloatArray},
         .body = unitCmd},
        {.name = "linstep",
         .usage = "linstep low high value",
         .summary = "0 at low, 1 at high, linear between, clipped.",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::Float},
         .body = linstepCmd},
        {.name = "smoothstep",
         .usage = "smoothstep low high value",
         .summary = "0 at low, 1 at high, a smooth (cubic) step between, clipped.",
         .minArgs = 3,
         .maxArgs = 3,
         .argTypes = {A::Float},
         .body = smoothstepCmd},
        {.name = "rand",
         .usage = "rand [low] high",
         .summary = "A random number in [0, high) or [low, high).",
         .minArgs = 1,
         .maxArgs = 2,
         .argTypes = {A::Float},
         .body = randCmd},
        {.name = "seed",
         .usage = "seed int",
         .summary = "Restarts the random numbers of rand from this seed.",
         .minArgs = 1,
         .maxArgs = 1,
         .argTypes = {A::Int},
         .body = seedCmd},
    };
    for (const auto& procedure : procedures) registry.add(procedure);
}

}  // namespace tarn::lang::stdlib
