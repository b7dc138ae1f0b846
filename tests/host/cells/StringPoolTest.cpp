#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/cells/StringPool.h"

namespace tavlora::host::test {
namespace {

TEST(StringPoolTest, EqualTextsShareOneIdInInsertionOrder) {
    StringPool pool;
    EXPECT_EQ(pool.intern("north"), 0u);
    EXPECT_EQ(pool.intern("south"), 1u);
    EXPECT_EQ(pool.intern("north"), 0u);
    EXPECT_EQ(pool.intern(""), 2u);
    EXPECT_EQ(pool.intern(std::string("nor") + "th"), 0u);
    EXPECT_EQ(pool.size(), 3u);
    EXPECT_EQ(pool.text(1), "south");
    EXPECT_EQ(pool.richXml(1), "");
}

TEST(StringPoolTest, ManyTextsStayFindableAndTheirReferencesValidAsThePoolGrows) {
    StringPool pool;
    const std::string& first = pool.text(pool.intern("the first text, long enough to live on the heap"));
    std::vector<uint32_t> ids;
    const std::string* later = nullptr;  // one past the first megabyte of texts, where they take large pages
    for (int i = 0; i < 200000; ++i) {
        ids.push_back(pool.intern("Customer " + std::to_string(i)));
        if (i == 100000) later = &pool.text(ids.back());
    }
    for (int i = 0; i < 200000; i += 997) {
        EXPECT_EQ(pool.intern("Customer " + std::to_string(i)), ids[size_t(i)]);
        EXPECT_EQ(pool.text(ids[size_t(i)]), "Customer " + std::to_string(i));
    }
    EXPECT_EQ(pool.size(), 200001u);
    EXPECT_EQ(first, "the first text, long enough to live on the heap");
    EXPECT_EQ(*later, "Customer 100000");
    const StringPool copy = pool;
    EXPECT_EQ(copy.text(ids[150000]), "Customer 150000");
    EXPECT_EQ(pool.intern("Customer 150000"), ids[150000]);
}

TEST(StringPoolTest, TextsDifferingOnlyPastTheirHashAreKeptApart) {
    // Texts that differ by a byte, an embedded zero and letter case are all different texts.
    StringPool pool;
    std::vector<std::string> texts = {"ab", "aB", "ab ", std::string("a\0b", 3), std::string("a\0c", 3), "a"};
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(pool.intern(texts[i]), i);
    for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(pool.intern(texts[i]), i);
}

TEST(StringPoolTest, RichTextsAreNeverMergedWithPlainOnes) {
    StringPool pool;
    uint32_t plain = pool.intern("bold");
    uint32_t rich = pool.addRich("bold", "<r><rPr><b/></rPr><t>bold</t></r>");
    EXPECT_NE(plain, rich);
    EXPECT_EQ(pool.text(rich), "bold");
    EXPECT_EQ(pool.richXml(rich), "<r><rPr><b/></rPr><t>bold</t></r>");
    EXPECT_EQ(pool.intern("bold"), plain);
    EXPECT_EQ(pool.richXml(plain), "");
}

}  // namespace
}  // namespace tavlora::host::test
