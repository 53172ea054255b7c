#pragma once
/// Option variables: named preferences (int, float, string, or arrays of them) that outlive the
/// session. They live in a preferences file: $TARN_PREFS when set, else
/// $XDG_CONFIG_HOME/tarn/prefs, else ~/.config/tarn/prefs. The file is JSON, read on first use
/// and rewritten atomically after every change. Floats that JSON cannot hold are stored as the
/// strings "inf", "-inf" and "nan" and read back as floats. A damaged file is reported once as a
/// warning and ignored; before the first write it is kept aside under the first free name of
/// "<file>.bad", "<file>.bad.1", "<file>.bad.2", ... (earlier backups are never replaced). A
/// file that exists but cannot be read (no permission, a folder, a FIFO, a device) is reported
/// and never written over: the variables live in memory for the session. Main thread only.

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
    /// Keeps the damaged file under a free backup name; false (errno set) when it cannot.
    bool keepDamagedFile();

    std::string m_path;
    std::map<std::string, Value> m_values;
    bool m_loaded = false;
    bool m_corrupt = false;     ///< the file is damaged and not yet kept aside
    bool m_unreadable = false;  ///< the file exists but could not be read: never saved over
    std::string m_damagedText;  ///< the damaged file's text, for a backup without links
    std::string m_problem;
};

/// The preferences file location from the environment (see above). Pure apart from getenv.
std::string defaultPrefsPath();

/// The host's option variables (created on first use at defaultPrefsPath()).
OptionVars& optionVars();

}  // namespace tarn::lang
