// KArgList, KSyntax, KArgDatabase and the result/message side of KPxCommand.

#include "frame/k_command.h"

#include "host/lang/plugin_result.h"
#include "host/lang/script_output.h"

#include <cctype>
#include <cmath>

namespace {

std::string stripDash(const char* name) {
    std::string s = name ? name : "";
    if (!s.empty() && s[0] == '-') s.erase(0, 1);
    return s;
}

// A word as a number a command can use: NaN and the infinities are refused like words that are
// no number at all.
bool readFinite(const std::string& s, double& out) {
    double d = 0;
    if (!tarn::lang::parseFloat(s, d) || !tarn::lang::isFiniteNumber(d)) return false;
    out = d;
    return true;
}

bool readInt(const std::string& s, int& out) {
    std::int64_t i = 0;
    if (tarn::lang::parseInt(s, i) && i >= INT32_MIN && i <= INT32_MAX) {
        out = int(i);
        return true;
    }
    double d = 0;
    if (readFinite(s, d) && d == std::floor(d) && d >= INT32_MIN && d <= INT32_MAX) {
        out = int(d);
        return true;
    }
    return false;
}

bool readBool(const std::string& word, bool& out) {
    std::string s = word;
    for (auto& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (s == "1" || s == "true" || s == "on" || s == "yes")
        out = true;
    else if (s == "0" || s == "false" || s == "off" || s == "no")
        out = false;
    else
        return false;
    return true;
}

}  // namespace

// KArgList --------------------------------------------------------------------------------------

unsigned KArgList::length(KStatus* status) const {
    kSetStatus(status, KStatus());
    return unsigned(m_words.size());
}

KString KArgList::asString(unsigned i, KStatus* status) const {
    if (i >= m_words.size()) {
        kSetStatus(status, KStatus(KStatus::kFailure));
        return KString();
    }
    kSetStatus(status, KStatus());
    return KString(m_words[i]);
}

int KArgList::asInt(unsigned i, KStatus* status) const {
    int v = 0;
    if (i >= m_words.size() || !readInt(m_words[i], v)) {
        kSetStatus(status, KStatus(KStatus::kInvalidParameter));
        return 0;
    }
    kSetStatus(status, KStatus());
    return v;
}

double KArgList::asDouble(unsigned i, KStatus* status) const {
    double v = 0;
    if (i >= m_words.size() || !readFinite(m_words[i], v)) {
        kSetStatus(status, KStatus(KStatus::kInvalidParameter));
        return 0.0;
    }
    kSetStatus(status, KStatus());
    return v;
}

bool KArgList::asBool(unsigned i, KStatus* status) const {
    bool v = false;
    if (i >= m_words.size() || !readBool(m_words[i], v)) {
        kSetStatus(status, KStatus(KStatus::kInvalidParameter));
        return false;
    }
    kSetStatus(status, KStatus());
    return v;
}

unsigned KArgList::flagIndex(const char* shortFlag, const char* longFlag) const {
    std::string s = "-" + stripDash(shortFlag);
    std::string l = longFlag ? "-" + stripDash(longFlag) : std::string();
    for (unsigned i = 0; i < m_words.size(); ++i)
        if (m_words[i] == s || (!l.empty() && m_words[i] == l)) return i;
    return kInvalidArgIndex;
}

KArgList& KArgList::addArg(const KString& word) {
    m_words.push_back(word.str());
    return *this;
}

KArgList& KArgList::addArg(int value) {
    m_words.push_back(std::to_string(value));
    return *this;
}

KArgList& KArgList::addArg(double value) {
    m_words.push_back(numberText(value));
    return *this;
}

// KSyntax ---------------------------------------------------------------------------------------

KStatus KSyntax::addFlag(const char* shortName, const char* longName, ArgType a1, ArgType a2,
                         ArgType a3, ArgType a4, ArgType a5, ArgType a6) {
    Flag f;
    f.shortName = stripDash(shortName);
    f.longName = stripDash(longName);
    if (f.shortName.empty() && f.longName.empty()) return KStatus(KStatus::kInvalidParameter);
    for (const auto& existing : m_flags)
        if (existing.shortName == f.shortName || existing.longName == f.longName)
            return KStatus(KStatus::kInvalidParameter);
    for (ArgType a : {a1, a2, a3, a4, a5, a6}) {
        if (a == kNoArg || a == kInvalidArgType) break;
        f.args.push_back(a);
    }
    m_flags.push_back(std::move(f));
    return KStatus();
}

KStatus KSyntax::makeFlagMultiUse(const char* name) {
    std::string n = stripDash(name);
    for (auto& f : m_flags)
        if (f.shortName == n || f.longName == n) {
            f.multiUse = true;
            return KStatus();
        }
    return KStatus(KStatus::kInvalidParameter);
}

KStatus KSyntax::addArg(ArgType type) {
    if (type == kNoArg || type == kInvalidArgType) return KStatus(KStatus::kInvalidParameter);
    m_args.push_back(type);
    return KStatus();
}

// KArgDatabase ----------------------------------------------------------------------------------

KArgDatabase::KArgDatabase(const KSyntax& syntax, const KArgList& args, KStatus* status)
    : m_syntax(&syntax) {
    KStatus st;
    unsigned n = args.length();
    for (unsigned i = 0; i < n; ++i) {
        std::string w = args.asString(i).str();
        bool isFlag = w.size() > 1 && w[0] == '-' &&
                      (std::isalpha(static_cast<unsigned char>(w[1])) || w[1] == '_');
        // "-inf" and "-nan" are the numbers they spell unless the syntax has such a flag.
        double number = 0;
        if (isFlag && findFlag(w.c_str()) < 0 && tarn::lang::parseFloat(w, number)) isFlag = false;
        if (!isFlag) {
            m_positional.push_back(w);
            continue;
        }
        std::string name = w.substr(1);
        if (syntax.canQuery() && (name == "q" || name == "query")) {
            m_query = true;
            continue;
        }
        if (syntax.canEdit() && (name == "e" || name == "edit")) {
            m_edit = true;
            continue;
        }
        int f = findFlag(name.c_str());
        if (f < 0) {
            st = KStatus(KStatus::kInvalidParameter);
            break;
        }
        Use use{f, {}};
        // In query mode flags stand alone.
        std::size_t wanted = m_query ? 0 : syntax.flags()[std::size_t(f)].args.size();
        for (std::size_t a = 0; a < wanted; ++a) {
            if (i + 1 >= n) {
                st = KStatus(KStatus::kInvalidParameter);
                break;
            }
            use.values.push_back(args.asString(++i).str());
        }
        if (st.error()) break;
        m_uses.push_back(std::move(use));
    }
    kSetStatus(status, st);
}

int KArgDatabase::findFlag(const char* name) const {
    std::string n = stripDash(name);
    const auto& flags = m_syntax->flags();
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i].shortName == n || flags[i].longName == n) return int(i);
    return -1;
}

