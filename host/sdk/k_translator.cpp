#include "frame/k_translator.h"

#include <filesystem>

KString KFileObject::name() const {
    const std::string& s = m_fullName.str();
    size_t slash = s.rfind('/');
    return KString(slash == std::string::npos ? s : s.substr(slash + 1));
}

KString KFileObject::path() const {
    const std::string& s = m_fullName.str();
    size_t slash = s.rfind('/');
    return KString(slash == std::string::npos ? std::string() : s.substr(0, slash + 1));
}

bool KFileObject::exists() const {
    std::error_code ec;
    return !m_fullName.isEmpty() && std::filesystem::exists(m_fullName.str(), ec);
}

KPxFileTranslator::KPxFileTranslator() = default;
KPxFileTranslator::~KPxFileTranslator() = default;

KStatus KPxFileTranslator::reader(const KFileObject&, const KString&, FileAccessMode) {
    return KStatus::kNotImplemented;
}

KStatus KPxFileTranslator::writer(const KFileObject&, const KString&, FileAccessMode) {
    return KStatus::kNotImplemented;
}

bool KPxFileTranslator::haveReadMethod() const { return false; }
bool KPxFileTranslator::haveWriteMethod() const { return false; }
bool KPxFileTranslator::haveNamespaceSupport() const { return false; }
bool KPxFileTranslator::haveReferenceMethod() const { return false; }
bool KPxFileTranslator::allowMultipleFileOptimization() const { return false; }
KString KPxFileTranslator::defaultExtension() const { return {}; }
KString KPxFileTranslator::filter() const { return KString("*.") + defaultExtension(); }
bool KPxFileTranslator::canBeOpened() const { return true; }

KPxFileTranslator::KFileKind KPxFileTranslator::identifyFile(const KFileObject&, const char*, short) const {
    return kNotMyFileType;
}
