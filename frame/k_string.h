#pragma once
/// The SDK's text value. Holds UTF-8 bytes; `length` counts bytes, `numChars` code points.
///
/// Numbers appended with `+=` or `+`: integers in plain decimal ("-12"); floating values as the
/// shortest text that reads back to the same value ("0.1", "1e+20", "3"), with a float formatted
/// at float precision (0.1f gives "0.1"); NaN and infinities as "nan", "inf", "-inf".

#include <string>
#include <string_view>
#include <iosfwd>

class KStringArray;

class KString {
public:
    KString() = default;
    KString(const char* text) : m_text(text ? text : "") {}
    KString(const char* text, int length) : m_text(text ? std::string(text, length) : "") {}
    KString(const std::string& text) : m_text(text) {}
    KString(std::string&& text) : m_text(std::move(text)) {}
    KString(std::string_view text) : m_text(text) {}

    /// The bytes, NUL-terminated; valid until the string changes.
    const char* asChar() const { return m_text.c_str(); }
    /// Length in bytes.
    unsigned int length() const { return static_cast<unsigned int>(m_text.size()); }
    /// Length in UTF-8 code points.
    unsigned int numChars() const;
    bool isEmpty() const { return m_text.empty(); }
    void clear() { m_text.clear(); }
    KString& set(const char* text) { m_text = text ? text : ""; return *this; }
    KString& set(double value);

    KString& operator+=(const KString& other) { m_text += other.m_text; return *this; }
    KString& operator+=(const char* text) { if (text) m_text += text; return *this; }
    KString& operator+=(char c) { m_text += c; return *this; }
    KString& operator+=(int value);
    KString& operator+=(unsigned int value);
    KString& operator+=(long value);
    KString& operator+=(unsigned long value);
    KString& operator+=(long long value);
    KString& operator+=(unsigned long long value);
    KString& operator+=(float value);
    KString& operator+=(double value);

    bool operator==(const KString& other) const { return m_text == other.m_text; }
    bool operator!=(const KString& other) const { return m_text != other.m_text; }
    bool operator==(const char* text) const { return m_text == (text ? text : ""); }
    bool operator!=(const char* text) const { return !(*this == text); }
    bool operator<(const KString& other) const { return m_text < other.m_text; }

    /// Whole-text conversions. `isInt`/`isDouble` say whether the whole text (blanks around it
    /// allowed) is such a number; `asInt`/`asDouble` answer 0 when it is not.
    bool isInt() const;
    bool isDouble() const;
    int asInt() const;
    double asDouble() const;
    float asFloat() const { return static_cast<float>(asDouble()); }

    /// Splits at every `separator`; empty pieces are dropped. Fills `out` (cleared first).
    bool split(char separator, KStringArray& out) const;
    /// Bytes [start, end] inclusive, clipped to the text; empty when start > end.
    KString substring(int start, int end) const;
    /// First / last byte index of `c`, or -1.
    int index(char c) const;
    int rindex(char c) const;
    KString toLowerCase() const;
    KString toUpperCase() const;

    /// Host-side access to the bytes.
    const std::string& str() const { return m_text; }
    std::string& str() { return m_text; }

private:
    std::string m_text;
};

inline KString operator+(const KString& a, const KString& b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, const char* b) { KString r(a); r += b; return r; }
inline KString operator+(const char* a, const KString& b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, char b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, int b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, unsigned int b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, long b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, unsigned long b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, long long b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, unsigned long long b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, float b) { KString r(a); r += b; return r; }
inline KString operator+(const KString& a, double b) { KString r(a); r += b; return r; }

std::ostream& operator<<(std::ostream& out, const KString& text);

/// A number as command text: the shortest decimal that reads back as exactly `value`
/// ("0.40208333333333335", "1234.5678", "1e-300", "5e-324", "3", "-0"); a float at float
/// precision (0.1f gives "0.1"). NaN and infinities give "nan", "inf" and "-inf", which no
/// command reads as a number. Use it wherever command text is built from numbers. Pure; any
/// thread.
std::string numberText(double value);
std::string numberText(float value);

/// The bytes of `text` as they go between the double quotes of a string literal of the command
/// language, so the interpreter reads back exactly `text`: backslash and double quote get a
/// backslash, line feed, carriage return and tab become \n \r \t, other control bytes
/// (0x00-0x1f, 0x7f) \xHH; every other byte (UTF-8 included) stays as is. Use it for every text
/// taken from a file, a node or a user that goes into a command string. Pure; any thread.
KString escapeCommandString(const KString& text);
