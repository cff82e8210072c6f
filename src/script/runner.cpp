#include "script/runner.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <memory>

#include "app/resources.h"
#include "app/string_ids.h"
#include "certs/certificates.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "profile/device_text.h"
#include "profile/eap_config.h"
#include "script/log.h"

namespace corvane {
namespace {

enum CommandCode {
    New = 1,
    Load,
    Save,
    SetName,
    SetAuth,
    SetInnerAuth,
    SetInitialIdentity,
    AddCaCert,
    RemoveCaCert,
    SetClientCertPkey,
    ClearClientCertPkey,
    SetUsername,
    SetPassword,
    SetPkPassword,
    ImportConfig,
};

constexpr std::array<ScriptCommand, 15> kCommands{{
    {New, 0, 0, 200, 220},
    {Load, 1, 1, 201, 221},
    {Save, 1, 1, 202, 222},
    {SetName, 1, 1, 203, 223},
    {SetAuth, 1, 1, 205, 224},
    {SetInnerAuth, 1, 1, 206, 225},
    {SetInitialIdentity, 1, 1, 207, 226},
    {AddCaCert, 1, 1, 208, 227},
    {RemoveCaCert, 1, 1, 209, 228},
    {SetClientCertPkey, 1, 1, 210, 229},
    {ClearClientCertPkey, 0, 0, 211, 230},
    {SetUsername, 1, 1, 212, 231},
    {SetPassword, 1, 1, 213, 232},
    {SetPkPassword, 1, 1, 214, 233},
    {ImportConfig, 1, 1, ids::ImportConfigWord, ids::ImportConfigUsage},
}};

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using ScriptFile = std::unique_ptr<std::FILE, FileCloser>;

// "Error on line N: message".
int lineError(int line, unsigned messageId) {
    logLineMessage(ids::LineErrorFormat, line, messageId);
    return 1;
}

// One piece of a script line: at most 1023 characters, CR LF read as LF.
struct ScriptPiece {
    std::string text;
    // False when the piece was cut at 1023 characters and the next piece continues its line.
    bool endsLine = true;
};

// Reads the script in pieces as a C line reader with a 1024-character buffer would.
class ScriptReader {
public:
    explicit ScriptReader(std::FILE* file) : file_(file) { readByteOrderMark(); }

    // True for a UTF-16 script: its lines are read as UTF-8, so its words are characters, not
    // the bytes the device reads.
    bool holdsCharacters() const { return encoding_ != Encoding::Bytes; }

    // False at end of file.
    bool next(ScriptPiece& piece) {
        std::string& line = piece.text;
        line.clear();
        piece.endsLine = false;
        int c = 0;
        while (line.size() < kMaxScriptLineLength && (c = get()) != EOF) {
            if (c == '\r') {
                int following = get();
                if (following == '\n')
                    c = '\n';
                else if (following != EOF)
                    unget(following);
            }
            if (c == '\n') {
                piece.endsLine = true;
                break;
            }
            line.push_back(static_cast<char>(c));
        }
        if (c == EOF)
            piece.endsLine = true;
        if (line.empty() && c == EOF)
            return false;
        // Text ends at its first NUL, as it does for every C string the line is handed on as.
        if (auto nul = line.find('\0'); nul != std::string::npos)
            line.erase(nul);
        return true;
    }

private:
    enum class Encoding { Bytes, Utf16Le, Utf16Be };

    int get() {
        if (!pending_.empty()) {
            const int c = static_cast<unsigned char>(pending_.back());
            pending_.pop_back();
            return c;
        }
        return encoding_ == Encoding::Bytes ? std::getc(file_) : getUtf16AsUtf8();
    }
    void unget(int c) { pending_.push_back(static_cast<char>(c)); }

