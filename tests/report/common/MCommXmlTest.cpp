#include <gtest/gtest.h>

#include <fstream>

#include "report/common/MCommXml.h"
#include "support/TestPaths.h"

namespace tavlora::common::MCommXml {
namespace {

constexpr const char* kRecords = R"(<?xml version="1.0" encoding="UTF-8"?>
<data>
  <rec Name="Ann" Qty="3"/>
  <rec Name="Bo" Qty=""/>
  <rec Name="Cy" Qty="7">note <i>inner</i></rec>
  <summary rec="3"/>
</data>
)";

class MCommXmlTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& text) {
        auto path = dir_.file(name);
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }

    test::TempDir dir_;
};

TEST_F(MCommXmlTest, LoadXmlDocumentAnswersNothingForMissingOrIllFormedFiles) {
    EXPECT_NE(LoadXmlDocument(write("ok.xml", kRecords)), nullptr);
    EXPECT_EQ(LoadXmlDocument(dir_.file("absent.xml").string()), nullptr);
    EXPECT_EQ(LoadXmlDocument(write("bad.xml", "<data><rec></data>")), nullptr);
    EXPECT_EQ(LoadXmlDocument(""), nullptr);
}

TEST_F(MCommXmlTest, BareNameSelectsChildrenOfTheRootInDocumentOrder) {
    auto list = LoadXmlNodeList(write("d.xml", kRecords), "rec");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->length(), 3);
    std::vector<std::string> names;
    for (data::XmlNode node = list->nextNode(); node != nullptr; node = list->nextNode())
        names.push_back(GetAttributeText(node, "Name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Ann", "Bo", "Cy"}));
}

TEST_F(MCommXmlTest, AbsoluteQuerySelectsFromTheDocumentTop) {
    std::string file = write("d.xml", kRecords);
    EXPECT_EQ(LoadXmlNodeList(file, "/data/rec")->length(), 3);
    EXPECT_EQ(LoadXmlNodeList(file, "/rec")->length(), 0);
    EXPECT_EQ(LoadXmlNodeList(file, "data/rec")->length(), 0) << "relative to the root element, not the document";
    EXPECT_EQ(LoadXmlNodeList(file, "rec[@Qty != '']")->length(), 2);
}

TEST_F(MCommXmlTest, EmptyResultIsAListFailureIsNothing) {
    std::string file = write("d.xml", kRecords);
    auto empty = LoadXmlNodeList(file, "invoice");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->length(), 0);
    EXPECT_EQ(LoadXmlNodeList(file, "rec[@Name="), nullptr) << "a query that does not compile";
    EXPECT_EQ(LoadXmlNodeList(file, "count(rec)"), nullptr) << "a query that selects no nodes";
    EXPECT_EQ(LoadXmlNodeList(dir_.file("absent.xml").string(), "rec"), nullptr);
}

TEST_F(MCommXmlTest, SelectNodesOfTrapsEveryFailure) {
    auto document = LoadXmlDocument(write("d.xml", kRecords));
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(SelectNodesOf(data::XmlNode(), "rec"), nullptr);
    EXPECT_EQ(SelectNodesOf(document->documentElement(), "]["), nullptr);
    EXPECT_EQ(SelectNodesOf(document->documentElement(), "rec/@Name")->length(), 3);
}

TEST_F(MCommXmlTest, GetAttributeTextGivesEmptyTextWhenAbsentEmptyOrNoElement) {
    auto list = LoadXmlNodeList(write("d.xml", kRecords), "rec");
    data::XmlNode bo = list->item(1);
    EXPECT_EQ(GetAttributeText(bo, "Name"), "Bo");
    EXPECT_EQ(GetAttributeText(bo, "Qty"), "");
    EXPECT_EQ(GetAttributeText(bo, "Missing"), "");
    EXPECT_EQ(GetAttributeText(bo, "name"), "") << "attribute names match with their letter case";
    EXPECT_EQ(GetAttributeText(data::XmlNode(), "Name"), "");
    EXPECT_EQ(GetAttributeText(bo.selectNodes("@Name")->item(0), "Name"), "") << "an attribute node is no element";
}

TEST_F(MCommXmlTest, GetNodeNameOrTextByMode) {
    auto list = LoadXmlNodeList(write("d.xml", kRecords), "rec");
    data::XmlNode cy = list->item(2);
    EXPECT_EQ(GetNodeNameOrText(cy, 0), "rec");
    EXPECT_EQ(GetNodeNameOrText(cy, 1), "note inner");
    EXPECT_EQ(GetNodeNameOrText(cy, 2), "");
    EXPECT_EQ(GetNodeNameOrText(cy, -1), "");
}

TEST_F(MCommXmlTest, GetNodeNameOrTextPassesFailuresOnButOnlyWhenItReadsTheNode) {
    EXPECT_EQ(GetNodeNameOrText(data::XmlNode(), 2), "") << "mode 2 does not touch the node";
    try {
        GetNodeNameOrText(data::XmlNode(), 0);
        FAIL() << "no error";
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kObjectNotSet);
    }
    EXPECT_THROW(GetNodeNameOrText(data::XmlNode(), 1), com::Error);
}

TEST_F(MCommXmlTest, NodeListOutlivesTheDocumentLoadedForIt) {
    // LoadXmlNodeList drops its document at once; the list alone must keep the tree.
    auto list = LoadXmlNodeList(write("d.xml", kRecords), "rec");
    std::filesystem::remove(dir_.file("d.xml"));
    EXPECT_EQ(GetAttributeText(list->item(0), "Qty"), "3");
}

TEST_F(MCommXmlTest, ExternalEntityFileIsNotLoaded) {
    write("secret.txt", "TOP SECRET");
    std::string file = write("xxe.xml", "<!DOCTYPE data [<!ENTITY s SYSTEM \"" + dir_.file("secret.txt").string() +
                                            "\">]><data><rec Name=\"&s;\"/></data>");
    EXPECT_EQ(LoadXmlNodeList(file, "rec"), nullptr);
}

}  // namespace
}  // namespace tavlora::common::MCommXml
