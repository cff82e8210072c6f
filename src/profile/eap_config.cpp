#include "profile/eap_config.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <utility>

#include <openssl/evp.h>
#include <openssl/x509.h>
#include <pugixml.hpp>

#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/openssl_handles.h"
#include "platform/files.h"
#include "profile/device_text.h"

namespace corvane {
namespace {

constexpr std::string_view kWhiteSpace = " \t\r\n";

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty())
            text += ", ";
        text += item;
    }
    return text;
}

// --- Reading the document ----------------------------------------------------------------------

// The element's name without a namespace prefix.
std::string_view localName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::vector<pugi::xml_node> children(const pugi::xml_node& parent, std::string_view name) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_element && localName(node) == name)
            found.push_back(node);
    return found;
}

pugi::xml_node child(const pugi::xml_node& parent, std::string_view name) {
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_element && localName(node) == name)
            return node;
    return {};
}

// The text of an element without the white space around it (the line breaks of pretty
// printing); passwords are read with child_value() as written.
std::string text(const pugi::xml_node& node) {
    return std::string(trimmed(node.child_value()));
}

// The language a text is written in: "de" of xml:lang="de-AT".
std::string_view languageOf(const pugi::xml_node& node) {
    std::string_view lang = node.attribute("xml:lang").value();
    if (lang.empty())
        lang = node.attribute("lang").value();
    return lang.substr(0, lang.find_first_of("-_"));
}

// Of texts given in several languages: the user's, else one without a language, else English,
// else the first.
pugi::xml_node inLanguage(const std::vector<pugi::xml_node>& nodes, std::string_view language) {
    const auto find = [&nodes](std::string_view wanted) -> pugi::xml_node {
        for (const pugi::xml_node& node : nodes)
            if (equalsIgnoringCase(languageOf(node), wanted))
                return node;
        return {};
    };
    if (!language.empty())
        if (pugi::xml_node node = find(language))
            return node;
    if (pugi::xml_node node = find(""))
        return node;
    if (pugi::xml_node node = find("en"))
        return node;
    return nodes.empty() ? pugi::xml_node() : nodes.front();
}

std::optional<int> typeNumber(const pugi::xml_node& method) {
    const std::string digits = text(child(method, "Type"));
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    return std::stoi(digits);
}

// Reads the whole file, refusing a huge one before reading it.
ConfigImportError readConfigurationFile(const std::string& path, std::string& content) {
    std::uint64_t size = 0;
    if (platform::fileKind(path, &size) != platform::FileKind::Regular)
        return ConfigImportError::Unreadable;
    if (size > kMaxProviderConfigurationSize)
        return ConfigImportError::TooLarge;
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    const std::unique_ptr<std::FILE, Closer> file(platform::openFile(path, "rb"));
    if (!file)
        return ConfigImportError::Unreadable;
    // The file may have grown since it was measured: one byte past the limit tells.
    content.resize(kMaxProviderConfigurationSize + 1);
    const std::size_t read = std::fread(content.data(), 1, content.size(), file.get());
    if (std::ferror(file.get()))
        return ConfigImportError::Unreadable;
    if (read > kMaxProviderConfigurationSize)
        return ConfigImportError::TooLarge;
    content.resize(read);
    return ConfigImportError::None;
}

// Base64 as certificates are carried in the file: line breaks and spaces anywhere, padding only
// at the end.
bool decodeBase64(std::string_view encoded, ByteBuffer& decoded) {
    std::string compact;
    for (char c : encoded)
        if (kWhiteSpace.find(c) == std::string_view::npos)
            compact += c;
    if (compact.empty() || compact.size() % 4 != 0 || compact.size() > INT_MAX)
        return false;
    std::size_t padding = 0;
    while (padding < 2 && compact[compact.size() - 1 - padding] == '=')
        ++padding;
    if (compact.find('=') < compact.size() - padding)
        return false;
    std::vector<unsigned char> bytes(compact.size() / 4 * 3);
    const int length =
        EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(compact.data()),
                        static_cast<int>(compact.size()));
    if (length < 0 || static_cast<std::size_t>(length) < padding)
        return false;
    return decoded.assign(bytes.data(), static_cast<std::size_t>(length) - padding) == 0;
}

// --- Authentication methods --------------------------------------------------------------------

