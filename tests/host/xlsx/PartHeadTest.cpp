#include "host/xlsx/PartHead.h"

#include <gtest/gtest.h>
#include <libdeflate.h>

#include <string>
#include <thread>

#include "host/xlsx/ChunkedDeflate.h"

namespace tavlora::host::xlsx {
namespace {

// What a reader makes of the joined pieces; fails the test when they are not one sound stream
// of exactly the part's size and CRC.
std::string inflated(const DeflatedPart& part) {
    std::string stream = part.joined();
    std::string out(part.size, '\0');
    libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
    size_t consumed = 0, produced = 0;
    libdeflate_result result = libdeflate_deflate_decompress_ex(decompressor, stream.data(), stream.size(), out.data(),
                                                                out.size(), &consumed, &produced);
    libdeflate_free_decompressor(decompressor);
    EXPECT_EQ(result, LIBDEFLATE_SUCCESS);
    EXPECT_EQ(consumed, stream.size());
    EXPECT_EQ(produced, part.size);
    EXPECT_EQ(part.crc, static_cast<uint32_t>(libdeflate_crc32(0, out.data(), out.size())));
    return out;
}

// A sheet as a report of one template writes it: the template's columns and rows, then the
// report's own rows.
std::string sheetOf(int report, int rows = 20) {
    std::string xml = "<?xml version=\"1.0\"?>\n<worksheet><cols><col min=\"1\" max=\"3\" width=\"12\"/></cols><sheetData>";
    for (int r = 1; r <= 8; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) + "\" t=\"s\"><v>" +
               std::to_string(r) + "</v></c></row>";
    for (int r = 9; r < 9 + rows; ++r)
        xml += "<row r=\"" + std::to_string(r) + "\"><c r=\"B" + std::to_string(r) + "\"><v>" +
               std::to_string(70000 + report * 10 + r) + "</v></c></row>";
    return xml + "</sheetData></worksheet>";
}

DeflatedPart deflateThrough(PartHead& head, LocalDeflaters& deflaters, const std::string& bytes) {
    return head.deflate(bytes, deflaters, 1, 6);
}

TEST(PartHead, TheSecondPartTeachesTheHeadTheThirdTakesItAndEveryPartUnpacksToItsBytes) {
    PartHead head;
    LocalDeflaters deflaters;
    const std::string first = sheetOf(1), second = sheetOf(2), third = sheetOf(3, 25);

    EXPECT_EQ(inflated(deflateThrough(head, deflaters, first)), first);
    EXPECT_EQ(head.size(), 0u);  // nothing to compare with yet
    EXPECT_EQ(inflated(deflateThrough(head, deflaters, second)), second);
    // Cut after the last '>' the two share: their first own values (70019, 70029) begin alike,
    // but the value is the report's.
    const std::string expectedHead = first.substr(0, first.find("<row r=\"9\"><c r=\"B9\"><v>") + 24);
    ASSERT_EQ(head.size(), expectedHead.size());
    EXPECT_EQ(head.reuses(), 0u);

    DeflatedPart reused = deflateThrough(head, deflaters, third);
    EXPECT_EQ(reused.pieces.size(), 2u);
    EXPECT_EQ(inflated(reused), third);
    EXPECT_EQ(head.reuses(), 1u);

    // Exactly the head, and nothing after it: the rest is an empty last block.
    EXPECT_EQ(inflated(deflateThrough(head, deflaters, expectedHead)), expectedHead);
    EXPECT_EQ(head.reuses(), 2u);
}

// A report whose template rows came out otherwise (another text in row 2).
std::string changedSheetOf(int report) {
    std::string xml = sheetOf(report);
    return xml.replace(xml.find("<v>2</v>"), 8, "<v>22</v>");
}

TEST(PartHead, APartThatStartsOtherwiseIsDeflatedWholeAndTheHeadFollowsTheParts) {
    PartHead head;
    LocalDeflaters deflaters;
    deflateThrough(head, deflaters, sheetOf(1));
    deflateThrough(head, deflaters, sheetOf(2));
    const size_t learnt = head.size();
    ASSERT_GT(learnt, 0u);

    // The held head fits neither a part that starts otherwise nor one shorter than the head.
    const std::string shorter = "<?xml version=\"1.0\"?>\n<worksheet/>";
    for (const std::string& bytes : {changedSheetOf(3), shorter, changedSheetOf(4)}) {
        DeflatedPart whole = deflateThrough(head, deflaters, bytes);
        EXPECT_EQ(whole.pieces.size(), 1u);
        EXPECT_EQ(inflated(whole), bytes);
    }
    EXPECT_EQ(head.reuses(), 0u);
    // What each shared with the part before it was too short to replace it.
    EXPECT_EQ(head.size(), learnt);

    // Two parts deflated whole one after the other that start alike make the next head.
    EXPECT_EQ(deflateThrough(head, deflaters, changedSheetOf(5)).pieces.size(), 1u);
    EXPECT_EQ(head.size(), learnt + 1);  // "<v>22</v>" is one byte longer than "<v>2</v>"
    DeflatedPart reused = deflateThrough(head, deflaters, changedSheetOf(6));
    EXPECT_EQ(reused.pieces.size(), 2u);
    EXPECT_EQ(inflated(reused), changedSheetOf(6));
    EXPECT_EQ(inflated(deflateThrough(head, deflaters, sheetOf(7))), sheetOf(7));
    EXPECT_EQ(head.reuses(), 1u);
}

TEST(PartHead, AShortCommonStartIsNotKept) {
    PartHead head;
    LocalDeflaters deflaters;
    std::string a = "<sst count=\"1\"><si><t>" + std::string(300, 'a') + "</t></si></sst>";
    std::string b = "<sst count=\"1\"><si><t>" + std::string(300, 'b') + "</t></si></sst>";
    deflateThrough(head, deflaters, a);
    deflateThrough(head, deflaters, b);
    EXPECT_EQ(head.size(), 0u);  // "<sst count="1"><si><t>" is all they share
    EXPECT_EQ(inflated(deflateThrough(head, deflaters, a)), a);
    EXPECT_EQ(head.reuses(), 0u);
}

// Reports of one template on two threads share the head: every part still unpacks to its own
// bytes (each thread has its own compressors, as every save does).
TEST(PartHead, TwoThreadsShareOneHead) {
    PartHead head;
    std::string failures[2];
    auto run = [&](int thread) {
        LocalDeflaters deflaters;
        for (int n = thread; n < 60; n += 2) {
            const std::string bytes = sheetOf(n, 10 + n % 7);
            if (inflated(deflateThrough(head, deflaters, bytes)) != bytes) failures[thread] += std::to_string(n) + " ";
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    EXPECT_EQ(failures[0], "");
    EXPECT_EQ(failures[1], "");
    EXPECT_GT(head.reuses(), 40u);
}

}  // namespace
}  // namespace tavlora::host::xlsx
