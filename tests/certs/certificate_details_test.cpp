#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <openssl/asn1.h>
#include <openssl/x509.h>

#include "cert_test_support.h"
#include "certs/certificate_details.h"

namespace corvane {
namespace {

using test::loadX509;

struct NameFree {
    void operator()(X509_NAME* n) const { X509_NAME_free(n); }
};
using NameOwner = std::unique_ptr<X509_NAME, NameFree>;

NameOwner makeName(std::initializer_list<std::pair<const char*, std::string>> entries) {
    NameOwner name(X509_NAME_new());
    for (const auto& [field, value] : entries)
        X509_NAME_add_entry_by_txt(name.get(), field, MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(value.data()),
                                   static_cast<int>(value.size()), -1, 0);
    return name;
}

std::string subjectOf(const char* fixture) {
    auto cert = loadX509(fixture);
    return displayName(X509_get_subject_name(cert.get()), NameOrder::Subject);
}
std::string issuerOf(const char* fixture) {
    auto cert = loadX509(fixture);
    return displayName(X509_get_issuer_name(cert.get()), NameOrder::Issuer);
}

TEST(CertNameDisplay, CommonNameWinsWhereverItStandsInTheName) {
    // The CA's name lists O before CN.
    EXPECT_EQ(subjectOf("ca.pem"), "Corvane Test CA");
    EXPECT_EQ(issuerOf("ca.pem"), "Corvane Test CA");
}

TEST(CertNameDisplay, IssuerWithOrganisationAndUnitOnlyGivesTheOrganisation) {
    EXPECT_EQ(issuerOf("name-issuer-o-ou.pem"), "Issuer Org");
    EXPECT_EQ(subjectOf("name-issuer-o-ou.pem"), "Leaf Of Org CA");
}

TEST(CertNameDisplay, SurnameComesSecondForSubjectsAndLastForIssuers) {
    EXPECT_EQ(subjectOf("name-sn-o.pem"), "Surname");
    EXPECT_EQ(issuerOf("name-sn-o.pem"), "Surname Org");

    auto unitAndSurname = makeName({{"OU", "Unit"}, {"SN", "Family"}});
    EXPECT_EQ(displayName(unitAndSurname.get(), NameOrder::Subject), "Family");
    EXPECT_EQ(displayName(unitAndSurname.get(), NameOrder::Issuer), "Unit");
    auto surnameOnly = makeName({{"SN", "Family"}, {"C", "DE"}});
    EXPECT_EQ(displayName(surnameOnly.get(), NameOrder::Issuer), "Family");
}

TEST(CertNameDisplay, OrganisationalUnitAloneIsUsed) {
    EXPECT_EQ(subjectOf("name-ou-only.pem"), "Only Unit");
    EXPECT_EQ(issuerOf("name-ou-only.pem"), "Only Unit");
}

TEST(CertNameDisplay, EmptyValueIsPassedOverForTheNextOfItsType) {
    EXPECT_EQ(subjectOf("name-two-cn.pem"), "Second Name");
    EXPECT_EQ(issuerOf("name-two-cn.pem"), "Second Name");
}

TEST(CertNameDisplay, NameWithoutAnyOfTheFourTypesIsUnknown) {
    auto cert = loadX509("name-none.pem");
    DisplayNameBuffer buffer;
    buffer.fill('x');
    EXPECT_EQ(nameToDisplayText(X509_get_subject_name(cert.get()), NameOrder::Subject, buffer), 1);
    EXPECT_EQ(std::string(buffer.data()), "unknown");
    // The rest of the buffer is zero, not left over from before.
    for (std::size_t i = 7; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0) << i;
    EXPECT_EQ(nameToDisplayText(X509_get_issuer_name(cert.get()), NameOrder::Issuer, buffer), 1);
    EXPECT_EQ(nameToDisplayText(nullptr, NameOrder::Issuer, buffer), 1);
}

TEST(CertNameDisplay, FoundNameReturnsZero) {
    auto cert = loadX509("ca.pem");
    DisplayNameBuffer buffer;
    EXPECT_EQ(nameToDisplayText(X509_get_subject_name(cert.get()), NameOrder::Subject, buffer), 0);
}

TEST(CertNameDisplay, LongValueIsCutTo255Bytes) {
    std::string full;
    for (int i = 0; i < 30; ++i)
        full += "0123456789";
    auto cert = loadX509("name-long-cn.pem");
    DisplayNameBuffer buffer;
    buffer.fill('x');
    ASSERT_EQ(nameToDisplayText(X509_get_subject_name(cert.get()), NameOrder::Subject, buffer), 0);
    EXPECT_EQ(buffer[255], 0);
    EXPECT_EQ(std::string(buffer.data()), full.substr(0, 255));
}

TEST(CertNameDisplay, TwoByteStringStartingWithZeroIsPassedOver) {
    // The CN is a BMPString of Latin letters; the O that follows is plain.
    EXPECT_EQ(subjectOf("name-bmp-cn.pem"), "Plain Org");
    EXPECT_EQ(issuerOf("name-bmp-cn.pem"), "Plain Org");
}

TEST(CertNameDisplay, ValueBytesAreCopiedWithoutConversion) {
    EXPECT_EQ(subjectOf("name-latin1-cn.pem"), "Caf\xE9"); // T61String, Latin-1 byte
    EXPECT_EQ(subjectOf("name-utf8.pem"), "Caf\xC3\xA9");  // UTF8String
}

// --- times -----------------------------------------------------------------------------------

struct TimeFree {
    void operator()(ASN1_TIME* t) const { ASN1_TIME_free(t); }
};
using TimeOwner = std::unique_ptr<ASN1_TIME, TimeFree>;

// A time string of the given type exactly as written, without the library's own checks.
TimeOwner rawTime(int type, const std::string& text) {
    TimeOwner t(ASN1_STRING_type_new(type));
    ASN1_STRING_set(t.get(), text.data(), static_cast<int>(text.size()));
    return t;
}

SystemTime sentinel() {
    SystemTime s;
    s.year = 1111;
    s.month = 7;
    s.dayOfWeek = 3;
    s.day = 9;
    s.hour = 1;
    s.minute = 2;
    s.second = 3;
    s.milliseconds = 4;
    return s;
}

std::optional<SystemTime> convert(int type, const std::string& text) {
    SystemTime record = sentinel();
    auto t = rawTime(type, text);
    if (certificateTimeToSystemTime(t.get(), record) != 0) {
        EXPECT_EQ(record, sentinel()) << "a failed conversion must leave the record alone";
        return std::nullopt;
    }
    return record;
}

SystemTime at(int y, int mo, int d, int h, int mi, int s) {
    SystemTime t;
    t.year = static_cast<std::uint16_t>(y);
    t.month = static_cast<std::uint16_t>(mo);
    t.day = static_cast<std::uint16_t>(d);
    t.hour = static_cast<std::uint16_t>(h);
    t.minute = static_cast<std::uint16_t>(mi);
    t.second = static_cast<std::uint16_t>(s);
    return t;
}

TEST(CertTime, UtcTimeCenturyTurnsAtFifty) {
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "491231235959Z"), at(2049, 12, 31, 23, 59, 59));
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "500101000000Z"), at(1950, 1, 1, 0, 0, 0));
}

