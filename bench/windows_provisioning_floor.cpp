// The floor for the provisioning script under Wine: a Windows program built the same way as
// corvane.com (same compiler, static libcrypto) that does only the OpenSSL and file work of the
// script: open the PKCS#12 bundle with its password, read the two CA files, write the bytes to
// the output file and flush it. windows_bench.sh runs it beside corvane.com.
//   windows_provisioning_floor <bundle.p12> <password> <ca1> <ca2> <output>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <io.h>
#include <openssl/crypto.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>

namespace {

std::string readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 6)
        return 2;
    OPENSSL_init_crypto(OPENSSL_INIT_NO_LOAD_CONFIG | OPENSSL_INIT_NO_LOAD_CRYPTO_STRINGS, nullptr);
    // As the program: both providers, so that RC2 bundles would open too.
    OSSL_PROVIDER* defaults = OSSL_PROVIDER_load(nullptr, "default");
    OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    std::string out;
    const std::string bundle = readAll(argv[1]);
    const auto* p = reinterpret_cast<const unsigned char*>(bundle.data());
    std::unique_ptr<PKCS12, decltype(&PKCS12_free)> p12(
        d2i_PKCS12(nullptr, &p, static_cast<long>(bundle.size())), PKCS12_free);
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    if (!p12 || !PKCS12_parse(p12.get(), argv[2], &key, &cert, nullptr))
        return 1;
    EVP_PKEY_free(key);
    X509_free(cert);
    out += bundle;
    for (const char* path : {argv[3], argv[4]}) {
        const std::string pem = readAll(path);
        std::unique_ptr<BIO, decltype(&BIO_free)> bio(
            BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
        X509* ca = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
        if (!ca)
            return 1;
        X509_free(ca);
        out += pem;
    }
    std::FILE* file = std::fopen(argv[5], "wb");
    if (!file)
        return 1;
    std::fwrite(out.data(), 1, out.size(), file);
    std::fflush(file);
    _commit(_fileno(file));
    std::fclose(file);
    OSSL_PROVIDER_unload(legacy);
    OSSL_PROVIDER_unload(defaults);
    return 0;
}
