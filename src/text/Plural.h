#pragma once
// Russian words that follow a number take one of three forms: 1, 21, 101 строка; 2, 3, 4, 22 строки;
// 5 to 20, 11 to 14, 25, 111 строк.

#include <string>

namespace vantle {

enum class PluralForm { One, Few, Many };

PluralForm RussianPlural(long long n);

// The form of the word that follows n.
template <class Word>
const Word& ByNumber(long long n, const Word& one, const Word& few, const Word& many) {
    switch (RussianPlural(n)) {
        case PluralForm::One:
            return one;
        case PluralForm::Few:
            return few;
        case PluralForm::Many:
            break;
    }
    return many;
}

// "1 строка", "3 строки", "11 строк".
std::u16string RowsCount(long long n);

}  // namespace vantle
