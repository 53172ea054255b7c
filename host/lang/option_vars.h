#pragma once
/// Option variables: named preferences (int, float, string, or arrays of them) that outlive the
/// session. They live in a preferences file: $TARN_PREFS when set, else
/// $XDG_CONFIG_HOME/tarn/prefs, else ~/.config/tarn/prefs. The file is JSON, read on first use
/// and rewritten atomically after every change. A file that cannot be read as preferences is
/// reported once as a warning and ignored; it is kept aside as "<file>.bad" before the first
/// write, so a user's damaged file is never silently overwritten. Main thread only.

#include "host/lang/value.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarn::lang {

class OptionVars {
public:
    /// A store backed by `path` ("" keeps everything in memory only).
    explicit OptionVars(std::string path);

    /// The value of `name`, or nullopt when there is no such variable.
    std::optional<Value> get(const std::string& name);
    bool exists(const std::string& name);
    /// Sets a scalar (replacing any kind). Saves.
    void set(const std::string& name, Value value);
    /// Appends to an array variable of the value's element kind; a missing variable, or one of
    /// another kind, starts a new array. Saves.
    void append(const std::string& name, const Value& element);
    /// Removes a variable; false when it did not exist. Saves.
    bool remove(const std::string& name);
    /// Names, sorted.
    std::vector<std::string> names();

    const std::string& path() const { return m_path; }
    /// The message of the last failed load or save ("" when fine).
    const std::string& lastProblem() const { return m_problem; }

    /// Reads the file again, dropping unsaved state.
    void reload();

private:
    void ensureLoaded();
    void save();

    std::string m_path;
    std::map<std::string, Value> m_values;
    bool m_loaded = false;
    bool m_corrupt = false;
    std::string m_problem;
};

/// The preferences file location from the environment (see above). Pure apart from getenv.
std::string defaultPrefsPath();

/// The host's option variables (created on first use at defaultPrefsPath()).
OptionVars& optionVars();

}  // namespace tarn::lang
