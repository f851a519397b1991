#include "cli/ListInput.h"

#include "io/ListFile.h"

namespace vantle::cli {
namespace {

std::vector<std::string> LinesOfDecoded(std::string_view decoded) {
    return SplitListLines(ListTextToCp1251(decoded));
}

}  // namespace

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
    return LinesOfDecoded(ReadListFile(path));
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
    return LinesOfDecoded(DecodeListText(bytes));
}

}  // namespace vantle::cli
