#include "filter/RowFilter.h"

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
        order = key.value < term.key.value ? -1 : (term.key.value < key.value ? 1 : 0);
        return true;
    }
    order = CompareFolded(TrimBlanks(cell), TrimBlanks(term.value));
    return true;
}

}  // namespace

RowFilter RowFilter::Parse(std::string_view text, const std::vector<std::string>& headers) {
    RowFilter filter;
    for (RawTerm& raw : SplitTerms(text)) {
        if (raw.text.empty()) {
            continue;  // "": nothing to look for
        }
        Term term;
        std::size_t length = 0;
        if (raw.op != std::string::npos &&
            ReadOperator(std::string_view(raw.text).substr(raw.op), term.op, length)) {
            term.col = HeaderColumn(std::string_view(raw.text).substr(0, raw.op), headers);
        }
        if (term.col < 0) {
            term.op = Op::Contains;
            term.value = std::move(raw.text);
        } else {
            term.value = raw.text.substr(raw.op + length);
            term.key = KeyOf(term.value);
        }
        filter.terms_.push_back(std::move(term));
    }
    return filter;
}

bool RowFilter::Meets(const Term& term, std::string_view cell) {
    if (term.op == Op::Contains) {
        return ContainsFolded(cell, term.value);
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
        case Op::Contains:
            break;
    }
    return false;
}

}  // namespace vantle
