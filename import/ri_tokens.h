#pragma once
/// Token strings of the render interface and the declared-token table.

#include <string>

constexpr int kRiStandardTokenCount = 93;
/// The standard token strings, in their fixed order ("spotight" is spelled so).
extern const char* const kRiStandardTokens[kRiStandardTokenCount];

/// Value kinds of declared tokens.
enum RiTokenKind {
    kKindNone = 1,
    kKindString = 2,
    kKindFloat = 3,
    kKindColor = 4,
    kKindPoint = 5,
    kKindName = 6,
    kKindPointArray = 7
};

/// Fills the declared-token table unless it is already filled. Main thread.
void riBuildDeclaredTokens();
/// True once riBuildDeclaredTokens has run in this process.
bool riDeclaredTokensBuilt();
/// Kind of a declared token, or 0 when the token is not declared.
int riTokenKind(const std::string& token);
