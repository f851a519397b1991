#include "cli/ListInput.h"

#include "io/ListFile.h"
#include "io/ListSheet.h"

namespace vantle::cli {

std::vector<std::string> SplitListLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            if (start < text.size()) {
                lines.emplace_back(text.substr(start));
            }
            return lines;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
}

std::vector<std::string> ReadListLines(const std::string& path) {
    return SplitListLines(ReadListFromFile(path).text);
}

std::vector<std::string> ReadListLines(std::istream& in) {
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > kMaxListFileBytes) {
            throw ETextTooLong();
        }
    }
    return SplitListLines(ListFromFileBytes(bytes).text);
}

}  // namespace vantle::cli
