#include "app/examine.h"

#include <array>
#include <cstdio>
#include <new>

#include <nlohmann/json.hpp>

#include "app/resources.h"
#include "app/startup.h"
#include "app/string_ids.h"
#include "certs/certificate_details.h"
#include "certs/certificate_summary.h"
#include "certs/certificates.h"
#include "platform/files.h"
#include "platform/process.h"
#include "profile/device_text.h"
#include "profile/profile.h"
#include "profile/report.h"
#include "storage/profile_records.h"

namespace corvane {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::string_view kShow = "--show";
constexpr std::string_view kCheck = "--check";
constexpr std::int64_t kDeviceEpochOffset = 2082844800; // 1904-01-01 to 1970-01-01, seconds

// One certificate entry as the report shows it.
struct EntryFacts {
    std::string fileName; // as the device shows it
    std::string format;
    std::vector<CertificateSummary> certificates;
};

// Everything the report says about one file.
struct FileFacts {
    std::string path;
    std::string error; // why the file cannot be read; nothing else is known then
    bool database = false;
    // A profile database.
    std::string databaseName;
    std::uint32_t created = 0;
    std::uint32_t modified = 0;
    std::uint32_t lastBackup = 0;
    std::string profileName;
    std::string outerProtocol;
    std::string innerProtocol; // empty when the outer protocol tunnels nothing
    std::string initialIdentity;
    std::string username;
    bool passwordSet = false;
    bool privateKeyPasswordSet = false;
    std::string password;
    std::string privateKeyPassword;
    std::vector<EntryFacts> caEntries;
    std::optional<EntryFacts> client;
    // A certificate file.
    std::optional<EntryFacts> certificateFile;
    std::vector<Advisory> advisories;
    std::vector<std::string> notes;
};

std::string formatName(CertificateFormat format) {
    switch (format) {
    case CertificateFormat::Der:
        return "DER";
    case CertificateFormat::Pkcs12:
        return "PKCS#12";
    case CertificateFormat::Pem:
        return "PEM";
    case CertificateFormat::Pkcs7:
        return "PKCS#7";
    case CertificateFormat::Unrecognised:
        break;
    }
    return "?";
}

std::string protocolName(std::uint8_t code) {
    static constexpr std::pair<std::uint8_t, unsigned> kOuter[] = {
        {EapTls, ids::EapTls}, {EapTtls, ids::EapTtls}, {EapPeap, ids::EapPeap}, {Leap, ids::Leap}};
    for (const auto& [value, id] : kOuter)
        if (value == code)
            return loadString(id);
    return fillFormat(loadString(ids::ShowUnknownProtocol), {std::to_string(code)});
}

std::string innerProtocolName(std::uint8_t code) {
    static constexpr std::pair<std::uint8_t, unsigned> kInner[] = {
        {Pap, ids::Pap},
        {Chap, ids::Chap},
        {Mschap, ids::Mschap},
        {MschapV2, ids::MschapV2},
        {EapGtc, ids::EapGtc},
        {EapMd5Challenge, ids::EapMd5Challenge},
        {EapMschapV2, ids::EapMschapV2}};
    for (const auto& [value, id] : kInner)
        if (value == code)
            return loadString(id);
    return fillFormat(loadString(ids::ShowUnknownProtocol), {std::to_string(code)});
}

// A device date (seconds since 1904) as calendar fields in UTC; the conversion is done here
// because the C library's own cannot be trusted before 1970 on every system.
std::array<int, 6> deviceDateFields(std::uint32_t deviceSeconds) {
    const std::int64_t unix = std::int64_t(deviceSeconds) - kDeviceEpochOffset;
    std::int64_t days = unix / 86400;
    std::int64_t seconds = unix % 86400;
    if (seconds < 0) {
        seconds += 86400;
        --days;
    }
    // Days since 1970 to the civil calendar (proleptic Gregorian).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return {int(year),        int(month), int(day), int(seconds / 3600), int(seconds / 60 % 60),
            int(seconds % 60)};
}

