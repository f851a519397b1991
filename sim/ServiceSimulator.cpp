#include "sim/ServiceSimulator.h"

#include <string>

#include "FWURLPosition/ToolbarChecksum.h"
#include "sim/Support.h"
#include "text/Cp1251.h"

namespace vantle::sim {

namespace {

// The value of key in a query string ("a=1&b=2"), up to the next "&"; the last key takes the rest.
std::string_view QueryValue(std::string_view target, std::string_view key, bool toEnd = false) {
    const std::size_t at = target.find(key);
    if (at == std::string_view::npos) {
        return {};
    }
    std::string_view value = target.substr(at + key.size());
    if (!toEnd) {
        value = value.substr(0, value.find('&'));
    }
    return value;
}

std::string_view PathOf(std::string_view target) {
    return target.substr(0, target.find('?'));
}

Reply Page(int code, const std::string& body) {
    return Reply::http(code, body, {{"Content-Type", "text/html; charset=windows-1251"}});
}

}  // namespace

SimSite SiteFor(std::string_view domain) {
    const std::uint32_t h = NameHash(domain);
    SimSite site;
    site.tic = h % 7 == 0 ? 0 : static_cast<int>((h >> 3) % 40) * 10;
    if (h % 11 == 0) {
        site.mirror = "www." + std::string(domain);
    } else if (h % 13 == 0) {
        site.mirror = "main" + std::to_string((h >> 5) % 1000) + ".example";
    } else if (h % 17 == 0) {
        site.mirror = std::string(domain) + ".ua";
    } else {
        site.mirror = std::string(domain);
    }
    site.yaca = h % 5 == 0;
    site.pages = static_cast<int>((h >> 7) % 50000);
    site.pagesUnderWww = h % 9 == 0;
    site.webmasterDown = h % 23 == 0;
    site.pageRank = static_cast<int>((h >> 11) % 11);
    site.toolbarDown = h % 19 == 0;
    site.alexaRank = 1 + static_cast<int>((h >> 13) % 2000000);
    return site;
}

std::string BarAnswerFor(std::string_view domain, const SimSite& site, std::string_view catalogueHost) {
    (void)domain;
    std::string xml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<urlinfo>\n";
    xml += "<url domain=\"" + site.mirror + "\">\n<owner>" + Utf16ToCp1251(u"владелец сайта") +
           "</owner>\n</url>\n";
    xml +=
        "<tcy rang=\"" + std::to_string(site.tic / 100) + "\" value=\"" + std::to_string(site.tic) + "\"/>\n";
    if (site.yaca) {
        xml += "<topics>\n<topic title=\"" + Utf16ToCp1251(u"Компьютеры") + "\" url=\"http://" +
               std::string(catalogueHost) + "/yca/cat/Computers/\"/>\n</topics>\n";
    }
    return xml + "</urlinfo>\n";
}

std::string IndexPageFor(std::string_view hostname, const SimSite& site) {
    const bool www = hostname.substr(0, 4) == "www.";
    std::string page = "<html><head><title>Yandex.Webmaster</title></head><body>\n";
    if (site.pagesUnderWww && !www) {
        page += "<p>" + Utf16ToCp1251(u"Сайт известен как ") + "www." + std::string(hostname) + "</p>\n";
    } else {
        page += "<div class=\"header g-line\"><span title=\"" + Utf16ToCp1251(u"страниц") + "\">" +
                Utf16ToCp1251(u"Страниц в индексе") + ": " + std::to_string(site.pages) + "</span></div>\n";
    }
    return page + "</body></html>\n";
}

ServiceSimulator::ServiceSimulator() {
    server_.setHandler([this](const Request& request) { return Answer(request); });
}

vantle::ServiceHosts ServiceSimulator::Hosts() const {
    vantle::ServiceHosts hosts;
    hosts.bar = server_.authority();
    hosts.webmaster = server_.authority();
    hosts.fetchConnectTo = server_.authority();
    return hosts;
}

void ServiceSimulator::FailBarFor(std::string domain) {
    std::lock_guard lock(mutex_);
    failingBar_.insert(std::move(domain));
}

void ServiceSimulator::ClearFaults() {
    std::lock_guard lock(mutex_);
    failingBar_.clear();
    ticTexts_.clear();
}

void ServiceSimulator::SetTicText(std::string domain, std::string tic) {
    std::lock_guard lock(mutex_);
    ticTexts_[std::move(domain)] = std::move(tic);
}

int ServiceSimulator::Count(std::string_view path) const {
    std::lock_guard lock(mutex_);
    auto it = counts_.find(path);
    return it == counts_.end() ? 0 : it->second;
}

Reply ServiceSimulator::Answer(const Request& request) {
    const std::string_view target = request.target;
    const std::string_view path = PathOf(target);
    {
        std::lock_guard lock(mutex_);
        ++counts_[std::string(path)];
    }
    if (path == "/u") {
        std::string_view url = QueryValue(target, "url=", true);
        if (url.substr(0, 7) == "http://") {
            url.remove_prefix(7);
        }
        return Bar(url);
    }
    if (path == "/check.xml") {
        return Webmaster(QueryValue(target, "hostname="));
    }
    if (path == "/tbr") {
        return Toolbar(target);
    }
    if (path == "/data") {
        return Alexa(QueryValue(target, "url="));
    }
    return Page(404, "<html><body>Not Found</body></html>");
}

Reply ServiceSimulator::Bar(std::string_view domain) {
    std::string answer = BarAnswerFor(domain, SiteFor(domain), vantle::ServiceHosts().catalogue);
    {
        std::lock_guard lock(mutex_);
        if (failingBar_.count(std::string(domain)) != 0) {
            return Reply().close();
        }
        auto tic = ticTexts_.find(std::string(domain));
        if (tic != ticTexts_.end()) {
            const std::string old = "value=\"" + std::to_string(SiteFor(domain).tic) + "\"";
            answer.replace(answer.find(old), old.size(), "value=\"" + tic->second + "\"");
        }
    }
    return Reply::http(200, answer, {{"Content-Type", "text/xml; charset=windows-1251"}});
}

Reply ServiceSimulator::Webmaster(std::string_view hostname) {
    std::string_view domain = hostname;
    if (domain.substr(0, 4) == "www.") {
        domain.remove_prefix(4);
    }
    const SimSite site = SiteFor(domain);
    if (site.webmasterDown) {
        return Page(503, "<html><body>Service Unavailable</body></html>");
    }
    return Page(200, IndexPageFor(hostname, site));
}

// The rank comes only with the right checksum of the query text, as the real service insists.
Reply ServiceSimulator::Toolbar(std::string_view target) {
    const std::string_view queryText = QueryValue(target, "q=", true);
    const std::string_view ch = QueryValue(target, "ch=");
    const std::string text(queryText);
    const auto sum = static_cast<std::int32_t>(ToolbarChecksum(TDynByteArray(text.begin(), text.end())));
    if (ch != "6" + std::to_string(sum)) {
        return Page(403, "<html><body><h1>403 Forbidden</h1>We're sorry...</body></html>");
    }
    std::string_view domain = queryText;
    for (std::string_view prefix : {"info:", "http://"}) {
        if (domain.substr(0, prefix.size()) == prefix) {
            domain.remove_prefix(prefix.size());
        }
    }
    const SimSite site = SiteFor(domain);
    if (site.toolbarDown) {
        return Reply::http(200, "");
    }
    return Reply::http(200, "Rank_1:" + std::to_string(site.pageRank >= 10 ? 2 : 1) + ":" +
                                std::to_string(site.pageRank) + "\n");
}

Reply ServiceSimulator::Alexa(std::string_view host) {
    const SimSite site = SiteFor(host);
    const std::string rank = std::to_string(site.alexaRank);
    return Reply::http(200,
                       "<?xml version=\"1.0\"?>\n<ALEXA VER=\"0.9\" URL=\"" + std::string(host) +
                           "/\"><SD><POPULARITY URL=\"" + std::string(host) + "/\" TEXT=\"" + rank +
                           "\"/><REACH RANK=\"" + rank + "\"/></SD></ALEXA>\n",
                       {{"Content-Type", "text/xml"}});
}

}  // namespace vantle::sim
