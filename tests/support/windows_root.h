#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <wincrypt.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/file_bytes.h"

namespace kavtra::test {

// The certificate of a PEM file among the user's trusted root authorities of
// Windows while the object lives (under Wine: of the test's prefix).
class TrustedRoot {
public:
    explicit TrustedRoot(const std::string& pemFile) {
        const std::string pem = readBytes(pemFile);
        DWORD size = 0;
        CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, nullptr, &size,
                             nullptr, nullptr);
        der_.resize(size);
        if (!CryptStringToBinaryA(pem.data(), static_cast<DWORD>(pem.size()), CRYPT_STRING_BASE64HEADER, der_.data(),
                                  &size, nullptr, nullptr) ||
            !CertAddEncodedCertificateToSystemStoreW(L"ROOT", der_.data(), size))
            throw std::runtime_error("cannot add " + pemFile + " to the root authorities");
    }
    ~TrustedRoot() {
        HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT");
        PCCERT_CONTEXT mine =
            CertCreateCertificateContext(X509_ASN_ENCODING, der_.data(), static_cast<DWORD>(der_.size()));
        if (roots && mine) {
            if (PCCERT_CONTEXT found =
                    CertFindCertificateInStore(roots, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, mine, nullptr))
                CertDeleteCertificateFromStore(found);  // frees `found`
        }
        if (mine) CertFreeCertificateContext(mine);
        if (roots) CertCloseStore(roots, 0);
    }
    TrustedRoot(const TrustedRoot&) = delete;
    TrustedRoot& operator=(const TrustedRoot&) = delete;

private:
    std::vector<BYTE> der_;
};

}  // namespace kavtra::test
