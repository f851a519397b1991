#include "sim/TopList.h"

#include <zip.h>

#include <fstream>

namespace vantle::sim {

std::string TopListText(TopListStyle style, const std::vector<std::string>& domains,
                        std::string_view lineEnd) {
    std::string text;
    if (style == TopListStyle::Majestic) {
        text.append(
                "GlobalRank,TldRank,Domain,TLD,RefSubNets,RefIPs,IDN_Domain,IDN_TLD,PrevGlobalRank,"
                "PrevTldRank,PrevRefSubNets,PrevRefIPs")
            .append(lineEnd);
    }
    for (std::size_t i = 0; i < domains.size(); ++i) {
        const std::string rank = std::to_string(i + 1);
        const std::string& domain = domains[i];
        if (style == TopListStyle::Tranco) {
            text.append(rank).append(",").append(domain).append(lineEnd);
            continue;
        }
        const std::string tld = domain.substr(domain.rfind('.') + 1);
        text.append(rank).append(",").append(rank).append(",").append(domain).append(",").append(tld);
        text.append(",1000,2000,").append(domain).append(",").append(tld).append(",");
        text.append(rank).append(",").append(rank).append(",999,1999").append(lineEnd);
    }
    return text;
}

bool WriteTopList(const std::string& path, TopListStyle style, const std::vector<std::string>& domains,
                  bool zipped, const std::string& entryName) {
    const std::string text = TopListText(style, domains);
    if (!zipped) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
        return static_cast<bool>(out.flush());
    }
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        return false;
    }
    zip_source_t* source = zip_source_buffer(archive, text.data(), text.size(), 0);
    if (source == nullptr || zip_file_add(archive, entryName.c_str(), source, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(source);
        zip_discard(archive);
        return false;
    }
    return zip_close(archive) == 0;  // reads text, still alive here
}

std::vector<std::string> DemoTopDomains() {
    return {"google.com",     "youtube.com",  "facebook.com", "yandex.ru", "wikipedia.org",
            "vk.com",         "mail.ru",      "ok.ru",        "avito.ru",  "ozon.ru",
            "wildberries.ru", "gosuslugi.ru", "sberbank.ru",  "rbc.ru",    "ria.ru",
            "lenta.ru",       "habr.com",     "kinopoisk.ru", "dzen.ru",   "rambler.ru",
            "hh.ru",          "2gis.ru",      "drom.ru",      "auto.ru",   "xn--80aswg.xn--p1ai"};
}

}  // namespace vantle::sim