enum EapType { Md5 = 4, Gtc = 6, Tls = 13, Leap17 = 17, Ttls = 21, Peap = 25, MsChapV2 = 26 };

std::string eapMethodName(int type) {
    switch (type) {
    case Md5:
        return "EAP-MD5";
    case Gtc:
        return loadString(ids::EapGtc);
    case Tls:
        return loadString(ids::EapTls);
    case Leap17:
        return loadString(ids::Leap);
    case Ttls:
        return loadString(ids::EapTtls);
    case Peap:
        return loadString(ids::EapPeap);
    case MsChapV2:
        return loadString(ids::EapMschapV2);
    case 18:
        return "EAP-SIM";
    case 23:
        return "EAP-AKA";
    case 43:
        return "EAP-FAST";
    case 50:
        return "EAP-AKA'";
    case 52:
        return "EAP-pwd";
    default:
        return fillFormat(loadString(ids::EapTypeName), {std::to_string(type)});
    }
}

std::string nonEapMethodName(int type) {
    switch (type) {
    case 1:
        return loadString(ids::Pap);
    case 2:
        return loadString(ids::Mschap);
    case 3:
        return loadString(ids::MschapV2);
    default:
        return fillFormat(loadString(ids::NonEapTypeName), {std::to_string(type)});
    }
}

// The tunneled protocol of one InnerAuthenticationMethod under an outer one; none when the
// device has no such pairing.
std::optional<std::uint8_t> innerProtocol(std::uint8_t outer, const pugi::xml_node& inner,
                                          std::string& name) {
    if (const pugi::xml_node nonEap = child(inner, "NonEAPAuthMethod")) {
        const std::optional<int> type = typeNumber(nonEap);
        name = type ? nonEapMethodName(*type) : "?";
        if (outer != EapTtls || !type)
            return std::nullopt;
        switch (*type) {
        case 1:
            return Pap;
        case 2:
            return Mschap;
        case 3:
            return MschapV2;
        default:
            return std::nullopt;
        }
    }
    const std::optional<int> type = typeNumber(child(inner, "EAPMethod"));
    name = type ? eapMethodName(*type) : "?";
    if (!type)
        return std::nullopt;
    switch (*type) {
    case MsChapV2:
        return EapMschapV2;
    case Gtc:
        return EapGtc;
    case Md5:
        if (outer == EapTtls)
            return EapMd5Challenge;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

struct ChosenMethod {
    pugi::xml_node method;
    pugi::xml_node inner; // the InnerAuthenticationMethod taken, if any
    std::uint8_t outer = 0;
    std::uint8_t innerCode = Pap;
};

// The first method the device supports, in the file's order; the ones before it are named.
std::optional<ChosenMethod> chooseMethod(const pugi::xml_node& provider,
                                         std::vector<std::string>& skipped) {
    for (const pugi::xml_node& method :
         children(child(provider, "AuthenticationMethods"), "AuthenticationMethod")) {
        const std::optional<int> type = typeNumber(child(method, "EAPMethod"));
        ChosenMethod chosen{method, {}, 0, Pap};
        switch (type.value_or(-1)) {
        case Tls:
            chosen.outer = EapTls;
            return chosen;
        case Leap17:
            chosen.outer = Leap;
            return chosen;
        case Ttls:
            chosen.outer = EapTtls;
            break;
        case Peap:
            chosen.outer = EapPeap;
            break;
        default:
            skipped.push_back(type ? eapMethodName(*type) : "?");
            continue;
        }
        std::vector<std::string> innerNames;
        for (const pugi::xml_node& inner : children(method, "InnerAuthenticationMethod")) {
            std::string name;
            if (auto code = innerProtocol(chosen.outer, inner, name);
                code && validateProtocols(chosen.outer, *code) == StatusCode::Success) {
                chosen.inner = inner;
                chosen.innerCode = *code;
                return chosen;
            }
            innerNames.push_back(name);
        }
        skipped.push_back(
            fillFormat(loadString(ids::MethodWithInner),
                       {eapMethodName(*type), innerNames.empty() ? "?" : joined(innerNames)}));
    }
    return std::nullopt;
}

// --- Names -------------------------------------------------------------------------------------

// Base letters of U+00C0 to U+017F: one letter, two for ligatures, "" for what is no letter.
// clang-format off
constexpr const char* kLatinBase[] = {
    // U+00C0
    "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
    "D", "N", "O", "O", "O", "O", "O", "", "O", "U", "U", "U", "U", "Y", "TH", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "y",
    // U+0100
    "A", "a", "A", "a", "A", "a", "C", "c", "C", "c", "C", "c", "C", "c", "D", "d",
    "D", "d", "E", "e", "E", "e", "E", "e", "E", "e", "E", "e", "G", "g", "G", "g",
    "G", "g", "G", "g", "H", "h", "H", "h", "I", "i", "I", "i", "I", "i", "I", "i",
    "I", "i", "IJ", "ij", "J", "j", "K", "k", "k", "L", "l", "L", "l", "L", "l", "L",
    "l", "L", "l", "N", "n", "N", "n", "N", "n", "n", "N", "n", "O", "o", "O", "o",
    "O", "o", "OE", "oe", "R", "r", "R", "r", "R", "r", "S", "s", "S", "s", "S", "s",
    "S", "s", "T", "t", "T", "t", "T", "t", "U", "u", "U", "u", "U", "u", "U", "u",
    "U", "u", "U", "u", "W", "w", "Y", "y", "Y", "Z", "z", "Z", "z", "Z", "z", "s",
};
// clang-format on
static_assert(std::size(kLatinBase) == 0x180 - 0xC0);

// The next code point of UTF-8 text; U+FFFD for a byte that starts none.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    const std::size_t length = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    if (length == 0)
        return 0xFFFD;
    char32_t c = lead & (0x3F >> length);
    for (std::size_t k = 0; k < length; ++k) {
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    }
    return c;
}

void freeLibraryMemory(unsigned char* memory) {
    OPENSSL_free(memory);
}

// A certificate's common name (UTF-8), for the name the list shows; empty when it has none.
std::string commonName(const ByteBuffer& der) {
    const unsigned char* cursor = der.data();
    ossl::X509Ptr certificate(d2i_X509(nullptr, &cursor, static_cast<long>(der.size())));
    if (!certificate)
        return {};
    const X509_NAME* subject = X509_get_subject_name(certificate.get());
    const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (index < 0)
        return {};
    unsigned char* utf8 = nullptr;
    const int length =
        ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));
    const std::unique_ptr<unsigned char, ossl::Deleter<freeLibraryMemory>> owned(utf8);
    if (length < 0)
        return {};
    return std::string(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length));
}

