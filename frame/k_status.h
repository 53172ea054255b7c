#pragma once
/// Status of every SDK call. Code 0 is success; every other code is a failure. Code 5
/// (kUnknownParameter) is what a node's compute answers for a plug it does not serve.

#include "frame/k_string.h"

class KStatus {
public:
    enum KStatusCode : int {
        kSuccess = 0,
        kFailure = 1,
        kInsufficientMemory = 2,
        kInvalidParameter = 3,
        kLicenseFailure = 4,
        kUnknownParameter = 5,
        kNotImplemented = 6,
        kNotFound = 7,
        kEndOfFile = 8,
    };

    /// A success status.
    KStatus() = default;
    /// A status with the given code (any value; unknown codes read as failures).
    KStatus(KStatusCode code) : m_code(code) {}

    /// True for success (code 0).
    explicit operator bool() const { return m_code == kSuccess; }
    /// True for every code but success.
    bool error() const { return m_code != kSuccess; }
    KStatusCode statusCode() const { return m_code; }
    /// Back to success.
    void clear() { m_code = kSuccess; }

    bool operator==(const KStatus& other) const { return m_code == other.m_code; }
    bool operator!=(const KStatus& other) const { return m_code != other.m_code; }
    bool operator==(KStatusCode code) const { return m_code == code; }
    bool operator!=(KStatusCode code) const { return m_code != code; }

    /// The fixed description of this status's code, e.g. "Unexpected Internal Failure".
    KString errorString() const;
    /// Writes "text: description" as one line to the host's error output. Thread safe.
    void perror(const KString& text) const;
    void perror(const char* text) const;

    /// The description of any code (unknown codes get "Unknown Status Code").
    static const char* description(int code);

private:
    KStatusCode m_code = kSuccess;
};

/// Sets `*status` when the pointer is not null; the usual tail of SDK calls with a status out.
inline void kSetStatus(KStatus* status, KStatus value) {
    if (status) *status = value;
}
