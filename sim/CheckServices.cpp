#include "sim/CheckServices.h"

namespace vantle::sim {

CheckEndpoints CheckServices::Endpoints() const {
    CheckEndpoints endpoints;
    endpoints.dnsServers = {dns_.authority()};
    endpoints.caFile = web_.CaFile();
    endpoints.connectTo = web_.ConnectTo();
    return endpoints;
}

void CheckServices::SetDelayAll(std::chrono::milliseconds delay) {
    dns_.setDelay(delay);
    web_.SetDelayAll(delay);
}

std::string CheckServices::ExpectedIp(std::string_view name) {
    const DnsAnswer answer = DnsServer::defaultAnswer(name);
    if (answer.kind == DnsAnswer::Kind::NxDomain) {
        return "NXDOMAIN";
    }
    if (!answer.a.empty()) {
        return answer.a.front();
    }
    return answer.aaaa.empty() ? "no A" : answer.aaaa.front();
}

}  // namespace vantle::sim
