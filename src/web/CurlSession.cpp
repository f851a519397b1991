#include "web/CurlSession.h"

#include <algorithm>
#include <mutex>

namespace vantle::web {
namespace {

int AbortWhenCancelled(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const CancelToken*>(user)->Cancelled() ? 1 : 0;
}

}  // namespace

void InitCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool SList::Append(const std::string& line) {
    curl_slist* longer = curl_slist_append(list_, line.c_str());
    if (longer == nullptr) {
        return false;
    }
    list_ = longer;
    return true;
}

Deadline::Deadline(long totalMs)
    : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(totalMs, 0L))) {}

long Deadline::LeftMs() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now());
    return std::max<long>(static_cast<long>(left.count()), 0);
}

Easy NewEasy(const CheckEndpoints& endpoints, const CancelToken& cancel, SList& routes) {
    InitCurl();
    Easy easy(curl_easy_init());
    if (!easy) {
        return easy;
    }
    CURL* e = easy.get();
    bool ok = Set(e, CURLOPT_NOSIGNAL, 1L) && Set(e, CURLOPT_PROTOCOLS_STR, "http,https") &&
              Set(e, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible; Vantle)") &&
              Set(e, CURLOPT_NOPROGRESS, 0L) && Set(e, CURLOPT_XFERINFOFUNCTION, &AbortWhenCancelled) &&
              Set(e, CURLOPT_XFERINFODATA, const_cast<void*>(static_cast<const void*>(&cancel)));
    for (const std::string& route : endpoints.connectTo) {
        ok = ok && routes.Append(route);
    }
    if (ok && routes.get() != nullptr) {
        // The routes lead to the simulator; a proxy of the environment must not stand in between.
        ok = Set(e, CURLOPT_CONNECT_TO, routes.get()) && Set(e, CURLOPT_NOPROXY, "*");
    }
    if (ok && !endpoints.caFile.empty()) {
        ok = Set(e, CURLOPT_CAINFO, endpoints.caFile.c_str()) &&
             Set(e, CURLOPT_CAPATH, static_cast<char*>(nullptr));
    }
    if (!ok) {
        easy.reset();
    }
    return easy;
}

bool SetTimeLeft(CURL* easy, const CheckEndpoints& endpoints, const Deadline& deadline) {
    const long left = deadline.LeftMs();
    if (left <= 0) {
        return false;
    }
    const long connect = endpoints.connectTimeoutMs > 0 ? std::min(endpoints.connectTimeoutMs, left) : left;
    return Set(easy, CURLOPT_TIMEOUT_MS, left) && Set(easy, CURLOPT_CONNECTTIMEOUT_MS, connect);
}

}  // namespace vantle::web