TEST(CertTime, SecondsAreOptional) {
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "0601010000Z"), at(2006, 1, 1, 0, 0, 0));
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "0601010000+0100"), at(2006, 1, 1, 0, 0, 0));
    EXPECT_EQ(convert(V_ASN1_GENERALIZEDTIME, "208101010203Z"), at(2081, 1, 1, 2, 3, 0));
}

TEST(CertTime, GeneralizedTimeCarriesItsOwnCentury) {
    EXPECT_EQ(convert(V_ASN1_GENERALIZEDTIME, "20810101000000Z"), at(2081, 1, 1, 0, 0, 0));
    EXPECT_EQ(convert(V_ASN1_GENERALIZEDTIME, "19491231235959.999Z"), at(1949, 12, 31, 23, 59, 59));
}

TEST(CertTime, DayAndTimeAreTakenWithoutRangeChecks) {
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "4902314599Z"), at(2049, 2, 31, 45, 99, 0));
}

TEST(CertTime, BadMonthLeavesTheRecordUnchanged) {
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "491331235959Z"), std::nullopt);
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "490031235959Z"), std::nullopt);
    EXPECT_EQ(convert(V_ASN1_GENERALIZEDTIME, "20491301000000Z"), std::nullopt);
}

TEST(CertTime, ShortOrNonDigitTextFails) {
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "490131235"), std::nullopt);
    EXPECT_EQ(convert(V_ASN1_UTCTIME, "49013123x5Z"), std::nullopt);
    EXPECT_EQ(convert(V_ASN1_UTCTIME, ""), std::nullopt);
    // Twelve characters are needed when the year has four digits.
    EXPECT_EQ(convert(V_ASN1_GENERALIZEDTIME, "20490131235"), std::nullopt);
    EXPECT_EQ(convert(V_ASN1_GENERALIZEDTIME, "2049013123aa00Z"), std::nullopt);
    SystemTime record = sentinel();
    EXPECT_EQ(certificateTimeToSystemTime(nullptr, record), 1);
    EXPECT_EQ(record, sentinel());
}

