#include "sim/ExpiredList.h"

namespace vantle::sim {

std::string ExpiredListName(int i) {
    return (i % 5 == 0 ? "nx" : "p") + std::to_string(i) + ".test";
}

void PlantExpiredList(WebServer& web, int count) {
    for (int i = 0; i < count; ++i) {
        const std::string name = ExpiredListName(i);
        if (i % 5 == 0) {
            web.SetRule(name, WebRule::NoAddress);
        } else if (i % 10 == 1) {
            web.SetRule(name, WebRule::BlackHole);
        } else if (i % 20 == 2) {
            web.SetRule(name, WebRule::HangAfterHead);
        } else {
            web.SetRule(name, WebRule::Ok);
        }
    }
}

}  // namespace vantle::sim
