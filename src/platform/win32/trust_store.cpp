#include "platform/trust_store.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <wincrypt.h>

#include <memory>

namespace corvane::platform {

SystemRoots readSystemRoots() {
    SystemRoots roots;
    roots.where = "ROOT";
    // The machine's trusted roots as the current user sees them (the user's own and the
    // machine's), which is what the system itself trusts for this user.
    struct StoreCloser {
        void operator()(void* store) const { CertCloseStore(store, 0); }
    };
    const std::unique_ptr<void, StoreCloser> store(CertOpenSystemStoreW(0, L"ROOT"));
    if (!store)
        return roots;
    struct ContextFreer {
        void operator()(const CERT_CONTEXT* context) const { CertFreeCertificateContext(context); }
    };
    // The enumeration frees the previous context itself; the holder frees the last one when a
    // copy below runs out of memory.
    std::unique_ptr<const CERT_CONTEXT, ContextFreer> held;
    while (PCCERT_CONTEXT context = CertEnumCertificatesInStore(store.get(), held.release())) {
        held.reset(context);
        if (context->dwCertEncodingType & X509_ASN_ENCODING)
            roots.derCertificates.emplace_back(
                reinterpret_cast<const char*>(context->pbCertEncoded), context->cbCertEncoded);
    }
    roots.available = !roots.derCertificates.empty();
    return roots;
}

} // namespace corvane::platform
