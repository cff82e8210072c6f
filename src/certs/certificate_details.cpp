#include "certs/certificate_details.h"

#include <cstring>

#include "platform/local_time.h"

namespace corvane {

namespace {

constexpr std::array<int, 4> kSubjectOrder{NID_commonName, NID_surname, NID_organizationName,
                                           NID_organizationalUnitName};
constexpr std::array<int, 4> kIssuerOrder{NID_commonName, NID_organizationName,
                                          NID_organizationalUnitName, NID_surname};
constexpr std::string_view kUnknownName = "unknown";

bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

int twoDigits(const unsigned char* p) {
    return (p[0] - '0') * 10 + (p[1] - '0');
}

} // namespace

int nameToDisplayText(const X509_NAME* name, NameOrder order, DisplayNameBuffer& buffer) {
    buffer.fill(0);
    const auto& nids = order == NameOrder::Subject ? kSubjectOrder : kIssuerOrder;
    if (name != nullptr) {
        for (int nid : nids) {
            for (int index = X509_NAME_get_index_by_NID(name, nid, -1); index >= 0;
                 index = X509_NAME_get_index_by_NID(name, nid, index)) {
                const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, index);
                const ASN1_STRING* value = entry ? X509_NAME_ENTRY_get_data(entry) : nullptr;
                const unsigned char* bytes = value ? ASN1_STRING_get0_data(value) : nullptr;
                int length = value ? ASN1_STRING_length(value) : 0;
                // The value's bytes are shown as they stand: one whose first byte is zero (a
                // two-byte string of Latin letters) would show as nothing, so it is passed over.
                if (bytes == nullptr || length <= 0 || bytes[0] == 0)
                    continue;
                std::size_t count =
                    std::min<std::size_t>(static_cast<std::size_t>(length), buffer.size() - 1);
                std::memcpy(buffer.data(), bytes, count);
                return 0;
            }
        }
    }
    std::memcpy(buffer.data(), kUnknownName.data(), kUnknownName.size());
    return 1;
}

std::string displayName(const X509_NAME* name, NameOrder order) {
    DisplayNameBuffer buffer;
    nameToDisplayText(name, order, buffer);
    return std::string(buffer.data());
}

int certificateTimeToSystemTime(const ASN1_TIME* time, SystemTime& record) {
    if (time == nullptr)
        return 1;
    const unsigned char* text = ASN1_STRING_get0_data(time);
    int length = ASN1_STRING_length(time);
    if (text == nullptr)
        return 1;
    const bool generalized = ASN1_STRING_type(time) == V_ASN1_GENERALIZEDTIME;
    const int required = generalized ? 12 : 10;
    if (length < required)
        return 1;
    for (int i = 0; i < required; ++i)
        if (!isDigit(text[i]))
            return 1;

    SystemTime result;
    const unsigned char* p = text;
    if (generalized) {
        result.year = static_cast<std::uint16_t>(twoDigits(p) * 100 + twoDigits(p + 2));
        p += 4;
    } else {
        int yy = twoDigits(p);
        result.year = static_cast<std::uint16_t>(yy < 50 ? 2000 + yy : 1900 + yy);
        p += 2;
    }
    int month = twoDigits(p);
    if (month < 1 || month > 12)
        return 1;
    result.month = static_cast<std::uint16_t>(month);
    result.day = static_cast<std::uint16_t>(twoDigits(p + 2));
    result.hour = static_cast<std::uint16_t>(twoDigits(p + 4));
    result.minute = static_cast<std::uint16_t>(twoDigits(p + 6));
    p += 8;
    const unsigned char* end = text + length;
    if (end - p >= 2 && isDigit(p[0]) && isDigit(p[1]))
        result.second = static_cast<std::uint16_t>(twoDigits(p));
    record = result;
    return 0;
}

std::string formatCertificateDate(const SystemTime& utc) {
    // Days since 1970-01-01 of the civil date (proleptic Gregorian calendar).
    const std::int64_t y = static_cast<std::int64_t>(utc.year) - (utc.month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t monthFromMarch = (utc.month + 9) % 12;
    const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + utc.day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t days = era * 146097 + dayOfEra - 719468;
    return platform::localShortDate(days * 86400 + utc.hour * 3600 + utc.minute * 60 + utc.second);
}

void describeCertificate(const X509* certificate, CertificateEntry& entry) {
    entry.subject.assign(displayName(X509_get_subject_name(certificate), NameOrder::Subject));
    entry.issuer.assign(displayName(X509_get_issuer_name(certificate), NameOrder::Issuer));
    certificateTimeToSystemTime(X509_get0_notBefore(certificate), entry.notBefore);
    certificateTimeToSystemTime(X509_get0_notAfter(certificate), entry.notAfter);
}

} // namespace corvane
