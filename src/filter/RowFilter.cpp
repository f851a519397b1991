#include "filter/RowFilter.h"

#include "text/ColumnKind.h"
#include "text/Cp1251.h"

namespace vantle {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsOperatorChar(char c) {
    return c == '=' || c == '!' || c == '<' || c == '>';
}

// One term as typed: its text without the quotes, and where its first operator outside quotes stands.
struct RawTerm {
    std::string text;
    std::size_t op = std::string::npos;
};

std::vector<RawTerm> SplitTerms(std::string_view text) {
    std::vector<RawTerm> terms;
    RawTerm current;
    bool inTerm = false;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            inTerm = true;
        } else if (!quoted && IsBlank(c)) {
            if (inTerm) {
                terms.push_back(std::move(current));
                current = RawTerm();
            }
            inTerm = false;
        } else {
            if (!quoted && IsOperatorChar(c) && current.op == std::string::npos) {
                current.op = current.text.size();
            }
            current.text += c;
            inTerm = true;
        }
    }
    if (inTerm) {
        terms.push_back(std::move(current));
    }
    return terms;
}

bool IsOrdering(RowFilter::Op op) {
    return op == RowFilter::Op::Less || op == RowFilter::Op::LessEqual || op == RowFilter::Op::Greater ||
           op == RowFilter::Op::GreaterEqual;
}

// The operator at the start of text and its length; none when the text starts with "!" alone.
bool ReadOperator(std::string_view text, RowFilter::Op& op, std::size_t& length) {
    struct Known {
        std::string_view text;
        RowFilter::Op op;
    };
    constexpr Known kKnown[] = {{"!=", RowFilter::Op::NotEqual},     {"<=", RowFilter::Op::LessEqual},
                                {">=", RowFilter::Op::GreaterEqual}, {"<", RowFilter::Op::Less},
                                {">", RowFilter::Op::Greater},       {"=", RowFilter::Op::Equal}};
    for (const Known& known : kKnown) {
        if (text.substr(0, known.text.size()) == known.text) {
            op = known.op;
            length = known.text.size();
            return true;
        }
    }
    return false;
}

bool OnlyOperator(const RawTerm& term) {
    return term.op == 0 && term.text.find_first_not_of("=!<>") == std::string::npos;
}

// Whether the term ends in an operator that wants a value after it: < <= > >= but not = or !=, as
// "Mirror= site" asks for an empty Mirror.
bool WantsValue(const RawTerm& term) {
    RowFilter::Op op{};
    std::size_t length = 0;
    return term.op != std::string::npos &&
           ReadOperator(std::string_view(term.text).substr(term.op), op, length) &&
           term.op + length == term.text.size() && IsOrdering(op);
}

// "Tic >= 100", "Tic >=100", "Tic>= 100" as one term each.
std::vector<RawTerm> JoinSpacedOperators(std::vector<RawTerm> split) {
    std::vector<RawTerm> joined;
    bool operatorAlone = false;  // the last term joined was an operator on its own
    for (RawTerm& raw : split) {
        if (!joined.empty()) {
            RawTerm& last = joined.back();
            if (raw.op == 0 && last.op == std::string::npos && !last.text.empty()) {
                last.op = last.text.size();
                last.text += raw.text;
                operatorAlone = OnlyOperator(raw);
                continue;
            }
            if (raw.op == std::string::npos && (operatorAlone || WantsValue(last))) {
                last.text += raw.text;
                operatorAlone = false;
                continue;
            }
        }
        operatorAlone = false;
        joined.push_back(std::move(raw));
    }
    return joined;
}

