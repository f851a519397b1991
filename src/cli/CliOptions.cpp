#include "cli/CliOptions.h"

#include <algorithm>
#include <string_view>

#include "catalog/CheckCatalog.h"
#include "cli/OutputFormat.h"
#include "pace/Limiter.h"
#include "text/IntText.h"

namespace vantle::cli {
namespace {

constexpr int kMinRate = 1;
constexpr int kMaxRate = 10;
constexpr int kMinParallel = 1;
constexpr int kMaxParallel = 256;

template <class Names>
std::string Joined(const Names& names) {
    std::string text;
    for (const auto& name : names) {
        text += (text.empty() ? "" : ", ") + std::string(name);
    }
    return text;
}

std::vector<std::string_view> FormatNames() {
    std::vector<std::string_view> names;
    for (const OutputFormat& format : OutputFormats()) {
        names.push_back(format.name);
    }
    return names;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Quoted(std::string_view value) {
    return "«" + std::string(value) + "»";
}

// The options that take a value, by every name they go by.
enum class Valued {
    None,
    Rate,
    Parallel,
    DnsRate,
    Threshold,
    Checks,
    Output,
    Format,
    TopList,
    History,
    KeepDays,
    GraphRanks
};

Valued ValuedOption(std::string_view name) {
    if (name == "--rate")
        return Valued::Rate;
    if (name == "--parallel")
        return Valued::Parallel;
    if (name == "--dns-rate")
        return Valued::DnsRate;
    if (name == "--threshold")
        return Valued::Threshold;
    if (name == "--checks")
        return Valued::Checks;
    if (name == "-o" || name == "--output")
        return Valued::Output;
    if (name == "--format")
        return Valued::Format;
    if (name == "--top-list")
        return Valued::TopList;
    if (name == "--history")
        return Valued::History;
    if (name == "--keep-days")
        return Valued::KeepDays;
    if (name == "--graph-ranks")
        return Valued::GraphRanks;
    return Valued::None;
}

std::optional<CliUsageError> SetRate(CliOptions& options, const std::string& value) {
    const std::optional<std::int32_t> rate = AllDigits(value) ? TryStrToInt(value) : std::nullopt;
    if (!rate || *rate < kMinRate || *rate > kMaxRate) {
        return CliUsageError{"скорость " + Quoted(value) + " — не число от 1 до 10 (доменов в секунду)"};
    }
    options.rate = *rate;
    return std::nullopt;
}

std::optional<CliUsageError> SetParallel(CliOptions& options, const std::string& value) {
    const std::optional<std::int32_t> parallel = AllDigits(value) ? TryStrToInt(value) : std::nullopt;
    if (!parallel || *parallel < kMinParallel || *parallel > kMaxParallel) {
        return CliUsageError{"число одновременных проверок " + Quoted(value) + " — не число от 1 до 256"};
    }
    options.parallel = *parallel;
    return std::nullopt;
}

std::optional<CliUsageError> SetThreshold(CliOptions& options, const std::string& value) {
    if (!AllDigits(value) || !TryStrToInt(value)) {
        return CliUsageError{"порог " + Quoted(value) + " — не целое число от 0 до 2147483647"};
    }
    options.threshold = value;
    return std::nullopt;
}

std::optional<CliUsageError> SetChecks(CliOptions& options, const std::string& value) {
    options.checks.clear();
    std::size_t start = 0;
    while (start <= value.size()) {
        const std::size_t end = std::min(value.find(',', start), value.size());
        const std::string name = value.substr(start, end - start);
        start = end + 1;
        if (name.empty()) {
            continue;
        }
        const auto& known = CheckNames();
        if (std::find(known.begin(), known.end(), name) == known.end()) {
            return CliUsageError{"неизвестная проверка " + Quoted(name) + " (есть: " + Joined(known) + ")"};
        }
        options.checks.insert(name);
    }
    if (options.checks.empty()) {
        return CliUsageError{"в " + Quoted(value) + " не названо ни одной проверки"};
    }
    return std::nullopt;
}

std::optional<CliUsageError> SetFormat(CliOptions& options, const std::string& value) {
    if (FindOutputFormat(value) == nullptr) {
        return CliUsageError{"неизвестный формат " + Quoted(value) + " (есть: " + Joined(FormatNames()) +
                             ")"};
    }
    options.format = value;
    return std::nullopt;
}

std::optional<CliUsageError> SetValue(CliOptions& options, Valued which, const std::string& value) {
    switch (which) {
        case Valued::Rate:
            return SetRate(options, value);
        case Valued::Parallel:
            return SetParallel(options, value);
        case Valued::DnsRate: {
            const std::optional<std::int32_t> rate = AllDigits(value) ? TryStrToInt(value) : std::nullopt;
            if (!rate || *rate < kMinDnsRate || *rate > kMaxDnsRate) {
                return CliUsageError{"темп DNS " + Quoted(value) + " — не число от " +
                                     std::to_string(kMinDnsRate) + " до " + std::to_string(kMaxDnsRate) +
                                     " (запросов в секунду)"};
            }
            options.dnsRate = *rate;
            return std::nullopt;
        }
        case Valued::Threshold:
            return SetThreshold(options, value);
        case Valued::Checks:
            return SetChecks(options, value);
        case Valued::Output:
            if (value.empty()) {
                return CliUsageError{"пустое имя файла для «-o»"};
            }
            options.output = value;
            return std::nullopt;
        case Valued::Format:
            return SetFormat(options, value);
        case Valued::TopList:
            if (value.empty()) {
                return CliUsageError{"пустое имя файла для «--top-list»"};
            }
            options.topList = value;
            return std::nullopt;
        case Valued::History:
            if (value.empty()) {
                return CliUsageError{"пустое имя домена для «--history»"};
            }
            options.history = value;
            return std::nullopt;
        case Valued::KeepDays: {
            const std::optional<std::int32_t> days = AllDigits(value) ? TryStrToInt(value) : std::nullopt;
            if (!days || *days < 1 || *days > 36500) {
                return CliUsageError{"срок хранения " + Quoted(value) + " — не число дней от 1 до 36500"};
            }
            options.keepDays = *days;
            return std::nullopt;
        }
        case Valued::GraphRanks:
            if (value.empty()) {
                return CliUsageError{"пустое имя файла для «--graph-ranks»"};
            }
            options.graphRanks = value;
            return std::nullopt;
        case Valued::None:
            break;
    }
    return std::nullopt;
}

}  // namespace

std::variant<CliOptions, CliUsageError> ParseCliOptions(const std::vector<std::string>& args) {
    CliOptions options;
    std::vector<std::string> operands;
    bool optionsEnd = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
        } else if (arg == "--resume") {
            options.resume = true;
        } else if (arg == "--no-history") {
            options.noHistory = true;
        } else if (arg == "--fresh") {
            options.fresh = true;
        } else if (arg == "--changes") {
            options.changesOnly = true;
        } else {
            // "--name=value", "-oFILE", or the name with its value in the next argument.
            const std::size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
            std::string name = eq == std::string::npos ? arg : arg.substr(0, eq);
            std::optional<std::string> value;
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (arg.size() > 2 && arg[1] != '-') {
                name = arg.substr(0, 2);
                value = arg.substr(2);
            }
            const Valued which = ValuedOption(name);
            if (which == Valued::None) {
                return CliUsageError{"неизвестный параметр " + Quoted(arg)};
            }
            if (!value) {
                if (i + 1 >= args.size()) {
                    return CliUsageError{"параметру " + Quoted(name) + " нужно значение"};
                }
                value = args[++i];
            }
            if (auto error = SetValue(options, which, *value)) {
                return *error;
            }
        }
    }
    if (options.help || options.version) {
        return options;
    }
    if (options.history) {
        if (!operands.empty()) {
            return CliUsageError{"лишний аргумент " + Quoted(operands[0]) +
                                 ": с «--history» список не нужен"};
        }
        if (options.noHistory) {
            return CliUsageError{"«--history» и «--no-history» вместе не бывают"};
        }
        return options;
    }
    if (options.checks.empty()) {  // no --checks: the checks that answer today
        for (std::string_view name : TodaysCheckNames()) {
            options.checks.emplace(name);
        }
        if (options.topList) {
            options.checks.emplace("rank");
        }
        if (options.graphRanks) {
            options.checks.emplace("links");
        }
    }
    if (options.changesOnly && std::none_of(NetworkCheckNames().begin(), NetworkCheckNames().end(),
                                            [&options](std::string_view name) {
                                                return options.checks.count(std::string(name)) > 0;
                                            })) {
        return CliUsageError{
            "«--changes» — только с проверками сегодняшнего дня (dns и дальше): столбец "
            "Changes бывает лишь с ними"};
    }
    if (options.noHistory && (options.changesOnly || options.fresh)) {
        return CliUsageError{std::string(options.changesOnly ? "«--changes»" : "«--fresh»") +
                             " без истории не имеет смысла (--no-history)"};
    }
    if (operands.empty()) {
        return CliUsageError{"не указан список доменов (файл или «-» для стандартного ввода)"};
    }
    if (operands.size() > 1) {
        return CliUsageError{"лишний аргумент " + Quoted(operands[1]) + ": список доменов только один"};
    }
    options.list = operands[0];
    if (options.threshold && options.checks.count("bar") == 0) {
        return CliUsageError{"порог " + Quoted(*options.threshold) +
                             " действует только с проверкой «bar» (--checks bar,...)"};
    }
    return options;
}

