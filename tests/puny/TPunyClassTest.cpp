#include "puny/TPunyClass.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vantle {
namespace {

std::u16string Encode(std::u16string_view input) {
    return TPunyClass().Encode(input);
}

TEST(TPunyClass, Encode_Should_GiveTheKnownForms_When_LabelsAreTypical) {
    struct Case {
        std::u16string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {u"пример", u"e1afmkfd"},                 // six small Cyrillic letters
        {u"рф", u"p1ai"},                         // the Cyrillic zone
        {u"домен", u"d1acufc"},                   //
        {u"тест123", u"123-qdd4dec"},             // basic code points first, then the delimiter
        {u"почта-россии", u"--7sbza0acdlkaf3d"},  // the hyphen is copied, then the delimiter
        {u"abc", u"abc"},                         // only basic code points: no delimiter
        {u"Пример", u"r0a8biqsd"},                // no case folding
        {u"a b", u"a b"},                         // only basic code points come back unchanged
        {u"", u""},
        {u"ёж", u"f1a7c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Encode(c.input), c.expected);
    }
}

TEST(TPunyClass, Encode_Should_TakeSurrogatesAsTwoCodePoints_When_OutsideTheBmp) {
    // U+1F600 is the pair D83D DE00; each unit is one code point of its own.
    const std::u16string face = u"\U0001F600";
    ASSERT_EQ(face.size(), 2u);
    const std::u16string encoded = Encode(face);
    EXPECT_EQ(encoded, Encode(std::u16string{char16_t(0xD83D), char16_t(0xDE00)}));
    // Encoding the code point U+1F600 as one would give "e28h".
    EXPECT_EQ(encoded, u"8c9bk9h");
}

// RFC 3492, section 7.1. Inputs are the code points written in the RFC, outputs its Punycode.
struct RfcSample {
    const char* name;
    std::vector<char16_t> codePoints;
    const char16_t* punycode;
};

// The samples whose code points are all non-letters or small letters and that carry no mixed-case
// annotation: our encoder never annotates case, and these are where annotation plays no part.
// Left out: (I) Russian, whose first letter carries an upper-case annotation (the RFC's output holds a
// "D"); every sample that holds a capital letter (D, J, K, L, M, N, P, checked separately below); and
// (S), made only of basic code points, to which our encoder appends no delimiter.
const RfcSample kLowercaseSamples[] = {
    {"(A) Arabic (Egyptian)",
     {0x0644, 0x064A, 0x0647, 0x0645, 0x0627, 0x0628, 0x062A, 0x0643, 0x0644, 0x0645, 0x0648, 0x0634, 0x0639,
      0x0631, 0x0628, 0x064A, 0x061F},
     u"egbpdaj6bu4bxfgehfvwxn"},
    {"(B) Chinese (simplified)",
     {0x4ED6, 0x4EEC, 0x4E3A, 0x4EC0, 0x4E48, 0x4E0D, 0x8BF4, 0x4E2D, 0x6587},
     u"ihqwcrb4cv8a8dqg056pqjye"},
    {"(C) Chinese (traditional)",
     {0x4ED6, 0x5011, 0x7232, 0x4EC0, 0x9EBD, 0x4E0D, 0x8AAA, 0x4E2D, 0x6587},
     u"ihqwctvzc91f659drss3x8bo0yb"},
    {"(E) Hebrew",
     {0x05DC, 0x05DE, 0x05D4, 0x05D4, 0x05DD, 0x05E4, 0x05E9, 0x05D5, 0x05D8, 0x05DC, 0x05D0,
      0x05DE, 0x05D3, 0x05D1, 0x05E8, 0x05D9, 0x05DD, 0x05E2, 0x05D1, 0x05E8, 0x05D9, 0x05EA},
     u"4dbcagdahymbxekheh6e0a7fei0b"},
    {"(F) Hindi (Devanagari)",
     {0x092F, 0x0939, 0x0932, 0x094B, 0x0917, 0x0939, 0x093F, 0x0928, 0x094D, 0x0926,
      0x0940, 0x0915, 0x094D, 0x092F, 0x094B, 0x0902, 0x0928, 0x0939, 0x0940, 0x0902,
      0x092C, 0x094B, 0x0932, 0x0938, 0x0915, 0x0924, 0x0947, 0x0939, 0x0948, 0x0902},
     u"i1baa7eci9glrd9b2ae1bj0hfcgg6iyaf8o0a1dig0cd"},
    {"(G) Japanese (kanji and hiragana)",
     {0x306A, 0x305C, 0x307F, 0x3093, 0x306A, 0x65E5, 0x672C, 0x8A9E, 0x3092, 0x8A71, 0x3057, 0x3066, 0x304F,
      0x308C, 0x306A, 0x3044, 0x306E, 0x304B},
     u"n8jok5ay5dzabd5bym9f0cm5685rrjetr6pdxa"},
    {"(H) Korean (Hangul syllables)",
     {0xC138, 0xACC4, 0xC758, 0xBAA8, 0xB4E0, 0xC0AC, 0xB78C, 0xB4E4, 0xC774, 0xD55C, 0xAD6D, 0xC5B4,
      0xB97C, 0xC774, 0xD574, 0xD55C, 0xB2E4, 0xBA74, 0xC5BC, 0xB9C8, 0xB098, 0xC88B, 0xC744, 0xAE4C},
     u"989aomsvi5e83db1d2a355cv1e0vak1dwrv93d5xbh15a0dt30a5jpsd879ccm6fea98c"},
    {"(O) <hitotsu><yane><no><shita>2",
     {0x3072, 0x3068, 0x3064, 0x5C4B, 0x6839, 0x306E, 0x4E0B, 0x0032},
     u"2-u9tlzr9756bt3uc0v"},
    {"(Q) <pafii>de<runba>",
     {0x30D1, 0x30D5, 0x30A3, 0x30FC, 0x0064, 0x0065, 0x30EB, 0x30F3, 0x30D0},
     u"de-jg4avhby1noc0d"},
    {"(R) <sono><supiido><de>", {0x305D, 0x306E, 0x30B9, 0x30D4, 0x30FC, 0x30C9, 0x3067}, u"d9juau41awczczp"},
};

// Samples whose only capitals are basic code points. A basic code point is copied as it is, so no
// digit needs an annotation and our output must still be the RFC's.
const RfcSample kBasicCapitalSamples[] = {
    {"(D) Czech",
     {0x0050, 0x0072, 0x006F, 0x010D, 0x0070, 0x0072, 0x006F, 0x0073, 0x0074, 0x011B, 0x006E,
      0x0065, 0x006D, 0x006C, 0x0075, 0x0076, 0x00ED, 0x010D, 0x0065, 0x0073, 0x006B, 0x0079},
     u"Proprostnemluvesky-uyb24dma41a"},
    {"(L) 3<nen>B<gumi><kinpachi><sensei>",
     {0x0033, 0x5E74, 0x0042, 0x7D44, 0x91D1, 0x516B, 0x5148, 0x751F},
     u"3B-ww4c5e180e575a65lsy2b"},
    {"(P) Maji<de>Koi<suru>5<byou><mae>",
     {0x004D, 0x0061, 0x006A, 0x0069, 0x3067, 0x004B, 0x006F, 0x0069, 0x3059, 0x308B, 0x0035, 0x79D2, 0x524D},
     u"MajiKoi5-783gue6qz075azm5e"},
};

void ExpectRfcOutputs(const RfcSample* begin, const RfcSample* end) {
    for (const RfcSample* s = begin; s != end; ++s) {
        const std::u16string input(s->codePoints.begin(), s->codePoints.end());
        EXPECT_EQ(Encode(input), s->punycode) << s->name;
    }
}

TEST(TPunyClassRfc3492, Encode_Should_GiveTheRfcOutput_When_SampleHasNoCapitals) {
    ExpectRfcOutputs(std::begin(kLowercaseSamples), std::end(kLowercaseSamples));
}

TEST(TPunyClassRfc3492, Encode_Should_GiveTheRfcOutput_When_OnlyBasicCodePointsAreCapitals) {
    ExpectRfcOutputs(std::begin(kBasicCapitalSamples), std::end(kBasicCapitalSamples));
}

TEST(TPunyClassRfc3492, Encode_Should_AnnotateNoCase_When_RussianSampleAsksForIt) {
    // (I): the RFC's "b1abfaaepdrnnbgefbaDotcwatmq2g4l" flags its first letter upper case with "D".
    const std::vector<char16_t> russian = {0x043F, 0x043E, 0x0447, 0x0435, 0x043C, 0x0443, 0x0436,
                                           0x0435, 0x043E, 0x043D, 0x0438, 0x043D, 0x0435, 0x0433,
                                           0x043E, 0x0432, 0x043E, 0x0440, 0x044F, 0x0442, 0x043F,
                                           0x043E, 0x0440, 0x0443, 0x0441, 0x0441, 0x043A, 0x0438};
    EXPECT_EQ(Encode(std::u16string(russian.begin(), russian.end())), u"b1abfaaepdrnnbgefbadotcwatmq2g4l");
}

TEST(TPunyClass, Encode_Should_ReturnInputUnchanged_When_DeltaOverflows) {
    // 40000 basic letters before one U+FFFF: the first step alone, (0xFFFF - 128) * 40001, passes 2^31 - 1.
    std::u16string absurd(40000, u'a');
    absurd += char16_t(0xFFFF);
    EXPECT_EQ(Encode(absurd), absurd);
}

TEST(TPunyClass, Encode_Should_DetectOverflowAtTheSignedBound_When_NoBasicCodePointIsThere) {
    // n labels U+0100 and one U+FFFF: before the last code point delta is 1 + 65278 * (n + 1), which
    // is 2147450367 for n = 32896 and passes 2147483647 for n = 32897.
    std::u16string fits(32896, char16_t(0x0100));
    fits += char16_t(0xFFFF);
    const std::u16string encoded = Encode(fits);
    ASSERT_NE(encoded, fits);
    EXPECT_EQ(encoded.size(), 32907u);
    EXPECT_EQ(encoded.substr(encoded.size() - 9), u"77349585s");

    std::u16string overflows(32897, char16_t(0x0100));
    overflows += char16_t(0xFFFF);
    EXPECT_EQ(Encode(overflows), overflows);
}

TEST(TPunyClass, Encode_Should_StillEncode_When_LongInputStaysInRange) {
    // 20000 basic letters before one U+0100: (0x100 - 128) * 20001 is far below the bound.
    std::u16string longLabel(20000, u'a');
    longLabel += char16_t(0x0100);
    EXPECT_EQ(Encode(longLabel), std::u16string(20000, u'a') + u"-7h02s");
}

}  // namespace
}  // namespace vantle