// --- dates for display -----------------------------------------------------------------------

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnv {
public:
    ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> vars) {
        for (const auto& [name, value] : vars) {
            const char* old = std::getenv(name);
            saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
            setenv(name, value, 1);
        }
        tzset();
    }
    ~ScopedEnv() {
        for (const auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        tzset();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// The C locale's short date of a calendar day.
std::string cShortDate(int year, int month, int day) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    char text[64];
    std::size_t n = std::strftime(text, sizeof text, "%x", &t);
    return std::string(text, n);
}

TEST(CertDate, EndOfPeriodShowsInLocalTime) {
    ScopedEnv env{{"LC_ALL", "C"}, {"TZ", "<-01>1"}}; // one hour behind UTC
    EXPECT_EQ(formatCertificateDate(at(2008, 1, 1, 0, 30, 0)), cShortDate(2007, 12, 31));
    EXPECT_EQ(formatCertificateDate(at(2008, 1, 1, 1, 0, 0)), cShortDate(2008, 1, 1));
}

TEST(CertDate, ZoneAheadOfUtcMovesToTheNextDay) {
    ScopedEnv env{{"LC_ALL", "C"}, {"TZ", "<+02>-2"}};
    EXPECT_EQ(formatCertificateDate(at(2049, 12, 31, 22, 0, 0)), "01/01/2050");
    EXPECT_EQ(formatCertificateDate(at(2049, 12, 31, 21, 59, 59)), cShortDate(2049, 12, 31));
}

TEST(CertDate, YearsATwoDigitYearWouldMisreadAreWrittenWhole) {
    ScopedEnv env{{"LC_ALL", "C"}, {"TZ", "UTC0"}};
    EXPECT_EQ(formatCertificateDate(at(2126, 11, 14, 17, 20, 5)), "11/14/2126");
    EXPECT_EQ(formatCertificateDate(at(1949, 12, 31, 0, 0, 0)), "12/31/1949");
    EXPECT_EQ(formatCertificateDate(at(2049, 12, 31, 0, 0, 0)), "12/31/49");
    EXPECT_EQ(formatCertificateDate(at(1950, 1, 1, 0, 0, 0)), "01/01/50");
}

TEST(CertDate, UtcZoneShowsTheSameDay) {
    ScopedEnv env{{"LC_ALL", "C"}, {"TZ", "UTC0"}};
    EXPECT_EQ(formatCertificateDate(at(2008, 1, 1, 0, 30, 0)), cShortDate(2008, 1, 1));
}

// --- describe --------------------------------------------------------------------------------

SystemTime fromLibrary(const ASN1_TIME* t) {
    std::tm broken{};
    EXPECT_EQ(ASN1_TIME_to_tm(t, &broken), 1);
    return at(broken.tm_year + 1900, broken.tm_mon + 1, broken.tm_mday, broken.tm_hour,
              broken.tm_min, broken.tm_sec);
}

TEST(CertDescribe, FillsNamesAndValidityDates) {
    struct Case {
        const char* fixture;
        const char* subject;
        const char* issuer;
    };
    for (const Case& c : {Case{"ca.pem", "Corvane Test CA", "Corvane Test CA"},
                          Case{"future.pem", "Future Server", "Corvane Test CA"},
                          Case{"name-sn-o.pem", "Surname", "Surname Org"}}) {
        SCOPED_TRACE(c.fixture);
        auto cert = loadX509(c.fixture);
        CertificateEntry entry;
        entry.subject.assign("old subject");
        describeCertificate(cert.get(), entry);
        EXPECT_EQ(entry.subject.str(), c.subject);
        EXPECT_EQ(entry.issuer.str(), c.issuer);
        EXPECT_EQ(entry.notBefore, fromLibrary(X509_get0_notBefore(cert.get())));
        EXPECT_EQ(entry.notAfter, fromLibrary(X509_get0_notAfter(cert.get())));
    }
}

TEST(CertDescribe, FixedDatesOfTheDatedFixtures) {
    auto expired = loadX509("expired.pem");
    CertificateEntry entry;
    describeCertificate(expired.get(), entry);
    EXPECT_EQ(entry.notBefore, at(2000, 1, 1, 0, 0, 0));
    EXPECT_EQ(entry.notAfter, at(2001, 1, 1, 0, 0, 0));
    EXPECT_EQ(entry.subject.str(), "Expired Server");
    EXPECT_EQ(entry.issuer.str(), "Corvane Test CA");
    auto future = loadX509("future.pem");
    describeCertificate(future.get(), entry);
    EXPECT_EQ(entry.notBefore, at(2081, 1, 1, 0, 0, 0));
    EXPECT_EQ(entry.notAfter, at(2082, 1, 1, 0, 0, 0));
}

} // namespace
} // namespace corvane
