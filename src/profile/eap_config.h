#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "profile/profile.h"

namespace corvane {

// Provider configurations (".eap-config"): the XML documents in which organisations publish the
// settings of their 802.1X networks. Importing one builds a profile from it through the
// profile's own operations, so an imported profile obeys every rule a typed one does.

// No provider configuration comes near this; a larger file is refused before it is read.
constexpr std::uint64_t kMaxProviderConfigurationSize = 4 << 20;

// True when the path's extension (after its last dot) is "eap-config", case ignored.
bool isProviderConfigurationPath(std::string_view path);

enum class ConfigImportError {
    None,
    Unreadable,
    TooLarge,
    Doctype, // a document type declaration, and with it any entity declaration
    Malformed,
    WrongRoot,
    NoProvider,
    NoSupportedMethod,
    CaNotBase64,
    ClientNotBase64,
    CaRefused,     // addCertificate refused a CA certificate
    ClientRefused, // addCertificate refused the client certificate
    TextTooLong,
    NotStorable, // a text holds a character the device's code page cannot store
};

// What an import did or why it did nothing.
struct ConfigImport {
    ConfigImportError error = ConfigImportError::None;
    // For the error: the root element's name, the XML error's byte offset, the 1-based number
    // of the refused CA certificate, or the name of the element whose text is too long or cannot
    // be stored.
    std::string errorDetail;
    StatusCode certificateStatus = StatusCode::Success; // CaRefused, ClientRefused

    // The methods skipped before the one taken (all of them with NoSupportedMethod).
    std::vector<std::string> skippedMethods;
    // What the device profile cannot hold.
    std::vector<std::string> serverIds;
    std::vector<std::string> ssids;
    std::vector<std::string> consortiumIds;
    std::vector<std::string> helpdesk;
    bool termsOfUse = false;
    std::vector<std::string> otherProviders;
    // Certificates added with a warning (not yet valid, expired, already in the list).
    std::vector<std::pair<std::string, StatusCode>> certificateWarnings;

    bool imported() const { return error == ConfigImportError::None; }
    // Servers are named but no CA certificate lets the device check them.
    bool serverIdWithoutCa = false;
};

// Reads the file and, when it is a usable provider configuration, replaces the profile with
// the profile it describes: untitled and modified. On any error the profile is left as it was.
// `language` ("de") chooses among texts given in several languages.
ConfigImport importProviderConfiguration(const std::string& path, Profile& profile,
                                         std::string_view language);

// The same for a document already read (the file's whole content).
ConfigImport importProviderConfigurationText(std::string content, Profile& profile,
                                             std::string_view language);

// The error as one line of text; empty when the import succeeded.
std::string configImportErrorText(const ConfigImport& result);

// The notice of what the device will not enforce, one line a point under a heading; empty when
// there is nothing to tell. A ServerID without a CA certificate makes the warning its first line.
std::vector<std::string> configImportNotice(const ConfigImport& result);

// A provider's display name as a profile name: accented letters become their base letter,
// white space one space, other characters are left out, and the result is cut to 26
// characters.
std::string profileNameFromDisplayName(std::string_view utf8);

// The user's language code for `language` above.
std::string userLanguageCode();

} // namespace corvane
