#include "host/lang/option_vars.h"

#include "host/lang/atomic_file.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>

namespace tarn::lang {

namespace {

using nlohmann::json;

// File layout: {"version": 1, "vars": {"name": {"type": "int", "value": 3}, ...}}. JSON has no
// infinities or NaN: those floats are stored as the strings "inf", "-inf" and "nan".
json floatJson(double d) {
    if (std::isnan(d)) return "nan";
    if (std::isinf(d)) return d < 0 ? "-inf" : "inf";
    return d;
}

bool floatFromJson(const json& j, double& out) {
    if (j.is_number()) {
        out = j.get<double>();
        return true;
    }
    if (!j.is_string()) return false;
    const std::string& s = j.get_ref<const std::string&>();
    if (s == "inf")
        out = std::numeric_limits<double>::infinity();
    else if (s == "-inf")
        out = -std::numeric_limits<double>::infinity();
    else if (s == "nan")
        out = std::numeric_limits<double>::quiet_NaN();
    else
        return false;
    return true;
}

json toJson(const Value& v) {
    json j;
    switch (v.kind()) {
        case ValueKind::Int:
            j = {{"type", "int"}, {"value", v.asInt()}};
            break;
        case ValueKind::Float:
            j = {{"type", "float"}, {"value", floatJson(v.asFloat())}};
            break;
        case ValueKind::IntArray:
            j = {{"type", "int[]"}, {"value", v.asIntArray()}};
            break;
        case ValueKind::FloatArray: {
            json a = json::array();
            for (double d : v.asFloatArray()) a.push_back(floatJson(d));
            j = {{"type", "float[]"}, {"value", std::move(a)}};
            break;
        }
        case ValueKind::StringArray:
            j = {{"type", "string[]"}, {"value", v.asStringArray()}};
            break;
        default:
            j = {{"type", "string"}, {"value", v.asString()}};
            break;
    }
    return j;
}

bool fromJson(const json& j, Value& out) {
    if (!j.is_object() || !j.contains("type") || !j.contains("value") || !j["type"].is_string())
        return false;
    const std::string type = j["type"];
    const json& v = j["value"];
    if (type == "int" && v.is_number_integer())
        out = Value(v.get<std::int64_t>());
    else if (double d = 0; type == "float" && floatFromJson(v, d))
        out = Value(d);
    else if (type == "string" && v.is_string())
        out = Value(v.get<std::string>());
    else if (type == "int[]" && v.is_array()) {
        std::vector<std::int64_t> a;
        for (const auto& e : v) {
            if (!e.is_number_integer()) return false;
            a.push_back(e.get<std::int64_t>());
        }
        out = Value(std::move(a));
    } else if (type == "float[]" && v.is_array()) {
        std::vector<double> a;
        for (const auto& e : v) {
            double d = 0;
            if (!floatFromJson(e, d)) return false;
            a.push_back(d);
        }
        out = Value(std::move(a));
    } else if (type == "string[]" && v.is_array()) {
        std::vector<std::string> a;
        for (const auto& e : v) {
            if (!e.is_string()) return false;
            a.push_back(e.get<std::string>());
        }
        out = Value(std::move(a));
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string defaultPrefsPath() {
    if (const char* p = std::getenv("TARN_PREFS"); p && *p) return p;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x)
        return std::string(x) + "/tarn/prefs";
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config/tarn/prefs";
    return {};
}

OptionVars::OptionVars(std::string path) : m_path(std::move(path)) {}

void OptionVars::reload() {
    m_loaded = false;
    m_values.clear();
    ensureLoaded();
}

void OptionVars::ensureLoaded() {
    if (m_loaded) return;
    m_loaded = true;
    m_corrupt = false;
    m_unreadable = false;
    m_damagedText.clear();
    m_problem.clear();
    if (m_path.empty()) return;
    struct stat st {};
    std::string text, error;
    if (::stat(m_path.c_str(), &st) != 0) {
        if (errno == ENOENT) return;  // no preferences yet
        error = "Cannot read \"" + m_path + "\": " + std::strerror(errno) + ".";
    } else if (S_ISDIR(st.st_mode))
        error = "Cannot read \"" + m_path + "\": it is a folder.";
    else if (!S_ISREG(st.st_mode))
        error = "Cannot read \"" + m_path + "\": it is not a regular file.";
    else
        readTextFile(m_path, text, &error);
    if (!error.empty()) {
        // Whatever is there may hold the user's settings: never written over.
        m_unreadable = true;
        m_problem = error + " Option variables start empty and are kept for this session only.";
        scriptOutput(OutputKind::Warning, m_problem);
        return;
    }
    json doc = json::parse(text, nullptr, /*allow_exceptions=*/false);
    std::map<std::string, Value> loaded;
    bool ok = doc.is_object() && doc.contains("vars") && doc["vars"].is_object();
    if (ok) {
        for (const auto& [name, item] : doc["vars"].items()) {
            Value v;
            if (!fromJson(item, v)) {
                ok = false;
                break;
            }
            loaded[name] = std::move(v);
        }
    }
    if (!ok) {
        m_corrupt = true;
        m_damagedText = std::move(text);
        m_problem = "The preferences file \"" + m_path +
                    "\" is damaged and was ignored; option variables start empty.";
        scriptOutput(OutputKind::Warning, m_problem);
        return;
    }
    m_values = std::move(loaded);
}

bool OptionVars::keepDamagedFile() {
    // The first free name of prefs.bad, prefs.bad.1, prefs.bad.2, ...: an earlier backup is
    // never replaced. A second name for the file keeps its bytes exactly; where links are not
    // possible, the text read at load is written instead.
    for (int n = 0; n < 10000; ++n) {
        const std::string backup = m_path + ".bad" + (n ? "." + std::to_string(n) : std::string());
        if (::link(m_path.c_str(), backup.c_str()) == 0) return true;
        if (errno == EEXIST) continue;
        if (errno == ENOENT) return true;  // the damaged file is gone already
        const int fd = ::open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        const bool written = writeAll(fd, m_damagedText);
        const bool closed = ::close(fd) == 0;
        if (written && closed) return true;
        ::unlink(backup.c_str());
        return false;
    }
    return false;
}

void OptionVars::save() {
    if (m_path.empty() || m_unreadable) return;
    if (m_corrupt) {
        if (!keepDamagedFile()) {
            const std::string problem =
                "The damaged preferences file \"" + m_path + "\" could not be kept aside (" +
                std::strerror(errno) + "); it is left as it is and option variables are not saved.";
            if (m_problem != problem) {
                m_problem = problem;
                scriptOutput(OutputKind::Warning, problem);
            }
            return;
        }
        m_corrupt = false;
        m_damagedText.clear();
    }
    json vars = json::object();
    for (const auto& [name, v] : m_values) vars[name] = toJson(v);
    json doc = {{"version", 1}, {"vars", vars}};
    std::string error;
    std::string text = doc.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
    if (!writeFileAtomically(m_path, text, &error)) {
        if (m_problem != error) {
            m_problem = error;
            scriptOutput(OutputKind::Warning, "Option variables not saved: " + error);
        }
    } else {
        m_problem.clear();
    }
}

std::optional<Value> OptionVars::get(const std::string& name) {
    ensureLoaded();
    auto it = m_values.find(name);
    if (it == m_values.end()) return std::nullopt;
    return it->second;
}

bool OptionVars::exists(const std::string& name) {
    ensureLoaded();
    return m_values.count(name) != 0;
}

void OptionVars::set(const std::string& name, Value value) {
    ensureLoaded();
    m_values[name] = std::move(value);
    save();
}

void OptionVars::append(const std::string& name, const Value& element) {
    ensureLoaded();
    auto it = m_values.find(name);
    Value& slot = m_values[name];
    bool fresh = it == m_values.end();
    switch (element.kind()) {
        case ValueKind::Int: {
            auto a = (!fresh && slot.kind() == ValueKind::IntArray) ? slot.asIntArray()
                                                                    : std::vector<std::int64_t>{};
            a.push_back(element.asInt());
            slot = Value(std::move(a));
            break;
        }
        case ValueKind::Float: {
            auto a = (!fresh && slot.kind() == ValueKind::FloatArray) ? slot.asFloatArray()
                                                                      : std::vector<double>{};
            a.push_back(element.asFloat());
            slot = Value(std::move(a));
            break;
        }
        default: {
            auto a = (!fresh && slot.kind() == ValueKind::StringArray) ? slot.asStringArray()
                                                                       : std::vector<std::string>{};
            a.push_back(element.asString());
            slot = Value(std::move(a));
            break;
        }
    }
    save();
}

bool OptionVars::remove(const std::string& name) {
    ensureLoaded();
    if (!m_values.erase(name)) return false;
    save();
    return true;
}

std::vector<std::string> OptionVars::names() {
    ensureLoaded();
    std::vector<std::string> out;
    for (const auto& [name, v] : m_values) out.push_back(name);
    return out;
}

OptionVars& optionVars() {
    static OptionVars* vars = new OptionVars(defaultPrefsPath());  // saved on every change
    return *vars;
}

}  // namespace tarn::lang
