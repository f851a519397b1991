#include "CyrillicLabels.h"

#include <cstdint>

namespace vantle::bench {

std::vector<std::u16string> CyrillicLabels(std::size_t count) {
    // A fixed linear congruential sequence: the same labels in every run and on every machine.
    std::uint32_t state = 12345;
    const auto next = [&state](std::uint32_t range) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % range;
    };
    std::vector<std::u16string> labels;
    labels.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t length = 3 + next(18);
        std::u16string label;
        for (std::uint32_t j = 0; j < length; ++j) {
            // а..я, now and then ё
            label += next(40) == 0 ? char16_t{0x0451} : static_cast<char16_t>(0x0430 + next(32));
        }
        labels.push_back(std::move(label));
    }
    return labels;
}

}  // namespace vantle::bench
