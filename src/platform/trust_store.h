#pragma once

#include <string>
#include <vector>

namespace corvane::platform {

// The certificates the system trusts as roots, as the system keeps them: a PEM bundle where the
// system has one file, the DER encoding of each root where it has a store of its own.
struct SystemRoots {
    bool available = false;                   // false: the system has no trust store we can read
    std::string where;                        // the file or store read, for messages
    std::string pemBundle;                    // PEM blocks, one per root
    std::vector<std::string> derCertificates; // one DER encoding per root
};

// Reads the system's roots; each call reads them again, so callers keep the result.
SystemRoots readSystemRoots();

} // namespace corvane::platform
