#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "com/Error.h"
#include "host/format/Styles.h"

namespace tavlora::host {
namespace {

constexpr const char* kTemplateStyles =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
    R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006">)"
    R"(<numFmts count="1"><numFmt numFmtId="170" formatCode="0.000"/></numFmts>)"
    R"(<fonts count="2"><font><sz val="10"/><name val="Arial"/></font><font><b/><i/><sz val="12"/><color rgb="FFFF0000"/><name val="Verdana"/></font></fonts>)"
    R"(<fills count="3"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill>)"
    R"(<fill><patternFill patternType="solid"><fgColor rgb="FFFFFF00"/></patternFill></fill></fills>)"
    R"(<borders count="1"><border/></borders>)"
    R"(<cellStyleXfs count="1"><xf/></cellStyleXfs>)"
    R"(<cellXfs count="3"><xf numFmtId="0" fontId="0"/><xf numFmtId="170" fontId="1" fillId="2" applyNumberFormat="1"/>)"
    R"(<xf numFmtId="14" fontId="0"><alignment horizontal="center" vertical="top" wrapText="1"/></xf></cellXfs>)"
    R"(<dxfs count="1"><dxf><font><b/></font></dxf></dxfs>)"
    R"(<extLst><ext uri="{x}"><keep/></ext></extLst>)"
    R"(</styleSheet>)";

TEST(StylesTest, DefaultStyleSheetHasOnePlainFormat) {
    Styles styles;
    ASSERT_EQ(styles.cellFormatCount(), 1u);
    const CellFormatInfo& f = styles.cellFormat(0);
    EXPECT_EQ(f.font.name, "Calibri");
    EXPECT_EQ(f.font.size, 11);
    EXPECT_FALSE(f.font.bold);
    EXPECT_EQ(f.numberFormat, "General");
    EXPECT_EQ(f.horizontal, align::kGeneral);
    EXPECT_EQ(f.vertical, align::kBottom);
}

TEST(StylesTest, ReadsFontsNumberFormatsAndAlignment) {
    Styles styles;
    styles.loadXml(kTemplateStyles);
    ASSERT_EQ(styles.cellFormatCount(), 3u);
    EXPECT_EQ(styles.cellFormat(0).font.name, "Arial");
    const CellFormatInfo& custom = styles.cellFormat(1);
    EXPECT_EQ(custom.numberFormat, "0.000");
    EXPECT_TRUE(custom.font.bold);
    EXPECT_TRUE(custom.font.italic);
    EXPECT_EQ(custom.font.size, 12);
    const CellFormatInfo& aligned = styles.cellFormat(2);
    EXPECT_EQ(aligned.numberFormat, "m/d/yyyy");
    EXPECT_EQ(aligned.horizontal, align::kCenter);
    EXPECT_EQ(aligned.vertical, align::kTop);
    EXPECT_TRUE(aligned.wrapText);
}

TEST(StylesTest, DerivingKeepsEverythingElseOfTheFormat) {
    Styles styles;
    styles.loadXml(kTemplateStyles);
    StyleChange change;
    change.fontSize = 20;
    uint32_t derived = styles.derive(1, change);
    EXPECT_EQ(derived, 3u);
    const CellFormatInfo& f = styles.cellFormat(derived);
    EXPECT_EQ(f.font.size, 20);
    EXPECT_EQ(f.font.name, "Verdana");
    EXPECT_TRUE(f.font.bold);
    EXPECT_EQ(f.numberFormat, "0.000");
    std::string xml = styles.toXml();
    // The fill, colour, dxfs and extension survive; counts follow the lists.
    EXPECT_NE(xml.find(R"(<xf numFmtId="170" fontId="2" fillId="2" applyNumberFormat="1" applyFont="1"/>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<font><b/><i/><sz val="20"/><color rgb="FFFF0000"/><name val="Verdana"/></font>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<cellXfs count="4">)"), std::string::npos);
    EXPECT_NE(xml.find(R"(<fonts count="3">)"), std::string::npos);
    EXPECT_NE(xml.find("<keep/>"), std::string::npos);
    EXPECT_NE(xml.find(R"(<dxfs count="1"><dxf><font><b/></font></dxf></dxfs>)"), std::string::npos);
}

TEST(StylesTest, IdenticalDerivedFormatsAreShared) {
    Styles styles;
    StyleChange bold;
    bold.bold = true;
    uint32_t first = styles.derive(0, bold);
    EXPECT_EQ(styles.derive(0, bold), first);
    StyleChange notBold;
    notBold.bold = false;
    EXPECT_EQ(styles.derive(first, notBold), 0u);
    StyleChange format;
    format.numberFormat = "0.0%";
    uint32_t percent = styles.derive(first, format);
    EXPECT_EQ(styles.derive(first, format), percent);
    EXPECT_EQ(styles.cellFormat(percent).numberFormat, "0.0%");
    EXPECT_TRUE(styles.cellFormat(percent).font.bold);
    EXPECT_EQ(styles.cellFormatCount(), 3u);
}

TEST(StylesTest, NumberFormatsReuseBuiltInAndCustomIds) {
    Styles styles;
    styles.loadXml(kTemplateStyles);
    StyleChange change;
    change.numberFormat = "0.000";
    styles.derive(0, change);
    change.numberFormat = "0.00";  // built-in 2
    styles.derive(0, change);
    change.numberFormat = "yyyy-mm-dd";
    uint32_t iso = styles.derive(0, change);
    std::string xml = styles.toXml();
    EXPECT_NE(xml.find(R"(<xf numFmtId="170" fontId="0" applyNumberFormat="1"/>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<xf numFmtId="2" fontId="0" applyNumberFormat="1"/>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<numFmt numFmtId="171" formatCode="yyyy-mm-dd"/>)"), std::string::npos) << xml;
    EXPECT_NE(xml.find(R"(<numFmts count="2">)"), std::string::npos);
    StyleChange text;
    text.numberFormat = "@";
    EXPECT_TRUE(styles.isTextFormat(styles.derive(iso, text)));
}

TEST(StylesTest, SavedStylesReadBackTheSame) {
    Styles styles;
    StyleChange change;
    change.fontName = "Georgia";
    change.horizontal = align::kRight;
    uint32_t xf = styles.derive(0, change);
    Styles again;
    again.loadXml(styles.toXml());
    EXPECT_EQ(again.cellFormat(xf).font.name, "Georgia");
    EXPECT_EQ(again.cellFormat(xf).horizontal, align::kRight);
}

TEST(StylesTest, ACopyDerivesOnItsOwn) {
    Styles original;
    original.loadXml(kTemplateStyles);
    original.setUses1904Dates(true);
    Styles copy(original);
    EXPECT_EQ(copy.toXml(), original.toXml());
    EXPECT_TRUE(copy.uses1904Dates());
    ASSERT_EQ(copy.cellFormatCount(), 3u);
    EXPECT_EQ(copy.cellFormat(2).horizontal, align::kCenter);

    // The copy's formats are its own nodes: deriving from them reads the copy, and what it adds
    // never shows in the original, nor what the original adds in the copy.
    StyleChange bigger;
    bigger.fontSize = 20;
    uint32_t derived = copy.derive(1, bigger);
    EXPECT_EQ(derived, 3u);
    EXPECT_EQ(copy.cellFormat(derived).numberFormat, "0.000");
    EXPECT_EQ(copy.derive(1, bigger), derived) << "identical derived formats are still shared in a copy";
    EXPECT_EQ(original.cellFormatCount(), 3u);
    StyleChange format;
    format.numberFormat = "0.0%";
    EXPECT_EQ(original.derive(2, format), 3u);
    EXPECT_EQ(original.cellFormat(3).numberFormat, "0.0%");
    EXPECT_EQ(copy.cellFormat(3).font.size, 20);
    EXPECT_EQ(copy.toXml().find("0.0%"), std::string::npos);

    Styles assigned;
    assigned = copy;
    EXPECT_EQ(assigned.toXml(), copy.toXml());
    EXPECT_EQ(assigned.derive(1, bigger), derived);
}

TEST(StylesTest, CopiesShareTheSheetUntilOneChangesIt) {
    // A format handed out before the change stays valid and as it was, even once every other
    // holder of the sheet it came from is gone.
    auto original = std::make_unique<Styles>();
    original->loadXml(kTemplateStyles);
    const std::string savedBefore = original->toXml();
    Styles copy(*original);
    const CellFormatInfo& held = copy.cellFormat(1);
    StyleChange bigger;
    bigger.fontSize = 20;
    EXPECT_EQ(copy.derive(1, bigger), 3u);
    original.reset();
    EXPECT_EQ(held.numberFormat, "0.000");
    EXPECT_EQ(held.font.size, 12);
    // The kept text of the sheet goes with the change, in the copy that changed it only.
    EXPECT_NE(copy.toXml(), savedBefore);
    EXPECT_NE(copy.toXml().find("<cellXfs count=\"4\">"), std::string::npos);

    Styles alone;
    alone.loadXml(kTemplateStyles);
    EXPECT_EQ(alone.toXml(), savedBefore);
    alone.derive(1, bigger);
    EXPECT_EQ(alone.toXml(), copy.toXml()) << "a sheet no one shares kept its old text after a change";

    // Every new workbook starts from the same default sheet; a change to one is its own.
    Styles first;
    Styles second;
    first.derive(0, bigger);
    EXPECT_EQ(first.cellFormatCount(), 2u);
    EXPECT_EQ(second.cellFormatCount(), 1u);
    EXPECT_EQ(Styles().cellFormatCount(), 1u);
    EXPECT_EQ(Styles().toXml(), second.toXml());
}

TEST(StylesTest, CopiesOfOneSheetChangeOnSeveralThreads) {
    Styles shared;
    shared.loadXml(kTemplateStyles);
    shared.toXml();
    std::vector<std::string> saved(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < saved.size(); ++t) {
        threads.emplace_back([&shared, &saved, t] {
            for (int round = 0; round < 50; ++round) {
                Styles mine(shared);
                StyleChange change;
                change.fontSize = 8 + static_cast<double>(t);
                mine.derive(1, change);
                saved[t] = mine.toXml();
                EXPECT_EQ(shared.toXml().find("<cellXfs count=\"3\">") != std::string::npos, true);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (size_t t = 0; t < saved.size(); ++t)
        EXPECT_NE(saved[t].find("<sz val=\"" + std::to_string(8 + t) + "\"/>"), std::string::npos) << t;
    EXPECT_EQ(shared.cellFormatCount(), 3u);
}

TEST(StylesTest, RefusesIllFormedXml) {
    Styles styles;
    try {
        styles.loadXml("<styleSheet><fonts>");
        FAIL() << "expected an error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kHostError);
        EXPECT_EQ(std::string(e.what()).rfind("The styles part is not well-formed XML: ", 0), 0u) << e.what();
    }
    EXPECT_THROW(styles.loadXml("<other/>"), com::Error);
    // A refused part leaves the styles as they were.
    EXPECT_EQ(styles.cellFormat(0).font.name, "Calibri");
}

}  // namespace
}  // namespace tavlora::host
