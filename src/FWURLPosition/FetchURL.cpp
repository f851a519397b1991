#include "FWURLPosition/FetchURL.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace vantle {
namespace {

constexpr std::string_view kScheme = "http://";

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

// A curl_slist that frees itself.
class SList {
public:
    SList() = default;
    ~SList() { curl_slist_free_all(list_); }
    SList(const SList&) = delete;
    SList& operator=(const SList&) = delete;

    bool Append(const std::string& line) {
        curl_slist* longer = curl_slist_append(list_, line.c_str());
        if (longer == nullptr) {
            return false;
        }
        list_ = longer;
        return true;
    }
    curl_slist* get() const { return list_; }

private:
    curl_slist* list_ = nullptr;
};

// Where the body goes, and whether it grew past the cap.
struct BodySink {
    std::string* answer;
    std::size_t maxBody;
    bool tooLarge = false;
};

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<BodySink*>(user);
    const std::size_t bytes = size * count;
    if (bytes > sink->maxBody - std::min(sink->maxBody, sink->answer->size())) {
        sink->tooLarge = true;
        return 0;  // curl ends the transfer with a write error
    }
    sink->answer->append(data, bytes);  // every byte, NUL included
    return bytes;
}

bool IsControlOrSpace(char c) {
    const auto b = static_cast<unsigned char>(c);
    return b <= 0x20 || b == 0x7F;
}

// A host that can stand in a URL and in a CONNECT_TO entry; any other text names no host that resolves.
bool IsUsableHost(std::string_view host) {
    return !host.empty() && std::none_of(host.begin(), host.end(), [](char c) {
        return IsControlOrSpace(c) || std::string_view(":/?#@[]\\").find(c) != std::string_view::npos;
    });
}

// The URL with everything up to the end of the host and the one character after it removed.
std::string ObjectName(std::string_view url, std::string_view host) {
    const auto at = url.find(host);
    if (at == std::string_view::npos) {
        return {};
    }
    const std::size_t cut = at + host.size() + 1;
    return cut >= url.size() ? std::string() : std::string(url.substr(cut));
}

template <typename Value>
bool Set(CURL* easy, CURLoption option, Value value) {
    return curl_easy_setopt(easy, option, value) == CURLE_OK;
}

// The object name goes out as the request target exactly as it stands: a URL parser would cut it at a
// "#", while the query's checksum is made over the whole text.
bool SetRequest(CURL* easy, const std::string& url, const std::string& target, SList& headers) {
    return headers.Append("Accept: text/*") &&
           headers.Append("Content-Type: application/x-www-form-urlencoded") &&
           // The answer always comes from the server, never from a cache on the way.
           headers.Append("Cache-Control: no-cache") && headers.Append("Pragma: no-cache") &&
           Set(easy, CURLOPT_URL, url.c_str()) && Set(easy, CURLOPT_REQUEST_TARGET, target.c_str()) &&
           Set(easy, CURLOPT_PROTOCOLS_STR, "http") && Set(easy, CURLOPT_PATH_AS_IS, 1L) &&
           Set(easy, CURLOPT_HTTPGET, 1L) &&
           Set(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) &&
           Set(easy, CURLOPT_USERAGENT, "VUSK") && Set(easy, CURLOPT_HTTPHEADER, headers.get()) &&
           Set(easy, CURLOPT_HTTP_CONTENT_DECODING, 0L);
}

bool SetLimits(CURL* easy, const FetchOptions& options, BodySink& sink) {
    return Set(easy, CURLOPT_NOSIGNAL, 1L) &&
           Set(easy, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs) &&
           Set(easy, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs) &&
           Set(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBody)) &&
           Set(easy, CURLOPT_WRITEFUNCTION, &WriteBody) &&
           Set(easy, CURLOPT_WRITEDATA, static_cast<void*>(&sink));
}

// Tests and the demo: port 80 of the host is reached at options.connectTo instead, never through a proxy.
bool SetRouting(CURL* easy, const std::string& host, const FetchOptions& options, SList& routes) {
    if (options.connectTo.empty()) {
        return true;
    }
    return routes.Append(host + ":80:" + options.connectTo) && Set(easy, CURLOPT_CONNECT_TO, routes.get()) &&
           Set(easy, CURLOPT_NOPROXY, "*");
}

}  // namespace

void ExtractHost(std::string_view text, std::string& host) {
    std::string copy(text);
    if (copy.find(kScheme) != std::string::npos) {
        copy.erase(0, kScheme.size());
    }
    const auto slash = copy.find('/');
    host = (slash == std::string::npos || slash == 0) ? copy : copy.substr(0, slash);
}

void FetchURL(std::string_view url, std::string& answer, const FetchOptions& options) {
    answer.clear();
    std::string host;
    ExtractHost(url, host);
    const std::string object = ObjectName(url, host);
    if (!IsUsableHost(host) || std::any_of(object.begin(), object.end(), IsControlOrSpace)) {
        return;
    }
    InitCurlOnce();
    const EasyHandle easy(curl_easy_init());
    if (!easy) {
        return;
    }
    SList headers;
    SList routes;
    BodySink sink{&answer, options.maxBody};
    const std::string root = std::string(kScheme) + host + "/";
    const std::string target = "/" + object;
    if (!SetRequest(easy.get(), root, target, headers) || !SetLimits(easy.get(), options, sink) ||
        !SetRouting(easy.get(), host, options, routes)) {
        return;
    }
    const CURLcode result = curl_easy_perform(easy.get());
    // Any other failure keeps what arrived before it: nothing when it came before the body.
    if (sink.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        answer.clear();
    }
}

RankFetcher DirectFetcher(const ServiceHosts& hosts) {
    FetchOptions options;
    options.connectTo = hosts.fetchConnectTo;
    return [options](std::string_view url, std::string& answer) { FetchURL(url, answer, options); };
}

}  // namespace vantle
