#include "sim/TestCa.h"

#include <openssl/bn.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>

namespace vantle::sim {
namespace {

constexpr long kDay = 24 * 60 * 60;

template <typename T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Key = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using Cert = std::unique_ptr<X509, Freer<X509, X509_free>>;
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using Names = std::unique_ptr<GENERAL_NAMES, Freer<GENERAL_NAMES, GENERAL_NAMES_free>>;

void Require(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string("test CA: ") + what);
    }
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"));
    Require(key != nullptr, "no EC key");
    return key;
}

// "YYYY-MM-DD" at 12:00:00 GMT; nothing for another text.
bool ParseDate(const std::string& date, std::time_t& out) {
    std::tm tm{};
    char tail = 0;
    if (std::sscanf(date.c_str(), "%4d-%2d-%2d%c", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tail) != 3) {
        return false;
    }
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_hour = 12;
    out = timegm(&tm);
    return true;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    Require(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "extension");
    X509_EXTENSION_free(ext);
}

void AddDnsName(X509* cert, std::string_view host) {
    Names names(sk_GENERAL_NAME_new_null());
    GENERAL_NAME* name = GENERAL_NAME_new();
    ASN1_IA5STRING* text = ASN1_IA5STRING_new();
    Require(names && name && text && ASN1_STRING_set(text, host.data(), static_cast<int>(host.size())) == 1,
            "subject alternative name");
    GENERAL_NAME_set0_value(name, GEN_DNS, text);
    Require(sk_GENERAL_NAME_push(names.get(), name) > 0, "subject alternative name");
    Require(X509_add1_ext_i2d(cert, NID_subject_alt_name, names.get(), 0, X509V3_ADD_DEFAULT) == 1,
            "subject alternative name");
}

// A certificate with a random serial, the subject CN=commonName, valid from notBefore to notAfter.
Cert NewCert(EVP_PKEY* key, std::string_view commonName, std::time_t notBefore, std::time_t notAfter) {
    Cert cert(X509_new());
    Require(cert != nullptr && X509_set_version(cert.get(), 2) == 1, "certificate");
    BIGNUM* serial = BN_new();
    Require(serial != nullptr && BN_rand(serial, 120, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
                BN_to_ASN1_INTEGER(serial, X509_get_serialNumber(cert.get())) != nullptr,
            "serial");
    BN_free(serial);
    X509_NAME* subject = X509_get_subject_name(cert.get());
    if (!commonName.empty() && commonName.size() <= 64) {
        Require(X509_NAME_add_entry_by_txt(subject, "CN", MBSTRING_ASC,
                                           reinterpret_cast<const unsigned char*>(commonName.data()),
                                           static_cast<int>(commonName.size()), -1, 0) == 1,
                "subject");
    }
    Require(ASN1_TIME_adj(X509_getm_notBefore(cert.get()), notBefore, 0, 0) != nullptr &&
                ASN1_TIME_adj(X509_getm_notAfter(cert.get()), notAfter, 0, 0) != nullptr &&
                X509_set_pubkey(cert.get(), key) == 1,
            "validity");
    return cert;
}

std::string Pem(int (*write)(BIO*, const void*), const void* object) {
    Bio bio(BIO_new(BIO_s_mem()));
    Require(bio && write(bio.get(), object) == 1, "PEM");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

int WriteCert(BIO* bio, const void* cert) {
    return PEM_write_bio_X509(bio, static_cast<X509*>(const_cast<void*>(cert)));
}

int WriteKey(BIO* bio, const void* key) {
    return PEM_write_bio_PrivateKey(bio, static_cast<EVP_PKEY*>(const_cast<void*>(key)), nullptr, nullptr, 0,
                                    nullptr, nullptr);
}

}  // namespace

struct TestCa::Keys {
    Key caKey = NewKey();
    Key leafKey = NewKey();  // one key for every leaf: issuing stays quick
    Cert caCert;
};

TestCa::TestCa() : keys_(std::make_unique<Keys>()) {
    const std::time_t now = std::time(nullptr);
    keys_->caCert = NewCert(keys_->caKey.get(), "Vantle Test CA", now - kDay, now + 3650 * kDay);
    X509* ca = keys_->caCert.get();
    Require(X509_set_issuer_name(ca, X509_get_subject_name(ca)) == 1, "issuer");
    AddExtension(ca, ca, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(ca, ca, NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(ca, ca, NID_subject_key_identifier, "hash");
    Require(X509_sign(ca, keys_->caKey.get(), EVP_sha256()) > 0, "signing the CA");

    std::string path = (std::filesystem::temp_directory_path() / "vantle-ca-XXXXXX").string();
    const int fd = mkstemp(path.data());
    Require(fd >= 0, "temporary file");
    const std::string pem = Pem(&WriteCert, ca);
    const bool written = write(fd, pem.data(), pem.size()) == static_cast<ssize_t>(pem.size());
    close(fd);
    pemFile_ = path;
    Require(written, "writing the CA file");
}

TestCa::~TestCa() {
    std::error_code ignored;
    std::filesystem::remove(pemFile_, ignored);
}

const std::string& TestCa::PemFile() const {
    return pemFile_;
}

LeafPem TestCa::Issue(std::string_view host, const CertPlan& plan) const {
    const std::time_t now = std::time(nullptr);
    std::time_t notAfter = now + 365 * kDay;
    if (!plan.notAfter.empty()) {
        Require(ParseDate(plan.notAfter, notAfter), "expiry date");
    }
    const std::time_t notBefore = std::min(now, notAfter) - 30 * kDay;
    const std::string name =
        plan.kind == CertPlan::Kind::OtherName ? "other-name.invalid" : std::string(host);
    const bool selfSigned = plan.kind == CertPlan::Kind::SelfSigned;
    EVP_PKEY* signer = selfSigned ? keys_->leafKey.get() : keys_->caKey.get();

    Cert leaf = NewCert(keys_->leafKey.get(), name, notBefore, notAfter);
    X509* issuer = selfSigned ? leaf.get() : keys_->caCert.get();
    Require(X509_set_issuer_name(leaf.get(), X509_get_subject_name(issuer)) == 1, "issuer");
    AddExtension(leaf.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(leaf.get(), issuer, NID_key_usage, "critical,digitalSignature");
    AddExtension(leaf.get(), issuer, NID_ext_key_usage, "serverAuth");
    AddExtension(leaf.get(), issuer, NID_subject_key_identifier, "hash");
    if (!selfSigned) {
        AddExtension(leaf.get(), issuer, NID_authority_key_identifier, "keyid:always");
    }
    AddDnsName(leaf.get(), name);
    Require(X509_sign(leaf.get(), signer, EVP_sha256()) > 0, "signing a leaf");
    return {Pem(&WriteCert, leaf.get()), Pem(&WriteKey, keys_->leafKey.get())};
}

}  // namespace vantle::sim
