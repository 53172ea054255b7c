#include "host/ui/command_text.h"

#include <cctype>

#include "frame/k_string.h"

namespace tarn::ui {

namespace {

bool isWordByte(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '|' || c == '.' ||
           c == '[' || c == ']' || c == ':';
}

}  // namespace

bool isBareWord(std::string_view text) {
    if (text.empty()) return false;
    const char first = text.front();
    if (std::isdigit(static_cast<unsigned char>(first)) || first == '.' || first == '[' ||
        first == ']' || first == ':')
        return false;
    for (char c : text)
        if (!isWordByte(c)) return false;
    return true;
}

std::string word(std::string_view text) {
    return isBareWord(text) ? std::string(text) : quoted(text);
}

std::string quoted(std::string_view text) {
    return "\"" + escapeCommandString(KString(std::string(text))).str() + "\"";
}

bool isNodeName(std::string_view text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text.front()))) return false;
    for (char c : text)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

std::string numbers(std::span<const double> values) {
    std::string text;
    for (double v : values) {
        if (!text.empty()) text += ' ';
        text += numberText(v);
    }
    return text;
}

}  // namespace tarn::ui
