// Feeds arbitrary bytes through the provider configuration importer: the XML reader, the method
// choice, base64 and the certificates it hands to the profile.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "profile/eap_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane;
    Profile profile;
    const ConfigImport result = importProviderConfigurationText(
        std::string(reinterpret_cast<const char*>(data), size), profile, "de");
    // An import either builds a profile that passes the checks every front end makes or
    // leaves the profile untouched.
    if (result.imported()) {
        if (!profile.modified ||
            (!profile.profileName.empty() &&
             validateProfileName(profile.profileName.view()) != StatusCode::Success) ||
            validateProtocols(profile.authProtocol, profile.innerAuthProtocol) !=
                StatusCode::Success)
            std::abort();
    } else if (profile.modified || profile.caCertificates.count() != 0 ||
               configImportErrorText(result).empty()) {
        std::abort();
    }
    configImportNotice(result);
    return 0;
}