const KArgDatabase::Use* KArgDatabase::use(const char* name, unsigned n) const {
    int f = findFlag(name);
    if (f < 0) return nullptr;
    unsigned seen = 0;
    for (const auto& u : m_uses)
        if (u.flag == f && seen++ == n) return &u;
    return nullptr;
}

bool KArgDatabase::isFlagSet(const char* name, KStatus* status) const {
    kSetStatus(status, findFlag(name) < 0 ? KStatus(KStatus::kInvalidParameter) : KStatus());
    return use(name, 0) != nullptr;
}

unsigned KArgDatabase::numberOfFlagUses(const char* name) const {
    int f = findFlag(name);
    unsigned n = 0;
    for (const auto& u : m_uses)
        if (u.flag == f) ++n;
    return n;
}

KStatus KArgDatabase::getFlagArgumentAtUse(const char* name, unsigned useIndex, unsigned index,
                                           KString& out) const {
    const Use* u = use(name, useIndex);
    if (!u || index >= u->values.size()) return KStatus(KStatus::kInvalidParameter);
    out = KString(u->values[index]);
    return KStatus();
}

KStatus KArgDatabase::getFlagArgument(const char* name, unsigned index, KString& out) const {
    return getFlagArgumentAtUse(name, 0, index, out);
}