    // Editors start text with a byte order mark: UTF-8 ones skip it, and Windows editors save
    // "Unicode" text as UTF-16, which is read as the same text in UTF-8. A partial mark is text.
    void readByteOrderMark() {
        const int first = std::getc(file_);
        const int second = first == EOF ? EOF : std::getc(file_);
        if (first == 0xFF && second == 0xFE) {
            encoding_ = Encoding::Utf16Le;
            return;
        }
        if (first == 0xFE && second == 0xFF) {
            encoding_ = Encoding::Utf16Be;
            return;
        }
        std::string seen;
        for (int c : {first, second})
            if (c != EOF)
                seen.push_back(static_cast<char>(c));
        if (first == 0xEF && second == 0xBB) {
            const int third = std::getc(file_);
            if (third == 0xBF)
                return;
            if (third != EOF)
                seen.push_back(static_cast<char>(third));
        }
        pending_.assign(seen.rbegin(), seen.rend());
    }

    // One UTF-16 code unit, or EOF (an odd last byte counts as a broken unit).
    long getUnit() {
        const int a = std::getc(file_);
        if (a == EOF)
            return EOF;
        const int b = std::getc(file_);
        if (b == EOF)
            return kReplacement;
        return encoding_ == Encoding::Utf16Le ? a | (b << 8) : (a << 8) | b;
    }

