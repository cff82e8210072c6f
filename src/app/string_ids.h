#pragma once

// String ids used by the code. The numbers are shared with every resource module.
namespace corvane::ids {

enum : unsigned {
    // Protocol names.
    EapTls = 1,
    EapTtls = 2,
    EapPeap = 3,
    Leap = 4,
    Pap = 5,
    Chap = 6,
    Mschap = 7,
    MschapV2 = 8,
    EapGtc = 9,
    EapMd5Challenge = 10,
    EapMschapV2 = 11,
    Gtc = 12,
    Md5Challenge = 13,

    // Script runner formats and messages.
    LineErrorFormat = 20,
    LineUsageFormat = 21,
    NamedFormat = 22,
    UnknownCommand = 23,
    LoadFailed = 24,
    SaveFailed = 25,
    BadAuthType = 26,
    BadInnerAuthType = 27,
    AddCaFailed = 29,
    RemoveCaFailed = 30,
    SetClientFailed = 31,
    RequiresWindowsNt = 33,
    NameTooShort = 34,
    TextTooLongText = 35,
    InvalidFieldCaption = 36,
    NameNotAsciiText = 37,
    ClientRequiredText = 38,
    CertificateRequiredCaption = 39,
    SaveProfileFailed = 40,
    OpenProfileFailed = 41,
    NotProfileDatabaseText = 42,
    CaRequiredText = 43,
    CertificateTooLargeText = 44,
    OpenScriptFailed = 45,

    ProgramTitle = 171,
    WindowTitle = 172,
    SavedProfileDatabase = 174,

    // Script command words and usage texts.
    FirstCommandWord = 200,
    FirstUsageText = 220,

    // Report captions and texts.
    AddCertificateFailedCaption = 235,
    AlreadyInListText = 236,
    ValidateFailedText = 237,
    WrongPasswordText = 238,
    NotYetValidText = 239,
    ExpiredText = 240,
    NoCertificateText = 241,
    NoPrivateKeyText = 242,
    ClientValidationCaption = 243,
    UnknownFormatText = 244,
    CaFormatText = 245,
    ClientFormatText = 246,
    AddFailedText = 247,
    CaValidationCaption = 248,
    FileDoesNotExist = 250,

    // Command-line help.
    UsageText = 900,
    UsageCommandsText = 901,
    UsageFilesText = 902,
};

} // namespace corvane::ids
