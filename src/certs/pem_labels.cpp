#include "certs/pem_labels.h"

namespace corvane {

namespace {

constexpr std::string_view kBegin = "-----BEGIN ";
constexpr std::string_view kEnd = "-----END ";
constexpr std::string_view kDashes = "-----";

std::string_view trimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return line;
}

} // namespace

std::vector<PemBlockLabel> scanPemLabels(std::string_view text) {
    std::vector<PemBlockLabel> blocks;
    bool inBlock = false;
    bool inHeaders = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = trimLineEnd(text.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.starts_with(kBegin) && line.size() > kBegin.size() + kDashes.size() &&
            line.ends_with(kDashes)) {
            blocks.push_back({std::string(line.substr(kBegin.size(), line.size() - kBegin.size() -
                                                                         kDashes.size())),
                              false});
            inBlock = true;
            inHeaders = true;
            continue;
        }
        if (!inBlock)
            continue;
        if (line.starts_with(kEnd)) {
            inBlock = false;
            continue;
        }
        // Headers come right after the begin line and end at the first line without a colon.
        if (inHeaders) {
            if (line.find(':') == std::string_view::npos) {
                inHeaders = false;
            } else if (line.starts_with("Proc-Type:") &&
                       line.find("ENCRYPTED") != std::string_view::npos) {
                blocks.back().encrypted = true;
            }
        }
    }
    return blocks;
}

bool isCertificateLabel(std::string_view label) {
    return label == "CERTIFICATE" || label == "X509 CERTIFICATE" || label == "TRUSTED CERTIFICATE";
}

bool isPrivateKeyLabel(std::string_view label) {
    // Only the labels the crypto library reads a key from: PKCS#8, plain or encrypted, and the
    // traditional per-algorithm forms. Keys of other programs (an OpenSSH key, say) share the
    // suffix but are no key to us.
    return label == "PRIVATE KEY" || label == "ENCRYPTED PRIVATE KEY" ||
           label == "RSA PRIVATE KEY" || label == "DSA PRIVATE KEY" || label == "EC PRIVATE KEY";
}

PemKeyPresence privateKeyPresence(const std::vector<PemBlockLabel>& blocks) {
    PemKeyPresence presence;
    for (const PemBlockLabel& block : blocks) {
        if (!isPrivateKeyLabel(block.label))
            continue;
        presence.anyKey = true;
        if (block.encrypted || block.label == "ENCRYPTED PRIVATE KEY")
            presence.encryptedKey = true;
    }
    return presence;
}

bool hasCertificateBlock(const std::vector<PemBlockLabel>& blocks) {
    for (const PemBlockLabel& block : blocks)
        if (isCertificateLabel(block.label))
            return true;
    return false;
}

} // namespace corvane
