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

    // Window texts.
    RemoveCertificateText = 150,
    RemoveCertificateCaption = 151,
    SubjectHeading = 153,
    IssuerHeading = 154,
    ValidUntilHeading = 156,
    AddCaCertificateTitle = 157,
    CertificateFilesFilter = 158,
    SetClientCertificateTitle = 159,
    ClearClientText = 160,
    ClearClientCaption = 161,
    SaveBeforeNewText = 162,
    SaveChangesCaption = 163,
    SaveBeforeOpenText = 164,
    OpenProfileDatabaseTitle = 165,
    ProfileDatabasesFilter = 166,
    SaveProfileDatabaseTitle = 167,
    SaveBeforeExitText = 168,
    Untitled = 169,
    FilenameHeading = 170,
    ProgramTitle = 171,
    WindowTitle = 172,
    NotSpecified = 173,
    SavedProfileDatabase = 174,

    // Script command words and usage texts.
    FirstCommandWord = 200,
    FirstUsageText = 220,

    // Report captions and texts.
    ClientCertificateFilesFilter = 234,
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
    AllFilesFilter = 249,
    FileDoesNotExist = 250,
    ClientCheckedButMissingText = 251,

    // Captions of the main window's controls (template 103).
    ProfileSettingsGroup = 300,
    ProfileNameLabel = 301,
    AuthProtocolLabel = 302,
    InnerAuthProtocolLabel = 303,
    UsernameLabel = 304,
    PasswordLabel = 305,
    InitialIdentityLabel = 306,
    CertificatesGroup = 307,
    CaCertificatesLabel = 308,
    AddButton = 309,
    RemoveButton = 310,
    ClientCertificateLabel = 311,
    SetButton = 312,
    ClearButton = 313,
    PrivateKeyPasswordLabel = 314,
    NewButton = 315,
    OpenButton = 316,
    SaveButton = 317,
    SaveAsButton = 318,
    ExitButton = 319,

    // Menu 101, with the shortcut texts after a tab.
    FileMenu = 320,
    NewMenuItem = 321,
    OpenMenuItem = 322,
    SaveMenuItem = 323,
    SaveAsMenuItem = 324,
    ExitMenuItem = 325,
    HelpMenu = 326,
    ContentsMenuItem = 327,
    AboutMenuItem = 328,

    // The About box (template 102).
    AboutCaption = 330,
    AboutProductName = 331,
    AboutVersion = 332,
    AboutCopyright = 333,
    AboutLicence = 334,
    OkButton = 335,

    // Help and start-up of the window.
    HelpWindowTitle = 340,
    HelpFileUnreadable = 341,
    HelpTopicMissing = 342,
    NoDisplay = 343,

    // Lines of a certificate list row's tooltip.
    ToolTipSubject = 360,
    ToolTipIssuer = 361,
    ToolTipValidFrom = 362,
    ToolTipValidUntil = 363,
    ToolTipSerialNumber = 364,
    ToolTipFingerprint = 365,
    ToolTipSignatureAlgorithm = 366,
    ToolTipPublicKey = 367,
    ToolTipUnreadable = 368,

    // Command-line help.
    UsageText = 900,
    UsageCommandsText = 901,
    UsageFilesText = 902,

    // Texts of the window's fields.
    CharacterNotStorable = 1300,
};

} // namespace corvane::ids