std::string providerName(const pugi::xml_node& provider, std::string_view language) {
    const pugi::xml_node display =
        inLanguage(children(child(provider, "ProviderInfo"), "DisplayName"), language);
    std::string name = display ? text(display) : std::string();
    return name.empty() ? std::string(trimmed(provider.attribute("ID").value())) : name;
}

// --- Building the profile ----------------------------------------------------------------------

struct Credentials {
    std::vector<pugi::xml_node> sources; // the method's own first, then its inner method's
    pugi::xml_node find(std::string_view name) const {
        for (const pugi::xml_node& source : sources)
            if (pugi::xml_node found = child(source, name))
                return found;
        return {};
    }
};

// Sets a text field after the check every front end makes; false (with the error) when too long
// or not storable. The file holds characters, the device reads bytes of its code page: a
// character that has no byte there is refused, never stored as something else.
bool setText(CountedString& field, const pugi::xml_node& node, bool trim, ConfigImport& result) {
    if (!node)
        return true;
    const std::string value = trim ? text(node) : std::string(node.child_value());
    const std::string stored = encodeDeviceText(value, kDropUnstorable);
    ConfigImportError error = ConfigImportError::None;
    if (decodeDeviceText(stored) != value)
        error = ConfigImportError::NotStorable;
    else if (validateTextField(stored) != StatusCode::Success)
        error = ConfigImportError::TextTooLong;
    if (error != ConfigImportError::None) {
        result.error = error;
        result.errorDetail = std::string(localName(node));
        return false;
    }
    field.assign(stored);
    return true;
}

