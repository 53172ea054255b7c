#include "stroke/common/stroke_options.h"

#include <cmath>

#include "frame/k_global.h"

namespace stroke {

namespace {
const std::string k13(13, ' ');
const std::string k16(16, ' ');
const std::string k11(11, ' ');
}  // namespace

int clampCount(double value, int maximum) {
    if (!std::isfinite(value) || value < 1.0) return 1;
    if (value > maximum) return maximum;
    return static_cast<int>(value);
}

std::string optionDefaultsText(std::span<const OptionVar> options) {
    std::string text;
    for (const OptionVar& o : options)
        text +=
            k13 + "optionVar " + (o.isFloat ? "-fv " : "-iv ") + o.name + " " + o.defaultText + ";";
    return text + k11;
}

std::string controlUpdatesText(std::span<const ControlRow> rows, bool closing) {
    std::string text;
    for (const ControlRow& r : rows) text += k13 + "if(`" + r.test + "`)" + k16 + r.edit;
    if (closing)
        text += k13 + "deleteUI toolProperties;" + k13 + "toolPropertyWindow;" + k13 +
                "polyOptions -global -fullBack;";
    return text + k11;
}

std::vector<double> readOptionVars(std::span<const OptionVar> options) {
    std::vector<double> values;
    values.reserve(options.size());
    for (const OptionVar& o : options) {
        double v = 0.0;
        if (!KGlobal::executeCommand(KString(std::string("optionVar -q ") + o.name), v)) v = 0.0;
        values.push_back(v);
    }
    return values;
}

void runEditHook(const char* existsQuery, std::span<const std::string> texts) {
    int exists = 0;
    KGlobal::executeCommand(existsQuery, exists);
    if (exists == 0) return;
    for (const std::string& t : texts) KGlobal::executeCommand(t.c_str());
}

}  // namespace stroke
