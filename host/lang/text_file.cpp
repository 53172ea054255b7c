#include "host/lang/text_file.h"

#include <filesystem>
#include <fstream>

namespace tarn::lang {

bool readTextFile(const std::string& path, std::string& text, std::string* error) {
    auto fail = [&](const char* verb, const std::string& why) {
        if (error) *error = std::string(verb) + " file \"" + path + "\"" + why + ".";
        return false;
    };
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return fail("Cannot open", ": it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("Cannot open", "");
    // In pieces, so that an endless or enormous file stops at the limit.
    std::string content;
    char piece[1 << 16];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        if (content.size() + static_cast<std::size_t>(in.gcount()) > kMaxTextFileBytes)
            return fail("Cannot read",
                        ": it is larger than " + std::to_string(kMaxTextFileBytes) + " bytes");
        content.append(piece, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return fail("Cannot read", "");
    text = std::move(content);
    return true;
}

}  // namespace tarn::lang
