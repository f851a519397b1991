// Characters beyond Windows-1251 through every save and list format and back: the escape that keeps
// them in the program's bytes is never cut by a reader, quoted or unquoted, whatever the separator.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "io/CsvExport.h"
#include "io/Journal.h"
#include "io/ListSheet.h"
#include "io/SavedChecks.h"
#include "io/SavedTable.h"
#include "io/TempDir.h"
#include "io/XlsxExport.h"
#include "text/Cp1251.h"
#include "text/Utf8.h"

namespace vantle {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string Kept(std::u16string_view text) {
    return Utf16ToCp1251Keeping(text);
}

const std::vector<std::string>& Names() {
    static const std::vector<std::string> names = {Kept(u"münchen.de"), Kept(u"例え.jp"), Kept(u"пример.рф"),
                                                   "a.ru"};
    return names;
}

// The names as the Windows-1251 CSV writes its domain column: the full ASCII form.
const std::vector<std::string> kAsciiNames = {"xn--mnchen-3ya.de", "xn--r8jz45g.jp", Kept(u"пример.рф"),
                                              "a.ru"};

std::string Lines(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : "\n") + name;
    }
    return text;
}

// A list table as spreadsheets write it in UTF-8: the names, then a number, between separators.
std::string Utf8Table(char separator, bool quoted) {
    const std::string quote = quoted ? "\"" : "";
    std::string text = quote + "Domain" + quote + separator + quote + "Tic" + quote + "\r\n";
    for (const std::string& name : Names()) {
        text += quote + Cp1251ToUtf8(name) + quote + separator + quote + "1" + quote + "\r\n";
    }
    return text;
}

Rows SavedRows() {
    Rows rows = {{"Domain", "Registrar"}};
    for (const std::string& name : Names()) {
        rows.push_back({name, Kept(u"Registrö; Ελλάς \"😀\", ü")});
    }
    return rows;
}

using Save = std::function<void(const std::string&, const CsvTable&)>;

std::string Saved(const Save& save) {
    const Rows rows = SavedRows();
    testing::TempDir dir;
    save(dir.File("t"),
         CsvTable{static_cast<int>(rows.size()), 2, [&rows](int col, int row) { return rows[row][col]; }});
    return testing::ReadBytes(dir.File("t"));
}

void SaveCp1251(const std::string& path, const CsvTable& table) {
    SaveCsvFile(path, table);
}
void SaveUtf8(const std::string& path, const CsvTable& table) {
    SaveCsvUtf8File(path, table);
}
void SaveBook(const std::string& path, const CsvTable& table) {
    SaveXlsxFile(path, table);
}

TEST(EscapeRoundTrip, EveryListFormatGivesBackEveryName) {
    const struct {
        const char* what;
        std::string bytes;
        const std::vector<std::string>& names;
    } cases[] = {
        {"a UTF-8 list", Cp1251ToUtf8(Lines(Names())), Names()},
        {"\";\" unquoted, as Excel writes it", Utf8Table(';', false), Names()},
        {"\";\" quoted", Utf8Table(';', true), Names()},
        {"\",\" unquoted", Utf8Table(',', false), Names()},
        {"\",\" quoted", Utf8Table(',', true), Names()},
        {"tab", Utf8Table('\t', false), Names()},
        {"the UTF-8 CSV saved", Saved(SaveUtf8), Names()},
        {"the workbook saved", Saved(SaveBook), Names()},
        {"the Windows-1251 CSV saved: the ASCII forms", Saved(SaveCp1251), kAsciiNames},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ListFromFileBytes(c.bytes).text, Lines(c.names)) << c.what;
    }
}

TEST(EscapeRoundTrip, EverySaveFormatAndTheJournalGiveBackEveryCell) {
    const Rows rows = SavedRows();
    // "?" for what the code page cannot hold; the domain, written in its ASCII form, comes back whole.
    Rows cp1251 = rows;
    for (std::size_t r = 1; r < cp1251.size(); ++r) {
        cp1251[r] = {Names()[r - 1], "Registr?; ????? \"?\", ?"};
    }
    testing::TempDir dir;
    const std::string list = Lines(Names());
    JournalWriter writer(dir.File(""));
    ASSERT_TRUE(
        writer.Start({rows.front(), {"registry"}, static_cast<int>(Names().size()), ListHash(list)}, list));
    for (std::size_t r = 1; r < rows.size(); ++r) {
        ASSERT_TRUE(writer.Row(static_cast<int>(r), {static_cast<int>(r) - 1, rows[r], {0, 0, 0}}));
    }
    const struct {
        const char* what;
        std::optional<JournalState> state;
        const Rows& cells;
    } cases[] = {
        {"the UTF-8 CSV", ReadSavedTable(Saved(SaveUtf8), testing::SavedChecks()).state, rows},
        {"the workbook", ReadSavedTable(Saved(SaveBook), testing::SavedChecks()).state, rows},
        {"the Windows-1251 CSV", ReadSavedTable(Saved(SaveCp1251), testing::SavedChecks()).state, cp1251},
        {"the journal", ReadJournal(dir.File("")), rows},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.state.has_value()) << c.what;
        Rows read = {rows.front()};
        for (const auto& [row, content] : c.state->rows) {  // the domain and the registrar
            read.push_back({content.cells.front(), content.cells.back()});
        }
        EXPECT_EQ(read, c.cells) << c.what;
    }
}

}  // namespace
}  // namespace vantle