    // The next character of UTF-16 text as UTF-8: its first byte returned, the rest pending.
    // A broken surrogate pair reads as the replacement character.
    int getUtf16AsUtf8() {
        long code = pendingUnit_ != EOF ? pendingUnit_ : getUnit();
        pendingUnit_ = EOF;
        if (code == EOF)
            return EOF;
        if (code >= 0xD800 && code <= 0xDBFF) {
            const long low = getUnit();
            if (low >= 0xDC00 && low <= 0xDFFF) {
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else {
                pendingUnit_ = low;
                code = kReplacement;
            }
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            code = kReplacement;
        }
        const std::string bytes = codePointsToUtf8(std::u32string(1, static_cast<char32_t>(code)));
        pending_.assign(bytes.rbegin(), bytes.rend() - 1);
        return static_cast<unsigned char>(bytes[0]);
    }

    static constexpr long kReplacement = 0xFFFD;

    std::FILE* file_;
    Encoding encoding_ = Encoding::Bytes;
    long pendingUnit_ = EOF;
    std::string pending_; // bytes read ahead, last to be read first
};

// The commands whose argument is a profile text that reaches the device as it is stored.
bool storesDeviceText(int code) {
    return code == SetInitialIdentity || code == SetUsername || code == SetPassword ||
           code == SetPkPassword;
}

// Assigns a checked text to a profile field: Error 35 when it is too long.
int setTextField(CountedString& field, const std::string& text, int line) {
    if (validateTextField(text) != StatusCode::Success)
        return lineError(line, ids::TextTooLongText);
    field.assign(text);
    return 0;
}

int addCertificateCommand(Profile& profile, const std::string& path, CertificateKind kind,
                          unsigned messageId, int line) {
    StatusCode status = profile.addCertificate(path, kind);
    if (status == StatusCode::Success)
        return 0;
    logLineMessage(ids::LineErrorFormat, line, messageId);
    reportStatus(nullptr, status, ids::AddCertificateFailedCaption);
    return isFatalStatus(status) ? 1 : 0;
}

int saveCommand(Profile& profile, const std::string& path, int line);

// Replaces the profile with a provider configuration's, as load does with a database's; what
// the device will not enforce is logged, a line each.
int importConfigCommand(Profile& profile, const std::string& path, int line) {
    const ConfigImport result = importProviderConfiguration(path, profile, userLanguageCode());
    const std::string caption = loadString(ids::ProviderConfigurationCaption);
    if (!result.imported()) {
        logLineMessage(ids::LineErrorFormat, line, ids::ImportConfigFailed);
        showReport(nullptr, configImportErrorText(result), caption, MessageBoxType::Exclamation);
        return 1;
    }
    for (const std::string& notice : configImportNotice(result))
        writeLogLine(fillFormat(loadString(ids::NamedFormat), {caption, notice}));
    return 0;
}

} // namespace

std::vector<std::string> splitScriptLine(std::string_view line, std::size_t maxWords) {
    std::vector<std::string> words;
    std::size_t p = 0;
    while (p < line.size() && line[p] == ' ')
        ++p;
    while (p < line.size() && words.size() < maxWords) {
        if (words.size() + 1 == maxWords) {
            words.emplace_back(line.substr(p));
            break;
        }
        std::size_t start = p;
        std::size_t end = std::string_view::npos;
        bool quoted = false;
        for (; p < line.size() && (quoted || line[p] != ' '); ++p) {
            if (line[p] != '"')
                continue;
            if (!quoted) {
                // A quote opens a section and moves the word's start one character on.
                quoted = true;
                ++start;
            } else {
                quoted = false;
                if (end == std::string_view::npos)
                    end = p;
            }
        }
        if (end == std::string_view::npos)
            end = p;
        words.emplace_back(start < end ? line.substr(start, end - start) : std::string_view());
        while (p < line.size() && line[p] == ' ')
            ++p;
    }
    return words;
}

const ScriptCommand* findScriptCommand(std::string_view word) {
    for (const ScriptCommand& command : kCommands)
        if (matchesString(word, command.wordId))
            return &command;
    return nullptr;
}

long long parseIndex(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    constexpr long long limit = std::numeric_limits<int>::max();
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = std::min(limit + 1, value * 10 + (text[i] - '0'));
    return negative ? -value : value;
}

int executeCommand(Profile& profile, const ScriptCommand& command,
                   const std::vector<std::string>& words, int lineNumber) {
    const std::string argument = words.size() > 1 ? words[1] : std::string();
    switch (command.code) {
    case New:
        profile.reset(true);
        return 0;
    case Load:
        profile.filePath.assign(argument);
        if (profile.loadProfileDatabase() != StatusCode::Success)
            return lineError(lineNumber, ids::LoadFailed);
        return 0;
    case Save:
        return saveCommand(profile, argument, lineNumber);
    case SetName:
        switch (validateProfileName(argument)) {
        case StatusCode::Success:
            profile.profileName.assign(argument);
            return 0;
        case StatusCode::NameEmpty:
            return lineError(lineNumber, ids::NameTooShort);
        case StatusCode::TextTooLong:
            return lineError(lineNumber, ids::TextTooLongText);
        default:
            return lineError(lineNumber, ids::NameNotAsciiText);
        }
    case SetAuth: {
        static constexpr std::pair<unsigned, std::uint8_t> names[] = {{ids::EapTls, EapTls},
                                                                      {ids::EapTtls, EapTtls},
                                                                      {ids::EapPeap, EapPeap},
                                                                      {ids::Leap, Leap}};
        for (const auto& [id, code] : names)
            if (matchesString(argument, id)) {
                profile.authProtocol = code;
                return 0;
            }
        return lineError(lineNumber, ids::BadAuthType);
    }
    case SetInnerAuth: {
        static constexpr std::pair<unsigned, std::uint8_t> names[] = {
            {ids::Pap, Pap},
            {ids::Chap, Chap},
            {ids::Mschap, Mschap},
            {ids::MschapV2, MschapV2},
            {ids::EapGtc, EapGtc},
            {ids::EapMschapV2, EapMschapV2},
            {ids::EapMd5Challenge, EapMd5Challenge}};
        for (const auto& [id, code] : names)
            if (matchesString(argument, id)) {
                profile.innerAuthProtocol = code;
                return 0;
            }
        return lineError(lineNumber, ids::BadInnerAuthType);
    }
    case SetInitialIdentity:
        return setTextField(profile.initialIdentity, argument, lineNumber);
    case AddCaCert:
        return addCertificateCommand(profile, argument, CertificateKind::CaCertificate,
                                     ids::AddCaFailed, lineNumber);
    case RemoveCaCert:
        if (profile.removeCertificate(parseIndex(argument), CertificateKind::CaCertificate) !=
            StatusCode::Success)
            return lineError(lineNumber, ids::RemoveCaFailed);
        return 0;
    case SetClientCertPkey:
        return addCertificateCommand(profile, argument, CertificateKind::ClientCertificate,
                                     ids::SetClientFailed, lineNumber);
    case ClearClientCertPkey:
        profile.removeCertificate(0, CertificateKind::ClientCertificate);
        return 0;
    case SetUsername:
        return setTextField(profile.username, argument, lineNumber);
    case SetPassword:
        return setTextField(profile.password, argument, lineNumber);
    case SetPkPassword:
        return setTextField(profile.privateKeyPassword, argument, lineNumber);
    case ImportConfig:
        return importConfigCommand(profile, argument, lineNumber);
    default:
        return 1;
    }
}

namespace {

int saveCommand(Profile& profile, const std::string& path, int line) {
    if (profile.authProtocol == EapPeap) {
        switch (profile.innerAuthProtocol) {
        case MschapV2:
            profile.innerAuthProtocol = EapMschapV2;
            break;
        case 5:
            profile.innerAuthProtocol = EapGtc;
            break;
        case 6:
            profile.innerAuthProtocol = EapMd5Challenge;
            break;
        default:
            break;
        }
    }
    profile.updateFieldMask();
    StatusCode status = validateProtocols(profile.authProtocol, profile.innerAuthProtocol);
    if (status == StatusCode::BadInnerProtocol)
        return lineError(line, ids::BadInnerAuthType);
    if (status != StatusCode::Success)
        return 1;
    status = checkCertificateRequirements(profile.authProtocol, profile.caCertificates.count(),
                                          profile.clientCertificate != nullptr);
    if (status == StatusCode::CaCertificateRequired)
        return lineError(line, ids::CaRequiredText);
    if (status == StatusCode::ClientCertificateRequired)
        return lineError(line, ids::ClientRequiredText);
    if (profile.clientCertificate) {
        status = checkCertificate(*profile.clientCertificate, profile.privateKeyPassword.str());
        if (status != StatusCode::Success) {
            reportStatus(nullptr, status, ids::ClientValidationCaption);
            if (isFatalStatus(status))
                return 1;
        }
    }
    profile.filePath.assign(path);
    if (profile.saveProfileDatabase() != StatusCode::Success)
        return lineError(line, ids::SaveFailed);
    logNamedMessage(ids::NamedFormat, ids::SavedProfileDatabase, path);
    return 0;
}

} // namespace

std::uint16_t runScript(Profile& profile, const std::string& path) {
    writeLogLine("\n--- " + path + " [" + platform::currentLocalDate() + " " +
                 platform::currentLocalTime() + "] ---\n");
    ScriptFile file;
    // A folder opens for reading on Linux but is no script.
    const platform::FileKind kind = platform::fileKind(path);
    if (kind != platform::FileKind::Missing && kind != platform::FileKind::Directory)
        file.reset(platform::openFile(path, "rb"));
    if (!file) {
        logNamedMessage(ids::NamedFormat, ids::OpenScriptFailed, path);
        return 1;
    }
    ScriptReader reader(file.get());
    ScriptPiece piece;
    std::string& line = piece.text;
    int lineNumber = 0;
    bool continuesComment = false;
    while (reader.next(piece)) {
        ++lineNumber;
        // A comment runs to the end of its physical line, across the pieces it is read in.
        bool commented = continuesComment;
        if (commented)
            line.clear();
        else if (auto hash = line.find('#'); hash != std::string::npos) {
            line.erase(hash);
            commented = true;
        }
        continuesComment = commented && !piece.endsLine;
        if (line.empty())
            continue;
        std::vector<std::string> words = splitScriptLine(line, kMaxScriptWords);
        if (words.empty())
            continue;
        const ScriptCommand* command = findScriptCommand(words[0]);
        if (!command)
            return static_cast<std::uint16_t>(lineError(lineNumber, ids::UnknownCommand));
        const int count = static_cast<int>(words.size());
        if (count < command->leastArguments + 1 || count > command->mostArguments + 1) {
            writeLogLine(fillFormat(loadString(ids::LineUsageFormat),
                                    {std::to_string(lineNumber), loadString(command->usageId)}));
            return 1;
        }
        // A UTF-16 script's texts are stored as the device reads them, in its code page; a
        // character it cannot hold stops the script rather than reach the device as another.
        if (reader.holdsCharacters() && words.size() > 1 && storesDeviceText(command->code)) {
            std::string stored = encodeDeviceText(words[1], kDropUnstorable);
            if (decodeDeviceText(stored) != words[1])
                return static_cast<std::uint16_t>(lineError(lineNumber, ids::TextNotStorable));
            words[1] = std::move(stored);
        }
        if (executeCommand(profile, *command, words, lineNumber) != 0)
            return 1;
    }
    return 0;
}

} // namespace corvane
