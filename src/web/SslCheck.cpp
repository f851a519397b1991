#include "web/SslCheck.h"

#include <openssl/ssl.h>

#include <optional>
#include <string_view>

#include "web/CertDate.h"
#include "web/CurlSession.h"

namespace vantle {
namespace {

using web::Set;

constexpr std::string_view kExpireField = "Expire date:";

struct Attempt {
    const std::string* caFile = nullptr;  // whose shared store the handshake trusts
    CURLcode result = CURLE_FAILED_INIT;
    std::string expiry;                    // the leaf's "Expire date" text as libcurl gave it
    bool alert = false;                    // the server sent a fatal TLS alert
    std::optional<std::string> noAddress;  // why nothing was asked: the DNS had no address for it
};

// The slot of an SSL_CTX that points at the Attempt it serves.
int AttemptSlot() {
    static const int slot = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return slot;
}

void NoteAlert(const SSL* ssl, int where, int value) {
    if ((where & SSL_CB_READ_ALERT) != SSL_CB_READ_ALERT || (value >> 8) != SSL3_AL_FATAL) {
        return;
    }
    if (auto* attempt = static_cast<Attempt*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), AttemptSlot()))) {
        attempt->alert = true;
    }
}

// libcurl's hook on the TLS context of a connection: it trusts the shared store, and alerts from the
// server are noted in the Attempt.
CURLcode WatchAlerts(CURL*, void* context, void* user) {
    auto* ctx = static_cast<SSL_CTX*>(context);
    web::UseSharedTrust(ctx, *static_cast<Attempt*>(user)->caFile);
    if (SSL_CTX_set_ex_data(ctx, AttemptSlot(), user) == 1) {
        SSL_CTX_set_info_callback(ctx, &NoteAlert);
    }
    return CURLE_OK;
}

std::string LeafExpiry(CURL* easy) {
    curl_certinfo* info = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CERTINFO, &info) != CURLE_OK || info == nullptr ||
        info->num_of_certs < 1) {
        return {};
    }
    for (const curl_slist* field = info->certinfo[0]; field != nullptr; field = field->next) {
        const std::string_view text(field->data);
        if (text.substr(0, kExpireField.size()) == kExpireField) {
            return std::string(text.substr(kExpireField.size()));
        }
    }
    return {};
}

// One TLS handshake with port 443 of host, no request after it.
Attempt Handshake(const DomainNames& names, bool verify, const CheckEndpoints& endpoints,
                  const web::Deadline& deadline, const CancelToken& cancel) {
    Attempt attempt;
    attempt.caFile = &endpoints.caFile;
    web::SocketPace pace(cancel);
    web::SList routes;
    web::SList pins;
    const web::Easy easy = web::NewEasy(endpoints, cancel, routes, &pace, web::Routes::PerHost);
    const std::string url = "https://" + names.full + "/";
    if (!easy) {
        return attempt;
    }
    if (!Set(easy.get(), CURLOPT_URL, url.c_str()) || !web::RouteTo(easy.get(), endpoints, url, routes)) {
        attempt.result = CURLE_URL_MALFORMAT;
        return attempt;
    }
    attempt.noAddress = web::PinAddresses(easy.get(), pins, url, names, endpoints, cancel, &pace);
    if (attempt.noAddress) {
        return attempt;
    }
    // The time-outs start once the place at the address is had.
    if (!web::SetTimeLeft(easy.get(), endpoints, deadline)) {
        attempt.result = CURLE_OPERATION_TIMEDOUT;
        return attempt;
    }
    if (!Set(easy.get(), CURLOPT_CONNECT_ONLY, 1L) || !Set(easy.get(), CURLOPT_CERTINFO, 1L) ||
        !Set(easy.get(), CURLOPT_SSL_VERIFYPEER, verify ? 1L : 0L) ||
        !Set(easy.get(), CURLOPT_SSL_VERIFYHOST, verify ? 2L : 0L)) {
        return attempt;
    }
    // Only a libcurl on OpenSSL takes the hook; without it every refusal is "no https".
    if (Set(easy.get(), CURLOPT_SSL_CTX_DATA, static_cast<void*>(&attempt))) {
        Set(easy.get(), CURLOPT_SSL_CTX_FUNCTION, &WatchAlerts);
    }
    attempt.result = curl_easy_perform(easy.get());
    if (attempt.result == CURLE_OK) {
        attempt.expiry = LeafExpiry(easy.get());
    }
    return attempt;
}

std::string DateCell(const std::string& expiry) {
    const std::string date = CertDate(expiry);
    return date.empty() ? "no date" : date;
}

}  // namespace

std::string SslFailureWord(int code, bool alert) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "no address";
        case CURLE_COULDNT_CONNECT:
            return "no https";
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            // A server that answers the handshake with an alert speaks TLS but refuses this one.
            return alert ? "TLS error" : "no https";
        case CURLE_OPERATION_TIMEDOUT:
            return "timeout";
        case CURLE_ABORTED_BY_CALLBACK:
            return "cancelled";
        case CURLE_FAILED_INIT:
            return "error";
        default:
            return "TLS error";
    }
}

std::vector<std::string> SslCheck::Columns() const {
    return {"SSL"};
}

std::vector<std::string> SslCheck::Run(const DomainNames& asked, const CancelToken& cancel) {
    try {
        const DomainNames names = web::WithFacts(asked);
        const web::Deadline deadline(cancel, endpoints_.checkTimeoutMs);
        const Attempt verified = Handshake(names, true, endpoints_, deadline, cancel);
        if (verified.noAddress) {
            return {*verified.noAddress};
        }
        if (verified.result == CURLE_OK) {
            return {DateCell(verified.expiry)};
        }
        if (verified.result != CURLE_PEER_FAILED_VERIFICATION || cancel.Cancelled()) {
            return {SslFailureWord(verified.result, verified.alert)};
        }
        // The certificate is there but not trusted: once more without verifying, only to read it.
        const Attempt unverified = Handshake(names, false, endpoints_, deadline, cancel);
        if (unverified.result != CURLE_OK) {
            return {SslFailureWord(unverified.result, unverified.alert)};
        }
        return {"invalid " + DateCell(unverified.expiry)};
    } catch (...) {
        return {"error"};
    }
}

}  // namespace vantle
