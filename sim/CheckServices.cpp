#include "sim/CheckServices.h"

#include <unistd.h>
#include <cstdio>
#include <filesystem>

#include "sim/TopList.h"

namespace vantle::sim {

CheckServices::CheckServices(const std::string& topListFile, std::uint16_t dnsPort) : dns_(dnsPort) {
    if (!topListFile.empty()) {
        // Written beside and renamed over: another copy reading the list never sees half of it.
        std::error_code error;
        const std::filesystem::path path(topListFile);
        std::filesystem::create_directories(path.parent_path(), error);
        const std::string fresh = topListFile + ".new." + std::to_string(::getpid());
        if (WriteTopList(fresh, TopListStyle::Tranco, DemoTopDomains())) {
            std::filesystem::rename(fresh, path, error);
        }
        topList_ = topListFile;
        keepTopList_ = true;
        return;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "vantle-toplist-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd >= 0) {
        ::close(fd);
        topList_ = pattern;
        WriteTopList(topList_, TopListStyle::Tranco, DemoTopDomains());
    }
}

CheckServices::~CheckServices() {
    if (!topList_.empty() && !keepTopList_) {
        std::remove(topList_.c_str());
    }
}

CheckEndpoints CheckServices::Endpoints() const {
    CheckEndpoints endpoints;
    endpoints.dnsServers = {dns_.authority()};
    endpoints.caFile = web_.CaFile();
    endpoints.connectTo = web_.ConnectTo();
    registry_.Apply(endpoints);
    archive_.Apply(endpoints);
    endpoints.topListFile = topList_;
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
