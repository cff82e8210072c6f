#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "storage/byte_order.h"
#include "storage/record_database.h"
#include "storage/storage_test_util.h"
#include "support/test_support.h"

namespace corvane {
namespace {

using test::be16At;
using test::be32At;
using test::Bytes;
using test::databaseBytes;
using test::HeaderFields;
using test::RecordFields;
namespace fs = std::filesystem;

// The largest database a load accepts or a save writes.
constexpr std::uint64_t kSixtyFourMebibytes = 64 * 1024 * 1024;

std::unique_ptr<RecordEntry> entryWith(const std::string& bytes, std::uint8_t attributes = 0) {
    auto entry = std::make_unique<RecordEntry>();
    entry->data.assign(bytes);
    entry->attributes = attributes;
    return entry;
}

RecordDatabase databaseWithRecords(std::uint16_t attributes,
                                   const std::vector<std::size_t>& sizes) {
    RecordDatabase db;
    db.attributes = attributes;
    db.type = fourCharCode("PLCY");
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        auto entry = entryWith(std::string(sizes[i], static_cast<char>('a' + i)));
        EXPECT_TRUE(db.appendRecord(entry));
    }
    return db;
}

TEST(StorageByteOrderTest, PutFunctionsWriteOnlyIntoAGivenBufferAndReturnTheirWidth) {
    EXPECT_EQ(putLe8(0x1234, nullptr, 7), 1u);
    EXPECT_EQ(putLe16(0x1234, nullptr, 7), 2u);
    EXPECT_EQ(putLe32(0x12345678, nullptr, 7), 4u);

    std::uint8_t buffer[9] = {};
    EXPECT_EQ(putLe8(0xABCD, buffer, 0), 1u);
    EXPECT_EQ(putLe16(0xBEEF, buffer, 1), 2u);
    EXPECT_EQ(putLe32(0x12345678, buffer, 3), 4u);
    const std::uint8_t expected[9] = {0xCD, 0xEF, 0xBE, 0x78, 0x56, 0x34, 0x12, 0, 0};
    EXPECT_EQ(0, std::memcmp(buffer, expected, sizeof expected));
    EXPECT_EQ(getLe16(buffer + 1), 0xBEEF);
    EXPECT_EQ(getLe32(buffer + 3), 0x12345678u);
}

TEST(RecordDatabaseTest, DeviceTimeCountsFrom1904AndWrapsIn2040) {
    EXPECT_EQ(toDeviceTime(0), 2082844800u);
    // 2040-02-06 06:28:16 UTC is 2^32 seconds after 1904.
    EXPECT_EQ(toDeviceTime(2212122496), 0u);
    EXPECT_EQ(toDeviceTime(2212122497), 1u);
}

TEST(RecordDatabaseTest, EmptyDatabaseIsEightyBytesAndReadsBack) {
    test::TempDir dir;
    RecordDatabase db;
    ASSERT_EQ(db.writeDatabase(dir.file("empty.odb")), StatusCode::Success);
    const std::string bytes = test::readFile(dir.file("empty.odb"));
    ASSERT_EQ(bytes.size(), 80u);
    EXPECT_EQ(bytes, std::string(80, '\0'));

    RecordDatabase back;
    ASSERT_EQ(back.readDatabase(dir.file("empty.odb")), StatusCode::Success);
    EXPECT_EQ(back.recordCount(), 0u);
    EXPECT_TRUE(back.headerValid);
}

TEST(RecordDatabaseTest, RecordFormOffsetsFollowTheListWithoutGaps) {
    test::TempDir dir;
    RecordDatabase db = databaseWithRecords(0, {10, 1, 1});
    db.recordAt(1)->attributes = 0x40;
    db.recordAt(1)->uniqueId = {0x01, 0x02, 0x03};
    ASSERT_EQ(db.writeDatabase(dir.file("r.odb")), StatusCode::Success);
    EXPECT_EQ(db.recordAt(0)->dataOffset, 102u);
    EXPECT_EQ(db.recordAt(1)->dataOffset, 112u);
    EXPECT_EQ(db.recordAt(2)->dataOffset, 113u);

    const std::string bytes = test::readFile(dir.file("r.odb"));
    ASSERT_EQ(bytes.size(), 114u);
    EXPECT_EQ(be32At(bytes, 74), 3u);
    EXPECT_EQ(be32At(bytes, 78), 102u);
    EXPECT_EQ(be32At(bytes, 86), 112u);
    EXPECT_EQ(bytes.substr(90, 4), std::string("\x40\x01\x02\x03", 4));
    EXPECT_EQ(be32At(bytes, 94), 113u);
    EXPECT_EQ(bytes.substr(102), std::string(10, 'a') + "bc");
}

TEST(RecordDatabaseTest, ResourceFormEntriesAreTenBytes) {
    test::TempDir dir;
    RecordDatabase db = databaseWithRecords(kResourceFormAttribute, {10, 1, 1});
    db.recordAt(2)->resourceType = fourCharCode("tRES");
    db.recordAt(2)->resourceId = 0x1234;
    ASSERT_EQ(db.writeDatabase(dir.file("r.odb")), StatusCode::Success);
    const std::string bytes = test::readFile(dir.file("r.odb"));
    ASSERT_EQ(bytes.size(), 120u);
    EXPECT_EQ(be32At(bytes, 78 + 6), 108u);
    EXPECT_EQ(be32At(bytes, 88 + 6), 118u);
    EXPECT_EQ(bytes.substr(98, 6), "tRES\x12\x34");
    EXPECT_EQ(be32At(bytes, 98 + 6), 119u);
    EXPECT_EQ(bytes.substr(108), std::string(10, 'a') + "bc");
}

TEST(RecordDatabaseTest, HeaderIsBigEndianAtItsOffsets) {
    test::TempDir dir;
    RecordDatabase db = databaseWithRecords(0, {1, 1, 1, 1, 1});
    const std::string name = "QNRX_Header";
    std::copy(name.begin(), name.end(), db.name.begin());
    db.attributes = 0x0140;
    db.version = 0x0203;
    db.creationDate = 0x01020304;
    db.modificationDate = 0x05060708;
    db.lastBackupDate = 0x090A0B0C;
    db.modificationNumber = 0x0D0E0F10;
    db.appInfoOffset = 0x11121314;
    db.sortInfoOffset = 0x15161718;
    db.creator = fourCharCode("QNRX");
    db.uniqueIdSeed = 0x191A1B1C;
    ASSERT_EQ(db.writeDatabase(dir.file("h.odb")), StatusCode::Success);
    const std::string bytes = test::readFile(dir.file("h.odb"));
    EXPECT_EQ(bytes.substr(0, 32), name + std::string(32 - name.size(), '\0'));
    EXPECT_EQ(be16At(bytes, 32), 0x0140);
    EXPECT_EQ(be16At(bytes, 34), 0x0203);
    EXPECT_EQ(be32At(bytes, 36), 0x01020304u);
    EXPECT_EQ(be32At(bytes, 40), 0x05060708u);
    EXPECT_EQ(be32At(bytes, 44), 0x090A0B0Cu);
    EXPECT_EQ(be32At(bytes, 48), 0x0D0E0F10u);
    EXPECT_EQ(be32At(bytes, 52), 0x11121314u);
    EXPECT_EQ(be32At(bytes, 56), 0x15161718u);
    EXPECT_EQ(bytes.substr(60, 8), "PLCYQNRX");
    EXPECT_EQ(be32At(bytes, 68), 0x191A1B1Cu);
    EXPECT_EQ(bytes.substr(72, 6), std::string("\0\0\0\0\0\x05", 6));
}

TEST(RecordDatabaseTest, ReadingAndWritingAgainReproducesTheDatabase) {
    test::TempDir dir;
    HeaderFields h;
    h.name = std::string(32, 'N'); // no NUL at all
    h.attributes = 0x0148;
    h.version = 9;
    h.lastBackupDate = 7;
    h.modificationNumber = 42;
    h.appInfoOffset = 0x1000;
    h.sortInfoOffset = 0x2000;
    h.uniqueIdSeed = 0xCAFE;
    const std::vector<RecordFields> records{
        {"first", 0x10, 0x000001}, {"", 0x20, 0x0A0B0C}, {"third record", 0x40, 0xFFFFFF}};
    const std::string original = databaseBytes(h, records);
    test::writeFile(dir.file("in.odb"), original);

    RecordDatabase db;
    ASSERT_EQ(db.readDatabase(dir.file("in.odb")), StatusCode::Success);
    ASSERT_EQ(db.recordCount(), 3u);
    EXPECT_EQ(db.recordAt(1)->length(), 0u);
    EXPECT_EQ(db.recordAt(2)->attributes, 0x40);
    EXPECT_EQ(db.recordAt(2)->uniqueId, (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));
    ASSERT_EQ(db.writeDatabase(dir.file("out.odb")), StatusCode::Success);
    EXPECT_EQ(test::readFile(dir.file("out.odb")), original);
}

TEST(RecordDatabaseTest, ResourceFormRoundTripKeepsTypesAndIds) {
    test::TempDir dir;
    HeaderFields h;
    h.attributes = 0x0001;
    const std::vector<RecordFields> records{{"abc", 0, 0, fourCharCode("tSTR"), 1000},
                                            {"defgh", 0, 0, fourCharCode("tAIN"), 0xFFFF}};
    const std::string original = databaseBytes(h, records);
    test::writeFile(dir.file("in.odb"), original);
    RecordDatabase db;
    ASSERT_EQ(db.readDatabase(dir.file("in.odb")), StatusCode::Success);
    EXPECT_EQ(db.recordAt(1)->resourceType, fourCharCode("tAIN"));
    EXPECT_EQ(db.recordAt(1)->resourceId, 0xFFFF);
    EXPECT_EQ(db.recordAt(1)->attributes, 0);
    EXPECT_EQ(db.recordAt(1)->data.view(), "defgh");
    ASSERT_EQ(db.writeDatabase(dir.file("out.odb")), StatusCode::Success);
    EXPECT_EQ(test::readFile(dir.file("out.odb")), original);
}

TEST(RecordDatabaseTest, BytesBetweenTheListAndTheFirstRecordAreNotCarriedOver) {
    test::TempDir dir;
    // Two records placed after a 6-byte gap; an equal offset makes the first one empty.
    Bytes b = test::headerBytes(HeaderFields{}, 3);
    b.be32(108).be32(0).be32(108).be32(0).be32(110).be32(0);
    b.raw("GAPGAP").raw("xy").raw("z");
    test::writeFile(dir.file("gap.odb"), b);

    RecordDatabase db;
    ASSERT_EQ(db.readDatabase(dir.file("gap.odb")), StatusCode::Success);
    EXPECT_EQ(db.recordAt(0)->length(), 0u);
    EXPECT_EQ(db.recordAt(1)->data.view(), "xy");
    EXPECT_EQ(db.recordAt(2)->data.view(), "z");
    ASSERT_EQ(db.writeDatabase(dir.file("out.odb")), StatusCode::Success);
    const std::string out = test::readFile(dir.file("out.odb"));
    EXPECT_EQ(out.size(), 78u + 24u + 3u);
    EXPECT_EQ(out.substr(102), "xyz");
    EXPECT_EQ(out.find("GAP"), std::string::npos);
}

// Files that must be refused, each built from the layout with one thing wrong.
class RecordDatabaseMalformedTest
    : public ::testing::TestWithParam<std::pair<const char*, std::string>> {};

std::vector<std::pair<const char*, std::string>> malformedDatabases() {
    std::vector<std::pair<const char*, std::string>> cases;
    const HeaderFields h;
    cases.emplace_back("ShorterThanHeader", test::headerBytes(h, 0).str().substr(0, 77));
    cases.emplace_back("ListPastEnd", test::headerBytes(h, 2).be32(94).be32(0).str());
    cases.emplace_back("HugeCount", test::headerBytes(h, 0xFFFFFFFF).zeros(64).str());
    cases.emplace_back("ResourceListPastEnd", [&] {
        HeaderFields r;
        r.attributes = 1;
        // Eight bytes per entry would fit, ten do not.
        return test::headerBytes(r, 2).be32(94).be32(0).be32(94).be32(0).str();
    }());
    cases.emplace_back("DecreasingOffsets",
                       test::headerBytes(h, 2).be32(100).be32(0).be32(96).be32(0).zeros(8).str());
    cases.emplace_back("LastOffsetPastEnd",
                       test::headerBytes(h, 2).be32(94).be32(0).be32(200).be32(0).zeros(8).str());
    cases.emplace_back("MiddleOffsetPastEnd", test::headerBytes(h, 3)
                                                  .be32(102)
                                                  .be32(0)
                                                  .be32(0xFFFFFFF0)
                                                  .be32(0)
                                                  .be32(0xFFFFFFFF)
                                                  .be32(0)
                                                  .zeros(4)
                                                  .str());
    return cases;
}

TEST_P(RecordDatabaseMalformedTest, FailsWithStatusOne) {
    test::TempDir dir;
    test::writeFile(dir.file("bad.odb"), GetParam().second);
    RecordDatabase db;
    EXPECT_EQ(db.readDatabase(dir.file("bad.odb")), StatusCode::Failure);
    RecordDatabase fromMemory;
    const std::string& bytes = GetParam().second;
    EXPECT_EQ(fromMemory.readDatabaseFromMemory(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                bytes.size()),
              StatusCode::Failure);
}

INSTANTIATE_TEST_SUITE_P(Layout, RecordDatabaseMalformedTest,
                         ::testing::ValuesIn(malformedDatabases()),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(RecordDatabaseTest, UnopenableFilesFailWithStatusOne) {
    test::TempDir dir;
    test::writeFile(dir.file("zero.odb"), "");
    RecordDatabase db;
    EXPECT_EQ(db.readDatabase(dir.file("zero.odb")), StatusCode::Failure);
    EXPECT_EQ(db.readDatabase(dir.file("missing.odb")), StatusCode::Failure);
    EXPECT_EQ(db.readDatabase(dir.path().string()), StatusCode::Failure);
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    EXPECT_EQ(db.readDatabase(dir.file("fifo")), StatusCode::Failure);
}

TEST(RecordDatabaseTest, WriteIntoAMissingFolderFails) {
    test::TempDir dir;
    RecordDatabase db;
    EXPECT_EQ(db.writeDatabase(dir.file("no/such/folder/x.odb")), StatusCode::Failure);
    EXPECT_EQ(db.writeDatabase(""), StatusCode::Failure);
    EXPECT_EQ(db.writeDatabase(dir.path().string()), StatusCode::Failure);
}

TEST(RecordDatabaseTest, TypeAndCreatorReadOnlyWhereTheFileHoldsThem) {
    test::TempDir dir;
    const std::string full = test::headerBytes(HeaderFields{}, 0).str();
    std::uint32_t type = 1, creator = 1;

    test::writeFile(dir.file("full"), full);
    ASSERT_EQ(readTypeAndCreator(dir.file("full"), &type, &creator), StatusCode::Success);
    EXPECT_EQ(type, fourCharCode("PLCY"));
    EXPECT_EQ(creator, fourCharCode("QNRX"));

    test::writeFile(dir.file("partCreator"), full.substr(0, 67));
    ASSERT_EQ(readTypeAndCreator(dir.file("partCreator"), &type, &creator), StatusCode::Success);
    EXPECT_EQ(type, fourCharCode("PLCY"));
    EXPECT_EQ(creator, 0u);

    test::writeFile(dir.file("partType"), full.substr(0, 62));
    ASSERT_EQ(readTypeAndCreator(dir.file("partType"), &type, nullptr), StatusCode::Success);
    EXPECT_EQ(type, 0u);

    test::writeFile(dir.file("empty"), "");
    EXPECT_EQ(readTypeAndCreator(dir.file("empty"), &type, &creator), StatusCode::Failure);
    EXPECT_EQ(readTypeAndCreator(dir.file("missing"), nullptr, nullptr), StatusCode::Failure);
}

TEST(RecordDatabaseTest, ReadWholeFileReadsEveryByteAndRefusesEmptyFiles) {
    test::TempDir dir;
    std::string content(100000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    test::writeFile(dir.file("whole"), content);
    ByteBuffer buffer;
    ASSERT_EQ(readWholeFile(dir.file("whole"), buffer), StatusCode::Success);
    EXPECT_EQ(buffer.view(), content);

    test::writeFile(dir.file("empty"), "");
    EXPECT_EQ(readWholeFile(dir.file("empty"), buffer), StatusCode::Failure);
    EXPECT_EQ(readWholeFile(dir.file("missing"), buffer), StatusCode::Failure);
    EXPECT_EQ(readWholeFile(dir.path().string(), buffer), StatusCode::Failure);
}

TEST(RecordDatabaseTest, ReadWholeFileRefusesAFileOverItsLimitBeforeReadingIt) {
    test::TempDir dir;
    test::writeFile(dir.file("ten"), "0123456789");
    ByteBuffer buffer;
    EXPECT_EQ(readWholeFile(dir.file("ten"), buffer, 10), StatusCode::Success);
    EXPECT_EQ(buffer.view(), "0123456789");
    ByteBuffer refused;
    EXPECT_EQ(readWholeFile(dir.file("ten"), refused, 9), StatusCode::Failure);
    EXPECT_TRUE(refused.empty());
}

TEST(RecordDatabaseTest, ADatabaseOverTheSizeLimitIsNotWritten) {
    test::TempDir dir;
    RecordDatabase db;
    auto fits = std::make_unique<RecordEntry>();
    ASSERT_EQ(fits->data.resize(kSixtyFourMebibytes - 86), 0);
    ASSERT_TRUE(db.appendRecord(fits));
    ASSERT_TRUE(db.assignDataOffsets());
    EXPECT_EQ(db.fileSize(), kSixtyFourMebibytes);

    auto more = entryWith("x");
    ASSERT_TRUE(db.appendRecord(more));
    EXPECT_EQ(db.writeDatabase(dir.file("over.odb")), StatusCode::Failure);
    EXPECT_FALSE(fs::exists(dir.file("over.odb")));
}

TEST(RecordDatabaseTest, CopyHeaderCopiesTheNameUpToItsNulAndNoRecords) {
    RecordDatabase source = databaseWithRecords(0, {3});
    const std::string name = "QNRX_Old";
    std::fill(source.name.begin(), source.name.end(), 'X'); // garbage after the NUL
    std::copy(name.begin(), name.end(), source.name.begin());
    source.name[name.size()] = '\0';
    source.attributes = 0x41;
    source.version = 3;
    source.creationDate = 1;
    source.modificationDate = 2;
    source.lastBackupDate = 3;
    source.modificationNumber = 4;
    source.appInfoOffset = 5;
    source.sortInfoOffset = 6;
    source.creator = 8;
    source.uniqueIdSeed = 9;
    source.headerValid = true;

    RecordDatabase target;
    target.copyHeader(source);
    EXPECT_EQ(std::string(target.name.data(), 32), name + std::string(32 - name.size(), '\0'));
    EXPECT_EQ(target.attributes, 0x41);
    EXPECT_EQ(target.version, 3);
    EXPECT_EQ(target.creationDate, 1u);
    EXPECT_EQ(target.modificationDate, 2u);
    EXPECT_EQ(target.lastBackupDate, 3u);
    EXPECT_EQ(target.modificationNumber, 4u);
    EXPECT_EQ(target.appInfoOffset, 5u);
    EXPECT_EQ(target.sortInfoOffset, 6u);
    EXPECT_EQ(target.type, fourCharCode("PLCY"));
    EXPECT_EQ(target.creator, 8u);
    EXPECT_EQ(target.uniqueIdSeed, 9u);
    EXPECT_FALSE(target.headerValid);
    EXPECT_EQ(target.recordCount(), 0u);

    std::fill(source.name.begin(), source.name.end(), 'Z');
    target.copyHeader(source);
    EXPECT_EQ(std::string(target.name.data(), 32), std::string(32, 'Z'));
}

} // namespace
} // namespace corvane
