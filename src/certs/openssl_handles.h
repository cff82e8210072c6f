#pragma once

#include <climits>
#include <cstddef>
#include <memory>

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pkcs12.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

namespace corvane::ossl {

// Each library object lives in a unique_ptr that frees it with the library's own function.
template <auto FreeFunction> struct Deleter {
    template <class T> void operator()(T* object) const noexcept { FreeFunction(object); }
};

using Bio = std::unique_ptr<BIO, Deleter<BIO_free_all>>;
using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using PKeyPtr = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using Pkcs12Ptr = std::unique_ptr<PKCS12, Deleter<PKCS12_free>>;
using Pkcs7Ptr = std::unique_ptr<PKCS7, Deleter<PKCS7_free>>;

inline void freeCertStack(STACK_OF(X509) * stack) {
    sk_X509_pop_free(stack, X509_free);
}
using X509StackPtr = std::unique_ptr<STACK_OF(X509), Deleter<freeCertStack>>;

// A read-only memory reader over bytes that outlive it; null when none can be made.
inline Bio memoryReader(const void* data, std::size_t size) {
    // A zero length would make the library measure the data as a C string.
    static const unsigned char empty = 0;
    if (size == 0)
        return Bio(BIO_new_mem_buf(&empty, 0));
    if (size > static_cast<std::size_t>(INT_MAX))
        return nullptr;
    return Bio(BIO_new_mem_buf(data, static_cast<int>(size)));
}

} // namespace corvane::ossl