std::string deviceDateText(std::uint32_t deviceSeconds, bool iso) {
    const auto f = deviceDateFields(deviceSeconds);
    std::array<char, 40> text{};
    std::snprintf(text.data(), text.size(),
                  iso ? "%04d-%02d-%02dT%02d:%02d:%02dZ" : "%04d-%02d-%02d %02d:%02d:%02d UTC",
                  f[0], f[1], f[2], f[3], f[4], f[5]);
    return text.data();
}

// "2026-01-02 03:04:05 UTC", as the summary gives it, in the JSON form "2026-01-02T03:04:05Z".
std::string isoTime(const std::string& summaryTime) {
    if (summaryTime.size() != 23)
        return summaryTime;
    return summaryTime.substr(0, 10) + "T" + summaryTime.substr(11, 8) + "Z";
}

bool holdsUtf8Sequences(std::string_view bytes) {
    bool high = false;
    for (char c : bytes)
        high = high || static_cast<unsigned char>(c) >= 0x80;
    return high && isValidUtf8(bytes);
}

// The certificates of an entry (as readEntryCertificates gives them): summarised for the
// report, checked into the advisories.
EntryFacts examineEntry(const CertificateEntry& entry,
                        const std::vector<ossl::X509Ptr>& certificates, CertificateKind kind,
                        const AdvisoryChecker& checker, std::vector<Advisory>& advisories,
                        bool describe) {
    EntryFacts facts;
    facts.fileName = decodeDeviceText(entry.fileName.view());
    facts.format = formatName(entry.format);
    for (std::size_t i = 0; i < certificates.size(); ++i) {
        // --check prints no description, and a fingerprint per certificate is not free.
        if (describe)
            facts.certificates.push_back(summarizeX509(certificates[i].get()));
        std::string label =
            facts.fileName.empty()
                ? displayName(X509_get_subject_name(certificates[i].get()), NameOrder::Subject)
                : facts.fileName;
        if (certificates.size() > 1)
            label += " [" + std::to_string(i + 1) + "]";
        checker.check(certificates[i].get(), kind, label, advisories);
    }
    return facts;
}

// Each CA entry is parsed once: its certificates are the issuers the others may rely on, and
// then the certificates checked.
void examineCaEntries(const std::vector<const CertificateEntry*>& entries, AdvisoryChecker& checker,
                      std::vector<EntryFacts>& facts, std::vector<Advisory>& advisories,
                      bool describe) {
    std::vector<std::vector<ossl::X509Ptr>> parsed;
    for (const CertificateEntry* entry : entries) {
        parsed.push_back(readEntryCertificates(*entry, {}));
        for (const ossl::X509Ptr& certificate : parsed.back())
            checker.addProfileCa(certificate.get());
    }
    for (std::size_t i = 0; i < entries.size(); ++i)
        facts.push_back(examineEntry(*entries[i], parsed[i], CertificateKind::CaCertificate,
                                     checker, advisories, describe));
}

void noteUtf8(const CountedString& text, unsigned fieldId, bool secret, bool secrets,
              std::vector<std::string>& notes) {
    if (!holdsUtf8Sequences(text.view()))
        return;
    if (secret && !secrets)
        notes.push_back(fillFormat(loadString(ids::ShowUtf8SecretNote), {loadString(fieldId)}));
    else
        notes.push_back(fillFormat(loadString(ids::ShowUtf8Note),
                                   {loadString(fieldId), decodeDeviceText(text.view())}));
}

