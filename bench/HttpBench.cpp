// HttpClient::Get beside libcurl's easy interface against the same loopback server, which answers
// every request with a Content-Length body and keeps the connection open. Both clients keep one
// connection for all requests (curl through one reused easy handle) and hand out each body as a new
// string.
#include <curl/curl.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "BenchCore.h"
#include "http/HttpClient.h"
#include "sim/TestServer.h"

namespace vantle::bench {
namespace {

class Loopback {
public:
    Loopback() : small_(1024, 'a'), large_(65536, 'b') {
        server_.setHandler([this](const sim::Request& request) {
            return sim::Reply::http(200, request.target == "/64k" ? large_ : small_,
                                    {{"Content-Type", "text/html"}});
        });
    }
    std::string Url(const std::string& path) const { return "http://" + server_.authority() + path; }

private:
    std::string small_;
    std::string large_;
    sim::TestServer server_;
};

Loopback& Server() {
    static Loopback server;
    return server;
}

struct CurlCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

void GetVantle(benchmark::State& state, std::string path, std::size_t size) {
    const std::string url = Server().Url(path);
    HttpClient client;
    for (auto _ : state) {
        std::string body;
        client.Get(url, body);
        if (body.size() != size) {
            state.SkipWithError("wrong body size");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void GetCurl(benchmark::State& state, std::string path, std::size_t size) {
    const std::string url = Server().Url(path);
    std::unique_ptr<CURL, CurlCleanup> handle(curl_easy_init());
    std::string body;
    curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(handle.get(), CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(handle.get(), CURLOPT_NOPROXY, "*");
    curl_easy_setopt(handle.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, AppendToString);
    curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &body);
    for (auto _ : state) {
        body = std::string();
        if (curl_easy_perform(handle.get()) != CURLE_OK || body.size() != size) {
            state.SkipWithError("curl request failed");
            break;
        }
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

}  // namespace

void RegisterHttpBenchmarks() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const struct {
        const char* name;
        const char* path;
        std::size_t size;
    } bodies[] = {{"HttpGet1KiB", "/1k", 1024}, {"HttpGet64KiB", "/64k", 65536}};
    for (const auto& body : bodies) {
        const std::string prefix = body.name;
        benchmark::RegisterBenchmark((prefix + "/vantle").c_str(), GetVantle, body.path, body.size)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
        benchmark::RegisterBenchmark((prefix + "/curl").c_str(), GetCurl, body.path, body.size)
            ->Unit(benchmark::kMicrosecond)
            ->UseRealTime();
    }
}

}  // namespace vantle::bench
