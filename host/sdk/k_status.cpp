#include "frame/k_status.h"

#include "host/sdk/host_output.h"

namespace {
constexpr const char* kDescriptions[] = {
    "Success",                       // kSuccess
    "Unexpected Internal Failure",   // kFailure
    "Insufficient Memory",           // kInsufficientMemory
    "Invalid Parameter",             // kInvalidParameter
    "License Failure",               // kLicenseFailure
    "Unknown Parameter",             // kUnknownParameter
    "Not Implemented",               // kNotImplemented
    "Object Not Found",              // kNotFound
    "End of File",                   // kEndOfFile
};
}  // namespace

const char* KStatus::description(int code) {
    if (code < 0 || code >= static_cast<int>(std::size(kDescriptions))) return "Unknown Status Code";
    return kDescriptions[code];
}

KString KStatus::errorString() const { return KString(description(m_code)); }

void KStatus::perror(const KString& text) const {
    std::string line = text.str();
    line += ": ";
    line += description(m_code);
    tarn::output::error(line);
}

void KStatus::perror(const char* text) const { perror(KString(text)); }
