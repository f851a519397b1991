// The SSL cell's words for handshakes that fail: a server that speaks TLS and refuses is told from a
// port where nothing speaks TLS.
#include <gtest/gtest.h>

#include <curl/curl.h>

#include <string>
#include <vector>

#include "web/SslCheck.h"

namespace vantle {
namespace {

struct WordCase {
    CURLcode code;
    bool alert;
    std::string word;
};

TEST(SslFailureWord, Should_SayTlsErrorOnlyWhereTheServerSpokeTls) {
    const std::vector<WordCase> cases = {
        {CURLE_SSL_CONNECT_ERROR, true, "TLS error"},  // a handshake-failure or unrecognised-name alert
        {CURLE_SSL_CONNECT_ERROR, false, "no https"},  // plain http or garbage on port 443
        {CURLE_GOT_NOTHING, true, "TLS error"},
        {CURLE_GOT_NOTHING, false, "no https"},
        {CURLE_RECV_ERROR, true, "TLS error"},
        {CURLE_RECV_ERROR, false, "no https"},  // closed or reset in the handshake
        {CURLE_SEND_ERROR, true, "TLS error"},
        {CURLE_SEND_ERROR, false, "no https"},
        {CURLE_COULDNT_CONNECT, false, "no https"},  // refused
        {CURLE_COULDNT_RESOLVE_HOST, false, "no address"},
        {CURLE_OPERATION_TIMEDOUT, true, "timeout"},
        {CURLE_ABORTED_BY_CALLBACK, false, "cancelled"},
        {CURLE_FAILED_INIT, false, "error"},
        {CURLE_SSL_CERTPROBLEM, false, "TLS error"},
        {CURLE_PEER_FAILED_VERIFICATION, false, "TLS error"},
    };
    for (const WordCase& c : cases) {
        EXPECT_EQ(SslFailureWord(c.code, c.alert), c.word) << c.code << (c.alert ? " with alert" : "");
    }
}

}  // namespace
}  // namespace vantle
