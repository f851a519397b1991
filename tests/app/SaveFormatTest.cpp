// Which format a save writes and under which name: the filter chosen, unless the name typed says
// otherwise.
#include "app/SaveFormat.h"

#include <gtest/gtest.h>

namespace vantle {
namespace {

TEST(SaveFormat, Should_FollowTheTypedExtension_When_ItIsOneOfTheFormats) {
    const QStringList filters = SaveFilters();
    ASSERT_EQ(filters.size(), 3);
    const QString csv = filters[0];
    const QString utf8 = filters[1];
    const QString xlsx = filters[2];
    struct Case {
        const char* name;
        QString filter;
        SaveFormat format;
        const char* saved;
    };
    const Case cases[] = {
        {"/d/t.xlsx", csv, SaveFormat::Xlsx, "/d/t.xlsx"},
        {"/d/t.XLSX", utf8, SaveFormat::Xlsx, "/d/t.XLSX"},
        {"/d/t.xlsx", xlsx, SaveFormat::Xlsx, "/d/t.xlsx"},
        {"/d/t.csv", csv, SaveFormat::Csv, "/d/t.csv"},
        {"/d/t.csv", utf8, SaveFormat::CsvUtf8, "/d/t.csv"},
        {"/d/t.Csv", xlsx, SaveFormat::Csv, "/d/t.Csv"},
        {"/d/t.txt", xlsx, SaveFormat::Xlsx, "/d/t.txt"},
        {"/d/t.xls", csv, SaveFormat::Csv, "/d/t.xls"},
        {"/d/t", csv, SaveFormat::Csv, "/d/t.csv"},
        {"/d/t", utf8, SaveFormat::CsvUtf8, "/d/t.csv"},
        {"/d/t", xlsx, SaveFormat::Xlsx, "/d/t.xlsx"},
        {"/d/t.xlsx.bak", xlsx, SaveFormat::Xlsx, "/d/t.xlsx.bak"},
        {"/d/t.xlsx.bak", csv, SaveFormat::Csv, "/d/t.xlsx.bak"},
    };
    for (const Case& c : cases) {
        const QString saved = SaveName(QString::fromUtf8(c.name), c.filter);
        EXPECT_EQ(saved, QString::fromUtf8(c.saved)) << c.name;
        EXPECT_EQ(FormatOfSave(saved, c.filter), c.format) << c.name << " " << c.filter.toStdString();
    }
}

}  // namespace
}  // namespace vantle
