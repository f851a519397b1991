// TPunyClass::Encode on any sequence of UTF-16 code units (two input bytes each, little end first):
// it must never crash, and wherever both are defined it must agree with the RFC 3492 encoder of
// libidn. Our encoder differs on purpose in two places: an input made only of basic code points comes
// back without the delimiter, and an overflow gives the input unchanged.
#include <punycode.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "puny/TPunyClass.h"

namespace {

// Below this many code units the 32-bit delta cannot overflow (65536 * 16385 < 2^31).
constexpr std::size_t kNoOverflowBelow = 16384;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

std::string AsAscii(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        if (unit >= 0x80) {
            Fail("the encoder gave a non-ASCII unit");
        }
        out.push_back(static_cast<char>(unit));
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::u16string input;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        input.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    const std::u16string ours = vantle::TPunyClass().Encode(input);

    const bool allBasic = std::all_of(input.begin(), input.end(), [](char16_t u) { return u < 0x80; });
    if (allBasic) {
        if (ours != input) {
            Fail("an all-basic input did not come back unchanged");
        }
        return 0;
    }
    const bool oursFailed = ours == input;  // a real encoding of a non-basic unit is plain ASCII
    if (oursFailed && input.size() < kNoOverflowBelow) {
        Fail("the encoder failed on a short input");
    }

    const std::vector<punycode_uint> points(input.begin(), input.end());
    std::string theirs(12 * input.size() + 16, '\0');
    std::size_t theirsLength = theirs.size();
    const int rc = punycode_encode(points.size(), points.data(), nullptr, &theirsLength, theirs.data());
    if (oursFailed || rc == punycode_overflow || rc == punycode_bad_input) {
        return 0;  // not defined on both sides
    }
    if (rc != punycode_success) {
        Fail("libidn refused the input for another reason");
    }
    theirs.resize(theirsLength);
    if (AsAscii(ours) != theirs) {
        std::fprintf(stderr, "ours: %s\nlibidn: %s\n", AsAscii(ours).c_str(), theirs.c_str());
        Fail("the encoders disagree");
    }
    return 0;
}