// A year YYYY or a month YYYY-MM: its first day and the first day after it (yyyymmdd).
bool ReadPeriod(std::string_view text, double& first, double& end) {
    const auto digits = [text](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return false;
            }
        }
        return true;
    };
    const auto number = [text](std::size_t from, std::size_t to) {
        int value = 0;
        for (std::size_t i = from; i < to; ++i) {
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    text = TrimBlanks(text);
    if (text.size() == 4 && digits(0, 4)) {
        const int year = number(0, 4);
        first = year * 10000.0 + 101;
        end = (year + 1) * 10000.0 + 101;
        return true;
    }
    if (text.size() == 7 && digits(0, 4) && text[4] == '-' && digits(5, 7)) {
        const int year = number(0, 4);
        const int month = number(5, 7);
        if (month < 1 || month > 12) {
            return false;
        }
        first = year * 10000.0 + month * 100 + 1;
        end = month == 12 ? (year + 1) * 10000.0 + 101 : year * 10000.0 + (month + 1) * 100 + 1;
        return true;
    }
    return false;
}

// "today" or "сегодня", then an optional +N or -N days: that day (yyyymmdd).
bool ReadRelativeDay(std::string_view text, std::chrono::sys_days today, double& day) {
    const std::string folded = FoldCase(TrimBlanks(text));
    std::string_view rest = folded;
    const std::string russian = Utf16ToCp1251(u"сегодня");
    if (rest.starts_with("today")) {
        rest.remove_prefix(5);
    } else if (rest.starts_with(russian)) {
        rest.remove_prefix(russian.size());
    } else {
        return false;
    }
    int days = 0;
    if (!rest.empty()) {
        const bool minus = rest.front() == '-';
        if ((!minus && rest.front() != '+') || rest.size() < 2 || rest.size() > 6) {
            return false;
        }
        for (const char c : rest.substr(1)) {
            if (c < '0' || c > '9') {
                return false;
            }
            days = days * 10 + (c - '0');
        }
        days = minus ? -days : days;
    }
    const std::chrono::year_month_day date(today + std::chrono::days(days));
    day = static_cast<int>(date.year()) * 10000.0 + static_cast<unsigned>(date.month()) * 100 +
          static_cast<unsigned>(date.day());
    return true;
}

std::chrono::sys_days SystemToday() {
    return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

std::string Quoted(std::string_view text) {
    return Utf16ToCp1251(u"«") + std::string(text) + Utf16ToCp1251(u"»");
}

std::string OperatorText(RowFilter::Op op) {
    switch (op) {
        case RowFilter::Op::NotEqual:
            return "!=";
        case RowFilter::Op::Less:
            return "<";
        case RowFilter::Op::LessEqual:
            return "<=";
        case RowFilter::Op::Greater:
            return ">";
        case RowFilter::Op::GreaterEqual:
            return ">=";
        default:
            return "=";
    }
}

// What is wrong with a column term, empty when nothing is; kind is what the column holds.
std::string ValueError(const RowFilter::Term& term, ColumnKind kind) {
    const std::string_view value = TrimBlanks(term.value);
    if (!value.empty() && IsOperatorChar(value.front())) {
        return Utf16ToCp1251(u"лишний знак сравнения: ") + Quoted(OperatorText(term.op) + term.value);
    }
    if (!IsOrdering(term.op)) {
        return {};
    }
    if (value.empty()) {
        return Utf16ToCp1251(u"нет значения после ") + Quoted(OperatorText(term.op));
    }
    if (kind == ColumnKind::Number && term.key.kind != CellKind::Number) {
        return Quoted(value) + Utf16ToCp1251(u" — не число");
    }
    if (kind == ColumnKind::Date && term.key.kind != CellKind::Date) {
        return Quoted(value) + Utf16ToCp1251(u" — не дата (ГГГГ-ММ-ДД, ГГГГ-ММ или ГГГГ)");
    }
    return {};
}

int HeaderColumn(std::string_view name, const std::vector<std::string>& headers) {
    name = TrimBlanks(name);
    if (name.empty()) {
        return -1;
    }
    for (std::size_t c = 0; c < headers.size(); ++c) {
        if (CompareFolded(TrimBlanks(headers[c]), name) == 0) {
            return static_cast<int>(c);
        }
    }
    return -1;
}

// Negative, zero or positive; no order at all between a number or a date and a cell of another kind.
bool Order(const RowFilter::Term& term, std::string_view cell, int& order) {
    const CellKey key = KeyOf(cell);
    if (ColumnOrder::IsOrdinal(term.key)) {
        if (key.kind != term.key.kind) {
            return false;
        }
        if (term.periodEnd > 0) {
            order = key.value < term.key.value ? -1 : (key.value < term.periodEnd ? 0 : 1);
        } else {
            order = key.value < term.key.value ? -1 : (term.key.value < key.value ? 1 : 0);
        }
        return true;
    }
    order = CompareFolded(TrimBlanks(cell), TrimBlanks(term.value));
    return true;
}

constexpr std::string_view kChanges = "Changes";

// Whether a Changes cell ("Expires 2026-12-01 -> 2027-12-01; Registrar A -> B") names the column: a
// phrase begins with the column's name and a blank or a colon.
bool NamesColumn(std::string_view cell, std::string_view column) {
    for (std::size_t at = 0; at <= cell.size();) {
        const std::string_view rest = cell.substr(at);
        if (rest.size() > column.size() && CompareFolded(rest.substr(0, column.size()), column) == 0 &&
            (rest[column.size()] == ' ' || rest[column.size()] == ':')) {
            return true;
        }
        const std::size_t next = cell.find("; ", at);
        if (next == std::string_view::npos) {
            return false;
        }
        at = next + 2;
    }
    return false;
}

}  // namespace

RowFilter RowFilter::Parse(std::string_view text, const std::vector<std::string>& headers,
                           const FilterContext& context) {
    const std::chrono::sys_days today = context.today ? *context.today : SystemToday();
    const auto hidden = [&context](int col) {
        return col >= 0 && static_cast<std::size_t>(col) < context.hidden.size() &&
               context.hidden[static_cast<std::size_t>(col)];
    };
    RowFilter filter;
    for (RawTerm& raw : JoinSpacedOperators(SplitTerms(text))) {
        if (raw.text.empty()) {
            continue;  // "": nothing to look for
        }
        std::string error;
        Term term;
        std::size_t length = 0;
        const std::string_view name = raw.op == std::string::npos
                                          ? std::string_view()
                                          : TrimBlanks(std::string_view(raw.text).substr(0, raw.op));
        if (raw.op != std::string::npos &&
            ReadOperator(std::string_view(raw.text).substr(raw.op), term.op, length)) {
            term.col = HeaderColumn(name, headers);
            if (term.col < 0) {
                error = name.empty()
                            ? Utf16ToCp1251(u"нет имени столбца перед ") + Quoted(OperatorText(term.op))
                            : Utf16ToCp1251(u"нет столбца ") + Quoted(name);
            } else if (hidden(term.col)) {
                error = Utf16ToCp1251(u"столбца ") + Quoted(name) +
                        Utf16ToCp1251(u" нет в этой таблице: его проверка не выбрана");
                term.col = -1;
            }
        } else if (raw.op != std::string::npos && HeaderColumn(name, headers) >= 0) {
            error = Utf16ToCp1251(u"после «!» нужен «=»");
        }
        const int changes = HeaderColumn(kChanges, headers);
        if (term.col < 0 && changes >= 0 && raw.op == std::string::npos &&
            CompareFolded(TrimBlanks(raw.text), kChanges) == 0) {
            term.col = changes;
            term.op = Op::Filled;
        } else if (term.col >= 0 && term.col == changes &&
                   (term.op == Op::Equal || term.op == Op::NotEqual) &&
                   !TrimBlanks(std::string_view(raw.text).substr(raw.op + length)).empty()) {
            term.op = term.op == Op::Equal ? Op::Names : Op::NamesNot;
            term.value = TrimBlanks(std::string_view(raw.text).substr(raw.op + length));
        } else if (term.col < 0) {
            term.op = Op::Contains;
            term.value = std::move(raw.text);
        } else {
            term.value = TrimBlanks(std::string_view(raw.text).substr(raw.op + length));
            term.key = KeyOf(term.value);
            const ColumnKind kind = KindOfColumn(TrimBlanks(headers[static_cast<std::size_t>(term.col)]));
            double first = 0;
            double end = 0;
            if ((kind == ColumnKind::Date || term.key.kind == CellKind::Text) &&
                ReadPeriod(term.value, first, end)) {
                term.key = CellKey{CellKind::Date, first};
                term.periodEnd = end;
            } else if (kind == ColumnKind::Date && term.key.kind == CellKind::Text &&
                       ReadRelativeDay(term.value, today, first)) {
                term.key = CellKey{CellKind::Date, first};
            }
            error = ValueError(term, kind);
            if (!error.empty() && IsOrdering(term.op) && !term.value.empty()) {
                // Nothing to compare with: the term is the text typed, as a name that is no header is.
                term = Term();
                term.value = std::move(raw.text);
            }
        }
        if (filter.error_.empty()) {
            filter.error_ = std::move(error);
        }
        filter.terms_.push_back(std::move(term));
    }
    return filter;
}

bool RowFilter::Meets(const Term& term, std::string_view cell) {
    switch (term.op) {
        case Op::Contains:
            return ContainsFolded(cell, term.value);
        case Op::Filled:
            return !TrimBlanks(cell).empty();
        case Op::Names:
        case Op::NamesNot:
            return NamesColumn(cell, term.value) == (term.op == Op::Names);
        default:
            break;
    }
    int order = 0;
    if (!Order(term, cell, order)) {
        return term.op == Op::NotEqual;
    }
    switch (term.op) {
        case Op::Equal:
            return order == 0;
        case Op::NotEqual:
            return order != 0;
        case Op::Less:
            return order < 0;
        case Op::LessEqual:
            return order <= 0;
        case Op::Greater:
            return order > 0;
        case Op::GreaterEqual:
            return order >= 0;
        default:
            break;
    }
    return false;
}

}  // namespace vantle
