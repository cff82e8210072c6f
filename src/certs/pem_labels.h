#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// One "-----BEGIN ...-----" block of a PEM text as it stands in the file.
struct PemBlockLabel {
    std::string label;
    bool encrypted = false; // a "Proc-Type: 4,ENCRYPTED" header follows the begin line
};

// The blocks a PEM text announces, in order; nothing is decoded.
std::vector<PemBlockLabel> scanPemLabels(std::string_view text);

bool isCertificateLabel(std::string_view label);
bool isPrivateKeyLabel(std::string_view label);

// What the labels tell about a file's private key, independent of what the library says.
struct PemKeyPresence {
    bool anyKey = false;       // some private key block
    bool encryptedKey = false; // a key block that needs a pass phrase
};
PemKeyPresence privateKeyPresence(const std::vector<PemBlockLabel>& blocks);
bool hasCertificateBlock(const std::vector<PemBlockLabel>& blocks);

} // namespace corvane