bool addCaCertificates(Profile& profile, const std::vector<pugi::xml_node>& cas,
                       ConfigImport& result) {
    for (std::size_t i = 0; i < cas.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        ByteBuffer der;
        if (!decodeBase64(cas[i].child_value(), der)) {
            result.error = ConfigImportError::CaNotBase64;
            result.errorDetail = number;
            return false;
        }
        std::string name = commonName(der);
        name = platform::safeFileName(name.empty() ? "ca-" + number : name) + ".der";
        const StatusCode status =
            profile.addCertificate(std::move(der), name, CertificateKind::CaCertificate);
        if (status != StatusCode::Success && isFatalStatus(status)) {
            result.error = ConfigImportError::CaRefused;
            result.errorDetail = number;
            result.certificateStatus = status;
            return false;
        }
        if (status != StatusCode::Success)
            result.certificateWarnings.emplace_back(name, status);
    }
    return true;
}

bool addClientCertificate(Profile& profile, const pugi::xml_node& node, std::string_view baseName,
                          ConfigImport& result) {
    if (!node)
        return true;
    ByteBuffer bytes;
    if (!decodeBase64(node.child_value(), bytes)) {
        result.error = ConfigImportError::ClientNotBase64;
        return false;
    }
    const std::string name =
        platform::safeFileName(baseName.empty() ? "client" : std::string(baseName)) + ".p12";
    const StatusCode status =
        profile.addCertificate(std::move(bytes), name, CertificateKind::ClientCertificate);
    if (status != StatusCode::Success && isFatalStatus(status)) {
        result.error = ConfigImportError::ClientRefused;
        result.certificateStatus = status;
        return false;
    }
    if (status != StatusCode::Success)
        result.certificateWarnings.emplace_back(name, status);
    return true;
}

// What the device profile cannot hold, for the notice.
void collectUnenforced(const pugi::xml_node& provider, const ChosenMethod& chosen,
                       std::string_view language, ConfigImport& result) {
    const pugi::xml_node server = child(chosen.method, "ServerSideCredential");
    for (const pugi::xml_node& id : children(server, "ServerID"))
        if (std::string name = text(id); !name.empty())
            result.serverIds.push_back(std::move(name));
    result.serverIdWithoutCa = !result.serverIds.empty() && children(server, "CA").empty();
    for (const pugi::xml_node& network :
         children(child(provider, "CredentialApplicability"), "IEEE80211")) {
        for (const pugi::xml_node& ssid : children(network, "SSID"))
            if (std::string name = text(ssid); !name.empty())
                result.ssids.push_back(std::move(name));
        for (const pugi::xml_node& oid : children(network, "ConsortiumOID"))
            if (std::string id = text(oid); !id.empty())
                result.consortiumIds.push_back(std::move(id));
    }
    const pugi::xml_node info = child(provider, "ProviderInfo");
    const pugi::xml_node helpdesk = child(info, "Helpdesk");
    for (std::string_view kind : {"EmailAddress", "WebAddress", "Phone"})
        if (pugi::xml_node entry = inLanguage(children(helpdesk, kind), language))
            if (std::string value = text(entry); !value.empty())
                result.helpdesk.push_back(std::move(value));
    result.termsOfUse = !children(info, "TermsOfUse").empty();
}

// Fills a fresh profile from the provider through the operations both front ends use.
bool buildProfile(const pugi::xml_node& provider, const ChosenMethod& chosen,
                  std::string_view language, Profile& profile, ConfigImport& result) {
    profile.authProtocol = chosen.outer;
    if (chosen.inner)
        profile.innerAuthProtocol = chosen.innerCode;

    Credentials client;
    client.sources.push_back(child(chosen.method, "ClientSideCredential"));
    if (chosen.inner)
        client.sources.push_back(child(chosen.inner, "ClientSideCredential"));
    // The pass phrase first: the client certificate is checked with it as it is added.
    if (!setText(profile.privateKeyPassword, client.find("Passphrase"), false, result))
        return false;
    const std::string id(trimmed(provider.attribute("ID").value()));
    if (!addCaCertificates(profile, children(child(chosen.method, "ServerSideCredential"), "CA"),
                           result) ||
        !addClientCertificate(profile, client.find("ClientCertificate"), id, result))
        return false;
    if (!setText(profile.initialIdentity, client.find("OuterIdentity"), true, result) ||
        !setText(profile.username, client.find("UserName"), true, result) ||
        !setText(profile.password, client.find("Password"), false, result))
        return false;

    // A name in a script without Latin letters leaves nothing: the identifier serves instead.
    for (const std::string& candidate : {providerName(provider, language), id})
        if (std::string name = profileNameFromDisplayName(candidate);
            validateProfileName(name) == StatusCode::Success) {
            profile.profileName.assign(name);
            break;
        }
    collectUnenforced(provider, chosen, language, result);
    return true;
}