void examineDatabase(FileFacts& facts, bool secrets, bool describe,
                     const InspectEnvironment& environment, bool& missedTrustStore) {
    Profile profile;
    profile.filePath.assign(facts.path);
    const StatusCode status = profile.loadProfileDatabase();
    if (status != StatusCode::Success) {
        facts.error = loadString(statusTextId(status));
        return;
    }
    profile.updateFieldMask();
    facts.database = true;
    const DatabaseHeader& header = profile.keptHeader;
    facts.databaseName = decodeDeviceText(std::string_view(
        header.name.data(),
        std::find(header.name.begin(), header.name.end(), '\0') - header.name.begin()));
    facts.created = header.creationDate;
    facts.modified = header.modificationDate;
    facts.lastBackup = header.lastBackupDate;
    facts.profileName = decodeDeviceText(profile.profileName.view());
    facts.outerProtocol = protocolName(profile.authProtocol);
    if (profile.fieldMask & UsesInnerProtocol)
        facts.innerProtocol = innerProtocolName(profile.innerAuthProtocol);
    facts.initialIdentity = decodeDeviceText(profile.initialIdentity.view());
    facts.username = decodeDeviceText(profile.username.view());
    facts.passwordSet = !profile.password.empty();
    facts.privateKeyPasswordSet = !profile.privateKeyPassword.empty();
    if (secrets) {
        facts.password = decodeDeviceText(profile.password.view());
        facts.privateKeyPassword = decodeDeviceText(profile.privateKeyPassword.view());
    }

    std::vector<const CertificateEntry*> caEntries;
    for (const auto& entry : profile.caCertificates)
        caEntries.push_back(entry.get());
    // The roots are read only when there is a CA certificate to hold against them.
    static const TrustStore kNone;
    AdvisoryChecker checker(caEntries.empty() ? kNone : environment.trustStore(), environment.now);
    examineCaEntries(caEntries, checker, facts.caEntries, facts.advisories, describe);
    if (profile.clientCertificate)
        facts.client = examineEntry(
            *profile.clientCertificate,
            readEntryCertificates(*profile.clientCertificate, profile.privateKeyPassword.str()),
            CertificateKind::ClientCertificate, checker, facts.advisories, describe);
    profileAdvisories(profile.authProtocol, facts.initialIdentity, facts.username,
                      facts.advisories);
    missedTrustStore = missedTrustStore || checker.missedTrustStore();

    noteUtf8(profile.profileName, ids::ShowNoteProfileName, false, secrets, facts.notes);
    noteUtf8(profile.initialIdentity, ids::ShowNoteInitialIdentity, false, secrets, facts.notes);
    noteUtf8(profile.username, ids::ShowNoteUsername, false, secrets, facts.notes);
    noteUtf8(profile.password, ids::ShowNotePassword, true, secrets, facts.notes);
    noteUtf8(profile.privateKeyPassword, ids::ShowNotePrivateKeyPassword, true, secrets,
             facts.notes);
}

// A file as `add_ca_cert` would read it.
void examineCertificateFile(FileFacts& facts, bool describe, const InspectEnvironment& environment,
                            bool& missedTrustStore) {
    CertificateEntry entry;
    entry.kind = CertificateKind::CaCertificate;
    if (readCertificateFile(facts.path, entry.bytes) != StatusCode::Success) {
        facts.error = loadString(statusTextId(StatusCode::ReadFailed));
        return;
    }
    entry.format = recogniseCertificateBytes(entry.bytes.view(), facts.path).format;
    if (entry.format == CertificateFormat::Unrecognised) {
        facts.error = hasExtension(facts.path, "odb")
                          ? loadString(statusTextId(StatusCode::NotProfileDatabase))
                          : loadString(ids::InspectNotProfileOrCertificate);
        return;
    }
    if (entry.format != CertificateFormat::Der && entry.format != CertificateFormat::Pem) {
        facts.error = loadString(statusTextId(StatusCode::CaFormatNotSupported));
        return;
    }
    const std::string& path = facts.path;
    const auto slash = path.find_last_of(platform::kPathSeparators);
    entry.fileName.assign(slash == std::string::npos ? path : path.substr(slash + 1));

    AdvisoryChecker checker(environment.trustStore(), environment.now);
    std::vector<EntryFacts> examined;
    examineCaEntries({&entry}, checker, examined, facts.advisories, describe);
    facts.certificateFile = std::move(examined.front());
    // The name is the file's own, in the system's encoding, not a stored profile text.
    facts.certificateFile->fileName = entry.fileName.str();
    missedTrustStore = missedTrustStore || checker.missedTrustStore();
}

