#include "text/Plural.h"

namespace vantle {

PluralForm RussianPlural(long long n) {
    const long long magnitude = n < 0 ? -(n % 100) : n % 100;
    const long long last = magnitude % 10;
    if (magnitude >= 11 && magnitude <= 14) {
        return PluralForm::Many;
    }
    if (last == 1) {
        return PluralForm::One;
    }
    return last >= 2 && last <= 4 ? PluralForm::Few : PluralForm::Many;
}

std::u16string RowsCount(long long n) {
    const std::u16string one = u"строка";
    const std::u16string few = u"строки";
    const std::u16string many = u"строк";
    std::u16string text;
    for (const char c : std::to_string(n)) {
        text += static_cast<char16_t>(c);
    }
    return text + u' ' + ByNumber(n, one, few, many);
}

}  // namespace vantle