// The imported profile takes the place of the old one, field by field.
void replaceProfile(Profile& target, Profile& imported) {
    target.reset(true);
    target.profileName = std::move(imported.profileName);
    target.targetCode = imported.targetCode;
    target.authProtocol = imported.authProtocol;
    target.innerAuthProtocol = imported.innerAuthProtocol;
    target.username = std::move(imported.username);
    target.password = std::move(imported.password);
    target.privateKeyPassword = std::move(imported.privateKeyPassword);
    target.initialIdentity = std::move(imported.initialIdentity);
    target.caCertificates = std::move(imported.caCertificates);
    target.clientCertificate = std::move(imported.clientCertificate);
    target.updateFieldMask();
    target.modified = true;
}

ConfigImport importDocument(std::string& content, Profile& profile, std::string_view language) {
    ConfigImport result;
    pugi::xml_document document;
    // The document type is kept as a node so that it can be refused; pugixml never expands
    // an entity of its own declaration, only the five predefined ones and character references.
    const pugi::xml_parse_result parsed = document.load_buffer_inplace(
        content.data(), content.size(), pugi::parse_default | pugi::parse_doctype);
    if (parsed.status == pugi::status_bad_doctype) {
        result.error = ConfigImportError::Doctype;
        return result;
    }
    if (!parsed) {
        result.error = ConfigImportError::Malformed;
        result.errorDetail = std::to_string(parsed.offset);
        return result;
    }
    for (pugi::xml_node node = document.first_child(); node; node = node.next_sibling())
        if (node.type() == pugi::node_doctype) {
            result.error = ConfigImportError::Doctype;
            return result;
        }

    const pugi::xml_node root = document.document_element();
    const std::string_view rootName = root.name();
    const std::string_view prefix = rootName.substr(0, rootName.size() - localName(root).size());
    std::vector<pugi::xml_node> providers;
    if (prefix.empty() || prefix == "eap-metadata:") {
        if (localName(root) == "EAPIdentityProviderList")
            providers = children(root, "EAPIdentityProvider");
        else if (localName(root) == "EAPIdentityProvider")
            providers.push_back(root);
        else
            result.error = ConfigImportError::WrongRoot;
    } else {
        result.error = ConfigImportError::WrongRoot;
    }
    if (result.error == ConfigImportError::WrongRoot) {
        result.errorDetail = std::string(rootName);
        return result;
    }
    if (providers.empty()) {
        result.error = ConfigImportError::NoProvider;
        return result;
    }

    const pugi::xml_node& provider = providers.front();
    for (std::size_t i = 1; i < providers.size(); ++i)
        result.otherProviders.push_back(providerName(providers[i], language));
    const std::optional<ChosenMethod> chosen = chooseMethod(provider, result.skippedMethods);
    if (!chosen) {
        result.error = ConfigImportError::NoSupportedMethod;
        return result;
    }
    Profile imported;
    if (buildProfile(provider, *chosen, language, imported, result))
        replaceProfile(profile, imported);
    return result;
}

} // namespace

bool isProviderConfigurationPath(std::string_view path) {
    const auto dot = path.rfind('.');
    return dot != std::string_view::npos && equalsIgnoringCase(path.substr(dot + 1), "eap-config");
}

ConfigImport importProviderConfiguration(const std::string& path, Profile& profile,
                                         std::string_view language) {
    ConfigImport result;
    try {
        std::string content;
        result.error = readConfigurationFile(path, content);
        if (result.error != ConfigImportError::None)
            return result;
        return importProviderConfigurationText(std::move(content), profile, language);
    } catch (const std::bad_alloc&) {
        result = ConfigImport();
        result.error = ConfigImportError::Unreadable;
        return result;
    }
}

ConfigImport importProviderConfigurationText(std::string content, Profile& profile,
                                             std::string_view language) {
    try {
        if (content.size() > kMaxProviderConfigurationSize) {
            ConfigImport result;
            result.error = ConfigImportError::TooLarge;
            return result;
        }
        return importDocument(content, profile, language);
    } catch (const std::bad_alloc&) {
        ConfigImport result;
        result.error = ConfigImportError::Unreadable;
        return result;
    }
}