FileFacts examineFile(const std::string& path, bool secrets, bool describe,
                      const InspectEnvironment& environment, bool& missedTrustStore) {
    FileFacts facts;
    facts.path = path;
    if (platform::fileKind(path) == platform::FileKind::Missing) {
        facts.error = loadString(statusTextId(StatusCode::FileNotFound));
        return facts;
    }
    std::uint32_t type = 0;
    std::uint32_t creator = 0;
    if (readTypeAndCreator(path, &type, &creator) == StatusCode::Success &&
        type == kProfileDatabaseType && creator == kProfileDatabaseCreator)
        examineDatabase(facts, secrets, describe, environment, missedTrustStore);
    else
        examineCertificateFile(facts, describe, environment, missedTrustStore);
    return facts;
}

// --- text -----------------------------------------------------------------------------------

void line(std::string& out, int indent, const std::string& text) {
    out.append(std::size_t(indent) * 2, ' ');
    out += text;
    out += '\n';
}

void labelled(std::string& out, int indent, unsigned formatId, const std::string& value) {
    line(out, indent, fillFormat(loadString(formatId), {value}));
}

void showCertificate(std::string& out, const CertificateSummary& c) {
    const std::pair<unsigned, std::vector<std::string>> lines[] = {
        {ids::ToolTipSubject, {c.subject}},
        {ids::ToolTipIssuer, {c.issuer}},
        {ids::ToolTipValidFrom, {c.validFrom}},
        {ids::ToolTipValidUntil, {c.validUntil}},
        {ids::ToolTipPublicKey, {c.keyType, std::to_string(c.keyBits)}},
        {ids::ToolTipSignatureAlgorithm, {c.signatureAlgorithm}},
        {ids::ToolTipSerialNumber, {c.serialNumber}},
        {ids::ToolTipFingerprint, {c.sha256Fingerprint}},
    };
    for (const auto& [formatId, args] : lines)
        line(out, 2, fillFormat(loadString(formatId), args));
}

void showEntry(std::string& out, const EntryFacts& entry) {
    if (entry.certificates.empty())
        line(out, 2, loadString(ids::ToolTipUnreadable));
    for (std::size_t i = 0; i < entry.certificates.size(); ++i) {
        if (i > 0)
            line(out, 2, "--");
        showCertificate(out, entry.certificates[i]);
    }
}

std::string advisoryText(const Advisory& advisory) {
    return advisory.certificate.empty() ? advisory.text
                                        : fillFormat(loadString(ids::AdvisoryLineFormat),
                                                     {advisory.certificate, advisory.text});
}

void showFile(std::string& out, const FileFacts& f) {
    line(out, 0, f.path);
    if (f.database) {
        const auto orEmpty = [](const std::string& text) {
            return text.empty() ? loadString(ids::ShowEmpty) : text;
        };
        const auto secret = [&](bool set, const std::string& value) {
            return !set            ? loadString(ids::ShowNotSet)
                   : value.empty() ? loadString(ids::ShowSet)
                                   : value;
        };
        labelled(out, 1, ids::ShowDatabaseName, f.databaseName);
        labelled(out, 1, ids::ShowCreated, deviceDateText(f.created, false));
        labelled(out, 1, ids::ShowModified, deviceDateText(f.modified, false));
        labelled(out, 1, ids::ShowLastBackup,
                 f.lastBackup ? deviceDateText(f.lastBackup, false) : loadString(ids::ShowNever));
        labelled(out, 1, ids::ShowProfileName, orEmpty(f.profileName));
        labelled(out, 1, ids::ShowOuterProtocol, f.outerProtocol);
        if (!f.innerProtocol.empty())
            labelled(out, 1, ids::ShowInnerProtocol, f.innerProtocol);
        labelled(out, 1, ids::ShowInitialIdentity, orEmpty(f.initialIdentity));
        labelled(out, 1, ids::ShowUsername, orEmpty(f.username));
        labelled(out, 1, ids::ShowPassword, secret(f.passwordSet, f.password));
        labelled(out, 1, ids::ShowPrivateKeyPassword,
                 secret(f.privateKeyPasswordSet, f.privateKeyPassword));
        for (std::size_t i = 0; i < f.caEntries.size(); ++i) {
            line(out, 1,
                 fillFormat(loadString(ids::ShowCaCertificate),
                            {std::to_string(i + 1), orEmpty(f.caEntries[i].fileName)}));
            showEntry(out, f.caEntries[i]);
        }
        labelled(out, 1, ids::ShowClientCertificate,
                 f.client ? orEmpty(f.client->fileName) : loadString(ids::ShowNone));
        if (f.client)
            showEntry(out, *f.client);
    } else if (f.certificateFile) {
        labelled(out, 1, ids::ShowCertificateFile, f.certificateFile->format);
        showEntry(out, *f.certificateFile);
    }
    if (f.advisories.empty()) {
        line(out, 1, loadString(ids::ShowNoAdvisories));
    } else {
        line(out, 1, loadString(ids::AdvisoriesHeading));
        for (const Advisory& advisory : f.advisories)
            line(out, 2,
                 std::string(advisoryCodeName(advisory.code)) + ": " + advisoryText(advisory));
    }
    if (!f.notes.empty()) {
        line(out, 1, loadString(ids::ShowNotesHeading));
        for (const std::string& note : f.notes)
            line(out, 2, note);
    }
}

