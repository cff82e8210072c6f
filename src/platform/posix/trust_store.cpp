#include "platform/trust_store.h"

#include <fstream>
#include <iterator>

namespace corvane::platform {

namespace {
// The bundle of the ca-certificates package: every root the system trusts, in one PEM file.
constexpr const char* kBundlePath = "/etc/ssl/certs/ca-certificates.crt";
} // namespace

SystemRoots readSystemRoots() {
    SystemRoots roots;
    roots.where = kBundlePath;
    std::ifstream file(kBundlePath, std::ios::binary);
    if (!file)
        return roots;
    roots.pemBundle.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    roots.available = !file.bad() && !roots.pemBundle.empty();
    return roots;
}

} // namespace corvane::platform