std::string configImportErrorText(const ConfigImport& result) {
    const std::string status = loadString(statusTextId(result.certificateStatus));
    switch (result.error) {
    case ConfigImportError::None:
        return {};
    case ConfigImportError::Unreadable:
        return loadString(ids::ConfigUnreadable);
    case ConfigImportError::TooLarge:
        return loadString(ids::ConfigTooLarge);
    case ConfigImportError::Doctype:
        return loadString(ids::ConfigDoctype);
    case ConfigImportError::Malformed:
        return fillFormat(loadString(ids::ConfigMalformed), {result.errorDetail});
    case ConfigImportError::WrongRoot:
        return fillFormat(loadString(ids::ConfigWrongRoot), {result.errorDetail});
    case ConfigImportError::NoProvider:
        return loadString(ids::ConfigNoProvider);
    case ConfigImportError::NoSupportedMethod:
        return fillFormat(loadString(ids::ConfigNoSupportedMethod),
                          {joined(result.skippedMethods)});
    case ConfigImportError::CaNotBase64:
        return fillFormat(loadString(ids::ConfigCaNotBase64), {result.errorDetail});
    case ConfigImportError::ClientNotBase64:
        return loadString(ids::ConfigClientNotBase64);
    case ConfigImportError::CaRefused:
        return fillFormat(loadString(ids::ConfigCaFailed), {result.errorDetail, status});
    case ConfigImportError::ClientRefused:
        return fillFormat(loadString(ids::ConfigClientFailed), {status});
    case ConfigImportError::TextTooLong:
        return fillFormat(loadString(ids::ConfigTextTooLong), {result.errorDetail});
    case ConfigImportError::NotStorable:
        return fillFormat(loadString(ids::ConfigTextNotStorable), {result.errorDetail});
    }
    return {};
}

std::vector<std::string> configImportNotice(const ConfigImport& result) {
    const auto line = [](unsigned id, const std::vector<std::string>& items) {
        return items.empty() ? std::string() : fillFormat(loadString(id), {joined(items)});
    };
    std::vector<std::string> points;
    for (std::string point :
         {line(ids::ConfigServerIds, result.serverIds), line(ids::ConfigSsids, result.ssids),
          line(ids::ConfigConsortiums, result.consortiumIds),
          line(ids::ConfigHelpdesk, result.helpdesk),
          result.termsOfUse ? loadString(ids::ConfigTermsOfUse) : std::string()})
        if (!point.empty())
            points.push_back("- " + point);

    std::vector<std::string> lines;
    if (result.serverIdWithoutCa)
        lines.push_back(loadString(ids::ConfigServerIdWithoutCa));
    if (!points.empty()) {
        lines.push_back(loadString(ids::ConfigNoticeHeading));
        lines.insert(lines.end(), points.begin(), points.end());
    }
    for (std::string extra : {line(ids::ConfigSkippedMethods, result.skippedMethods),
                              line(ids::ConfigOtherProviders, result.otherProviders)})
        if (!extra.empty())
            lines.push_back(std::move(extra));
    for (const auto& [name, status] : result.certificateWarnings)
        lines.push_back(fillFormat(loadString(ids::ConfigCertificateNote),
                                   {name, loadString(statusTextId(status))}));
    return lines;
}

std::string profileNameFromDisplayName(std::string_view utf8) {
    std::string name;
    bool space = false;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t c = nextCodePoint(utf8, i);
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0xA0) {
            space = !name.empty();
            continue;
        }
        std::string_view base;
        char ascii = 0;
        if (c > 0x20 && c < 0x7F) {
            ascii = static_cast<char>(c);
            base = std::string_view(&ascii, 1);
        } else if (c >= 0xC0 && c <= 0x17F) {
            base = kLatinBase[c - 0xC0];
        }
        if (base.empty())
            continue;
        if (space)
            name += ' ';
        space = false;
        name += base;
        if (name.size() >= 26)
            break;
    }
    name.resize(std::min<std::size_t>(name.size(), 26));
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

std::string userLanguageCode() {
    return languageCodes(userDefaultLanguageId()).language;
}

} // namespace corvane
