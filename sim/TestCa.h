#pragma once
// A certificate authority made at run time for the loopback https servers: an EC P-256 key, a
// self-signed CA certificate whose PEM lies in a temporary file for the clients to trust, and leaf
// certificates issued on demand.

#include <memory>
#include <string>
#include <string_view>

namespace vantle::sim {

// What a leaf certificate should look like.
struct CertPlan {
    enum class Kind {
        Valid,       // for the name, signed by the CA
        OtherName,   // signed by the CA, but for another name
        SelfSigned,  // for the name, signed by its own key: an unknown issuer
    };
    Kind kind = Kind::Valid;
    // Expiry date "YYYY-MM-DD" (at 12:00:00 GMT). A date in the past gives an expired certificate.
    std::string notAfter;
};

// A leaf certificate and its key, both PEM.
struct LeafPem {
    std::string cert;
    std::string key;
};

class TestCa {
public:
    TestCa();   // throws std::runtime_error when OpenSSL fails or the file cannot be written
    ~TestCa();  // removes the file
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    // The PEM file of the CA certificate.
    const std::string& PemFile() const;
    // A certificate for host (its subject's common name and its one DNS name) as plan says.
    LeafPem Issue(std::string_view host, const CertPlan& plan) const;

    struct Keys;

private:
    std::unique_ptr<Keys> keys_;
    std::string pemFile_;
};

}  // namespace vantle::sim
