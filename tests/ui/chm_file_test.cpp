// The help file reader, against the Corvane.chm this build compiled from src/res/help (the pages
// for this system, as the build wrote them out before compiling them).

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ui/qt/chm_file.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string readSource(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "corvane-chm-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Every page of the help, by name ("index.html").
std::vector<std::string> sourcePages() {
    std::vector<std::string> pages;
    for (const auto& entry : fs::directory_iterator(CORVANE_HELP_PAGES_DIR))
        if (entry.path().extension() == ".html")
            pages.push_back(entry.path().filename().string());
    return pages;
}

// A link's target as a path inside the file: relative to the page's folder, "." and ".."
// resolved, fragment dropped.
std::string resolveLink(const std::string& pagePath, const std::string& link) {
    const std::string target = link.substr(0, link.find('#'));
    std::vector<std::string> parts;
    std::stringstream walk(pagePath.substr(0, pagePath.rfind('/') + 1) + target);
    for (std::string part; std::getline(walk, part, '/');) {
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string path;
    for (const auto& part : parts)
        path += "/" + part;
    return path;
}

struct Link {
    std::string page;
    std::string target;
};

// The relative links and images of a page, and the "Local" entries of a contents or index file.
std::vector<Link> relativeLinks(const std::string& pagePath, const std::string& html) {
    static const std::regex attribute(R"re((href|src|value)\s*=\s*"([^"]*)")re", std::regex::icase);
    static const std::regex scheme(R"re(^[A-Za-z][A-Za-z0-9+.-]*:)re");
    std::vector<Link> links;
    for (std::sregex_iterator it(html.begin(), html.end(), attribute), end; it != end; ++it) {
        const std::string name = (*it)[1];
        const std::string target = (*it)[2];
        const bool isParam = name.size() == 5 && (name[0] == 'v' || name[0] == 'V');
        if (isParam && target.find(".htm") == std::string::npos)
            continue; // a parameter that names no page (a caption, a setting)
        if (target.empty() || std::regex_search(target, scheme))
            continue;
        links.push_back({pagePath, target});
    }
    return links;
}

class ChmFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        help = ChmFile::open(CORVANE_HELP_FILE);
        ASSERT_NE(help, nullptr) << CORVANE_HELP_FILE;
    }
    std::unique_ptr<ChmFile> help;
};

TEST_F(ChmFileTest, OpensAtTheGettingStartedPage) {
    EXPECT_EQ(help->defaultTopic(), "/index.html");
    const auto page = help->read(help->defaultTopic());
    ASSERT_TRUE(page.has_value());
    EXPECT_NE(page->find("<title>Getting started</title>"), std::string::npos);
}

TEST_F(ChmFileTest, HoldsEverySourceFileAsWritten) {
    std::vector<std::string> files = sourcePages();
    ASSERT_GE(files.size(), 8u);
    for (const char* other : {"style.css", "images/corvane-48.png", "Corvane.hhc", "Corvane.hhk"})
        files.push_back(other);
    for (const auto& name : files) {
        const auto stored = help->read("/" + name);
        ASSERT_TRUE(stored.has_value()) << name;
        EXPECT_EQ(*stored, readSource(fs::path(CORVANE_HELP_PAGES_DIR) / name)) << name;
    }
}

TEST_F(ChmFileTest, EveryRelativeLinkAndImageResolvesInsideTheFile) {
    std::vector<Link> links;
    std::vector<std::string> documents = sourcePages();
    documents.push_back("Corvane.hhc");
    documents.push_back("Corvane.hhk");
    for (const auto& name : documents) {
        const auto html = help->read("/" + name);
        ASSERT_TRUE(html.has_value()) << name;
        const auto found = relativeLinks("/" + name, *html);
        links.insert(links.end(), found.begin(), found.end());
    }
    // Every page links to the others, so far fewer would mean the scan went wrong.
    ASSERT_GT(links.size(), 200u);

    std::set<std::string> imagesSeen;
    for (const auto& link : links) {
        // A link to an anchor of its own page has no path part.
        const std::string path =
            link.target.front() == '#' ? link.page : resolveLink(link.page, link.target);
        const auto object = help->read(path);
        ASSERT_TRUE(object.has_value()) << link.page << " links to " << link.target;
        if (path.ends_with(".png"))
            imagesSeen.insert(path);
        const auto hash = link.target.find('#');
        if (hash != std::string::npos) {
            const std::string anchor = "name=\"" + link.target.substr(hash + 1) + "\"";
            EXPECT_NE(object->find(anchor), std::string::npos)
                << link.page << " links to a missing anchor " << link.target;
        }
    }
    EXPECT_EQ(imagesSeen, std::set<std::string>{"/images/corvane-48.png"});
}

TEST_F(ChmFileTest, PathsAreTakenFromTheRoot) {
    const auto withSlash = help->read("/script.html");
    ASSERT_TRUE(withSlash.has_value());
    EXPECT_EQ(help->read("script.html"), withSlash);
    EXPECT_EQ(help->read("images/corvane-48.png"), help->read("/images/corvane-48.png"));
}

TEST_F(ChmFileTest, NothingForWhatIsNotAnObject) {
    const std::string tooLong = "/" + std::string(600, 'a') + ".html";
    const std::vector<std::string> paths = {"/missing.html", "/images/", "/", "",
                                            "/index.htm",    tooLong};
    for (const auto& path : paths)
        EXPECT_FALSE(help->read(path).has_value()) << path;
}

TEST(ChmFileOpen, RefusesWhatIsNotAHelpFile) {
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    const std::string real = readSource(CORVANE_HELP_FILE);
    ASSERT_GT(real.size(), 1000u);
    writeFile(scratch.path() / "empty.chm", "");
    writeFile(scratch.path() / "header-only.chm", real.substr(0, 40));
    writeFile(scratch.path() / "page.chm",
              readSource(fs::path(CORVANE_HELP_PAGES_DIR) / "index.html"));
    fs::create_directory(scratch.path() / "folder.chm");
    for (const char* name :
         {"missing.chm", "empty.chm", "header-only.chm", "page.chm", "folder.chm"})
        EXPECT_EQ(ChmFile::open((scratch.path() / name).string()), nullptr) << name;
}

// The library would read a file cut short as if the missing part were zeros, giving pages of
// zero bytes; such a file is refused however little of it is missing.
TEST(ChmFileOpen, RefusesAFileCutShort) {
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    const std::string real = readSource(CORVANE_HELP_FILE);
    for (std::size_t keep : {std::size_t{200}, real.size() / 4, real.size() / 2, real.size() - 1}) {
        const fs::path cut = scratch.path() / ("cut-" + std::to_string(keep) + ".chm");
        writeFile(cut, real.substr(0, keep));
        EXPECT_EQ(ChmFile::open(cut.string()), nullptr) << "cut at " << keep;
    }
    // The same bytes whole open, so the refusals above are about the missing part.
    const fs::path whole = scratch.path() / "whole.chm";
    writeFile(whole, real);
    EXPECT_NE(ChmFile::open(whole.string()), nullptr);
}

// Where the fields a damaged file changes lie in the built help file, found through its headers
// and its directory listing as the format lays them out (all little-endian).
class HelpLayout {
public:
    explicit HelpLayout(const std::string& bytes) : bytes_(bytes) {
        directory = get(0x48, 8);
        firstListing = directory + 0x54 + get(directory + 0x20, 4) * get(directory + 0x10, 4);
        controlData = objectStart("::DataSpace/Storage/MSCompressed/ControlData");
        resetTable = objectStart("::DataSpace/Storage/MSCompressed/Transform/"
                                 "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable");
    }
    std::uint64_t get(std::size_t at, int width) const {
        std::uint64_t value = 0;
        for (int i = width - 1; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(bytes_.at(at + i));
        return value;
    }
    static void put(std::string& bytes, std::size_t at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i, value >>= 8)
            bytes.at(at + i) = static_cast<char>(value & 0xFF);
    }
    std::size_t directory = 0, firstListing = 0, controlData = 0, resetTable = 0;

private:
    // A listing entry is its name, then its section, start and length as 7-bit numbers.
    std::size_t objectStart(const std::string& name) const {
        std::size_t at = bytes_.find(name);
        EXPECT_NE(at, std::string::npos) << name;
        at += name.size();
        auto number = [&] {
            std::uint64_t value = 0;
            unsigned char byte = 0;
            do {
                byte = static_cast<unsigned char>(bytes_.at(at++));
                value = value << 7 | (byte & 0x7F);
            } while (byte & 0x80);
            return value;
        };
        number();
        return get(0x58, 8) + number();
    }
    const std::string& bytes_;
};

// A reader that trusts the file divides by these sizes, follows these links and reads by these
// lengths as the file states them: each damage below once crashed or hung the help window.
TEST(ChmFileOpen, RefusesADamagedFile) {
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    const std::string real = readSource(CORVANE_HELP_FILE);
    const HelpLayout at(real);
    struct Damage {
        const char* what;
        std::size_t offset;
        std::uint64_t value;
        int width;
    };
    const Damage damages[] = {
        {"zero window size", at.controlData + 0x10, 0, 4},
        {"window size not a power of two", at.controlData + 0x10, 3, 4},
        {"window size wrapping past 32 bits", at.controlData + 0x10, 0x20000, 4},
        {"zero reset interval", at.controlData + 0x0C, 0, 4},
        {"zero windows per reset", at.controlData + 0x14, 0, 4},
        {"zero frame length", at.resetTable + 0x20, 0, 8},
        {"frame length beyond a frame's buffer", at.resetTable + 0x20, 0x100000, 8},
        {"zero frames", at.resetTable + 0x04, 0, 4},
        {"reset table entries beyond the table", at.resetTable + 0x0C, 0xFFFFFF00, 4},
        {"frame starting beyond the compressed bytes", at.resetTable + 0x30, 0xFFFFFFFF, 8},
        {"uncompressed length beyond the frames", at.resetTable + 0x10, 1ull << 40, 8},
        {"listing chunk whose next is itself", at.firstListing + 0x10,
         at.get(at.directory + 0x20, 4), 4},
        {"listing free space beyond its chunk", at.firstListing + 0x04, 0xFFFFFFF0, 4},
        {"index root beyond the directory", at.directory + 0x1C, 0x10000, 4},
        {"zero directory chunk length", at.directory + 0x10, 0, 4},
        {"quick reference density past any shift", at.directory + 0x14, 0xFF000002, 4},
        {"directory beyond the file", 0x50, 1ull << 40, 8},
        {"stored data beyond the file", 0x58, real.size() + 1, 8},
        {"stated file length wrapping past zero", at.get(0x38, 8) + 8, 0x8000000000009B16ull, 8},
    };
    for (const Damage& damage : damages) {
        std::string damaged = real;
        HelpLayout::put(damaged, damage.offset, damage.value, damage.width);
        ASSERT_NE(damaged, real) << damage.what;
        const fs::path file = scratch.path() / "damaged.chm";
        writeFile(file, damaged);
        const auto help = ChmFile::open(file.string());
        EXPECT_EQ(help, nullptr) << damage.what;
        if (help) // as the help window would, to show that the file is in fact unusable
            help->read(help->defaultTopic());
    }
}

// A compressed frame that names a repeat offset far beyond the window, in a file whose every
// structural field is sound: the decoder refuses it, and the file with it.
TEST(ChmFileOpen, RefusesABadRepeatOffset) {
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    const std::string bad = (scratch.path() / "Corvane.chm").string();
    const std::string make = "'" CORVANE_BAD_HELP_SCRIPT "' '" CORVANE_HELP_FILE "' '" + bad + "'";
    ASSERT_EQ(std::system(make.c_str()), 0);
    ASSERT_EQ(fs::file_size(bad), fs::file_size(CORVANE_HELP_FILE));
    EXPECT_EQ(ChmFile::open(bad), nullptr);
}

TEST(ChmFileOpen, AFileWithoutADefaultTopicHasNone) {
    ScratchDir scratch;
    ASSERT_FALSE(scratch.path().empty());
    writeFile(scratch.path() / "only.html", "<html><body><p>Only page</p></body></html>\n");
    writeFile(scratch.path() / "plain.hhp",
              "[OPTIONS]\nCompiled file=plain.chm\nTitle=Plain\n\n[FILES]\nonly.html\n");
    const std::string command =
        "cd '" + scratch.path().string() + "' && '" CORVANE_CHMCMD "' plain.hhp >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const auto help = ChmFile::open((scratch.path() / "plain.chm").string());
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->defaultTopic(), "");
    EXPECT_EQ(help->read("/only.html"), readSource(scratch.path() / "only.html"));
}

// One set of pages serves both systems; each build keeps its own system's parts of them.
TEST(ChmFileSystems, EachHelpSpeaksOfItsOwnSystem) {
    const std::regex linuxOnly(R"(/usr/|\.so\b|LANG=|LC_ALL|\bDebian\b|0600|echo \$\?|\bQt\b)");
    const std::regex windowsOnly(
        R"(\.dll\b|ERRORLEVEL|corvane\.com|Program Files|APPDATA|\bcmd\b)");
    const std::pair<const char*, bool> helps[] = {{CORVANE_HELP_FILE, false},
                                                  {CORVANE_WINDOWS_HELP_FILE, true}};
    for (const auto& [file, windows] : helps) {
        const auto chm = ChmFile::open(file);
        ASSERT_NE(chm, nullptr) << file;
        std::size_t ownPages = 0;
        for (const auto& name : sourcePages()) {
            const std::string page = chm->read("/" + name).value_or("");
            EXPECT_FALSE(std::regex_search(page, windows ? linuxOnly : windowsOnly)) << name;
            EXPECT_TRUE(!page.empty() && page.find("<!--") == std::string::npos) << name;
            ownPages += std::regex_search(page, windows ? windowsOnly : linuxOnly) ? 1 : 0;
        }
        EXPECT_GE(ownPages, 4u) << file;
    }
}

} // namespace
} // namespace corvane
