#include <gtest/gtest.h>

#include <fstream>

#include "com/Dispatch.h"
#include "data/DataErrors.h"
#include "data/XmlDocument.h"
#include "support/TestPaths.h"

namespace tavlora::data {
namespace {

using com::Variant;

constexpr const char* kOrders = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- orders of one day -->
<orders date="2024-05-01">
  <order id="1" customer="Ann" total="12.5">first <b>bold</b><![CDATA[ & raw]]></order>
  <order id="2" customer="Bo"/>
  <note>no order</note>
  <order id="3" customer="Çelik 陈" total=""/>
</orders>
)";

class XmlDocumentTest : public ::testing::Test {
protected:
    std::string write(const std::string& name, const std::string& bytes) {
        auto path = dir_.file(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    XmlDocumentPtr loaded(const std::string& xml) {
        auto document = std::make_shared<XmlDocument>();
        EXPECT_TRUE(document->load(write("doc.xml", xml))) << xml;
        return document;
    }

    static std::vector<std::string> attributeOfEach(XmlNodeList& list, const char* name) {
        std::vector<std::string> values;
        list.reset();
        for (XmlNode node = list.nextNode(); node != nullptr; node = list.nextNode())
            values.push_back(node.getAttribute(name).asString());
        return values;
    }

    test::TempDir dir_;
};

TEST_F(XmlDocumentTest, LoadsAFileAndSelectsRelativeToTheRootElement) {
    auto document = loaded(kOrders);
    XmlNode root = document->documentElement();
    EXPECT_EQ(root.nodeName(), "orders");
    EXPECT_EQ(root.nodeType(), 1);

    auto orders = root.selectNodes("order");
    ASSERT_EQ(orders->length(), 3);
    EXPECT_EQ(attributeOfEach(*orders, "id"), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(orders->nextNode(), nullptr) << "stays at the end after the last node";
    EXPECT_EQ(orders->item(2).getAttribute("customer"), Variant("Çelik 陈"));
    EXPECT_TRUE(orders->item(3).isNull());
    EXPECT_TRUE(orders->item(-1).isNull());
}

TEST_F(XmlDocumentTest, AbsoluteQueriesStartAtTheDocumentTop) {
    auto document = loaded(kOrders);
    XmlNode root = document->documentElement();
    EXPECT_EQ(root.selectNodes("/orders/order")->length(), 3);
    EXPECT_EQ(root.selectNodes("/order")->length(), 0);
    EXPECT_EQ(root.selectNodes("//b")->length(), 1);
    EXPECT_EQ(document->selectNodes("orders/order[@total]")->length(), 2);
}

TEST_F(XmlDocumentTest, QueryThatMatchesNothingGivesAnEmptyList) {
    auto list = loaded(kOrders)->documentElement().selectNodes("invoice");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->length(), 0);
    EXPECT_EQ(list->nextNode(), nullptr);
}

TEST_F(XmlDocumentTest, ResultsComeInDocumentOrderWhateverTheQueryOrder) {
    auto list = loaded(kOrders)->documentElement().selectNodes("note | order[@id='3'] | order[@id='1']");
    ASSERT_EQ(list->length(), 3);
    EXPECT_EQ(list->item(0).getAttribute("id"), Variant("1"));
    EXPECT_EQ(list->item(1).nodeName(), "note");
    EXPECT_EQ(list->item(2).getAttribute("id"), Variant("3"));
}

TEST_F(XmlDocumentTest, BadQueriesRaiseWithTheProblemNamed) {
    XmlNode root = loaded(kOrders)->documentElement();
    for (const char* query : {"order[", "///", "count(order)", "$x", ""}) {
        try {
            root.selectNodes(query);
            ADD_FAILURE() << "no error for " << query;
        } catch (const com::Error& e) {
            EXPECT_EQ(e.code(), hr::kBadQuery) << query;
            EXPECT_NE(std::string(e.what()).find(std::string("\"") + query + "\""), std::string::npos) << e.what();
        }
    }
}

TEST_F(XmlDocumentTest, TextConcatenatesDescendantTextAndCData) {
    XmlNode root = loaded(kOrders)->documentElement();
    XmlNode first = root.selectNodes("order")->item(0);
    EXPECT_EQ(first.text(), "first bold & raw");
    XmlNode cdata = first.selectNodes("text()")->item(1);
    EXPECT_EQ(cdata.nodeType(), 4);
    EXPECT_EQ(cdata.nodeName(), "#cdata-section");
    XmlNode text = first.selectNodes("text()")->item(0);
    EXPECT_EQ(text.nodeType(), 3);
    EXPECT_EQ(text.nodeName(), "#text");
    EXPECT_EQ(text.text(), "first ");
}

TEST_F(XmlDocumentTest, ElementTextDropsWhiteSpaceAtItsEndsUnlessPreserved) {
    auto document = loaded("<fields><f>\n id\n</f><f xml:space=\"preserve\"> name </f>"
                           "<g xml:space=\"preserve\"><f>\tkept <b>inner</b> x </f></g><f>  </f><f>a <b> b </b> c</f></fields>");
    auto fields = document->documentElement().selectNodes("//f");
    ASSERT_EQ(fields->length(), 5);
    EXPECT_EQ(fields->item(0).text(), "id");
    EXPECT_EQ(fields->item(1).text(), " name ");
    EXPECT_EQ(fields->item(2).text(), "\tkept inner x ");
    EXPECT_EQ(fields->item(3).text(), "");
    EXPECT_EQ(fields->item(4).text(), "a  b  c");
}

TEST_F(XmlDocumentTest, CommentsAndDocumentNodesHaveTheirTypesAndNames) {
    auto document = loaded(kOrders);
    XmlNode top = document->documentNode();
    EXPECT_EQ(top.nodeType(), 9);
    EXPECT_EQ(top.nodeName(), "#document");
    XmlNode comment = document->selectNodes("comment()")->item(0);
    EXPECT_EQ(comment.nodeType(), 8);
    EXPECT_EQ(comment.nodeName(), "#comment");
    EXPECT_EQ(comment.text(), " orders of one day ");
}

TEST_F(XmlDocumentTest, AttributesComeInDocumentOrder) {
    XmlNode first = loaded(kOrders)->documentElement().selectNodes("order")->item(0);
    XmlNamedNodeMap attributes = first.attributes();
    EXPECT_EQ(attributes.length(), 3);
    std::vector<std::string> seen;
    for (XmlNode a = attributes.nextNode(); a; a = attributes.nextNode()) {
        EXPECT_EQ(a.nodeType(), 2);
        seen.push_back(a.nodeName() + "=" + a.text());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"id=1", "customer=Ann", "total=12.5"}));
    attributes.reset();
    EXPECT_EQ(attributes.nextNode().nodeName(), "id");
    EXPECT_EQ(attributes.item(2).text(), "12.5");
    EXPECT_TRUE(attributes.item(3).isNull());
    EXPECT_EQ(first.selectNodes("text()")->item(0).attributes().length(), 0);
}

TEST_F(XmlDocumentTest, QueriesFromAnAttributeNodeWork) {
    XmlNode first = loaded(kOrders)->documentElement().selectNodes("order")->item(0);
    XmlNode id = first.selectNodes("@id")->item(0);
    ASSERT_EQ(id.nodeType(), 2);
    auto siblings = id.selectNodes("../@customer");
    ASSERT_EQ(siblings->length(), 1);
    EXPECT_EQ(siblings->item(0).text(), "Ann");
}

TEST_F(XmlDocumentTest, GetAttributeMatchesExactCaseAndAnswersNullWhenAbsent) {
    XmlNode first = loaded(kOrders)->documentElement().selectNodes("order")->item(0);
    EXPECT_EQ(first.getAttribute("customer"), Variant("Ann"));
    EXPECT_TRUE(first.getAttribute("Customer").isNull());
    EXPECT_TRUE(first.getAttribute("missing").isNull());
    XmlNode third = first.selectNodes("../order[3]")->item(0);
    EXPECT_EQ(third.getAttribute("total"), Variant(""));
    EXPECT_THROW(first.selectNodes("text()")->item(0).getAttribute("x"), com::Error);
}

TEST_F(XmlDocumentTest, NullNodeRaisesObjectNotSet) {
    XmlNode none;
    try {
        none.nodeName();
        FAIL();
    } catch (const com::Error& e) {
        EXPECT_EQ(e.code(), com::hr::kObjectNotSet);
    }
    EXPECT_THROW(none.selectNodes("a"), com::Error);
}

TEST_F(XmlDocumentTest, NodesKeepTheirDocumentAliveAcrossReloads) {
    XmlNodeListPtr list;
    XmlNode root;
    {
        auto document = loaded(kOrders);
        list = document->documentElement().selectNodes("order");
        root = document->documentElement();
        ASSERT_TRUE(document->loadXml("<other/>"));
        EXPECT_EQ(document->documentElement().nodeName(), "other");
    }
    EXPECT_EQ(root.nodeName(), "orders");
    EXPECT_EQ(list->item(1).getAttribute("customer"), Variant("Bo"));
}

TEST_F(XmlDocumentTest, MissingOrUnreadableFilesDoNotLoad) {
    XmlDocument document;
    EXPECT_FALSE(document.load(dir_.file("absent.xml").string()));
    EXPECT_TRUE(document.documentElement().isNull());
    EXPECT_FALSE(document.load(dir_.path().string())) << "a folder";
    EXPECT_FALSE(document.load(write("empty.xml", "")));
}

TEST_F(XmlDocumentTest, IllFormedDocumentsDoNotLoadAndLeaveTheDocumentEmpty) {
    XmlDocument document;
    ASSERT_TRUE(document.loadXml("<a/>"));
    const char* illFormed[] = {
        "<a><b></a>",           // mismatched tags
        "<a>",                  // unclosed
        "<a/><b/>",             // two roots
        "just text",            // no root
        "<a/>trailing",         // text after the root
        "<a x='1' x='2'/>",     // an attribute twice
        "<a x=1/>",             // unquoted attribute
        "<a>\xC3\x28</a>",      // not UTF-8
        "<?xml version='1.0' encoding='no-such-charset'?><a/>",
    };
    for (const char* xml : illFormed) {
        EXPECT_FALSE(document.load(write("bad.xml", xml))) << xml;
        EXPECT_TRUE(document.documentElement().isNull()) << xml;
    }
}

TEST_F(XmlDocumentTest, ExternalEntitiesAreNeverRead) {
    write("secret.txt", "TOP SECRET");
    std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY ext SYSTEM \"" + dir_.file("secret.txt").string() +
                      "\">]>\n<r a=\"&ext;\">&ext;</r>";
    XmlDocument document;
    EXPECT_FALSE(document.load(write("xxe.xml", xml))) << "a document that declares entities is refused";
    EXPECT_TRUE(document.documentElement().isNull());
}

TEST_F(XmlDocumentTest, DoctypeWithoutEntitiesLoadsWithoutItsDtd) {
    // The DTD would give every <r> an attribute; it must not be read.
    write("r.dtd", "<!ATTLIST r given CDATA \"from the dtd\">");
    std::string xml = "<!DOCTYPE r SYSTEM \"" + dir_.file("r.dtd").string() + "\">\n<r><c/></r>";
    auto document = loaded(xml);
    XmlNode root = document->documentElement();
    EXPECT_TRUE(root.getAttribute("given").isNull());
    EXPECT_EQ(document->selectNodes("node()")->length(), 1) << "the DOCTYPE is not a node of the tree";
}

TEST_F(XmlDocumentTest, LegacyAndUtf16EncodingsAreDecoded) {
    // "Äpfel" in ISO-8859-1 and "東京" in Shift_JIS.
    auto latin = loaded("<?xml version='1.0' encoding='ISO-8859-1'?><r n='\xC4pfel'/>");
    EXPECT_EQ(latin->documentElement().getAttribute("n"), Variant("Äpfel"));
    auto sjis = loaded("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><r>\x93\x8C\x8B\x9E</r>");
    EXPECT_EQ(sjis->documentElement().text(), "東京");

    std::string utf16le("\xFF\xFE", 2);
    for (char c : std::string("<r a='x'>ok</r>")) {
        utf16le += c;
        utf16le += '\0';
    }
    auto wide = loaded(utf16le);
    EXPECT_EQ(wide->documentElement().text(), "ok");
    auto bom = loaded("\xEF\xBB\xBF<r>b</r>");
    EXPECT_EQ(bom->documentElement().text(), "b");
}

TEST_F(XmlDocumentTest, MalformedBytesInADeclaredEncodingDoNotLoad) {
    XmlDocument document;
    EXPECT_FALSE(document.load(write("bad.xml", "<?xml version='1.0' encoding='Shift_JIS'?><r>\x81</r>")));
    std::string oddUtf16("\xFF\xFE<\0r\0/\0>\0\x00\xD8", 12);  // a lone surrogate
    EXPECT_FALSE(document.load(write("bad16.xml", oddUtf16)));
}

TEST_F(XmlDocumentTest, DeepDocumentsDoNotExhaustTheStack) {
    std::string xml;
    for (int i = 0; i < 100000; ++i) xml += "<d>";
    xml += "x";
    for (int i = 0; i < 100000; ++i) xml += "</d>";
    XmlDocument document;
    ASSERT_TRUE(document.loadXml(xml));
    EXPECT_EQ(document.documentElement().text(), "x");
}

TEST_F(XmlDocumentTest, AutomationClientWalksAListAndItsAttributes) {
    auto document = loaded(kOrders);
    auto documentObject = std::static_pointer_cast<com::Dispatch>(document);
    Variant root = documentObject->get("documentElement");
    Variant list = root.asObject()->call("selectNodes", {Variant("order")});
    com::Dispatch& nodes = *list.asObject();
    EXPECT_EQ(nodes.get("length"), Variant(int32_t{3}));
    Variant node = nodes.call("nextNode");
    EXPECT_EQ(node.asObject()->get("nodeType"), Variant(int32_t{1}));
    EXPECT_EQ(node.asObject()->call("getAttribute", {Variant("customer")}), Variant("Ann"));
    EXPECT_TRUE(node.asObject()->call("getAttribute", {Variant("nope")}).isNull());
    Variant attributes = node.asObject()->get("attributes");
    EXPECT_EQ(attributes.asObject()->get("length"), Variant(int32_t{3}));
    EXPECT_EQ(attributes.asObject()->call("nextNode").asObject()->get("nodeName"), Variant("id"));
    nodes.call("nextNode");
    nodes.call("nextNode");
    Variant after = nodes.call("nextNode");
    ASSERT_EQ(after.type(), com::VarType::Object);
    EXPECT_EQ(after.asObject(), nullptr);
    nodes.call("reset");
    EXPECT_EQ(xmlNodeFromVariant(nodes.call("nextNode")), document->documentElement().selectNodes("order")->item(0));
    EXPECT_EQ(xmlNodeListFromVariant(list).get(), list.asObject().get());
    EXPECT_THROW(xmlNodeFromVariant(list), com::Error);
    EXPECT_TRUE(xmlNodeFromVariant(Variant()).isNull());
}

}  // namespace
}  // namespace tavlora::data
