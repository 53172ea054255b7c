#include "host/lang/option_vars.h"

#include "host/lang/atomic_file.h"
#include "host/lang/script_output.h"
#include "host/lang/text_file.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>

namespace tarn::lang {

namespace {

using nlohmann::json;

// File layout: {"version": 1, "vars": {"name": {"type": "int", "value": 3}, ...}}
json toJson(const Value& v) {
    json j;
    switch (v.kind()) {
        case ValueKind::Int:
            j = {{"type", "int"}, {"value", v.asInt()}};
            break;
        case ValueKind::Float:
            j = {{"type", "float"}, {"value", v.asFloat()}};
            break;
        case ValueKind::IntArray:
            j = {{"type", "int[]"}, {"value", v.asIntArray()}};
            break;
        case ValueKind::FloatArray:
            j = {{"type", "float[]"}, {"value", v.asFloatArray()}};
            break;
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
    else if (type == "float" && v.is_number())
        out = Value(v.get<double>());
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
            if (!e.is_number()) return false;
            a.push_back(e.get<double>());
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
    m_problem.clear();
    if (m_path.empty()) return;
    std::error_code ec;
    if (!std::filesystem::exists(m_path, ec)) return;  // no preferences yet
    std::string text, error;
    if (!readTextFile(m_path, text, &error)) {
        m_problem = error + " Option variables start empty.";
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
        m_problem = "The preferences file \"" + m_path +
                    "\" is damaged and was ignored; option variables start empty.";
        scriptOutput(OutputKind::Warning, m_problem);
        return;
    }
    m_values = std::move(loaded);
}

void OptionVars::save() {
    if (m_path.empty()) return;
    if (m_corrupt) {
        // Keep the damaged file for the user instead of writing over it.
        std::rename(m_path.c_str(), (m_path + ".bad").c_str());
        m_corrupt = false;
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
