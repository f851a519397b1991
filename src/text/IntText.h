#pragma once
// Integer conversion of texts: thresholds, TIC texts, rates and rank values.

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vantle {

// A text that is not an integer where one is converted. what() is the message of the standard
// error box without its final full stop: '<text>' is not a valid integer value
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Leading blanks skipped, an optional sign, then decimal digits, or hexadecimal digits after "$", "x",
// "X", "0x" or "0X", running to the end of the text. Anything else, an empty text, or a value outside
// the signed 32-bit range gives no value.
std::optional<std::int32_t> TryStrToInt(std::string_view text);

// TryStrToInt, raising EConvertError("'" + text + "' is not a valid integer value") on failure.
std::int32_t StrToInt(std::string_view text);

std::string IntToStr(long long value);

}  // namespace vantle
