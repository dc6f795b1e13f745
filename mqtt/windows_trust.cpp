#include "mqtt/windows_trust.h"

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace kavtra {

ssl_ctx_st* windowsTrustContext(const std::string& host, std::string& problem) {
    SSL_CTX* context = SSL_CTX_new(TLS_client_method());
    if (!context) {
        problem = "TLS недоступен";
        return nullptr;
    }
    X509_STORE* trusted = SSL_CTX_get_cert_store(context);
    int count = 0;
    if (HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT")) {
        PCCERT_CONTEXT certificate = nullptr;
        while ((certificate = CertEnumCertificatesInStore(roots, certificate))) {
            const unsigned char* der = certificate->pbCertEncoded;
            if (X509* x509 = d2i_X509(nullptr, &der, static_cast<long>(certificate->cbCertEncoded))) {
                if (X509_STORE_add_cert(trusted, x509) == 1) ++count;
                X509_free(x509);
            }
        }
        CertCloseStore(roots, 0);
    }
    if (count == 0) {
        SSL_CTX_free(context);
        problem = "нет корневых сертификатов Windows";
        return nullptr;
    }
    // libmosquitto leaves a context of the caller's as it is, so the name
    // check it would otherwise do is OpenSSL's here.
    X509_VERIFY_PARAM* param = SSL_CTX_get0_param(context);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) != 1)
        X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size());
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    return context;
}

}  // namespace kavtra
