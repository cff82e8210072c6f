#include "storage/profile_records.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <string_view>

#include "storage/byte_order.h"

namespace corvane {

namespace {

namespace tags {
constexpr std::uint32_t Trgt = fourCharCode("Trgt");
constexpr std::uint32_t Auth = fourCharCode("Auth");
constexpr std::uint32_t Tunl = fourCharCode("Tunl");
constexpr std::uint32_t Usrn = fourCharCode("Usrn");
constexpr std::uint32_t Pswd = fourCharCode("Pswd");
constexpr std::uint32_t Idnt = fourCharCode("Idnt");
constexpr std::uint32_t PKPs = fourCharCode("PKPs");
constexpr std::uint32_t SFln = fourCharCode("SFln");
constexpr std::uint32_t Subj = fourCharCode("Subj");
constexpr std::uint32_t Issr = fourCharCode("Issr");
constexpr std::uint32_t NBfr = fourCharCode("NBfr");
constexpr std::uint32_t NAft = fourCharCode("NAft");
constexpr std::uint32_t CDta = fourCharCode("CDta");
constexpr std::uint32_t CFmt = fourCharCode("CFmt");
constexpr std::uint32_t PKPR = fourCharCode("PKPR");
} // namespace tags

constexpr std::uint32_t kMainRecordFormat = 1;
constexpr std::uint8_t kScrambleMultiplier = 0x9B;
constexpr std::uint8_t kScrambleKey = 0xC6;
constexpr std::size_t kNameCopyLimit = 27; // byte 31 is then cut to NUL: 26 characters remain

// ---- Encoding: every writer returns the position after what it wrote. ----

std::size_t putFieldHeader(std::uint32_t tag, std::uint32_t length, std::uint8_t* buffer,
                           std::size_t position) {
    position += putLe32(tag, buffer, position);
    return position + putLe32(length, buffer, position);
}

std::size_t putRawBytes(const void* bytes, std::size_t n, std::uint8_t* buffer,
                        std::size_t position) {
    if (buffer && n > 0)
        std::memcpy(buffer + position, bytes, n);
    return position + n;
}

std::size_t putWordField(std::uint32_t tag, std::uint32_t value, std::uint8_t* buffer,
                         std::size_t position) {
    position = putFieldHeader(tag, 4, buffer, position);
    return position + putLe32(value, buffer, position);
}

std::size_t putByteField(std::uint32_t tag, std::uint8_t value, std::uint8_t* buffer,
                         std::size_t position) {
    position = putFieldHeader(tag, 1, buffer, position);
    return position + putLe8(value, buffer, position);
}

// The characters and a NUL; an empty text writes no field at all. The length comes from the
// character count, so a scrambled character that happens to be 00 is written like any other.
std::size_t putTextField(std::uint32_t tag, const CountedString& text, bool scrambled,
                         std::uint8_t* buffer, std::size_t position) {
    if (text.empty())
        return position;
    const std::uint32_t count = text.length();
    position = putFieldHeader(tag, count + 1, buffer, position);
    std::size_t charsAt = position;
    position = putRawBytes(text.view().data(), count, buffer, position);
    if (buffer && scrambled)
        scrambleBytes(buffer + charsAt, count, 0, count); // only the copy in the record
    return position + putLe8(0, buffer, position);
}

std::size_t putDateField(std::uint32_t tag, const SystemTime& date, std::uint8_t* buffer,
                         std::size_t position) {
    position = putFieldHeader(tag, 4, buffer, position);
    position += putLe16(date.year, buffer, position);
    position += putLe8(date.month, buffer, position);
    return position + putLe8(date.day, buffer, position);
}

// ---- Decoding: a cursor that never moves past the end of its record. ----

class FieldReader {
public:
    FieldReader(const std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool atEnd() const { return position_ >= size_; }
    bool take(std::size_t n, const std::uint8_t*& out) {
        if (n > size_ - position_)
            return false;
        out = bytes_ + position_;
        position_ += n;
        return true;
    }
    bool skip(std::size_t n) {
        const std::uint8_t* ignored = nullptr;
        return take(n, ignored);
    }
    bool word(std::uint32_t& value) {
        const std::uint8_t* p = nullptr;
        if (!take(4, p))
            return false;
        value = getLe32(p);
        return true;
    }
    bool byte(std::uint8_t& value) {
        const std::uint8_t* p = nullptr;
        if (!take(1, p))
            return false;
        value = *p;
        return true;
    }
    // A fixed-size value: its stored length is skipped, not trusted.
    bool fixedWord(std::uint32_t& value) { return skip(4) && word(value); }
    bool fixedByte(std::uint8_t& value) { return skip(4) && byte(value); }
    // A text of stored length L holds L - 1 characters and a terminator, which is not checked.
    // L = 0 leaves no room for the terminator and is malformed.
    bool text(std::string_view& chars) {
        std::uint32_t length = 0;
        const std::uint8_t* p = nullptr;
        if (!word(length) || length == 0 || !take(length, p))
            return false;
        chars = std::string_view(reinterpret_cast<const char*>(p), length - 1);
        return true;
    }
    bool block(const std::uint8_t*& bytes, std::size_t& n) {
        std::uint32_t length = 0;
        if (!word(length) || !take(length, bytes))
            return false;
        n = length;
        return true;
    }
    bool date(SystemTime& value) {
        const std::uint8_t* p = nullptr;
        if (!skip(4) || !take(4, p))
            return false;
        value = SystemTime{};
        value.year = getLe16(p);
        value.month = p[2];
        value.day = p[3];
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// CountedString swallows an allocation failure; tell it apart from an empty text.
StatusCode assignText(CountedString& field, std::string_view text) {
    field.assign(text);
    return !text.empty() && field.empty() ? StatusCode::OutOfMemory : StatusCode::Success;
}

StatusCode assignScrambledText(CountedString& field, std::string_view stored) {
    std::string plain(stored);
    scrambleBytes(reinterpret_cast<std::uint8_t*>(plain.data()), plain.size(), 0,
                  static_cast<std::uint32_t>(plain.size()));
    return assignText(field, plain);
}

StatusCode decodeMainRecord(Profile& profile, const std::uint8_t* bytes, std::size_t length) {
    FieldReader reader(bytes, length);
    std::uint32_t format = 0;
    if (!reader.word(format))
        return StatusCode::Malformed;
    if (format > kMainRecordFormat)
        return StatusCode::VersionNotSupported;
    while (!reader.atEnd()) {
        std::uint32_t tag = 0;
        std::string_view text;
        StatusCode status = StatusCode::Success;
        if (!reader.word(tag))
            return StatusCode::Malformed;
        switch (tag) {
        case tags::Trgt:
            if (!reader.fixedWord(profile.targetCode))
                return StatusCode::Malformed;
            break;
        case tags::Auth:
            if (!reader.fixedByte(profile.authProtocol))
                return StatusCode::Malformed;
            break;
        case tags::Tunl:
            if (!reader.fixedByte(profile.innerAuthProtocol))
                return StatusCode::Malformed;
            break;
        case tags::Usrn:
        case tags::Pswd:
        case tags::PKPs:
            if (!reader.text(text))
                return StatusCode::Malformed;
            status = assignScrambledText(tag == tags::Usrn   ? profile.username
                                         : tag == tags::Pswd ? profile.password
                                                             : profile.privateKeyPassword,
                                         text);
            break;
        case tags::Idnt:
            if (!reader.text(text))
                return StatusCode::Malformed;
            status = assignText(profile.initialIdentity, text);
            break;
        default:
            return StatusCode::Malformed;
        }
        if (status != StatusCode::Success)
            return status;
    }
    return StatusCode::Success;
}

StatusCode decodeCertificateFields(CertificateEntry& entry, const std::uint8_t* bytes,
                                   std::size_t length) {
    FieldReader reader(bytes, length);
    while (!reader.atEnd()) {
        std::uint32_t tag = 0;
        std::string_view text;
        const std::uint8_t* data = nullptr;
        std::size_t dataLength = 0;
        std::uint8_t format = 0;
        StatusCode status = StatusCode::Success;
        if (!reader.word(tag))
            return StatusCode::Malformed;
        switch (tag) {
        case tags::SFln:
        case tags::Subj:
        case tags::Issr:
            if (!reader.text(text))
                return StatusCode::Malformed;
            status = assignText(tag == tags::SFln   ? entry.fileName
                                : tag == tags::Subj ? entry.subject
                                                    : entry.issuer,
                                text);
            break;
        case tags::NBfr:
            if (!reader.date(entry.notBefore))
                return StatusCode::Malformed;
            break;
        case tags::NAft:
            if (!reader.date(entry.notAfter))
                return StatusCode::Malformed;
            break;
        case tags::CDta:
            if (!reader.block(data, dataLength))
                return StatusCode::Malformed;
            if (entry.bytes.assign(data, dataLength) != 0)
                return StatusCode::OutOfMemory;
            break;
        case tags::CFmt:
            if (!reader.fixedByte(format))
                return StatusCode::Malformed;
            entry.format = static_cast<CertificateFormat>(format);
            break;
        case tags::PKPR:
            // Whether a password is needed is learnt again when the entry is next checked.
            if (!reader.fixedByte(format))
                return StatusCode::Malformed;
            break;
        default:
            return StatusCode::Malformed;
        }
        if (status != StatusCode::Success)
            return status;
    }
    return StatusCode::Success;
}

StatusCode decodeRecords(Profile& profile, const RecordDatabase& database) {
    profile.reset(false);

    // The first five characters stand for the creator and an underscore; they are not checked.
    // Five alone is what a profile without a name is saved under, so it loads with an empty
    // name: a file the program wrote must open again.
    const auto nameEnd = std::find(database.name.begin(), database.name.end(), '\0');
    const auto nameLength = static_cast<std::size_t>(nameEnd - database.name.begin());
    if (nameLength < 5)
        return StatusCode::Malformed;
    StatusCode status =
        assignText(profile.profileName, std::string_view(database.name.data() + 5, nameLength - 5));
    if (status != StatusCode::Success)
        return status;

    const RecordEntry* main = database.recordAt(0);
    if (!main)
        return StatusCode::Malformed;
    status = decodeMainRecord(profile, main->data.data(), main->length());
    if (status != StatusCode::Success)
        return status;

    // Records 1 and 2 of a single byte (or none) stand for an absent certificate and block.
    const RecordEntry* client = database.recordAt(1);
    if (!client)
        return StatusCode::Malformed;
    if (client->length() > 1) {
        auto entry = std::make_unique<CertificateEntry>();
        entry->kind = CertificateKind::ClientCertificate;
        status = decodeCertificateRecord(*entry, client->data.data(), client->length());
        if (status != StatusCode::Success)
            return status;
        profile.clientCertificate = std::move(entry);
    }

    const RecordEntry* key = database.recordAt(2);
    if (!key)
        return StatusCode::Malformed;
    if (key->length() > 1) {
        if (profile.clientKeyBlock.assignFrom(key->data) != 0)
            return StatusCode::OutOfMemory;
        scrambleBytes(profile.clientKeyBlock.data(), profile.clientKeyBlock.size(), 0,
                      profile.clientKeyBlock.size());
    }

    // Refused before any entry is made for them, so the records cannot multiply the memory a
    // file takes.
    if (database.recordCount() - 3 > kMaxCaCertificates)
        return StatusCode::Malformed;
    for (std::uint32_t i = 3; i < database.recordCount(); ++i) {
        const RecordEntry* record = database.recordAt(i);
        auto entry = std::make_unique<CertificateEntry>();
        entry->kind = CertificateKind::CaCertificate;
        status = decodeCertificateRecord(*entry, record->data.data(), record->length());
        if (status != StatusCode::Success)
            return status;
        // A CA entry is its certificate; one without it is no entry a save ever wrote.
        if (entry->bytes.empty())
            return StatusCode::Malformed;
        if (!profile.caCertificates.append(entry))
            return StatusCode::OutOfMemory;
    }

    profile.keptHeader.copyHeader(database);
    profile.keptHeader.headerValid = true;
    return StatusCode::Success;
}

// ---- Saving ----

void rebuildDatabaseName(RecordDatabase& database, const CountedString& profileName) {
    std::array<char, 32> name{};
    for (int i = 0; i < 4; ++i)
        name[i] = static_cast<char>(database.creator >> (24 - 8 * i));
    name[4] = '_';
    std::string_view text = profileName.view();
    text = text.substr(0, std::min({text.find('\0'), text.size(), kNameCopyLimit}));
    std::copy(text.begin(), text.end(), name.begin() + 5);
    name[31] = '\0';
    database.name = name;
}

StatusCode appendRecord(RecordDatabase& database, std::unique_ptr<RecordEntry>& entry) {
    entry->attributes = kProfileRecordAttributes;
    return database.appendRecord(entry) ? StatusCode::Success : StatusCode::OutOfMemory;
}

StatusCode makeAbsentRecord(std::unique_ptr<RecordEntry>& entry) {
    static constexpr std::uint8_t kAbsent = 0;
    return entry->data.assign(&kAbsent, 1) == 0 ? StatusCode::Success : StatusCode::OutOfMemory;
}

StatusCode makeCertificateRecord(const CertificateEntry& certificate,
                                 std::unique_ptr<RecordEntry>& entry) {
    const std::size_t size = encodeCertificateRecord(certificate, nullptr, 0);
    if (size > kMaxCertificateRecordSize)
        return StatusCode::RecordTooLarge;
    if (entry->data.resize(size) != 0)
        return StatusCode::OutOfMemory;
    encodeCertificateRecord(certificate, entry->data.data(), 0);
    return StatusCode::Success;
}

// Builds every record before the file is touched, so a record over the limit or a lack of
// memory leaves any existing file as it is. The profile changes only after a good write.
StatusCode saveRecords(Profile& profile) {
    RecordDatabase database;
    const std::uint32_t now = toDeviceTime(std::time(nullptr));
    if (profile.keptHeader.headerValid) {
        database.copyHeader(profile.keptHeader);
    } else {
        database.attributes = kNewDatabaseAttributes;
        database.version = 1;
        database.creationDate = now;
        database.type = kProfileDatabaseType;
        database.creator = kProfileDatabaseCreator;
    }
    database.modificationDate = now;
    rebuildDatabaseName(database, profile.profileName);

    const bool allowsClient = profile.fieldMask & AllowsClientCertificate;
    StatusCode status = StatusCode::Success;

    auto main = std::make_unique<RecordEntry>();
    if (main->data.resize(encodeMainRecord(profile, nullptr, 0)) != 0)
        return StatusCode::OutOfMemory;
    encodeMainRecord(profile, main->data.data(), 0);
    if ((status = appendRecord(database, main)) != StatusCode::Success)
        return status;

    auto client = std::make_unique<RecordEntry>();
    status = profile.clientCertificate && allowsClient
                 ? makeCertificateRecord(*profile.clientCertificate, client)
                 : makeAbsentRecord(client);
    if (status != StatusCode::Success ||
        (status = appendRecord(database, client)) != StatusCode::Success)
        return status;

    auto key = std::make_unique<RecordEntry>();
    if (!profile.clientKeyBlock.empty() && allowsClient) {
        if (profile.clientKeyBlock.size() > kMaxCertificateRecordSize)
            return StatusCode::RecordTooLarge;
        if (key->data.assignFrom(profile.clientKeyBlock) != 0)
            return StatusCode::OutOfMemory;
        scrambleBytes(key->data.data(), key->length(), 0, key->length());
    } else if ((status = makeAbsentRecord(key)) != StatusCode::Success) {
        return status;
    }
    if ((status = appendRecord(database, key)) != StatusCode::Success)
        return status;

    if (profile.fieldMask & UsesCaCertificates) {
        for (const auto& certificate : profile.caCertificates) {
            auto record = std::make_unique<RecordEntry>();
            if ((status = makeCertificateRecord(*certificate, record)) != StatusCode::Success ||
                (status = appendRecord(database, record)) != StatusCode::Success)
                return status;
        }
    }

    if (database.writeDatabase(profile.filePath.str()) != StatusCode::Success)
        return StatusCode::WriteFailed;

    profile.modified = false;
    profile.keptHeader.copyHeader(database);
    profile.keptHeader.headerValid = true;
    return StatusCode::Success;
}

} // namespace

void scrambleBytes(std::uint8_t* bytes, std::size_t count, std::uint32_t start,
                   std::uint32_t seed) {
    for (std::size_t i = 0; i < count; ++i) {
        // Only the low eight bits of every quantity take part.
        const auto step = static_cast<std::uint32_t>(start + i) * kScrambleMultiplier;
        bytes[i] ^=
            static_cast<std::uint8_t>(kScrambleKey ^ static_cast<std::uint8_t>(seed - step));
    }
}

std::size_t encodeMainRecord(const Profile& profile, std::uint8_t* buffer, std::size_t position) {
    const std::uint8_t mask = profile.fieldMask;
    position += putLe32(kMainRecordFormat, buffer, position);
    position = putWordField(tags::Trgt, profile.targetCode, buffer, position);
    position = putByteField(tags::Auth, profile.authProtocol, buffer, position);
    if (mask & UsesInnerProtocol)
        position = putByteField(tags::Tunl, profile.innerAuthProtocol, buffer, position);
    position = putTextField(tags::Usrn, profile.username, true, buffer, position);
    if (mask & UsesPassword)
        position = putTextField(tags::Pswd, profile.password, true, buffer, position);
    if (mask & UsesInitialIdentity)
        position = putTextField(tags::Idnt, profile.initialIdentity, false, buffer, position);
    if (mask & UsesPrivateKeyPassword)
        position = putTextField(tags::PKPs, profile.privateKeyPassword, true, buffer, position);
    return position;
}

std::size_t encodeCertificateRecord(const CertificateEntry& entry, std::uint8_t* buffer,
                                    std::size_t position) {
    position = putTextField(tags::SFln, entry.fileName, false, buffer, position);
    position = putTextField(tags::Subj, entry.subject, false, buffer, position);
    position = putTextField(tags::Issr, entry.issuer, false, buffer, position);
    position = putDateField(tags::NBfr, entry.notBefore, buffer, position);
    position = putDateField(tags::NAft, entry.notAfter, buffer, position);
    if (!entry.bytes.empty()) {
        position = putFieldHeader(tags::CDta, entry.bytes.size(), buffer, position);
        position = putRawBytes(entry.bytes.data(), entry.bytes.size(), buffer, position);
        position =
            putByteField(tags::CFmt, static_cast<std::uint8_t>(entry.format), buffer, position);
    }
    if (entry.passwordRequired)
        position = putByteField(tags::PKPR, 1, buffer, position);
    return position;
}

StatusCode decodeCertificateRecord(CertificateEntry& entry, const std::uint8_t* bytes,
                                   std::size_t length) {
    try {
        return decodeCertificateFields(entry, bytes, length);
    } catch (const std::bad_alloc&) {
        return StatusCode::OutOfMemory;
    }
}

StatusCode decodeProfileDatabase(Profile& profile, const RecordDatabase& database) {
    try {
        return decodeRecords(profile, database);
    } catch (const std::bad_alloc&) {
        return StatusCode::OutOfMemory;
    }
}

StatusCode Profile::loadProfileDatabase() {
    try {
        // The type and creator are checked before the file is read whole.
        std::uint32_t type = 0;
        std::uint32_t creator = 0;
        if (readTypeAndCreator(filePath.str(), &type, &creator) != StatusCode::Success)
            return StatusCode::FileNotFound;
        if (type != kProfileDatabaseType || creator != kProfileDatabaseCreator)
            return StatusCode::NotProfileDatabase;
        RecordDatabase database;
        if (database.readDatabase(filePath.str()) != StatusCode::Success)
            return StatusCode::FileNotFound;
        return decodeProfileDatabase(*this, database);
    } catch (const std::bad_alloc&) {
        return StatusCode::OutOfMemory;
    }
}

StatusCode Profile::saveProfileDatabase() {
    try {
        return saveRecords(*this);
    } catch (const std::bad_alloc&) {
        return StatusCode::OutOfMemory;
    }
}

} // namespace corvane