// --- JSON -----------------------------------------------------------------------------------

Json certificateJson(const CertificateSummary& c) {
    Json j;
    j["subject"] = c.subject;
    j["issuer"] = c.issuer;
    j["validFrom"] = isoTime(c.validFrom);
    j["validUntil"] = isoTime(c.validUntil);
    j["keyType"] = c.keyType;
    j["keyBits"] = c.keyBits;
    j["signatureAlgorithm"] = c.signatureAlgorithm;
    j["serialNumber"] = c.serialNumber;
    j["sha256Fingerprint"] = c.sha256Fingerprint;
    return j;
}

Json entryJson(const EntryFacts& entry) {
    Json j;
    j["fileName"] = entry.fileName;
    j["format"] = entry.format;
    j["readable"] = !entry.certificates.empty();
    j["certificates"] = Json::array();
    for (const CertificateSummary& c : entry.certificates)
        j["certificates"].push_back(certificateJson(c));
    return j;
}

Json fileJson(const FileFacts& f, bool secrets) {
    Json j;
    j["file"] = f.path;
    if (!f.error.empty()) {
        j["error"] = f.error;
        return j;
    }
    j["kind"] = f.database ? "database" : "certificate";
    if (f.database) {
        j["database"] = {{"name", f.databaseName},
                         {"created", deviceDateText(f.created, true)},
                         {"modified", deviceDateText(f.modified, true)},
                         {"lastBackup",
                          f.lastBackup ? Json(deviceDateText(f.lastBackup, true)) : Json(nullptr)}};
        Json profile;
        profile["name"] = f.profileName;
        profile["outerProtocol"] = f.outerProtocol;
        profile["innerProtocol"] = f.innerProtocol.empty() ? Json(nullptr) : Json(f.innerProtocol);
        profile["initialIdentity"] = f.initialIdentity;
        profile["userName"] = f.username;
        profile["passwordSet"] = f.passwordSet;
        profile["privateKeyPasswordSet"] = f.privateKeyPasswordSet;
        if (secrets) {
            profile["password"] = f.password;
            profile["privateKeyPassword"] = f.privateKeyPassword;
        }
        j["profile"] = std::move(profile);
        j["caCertificates"] = Json::array();
        for (const EntryFacts& entry : f.caEntries)
            j["caCertificates"].push_back(entryJson(entry));
        j["clientCertificate"] = f.client ? entryJson(*f.client) : Json(nullptr);
    } else if (f.certificateFile) {
        j["certificate"] = entryJson(*f.certificateFile);
    }
    j["advisories"] = Json::array();
    for (const Advisory& a : f.advisories)
        j["advisories"].push_back(
            {{"code", advisoryCodeName(a.code)},
             {"certificate", a.certificate.empty() ? Json(nullptr) : Json(a.certificate)},
             {"text", a.text}});
    j["notes"] = f.notes;
    return j;
}

} // namespace

