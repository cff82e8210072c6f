#pragma once

#include <cstdint>

namespace corvane {

// The result of every profile, storage and certificate operation. The numbers are fixed: they
// are shared with the string table and the front ends.
enum class StatusCode : std::uint16_t {
    Success = 0,
    Failure = 1, // generic failure of the container and buffer layers
    FileNotFound = 1,
    OutOfMemory = 2,
    WriteFailed = 3,
    VersionNotSupported = 5,
    Malformed = 6,
    NotProfileDatabase = 7,
    RecordTooLarge = 8,
    NameEmpty = 9,
    TextTooLong = 10,
    NameNotAscii = 11,
    BadAuthProtocol = 12,
    BadInnerProtocol = 13,
    CaCertificateRequired = 14,
    ClientCertificateRequired = 15,
    Pkcs12Unreadable = 51,
    WrongPassword = 52,
    CertificateUnreadable = 53,
    NotYetValid = 54,
    Expired = 55,
    NoCertificate = 56,
    NoPrivateKey = 57,
    PemCaUnreadable = 58,
    ReaderFailed = 59,
    AddFailed = 100,
    UnknownFormat = 101,
    CaFormatNotSupported = 102,
    ClientFormatNotSupported = 103,
    ReadFailed = 104,
    AlreadyInList = 105,
};

constexpr std::uint16_t toNumber(StatusCode s) {
    return static_cast<std::uint16_t>(s);
}

// False for the warnings that let a command go on (not yet valid, expired, already listed).
bool isFatalStatus(StatusCode status);

// String id of the text that reports a status.
unsigned statusTextId(StatusCode status);

} // namespace corvane