std::string HelpText() {
    std::string formats;
    for (const OutputFormat& format : OutputFormats()) {
        formats += "                         " + std::string(format.name) + ": " +
                   std::string(format.description) + "\n";
    }
    return "Использование: vantle-cli [ПАРАМЕТР]... СПИСОК\n"
           "Проверяет домены из файла СПИСОК (или стандартного ввода, если СПИСОК — «-»), как это делает\n"
           "окно Vantle, и выводит таблицу результатов.\n"
           "Файл списка — Windows-1251 или UTF-8, один домен в строке; или таблица CSV либо книга\n"
           "Excel (.xlsx): тогда домены берутся из столбца Domain, Домен, URL, Сайт и т. п.\n"
           "\n"
           "  --checks ИМЕНА       проверки через запятую, в любом порядке; по умолчанию\n"
           "                       " +
           Joined(TodaysCheckNames()) +
           ", rank, если задан\n"
           "                       --top-list, и links, если задан --graph-ranks;\n"
           "                         есть: " +
           Joined(CheckNames()) +
           "\n"
           "  --rate N             доменов в секунду, от 1 до 10 (по умолчанию 3); только для bar,\n"
           "                       yapages и pr, которые проверяют по одному домену\n"
           "  --parallel N         без bar, yapages и pr: сколько доменов проверять одновременно,\n"
           "                       от 1 до 256 (по умолчанию 16); у каждой службы свой темп\n"
           "      --dns-rate N     запросов к DNS-серверу в секунду (A, AAAA и MX — три), от 10\n"
           "                       до 5000 (по умолчанию 200); больше — если ваш сервер выдержит\n"
           "  --threshold N        выводить только домены с тиц >= N (только с проверкой bar)\n"
           "  -o, --output ФАЙЛ    записать таблицу в ФАЙЛ (по умолчанию — стандартный вывод)\n"
           "  --format ФОРМАТ      формат таблицы (по умолчанию csv):\n" +
           formats +
           "  --top-list ФАЙЛ      список сайтов для проверки rank: строки «место,домен» (Tranco,\n"
           "                       Umbrella), CSV Majestic Million или zip с одним из них\n"
           "  --graph-ranks ФАЙЛ   файл рангов доменного веб-графа для проверки links (.txt.gz или\n"
           "                       текст); при первом чтении строится указатель в ~/.cache/vantle\n"
           "      --changes        оставить только строки, в которых что-то изменилось\n"
           "      --fresh          спросить всё заново, не беря из истории даже первый снимок архива\n"
           "      --no-history     не читать и не пополнять историю ответов\n"
           "      --keep-days N    хранить ответы в истории N дней (по умолчанию 365)\n"
           "      --history ДОМЕН  вывести историю ответов о ДОМЕНЕ (CSV, новые сверху) и выйти\n"
           "  -q, --quiet          не показывать ход проверки\n"
           "      --resume         продолжить прерванную проверку того же списка с теми же\n"
           "                       проверками по её журналу (~/.local/state/vantle/cli)\n"
           "  -h, --help           показать эту справку и выйти\n"
           "      --version        показать версию и выйти\n"
           "\n"
           "Столбцы: Domain, Tic, Status, Yaca (только с bar), YaPages, PR, затем столбцы остальных\n"
           "проверок в порядке списка выше; с проверками dns и дальше — Changes: что изменилось с\n"
           "прошлой проверки того же домена по истории ответов (~/.local/share/vantle/history.sqlite).\n"
           "Ход проверки выводится в стандартный поток ошибок.\n"
           "Строки CSV записываются по мере проверки, по порядку списка. Ctrl+C, SIGTERM и SIGHUP\n"
           "останавливают проверку (с bar, yapages или pr — после текущего домена); проверенное\n"
           "записывается. Второй Ctrl+C завершает программу сразу.\n"
           "\n"
           "Код возврата:\n"
           "  0  список проверен (или проверка остановлена по Ctrl+C)\n"
           "  1  неверные параметры, пустой список или файл, который нельзя прочитать или создать;\n"
           "     ничего не проверено\n"
           "  2  проверку прервала ошибка; записаны строки, проверенные до неё\n";
}

}  // namespace vantle::cli