KStatus KArgDatabase::getFlagArgument(const char* name, unsigned index, int& out) const {
    KString s;
    if (KStatus st = getFlagArgument(name, index, s); st.error()) return st;
    int v = 0;
    if (!readInt(s.str(), v)) return KStatus(KStatus::kInvalidParameter);
    out = v;
    return KStatus();
}

KStatus KArgDatabase::getFlagArgument(const char* name, unsigned index, double& out) const {
    KString s;
    if (KStatus st = getFlagArgument(name, index, s); st.error()) return st;
    double v = 0;
    if (!readFinite(s.str(), v)) return KStatus(KStatus::kInvalidParameter);
    out = v;
    return KStatus();
}

KStatus KArgDatabase::getFlagArgument(const char* name, unsigned index, bool& out) const {
    KString s;
    if (KStatus st = getFlagArgument(name, index, s); st.error()) return st;
    bool v = false;
    if (!readBool(s.str(), v)) return KStatus(KStatus::kInvalidParameter);
    out = v;
    return KStatus();
}

KStatus KArgDatabase::getCommandArgument(unsigned index, KString& out) const {
    if (index >= m_positional.size()) return KStatus(KStatus::kInvalidParameter);
    out = KString(m_positional[index]);
    return KStatus();
}

KStatus KArgDatabase::getCommandArgument(unsigned index, int& out) const {
    if (index >= m_positional.size() || !readInt(m_positional[index], out))
        return KStatus(KStatus::kInvalidParameter);
    return KStatus();
}

KStatus KArgDatabase::getCommandArgument(unsigned index, double& out) const {
    if (index >= m_positional.size() || !readFinite(m_positional[index], out))
        return KStatus(KStatus::kInvalidParameter);
    return KStatus();
}

// KPxCommand ------------------------------------------------------------------------------------

KPxCommand::KPxCommand() = default;
KPxCommand::~KPxCommand() = default;
KStatus KPxCommand::doIt(const KArgList&) {
    return KStatus();
}
KStatus KPxCommand::undoIt() {
    return KStatus();
}
KStatus KPxCommand::redoIt() {
    return KStatus();
}
bool KPxCommand::isUndoable() const {
    return false;
}
bool KPxCommand::hasSyntax() const {
    return true;
}

using tarn::lang::pluginResult;
using tarn::lang::Value;

void KPxCommand::clearResult() {
    pluginResult() = Value();
}
void KPxCommand::setResult(const KString& result) {
    pluginResult() = Value(result.str());
}
void KPxCommand::setResult(const char* result) {
    pluginResult() = Value(result ? result : "");
}
void KPxCommand::setResult(int result) {
    pluginResult() = Value(result);
}
void KPxCommand::setResult(double result) {
    pluginResult() = Value(result);
}
void KPxCommand::setResult(bool result) {
    pluginResult() = Value(std::int64_t(result));
}

void KPxCommand::setResult(const KStringArray& result) {
    std::vector<std::string> v;
    for (const auto& s : result) v.push_back(s.str());
    pluginResult() = Value(std::move(v));
}

void KPxCommand::setResult(const KIntArray& result) {
    pluginResult() = Value(std::vector<std::int64_t>(result.begin(), result.end()));
}

void KPxCommand::setResult(const KDoubleArray& result) {
    pluginResult() = Value(std::vector<double>(result.begin(), result.end()));
}

void KPxCommand::appendToResult(const KString& result) {
    tarn::lang::appendPluginResult(Value(result.str()));
}
void KPxCommand::appendToResult(const char* result) {
    tarn::lang::appendPluginResult(Value(result ? result : ""));
}
void KPxCommand::appendToResult(int result) {
    tarn::lang::appendPluginResult(Value(result));
}
void KPxCommand::appendToResult(double result) {
    tarn::lang::appendPluginResult(Value(result));
}

void KPxCommand::displayInfo(const KString& text) {
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Info, text.str());
}
void KPxCommand::displayWarning(const KString& text) {
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Warning, text.str());
}
void KPxCommand::displayError(const KString& text) {
    tarn::lang::noteDisplayedError();
    tarn::lang::scriptOutput(tarn::lang::OutputKind::Error, text.str());
}
