#pragma once
/// File translators: a KPxFileTranslator subclass registered with
/// `KFnPlugin::registerFileTranslator`; the host creates one per import/export and calls its
/// virtuals on the main thread. A translator's reader must not throw (the host converts any
/// escaping exception into a failure).

#include "frame/k_status.h"
#include "frame/k_string.h"

/// A file path the host hands to a translator.
class KFileObject {
public:
    KFileObject() = default;
    explicit KFileObject(const KString& fullName) : m_fullName(fullName) {}
    /// Sets the path as given (no resolution).
    void setRawFullName(const KString& fullName) { m_fullName = fullName; }
    KString rawFullName() const { return m_fullName; }
    /// The full path, e.g. "/scenes/room.qmf".
    KString fullName() const { return m_fullName; }
    KString resolvedFullName() const { return m_fullName; }
    /// The file name without its folder ("room.qmf").
    KString name() const;
    /// The folder with a trailing '/' ("/scenes/"); empty for a bare name.
    KString path() const;
    bool exists() const;

private:
    KString m_fullName;
};

class KPxFileTranslator {
public:
    enum FileAccessMode {
        kUnknownAccessMode = 0,
        kOpenAccessMode,
        kReferenceAccessMode,
        kImportAccessMode,
        kSaveAccessMode,
        kExportAccessMode,
        kExportActiveAccessMode,
    };
    enum KFileKind { kIsMyFileType = 0, kCouldBeMyFileType = 1, kNotMyFileType = 2 };

    KPxFileTranslator();
    virtual ~KPxFileTranslator();
    /// Reads `file` into the scene; base answers kNotImplemented.
    virtual KStatus reader(const KFileObject& file, const KString& optionsString,
                           FileAccessMode mode);
    /// Writes the scene; base answers kNotImplemented.
    virtual KStatus writer(const KFileObject& file, const KString& optionsString,
                           FileAccessMode mode);
    virtual bool haveReadMethod() const;
    virtual bool haveWriteMethod() const;
    virtual bool haveNamespaceSupport() const;
    virtual bool haveReferenceMethod() const;
    virtual bool allowMultipleFileOptimization() const;
    /// Extension without the dot; base answers "".
    virtual KString defaultExtension() const;
    /// A file-dialog filter; base answers "*.<defaultExtension>".
    virtual KString filter() const;
    /// True when the format can be opened as a scene; base answers true.
    virtual bool canBeOpened() const;
    /// Judges a file by its first `size` bytes; base answers kNotMyFileType.
    virtual KFileKind identifyFile(const KFileObject& file, const char* buffer, short size) const;
};
