#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/DeflaterPool.h"
#include "host/xlsx/ZipInput.h"
#include "host/xlsx/ZipOutput.h"
#include "support/TestPaths.h"

namespace tavlora::test {
namespace {

namespace fs = std::filesystem;
using host::xlsx::DeflaterPool;
using host::xlsx::ZipInput;
using host::xlsx::ZipOutput;

// A small part that differs with `seed`, as one report's sheet differs from the next.
std::string reportText(int seed) {
    std::string text = "<?xml version=\"1.0\"?><sheetData>";
    for (int i = 0; i < 200; ++i)
        text += "<row r=\"" + std::to_string(i + 1) + "\"><c><v>" + std::to_string(i * seed + 7) + "</v></c></row>";
    return text + "</sheetData>";
}

std::string packedEntry(const fs::path& archive, const std::string& name) {
    ZipInput zip(archive.string(), {});
    const host::xlsx::ZipEntry* entry = zip.find(name);
    if (!entry) throw std::runtime_error(name + " is not in " + archive.string());
    zip.readString(*entry);  // checks the CRC
    return zip.readDeflated(*entry);
}

std::string unpackedEntry(const fs::path& archive, const std::string& name) {
    ZipInput zip(archive.string(), {});
    const host::xlsx::ZipEntry* entry = zip.find(name);
    if (!entry) throw std::runtime_error(name + " is not in " + archive.string());
    return zip.readString(*entry);
}

void save(const fs::path& path, int seed, DeflaterPool* pool) {
    ZipOutput zip(path.string(), base::FileSync::none(), pool);
    zip.addText("sheet.xml", reportText(seed));
    zip.addText("strings.xml", "<sst><si><t>report " + std::to_string(seed) + "</t></si></sst>");
    zip.commit();
}

class Failing : public host::xlsx::PartProducer {
public:
    bool next(std::string& out) override {
        out += "<half";
        throw std::runtime_error("the data source went away");
    }
};

TEST(DeflaterPool, LendsASetToOneBorrowerAtATimeAndKeepsNoMoreThanItsShare) {
    DeflaterPool pool(1);
    auto first = pool.borrow();
    auto second = pool.borrow();
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first.get(), second.get());
    host::xlsx::LocalDeflaters* firstSet = first.get();
    pool.giveBack(std::move(first));
    pool.giveBack(std::move(second));  // beyond the one kept: dropped
    EXPECT_EQ(pool.idle(), 1u);
    auto again = pool.borrow();
    EXPECT_EQ(again.get(), firstSet);
    EXPECT_EQ(pool.idle(), 0u);
    pool.giveBack(nullptr);
    EXPECT_EQ(pool.idle(), 0u);
}

// Two threads saving side by side: each must be lent the set it gave back, even when the other
// thread gave its own back after it, so that a compressor's tables stay on one core; a thread
// with none of its own takes any idle set rather than making one.
TEST(DeflaterPool, AThreadIsLentTheSetItGaveBackBeforeTheOtherThreads) {
    DeflaterPool pool(3);
    std::unique_ptr<host::xlsx::LocalDeflaters> mine = pool.borrow();
    host::xlsx::LocalDeflaters* mineSet = mine.get();
    host::xlsx::LocalDeflaters* otherSet = nullptr;
    std::thread other([&] {
        auto set = pool.borrow();
        otherSet = set.get();
        pool.giveBack(std::move(mine));  // handed over and given back on the other thread: not mine any more
        pool.giveBack(std::move(set));
    });
    other.join();
    ASSERT_NE(otherSet, mineSet);
    EXPECT_EQ(pool.idle(), 2u);
    mine = pool.borrow();
    EXPECT_EQ(mine.get(), otherSet) << "no set of this thread's: the last given back";
    pool.giveBack(std::move(mine));
    host::xlsx::LocalDeflaters* lastSet = nullptr;
    std::thread again([&] {
        auto set = std::make_unique<host::xlsx::LocalDeflaters>();
        lastSet = set.get();
        pool.giveBack(std::move(set));  // given back after this thread's
    });
    again.join();
    ASSERT_EQ(pool.idle(), 3u);
    mine = pool.borrow();
    EXPECT_EQ(mine.get(), otherSet) << "this thread's own set, though another was given back after it";
    EXPECT_NE(mine.get(), lastSet);
    EXPECT_EQ(pool.idle(), 2u);
}

// Kept compressors must make the very bytes fresh ones make, save after save, and a save whose
// part failed half-way must not leave them spoiled for the next.
TEST(DeflaterPool, SavesThroughThePoolMatchSavesWithFreshCompressorsEvenAfterAFailure) {
    TempDir dir;
    DeflaterPool pool;
    for (int seed = 1; seed <= 3; ++seed) {
        fs::path pooled = dir.file("pooled" + std::to_string(seed) + ".zip");
        fs::path fresh = dir.file("fresh" + std::to_string(seed) + ".zip");
        save(pooled, seed, &pool);
        save(fresh, seed, nullptr);
        EXPECT_EQ(pool.idle(), 1u);
        for (const char* part : {"sheet.xml", "strings.xml"})
            EXPECT_EQ(packedEntry(pooled, part), packedEntry(fresh, part)) << part << ", report " << seed;
        EXPECT_EQ(unpackedEntry(pooled, "sheet.xml"), reportText(seed));

        fs::path failed = dir.file("failed.zip");
        {
            ZipOutput zip(failed.string(), base::FileSync::none(), &pool);
            zip.addText("first.xml", reportText(seed + 10));
            zip.addStream("broken.xml", [] { return std::make_unique<Failing>(); });
            EXPECT_THROW(zip.commit(), std::runtime_error);
        }
        EXPECT_FALSE(fs::exists(failed));
        EXPECT_EQ(pool.idle(), 1u) << "the failed save gave its compressors back";
    }
}

TEST(DeflaterPool, TwoThreadsSavingThroughOnePoolEachGetTheirOwnReports) {
    TempDir dir;
    DeflaterPool pool;
    auto saveMany = [&](int thread) {
        for (int n = 0; n < 25; ++n) save(dir.file(std::to_string(thread) + "_" + std::to_string(n) + ".zip"),
                                          thread * 100 + n, &pool);
    };
    std::thread a(saveMany, 1), b(saveMany, 2);
    a.join();
    b.join();
    for (int thread : {1, 2})
        for (int n = 0; n < 25; ++n) {
            fs::path path = dir.file(std::to_string(thread) + "_" + std::to_string(n) + ".zip");
            ASSERT_EQ(unpackedEntry(path, "sheet.xml"), reportText(thread * 100 + n)) << path;
            ASSERT_EQ(unpackedEntry(path, "strings.xml"),
                      "<sst><si><t>report " + std::to_string(thread * 100 + n) + "</t></si></sst>");
        }
    EXPECT_LE(pool.idle(), 2u);
    EXPECT_GE(pool.idle(), 1u);
}

}  // namespace
}  // namespace tavlora::test
