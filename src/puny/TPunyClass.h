#pragma once
// Punycode (RFC 3492) encoding of one label, without the "xn--" prefix.

#include <string>
#include <string_view>

namespace vantle {

class TPunyClass {
public:
    // The Punycode form of input, each UTF-16 code unit taken as one code point. An input made only
    // of basic code points comes back unchanged (no delimiter). On failure (overflow on absurd input)
    // the result is input unchanged.
    std::u16string Encode(std::u16string_view input) const;
};

}  // namespace vantle
