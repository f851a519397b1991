#include "registry/RegistryTarget.h"

#include "registry/RegistrableDomain.h"

namespace vantle::registry {
namespace {

// The registries under a public suffix, as the private part of the Public Suffix List names them, and
// their WHOIS servers as the server lists of open WHOIS clients give them. Russian regional and
// generic zones run by one operator, with .ru.net, the old Soviet zones and one zone under .рф.
constexpr std::string_view kRuRegionalZones[] = {
    "ru.net",
    "xn--90a1af.xn--p1ai",
    "adygeya.ru",
    "bashkiria.ru",
    "bir.ru",
    "cbg.ru",
    "com.ru",
    "dagestan.ru",
    "grozny.ru",
    "kalmykia.ru",
    "kustanai.ru",
    "marine.ru",
    "mordovia.ru",
    "msk.ru",
    "mytis.ru",
    "nalchik.ru",
    "nov.ru",
    "pyatigorsk.ru",
    "spb.ru",
    "vladikavkaz.ru",
    "vladimir.ru",
    "abkhazia.su",
    "adygeya.su",
    "aktyubinsk.su",
    "arkhangelsk.su",
    "armenia.su",
    "ashgabad.su",
    "azerbaijan.su",
    "balashov.su",
    "bashkiria.su",
    "bryansk.su",
    "bukhara.su",
    "chimkent.su",
    "dagestan.su",
    "east-kazakhstan.su",
    "exnet.su",
    "georgia.su",
    "grozny.su",
    "ivanovo.su",
    "jambyl.su",
    "kalmykia.su",
    "kaluga.su",
    "karacol.su",
    "karaganda.su",
    "karelia.su",
    "khakassia.su",
    "krasnodar.su",
    "kurgan.su",
    "kustanai.su",
    "lenug.su",
    "mangyshlak.su",
    "mordovia.su",
    "msk.su",
    "murmansk.su",
    "nalchik.su",
    "navoi.su",
    "north-kazakhstan.su",
    "nov.su",
    "obninsk.su",
    "penza.su",
    "pokrovsk.su",
    "sochi.su",
    "spb.su",
    "tashkent.su",
    "termez.su",
    "togliatti.su",
    "troitsk.su",
    "tselinograd.su",
    "tula.su",
    "tuva.su",
    "vladikavkaz.su",
    "vladimir.su",
    "vologda.su",
};

// Russian regional zones whose names whois.nic.ru answers for.
constexpr std::string_view kNicRuZones[] = {
    "amursk.ru",  "belgorod.ru", "belgorod.su",    "chelyabinsk.ru", "cmw.ru",          "dudinka.ru",
    "fareast.ru", "jar.ru",      "joshkar-ola.ru", "kchr.ru",        "komi.su",         "norilsk.ru",
    "palana.ru",  "simbirsk.ru", "tsaritsyn.ru",   "yakutia.su",     "yekaterinburg.ru"};

// The generic zones net.ru, org.ru and pp.ru.
constexpr std::string_view kNetRuZones[] = {"net.ru", "org.ru", "pp.ru"};

// Zones of "country.com" names run by one registry.
constexpr std::string_view kCountryComZones[] = {
    "ae.org",  "br.com",  "cn.com", "com.de", "com.se", "de.com", "eu.com", "gb.net", "hu.net", "jp.net",
    "jpn.com", "mex.com", "ru.com", "sa.com", "se.net", "uk.com", "uk.net", "us.com", "za.bz",  "za.com"};

// Registries under a public suffix whose WHOIS server the program does not know: their names get "no
// whois" rather than the data of the name above them.
constexpr std::string_view kUnknownZones[] = {"ac.ru",   "edu.ru", "gov.ru",     "int.ru", "mil.ru",
                                              "test.ru", "ar.com", "hu.com",     "kr.com", "no.com",
                                              "qc.com",  "uy.com", "africa.com", "gr.com"};

const std::string kNoServer;

template <std::size_t N>
bool Listed(std::string_view zone, const std::string_view (&zones)[N]) {
    for (std::string_view z : zones) {
        if (z == zone) {
            return true;
        }
    }
    return false;
}

}  // namespace

RegistryTarget ChooseRegistry(std::string_view ascii, const CheckEndpoints& endpoints) {
    if (!ascii.empty() && ascii.back() == '.') {
        ascii.remove_suffix(1);
    }
    // The longest registry zone that ends the name (and is not the whole name) decides; the name one
    // label longer is the one asked. A name that RegistrableDomain refuses (an empty label) has none.
    std::size_t previous = std::string_view::npos;
    std::size_t start = 0;
    for (;;) {
        const std::string_view zone = ascii.substr(start);
        const std::string* server = Listed(zone, kRuRegionalZones)   ? &endpoints.whoisRuRegional
                                    : Listed(zone, kNicRuZones)      ? &endpoints.whoisNicRu
                                    : Listed(zone, kNetRuZones)      ? &endpoints.whoisNetRu
                                    : Listed(zone, kCountryComZones) ? &endpoints.whoisCountryCom
                                    : Listed(zone, kUnknownZones)    ? &kNoServer
                                                                     : nullptr;
        if (previous != std::string_view::npos && server != nullptr) {
            RegistryTarget target;
            target.domain = RegistrableDomain(ascii.substr(previous)).empty()
                                ? std::string()
                                : std::string(ascii.substr(previous));
            target.way = server->empty() ? RegistryTarget::Way::NoWhois : RegistryTarget::Way::Whois;
            target.server = *server;
            return target;
        }
        const auto dot = ascii.find('.', start);
        if (dot == std::string_view::npos) {
            break;
        }
        previous = start;
        start = dot + 1;
    }
    return {RegistryTarget::Way::Usual, RegistrableDomain(ascii), {}};
}

}  // namespace vantle::registry
