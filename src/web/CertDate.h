#pragma once
// The expiry date of a certificate as the SSL cell shows it.

#include <string>
#include <string_view>

namespace vantle {

// text: the "Expire date" that libcurl reports for a certificate, in OpenSSL's form
// ("Jan  2 03:04:05 2027 GMT", seconds possibly with a fraction) or in the "2027-01-02 03:04:05 GMT"
// form of libcurl's other TLS back-ends. "YYYY-MM-DD", or "" when the text is neither.
std::string CertDate(std::string_view text);

}  // namespace vantle