InspectParse parseInspectRequest(const std::vector<std::string>& words) {
    InspectParse parse;
    if (words.empty() || (words.front() != kShow && words.front() != kCheck))
        return parse;
    parse.matched = true;
    InspectRequest request;
    request.mode =
        words.front() == kShow ? InspectRequest::Mode::Show : InspectRequest::Mode::Check;
    bool options = true;
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (options && word == "--") {
            options = false;
        } else if (options && request.mode == InspectRequest::Mode::Show && word == "--json") {
            request.json = true;
        } else if (options && request.mode == InspectRequest::Mode::Show && word == "--secrets") {
            request.secrets = true;
        } else if (options && word.size() > 1 && word.starts_with("--")) {
            parse.error = fillFormat(loadString(ids::InspectUnknownOption), {word});
            return parse;
        } else {
            request.files.push_back(word);
        }
    }
    if (request.files.empty()) {
        parse.error = fillFormat(loadString(ids::InspectNoFiles), {words.front()});
        return parse;
    }
    parse.request = std::move(request);
    return parse;
}

int runInspect(const InspectRequest& request, std::string& out, std::string& err,
               const InspectEnvironment& environment) {
    bool unreadable = false;
    bool anyAdvisory = false;
    bool missedTrustStore = false;
    Json documents = Json::array();
    for (const std::string& path : request.files) {
        const FileFacts facts =
            examineFile(path, request.secrets, request.mode == InspectRequest::Mode::Show,
                        environment, missedTrustStore);
        if (!facts.error.empty()) {
            unreadable = true;
            err += fillFormat(loadString(ids::InspectFileError), {path, facts.error}) + "\n";
        }
        anyAdvisory = anyAdvisory || !facts.advisories.empty();
        if (request.mode == InspectRequest::Mode::Check) {
            for (const Advisory& advisory : facts.advisories)
                out += path + ": " + std::string(advisoryCodeName(advisory.code)) + ": " +
                       advisoryText(advisory) + "\n";
        } else if (request.json) {
            documents.push_back(fileJson(facts, request.secrets));
        } else if (facts.error.empty()) {
            if (!out.empty())
                out += '\n';
            showFile(out, facts);
        }
    }
    if (missedTrustStore)
        err += "corvane: " + noTrustStoreText(environment.trustStore()) + "\n";
    if (request.mode == InspectRequest::Mode::Show && request.json)
        out += documents.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    if (unreadable)
        return request.mode == InspectRequest::Mode::Check ? kCheckUnreadable : 1;
    if (request.mode == InspectRequest::Mode::Check && anyAdvisory)
        return kCheckAdvisories;
    return 0;
}

std::optional<int> runInspectionRequest(const std::vector<std::string>& arguments) {
    const std::vector<std::string> words = platform::splitArguments(arguments);
    if (words.empty() || (words.front() != kShow && words.front() != kCheck))
        return std::nullopt;
    // A script may have any name, even one of these options.
    if (platform::fileKind(commandLinePath(arguments)) != platform::FileKind::Missing)
        return std::nullopt;
    try {
        const InspectParse parse = parseInspectRequest(words);
        // Reports of the operations below are for this run's own output, never wizard.log.
        ReportPresenter* previous = setReportPresenter(nullptr);
        std::string out;
        std::string err = parse.error.empty() ? std::string() : parse.error + "\n";
        const int exitCode = parse.request ? runInspect(*parse.request, out, err) : 1;
        setReportPresenter(previous);
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fwrite(err.data(), 1, err.size(), stderr);
        return std::fflush(stdout) == 0 ? exitCode : 1;
    } catch (const std::bad_alloc&) {
        std::fputs("corvane: out of memory\n", stderr);
        return 1;
    }
}

} // namespace corvane
