#include "server/ClassRegistry.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "server/TypeLibrary.h"

namespace tavlora::server {
namespace {

using MemberList = std::vector<std::pair<std::string, com::DISPID>>;

// Member names in slot order with their identifiers; a property's accessors count once.
MemberList membersOf(const com::Dispatch& object) {
    MemberList members;
    for (const auto& member : object.dispatchTable().members()) {
        if (!members.empty() && members.back().first == member.name) {
            EXPECT_EQ(members.back().second, member.dispid) << member.name;
            continue;
        }
        members.emplace_back(member.name, member.dispid);
    }
    return members;
}

struct PinnedClass {
    const char* progId;
    const char* classId;
    const char* interfaceName;
    const char* interfaceId;
    MemberList members;
};

std::vector<PinnedClass> pinnedClasses() {
    return {
        {"Tavlora.CExcelBatDo", "{8CFC6ACE-6B0E-4ED2-AA61-B89671AFE482}", "_CExcelBatDo",
         "{576AD028-E06B-4EE7-A9D0-CD0FF5AAC42C}",
         {{"CurWk", 0x68030001}, {"IsDelUnUse", 0x68030000}, {"DoCopy", 0x60030003}, {"DoBegin", 0x60030004},
          {"DoEnd", 0x60030005}, {"DoAddSheet", 0x60030007}}},
        {"Tavlora.CExcelTmplPrintOne", "{95121B01-90B4-4BEC-90A9-2C04E50D6882}", "_CExcelTmplPrintOne",
         "{D7D22F8E-324A-411E-ADCC-E43CD9FFDC02}",
         {{"CurBatObj", 0x68030002}, {"CurWk", 0x68030001}, {"CurSheet", 0x68030000}, {"DoA_Begin", 0x60030004},
          {"DoA_ReplaceRst", 0x60030005}, {"DoA_ReplaceA", 0x60030006}, {"DoA_OutputString", 0x60030007},
          {"DoA_OutputString1", 0x60030008}, {"DoA_End", 0x60030009}, {"DoA_ReplaceXml0", 0x6003000F},
          {"DoA_ReplaceXml", 0x60030010}}},
        {"Tavlora.CExcelTmplPrintBat", "{556962B2-070D-4012-895A-55C84C5A2693}", "_CExcelTmplPrintBat",
         "{0820E86C-2941-47C1-9705-BFA593829444}",
         {{"CurBatObj", 0x68030003}, {"CurWk", 0x68030002}, {"CurSheet", 0x68030001}, {"IsNoZero", 0x68030000},
          {"DoA_Begin", 0x60030005}, {"DoA_OutputRst", 0x60030006}, {"DoA_ReplaceWhiteDot", 0x60030007},
          {"DoA_OutputString", 0x60030008}, {"DoA_OutputString1", 0x60030009}, {"DoA_End", 0x6003000A},
          {"DoA_OutputXml0", 0x60030012}, {"DoA_OutputXml", 0x60030013}}},
        {"Tavlora.CExcelOutputRcd", "{352B3B96-3FB1-4603-A5F3-9F311167C9CD}", "_CExcelOutputRcd",
         "{B5A5C0F4-1B24-4922-B5E7-8DD1983763FB}",
         {{"CurBatObj", 0x68030009}, {"CurWk", 0x68030008}, {"CurSheet", 0x68030007},
          {"IsFldNameOfAlias", 0x68030006}, {"IsTitle", 0x68030005}, {"Title", 0x68030004},
          {"IsNoZero", 0x68030003}, {"DoA_RcdRst", 0x6003000A}, {"xmlWay", 0x68030002}, {"xmlFldKey", 0x68030001},
          {"xmlFldAdo", 0x68030000}, {"DoA_RcdXml0", 0x6003000E}, {"DoA_RcdXml", 0x6003000F}}},
        {"Tavlora.CExcelChart", "{EBA2EED5-E39B-46EF-B901-66CB84819A30}", "_CExcelChart",
         "{3B7F1D55-9353-4A3F-9AD7-935EA41E5CF7}",
         {{"CurBatObj", 0x68030003}, {"CurWk", 0x68030002}, {"CurSheet", 0x68030001}, {"CurChart", 0x68030000},
          {"oSetGroupCount", 0x60030006}, {"oGetGroupCount", 0x60030007}, {"oSetGroupIsSheetRange", 0x60030008},
          {"oGetGroupIsSheetRange", 0x60030009}, {"oGetGroupName", 0x6003000A}, {"oSetGroupName", 0x6003000B},
          {"oSetSeriesCount", 0x6003000C}, {"oGetSeriesCount", 0x6003000D}, {"oGetSeriesName", 0x6003000E},
          {"oSetSeriesName", 0x6003000F}, {"oSetSeriesValue", 0x60030010}, {"oSetSeriesValue_Data", 0x60030011},
          {"oSetRange_Sheet", 0x60030013}, {"oSetSeriesValue_Range", 0x60030014},
          {"oSetSeriesValue_Range1", 0x60030015}, {"oSetSeriesName_Range", 0x60030016},
          {"oSetSeriesName_Range1", 0x60030017}, {"oSetGroupName_Range", 0x60030018},
          {"oSetGroupName_Range1", 0x60030019}, {"DoA_SetStyle", 0x6003001E}, {"DoA_SetTitle", 0x6003001F},
          {"DoA_Chart", 0x60030020}, {"DoA_ChartFromRange_SetData", 0x60030021},
          {"DoA_ChartFromRange_SetData1", 0x60030022}, {"DoA_ChartFromRange", 0x60030023},
          {"DoA_OutputString", 0x60030024}, {"DoA_OutputString1", 0x60030025}, {"DoA_ReplaceText", 0x60030026},
          {"DoA_ReplaceWhiteDot", 0x60030027}}},
    };
}

TEST(ClassRegistry, PinsIdentifiersAndMemberOrderOfEveryClass) {
    const auto pinned = pinnedClasses();
    ASSERT_EQ(libraryClasses().size(), pinned.size());
    for (size_t i = 0; i < pinned.size(); ++i) {
        const auto& info = libraryClasses()[i];
        const auto& expected = pinned[i];
        EXPECT_EQ(info.progId, expected.progId);
        EXPECT_EQ(info.classId, expected.classId);
        EXPECT_EQ(info.interfaceName, expected.interfaceName);
        EXPECT_EQ(info.interfaceId, expected.interfaceId);
        auto object = info.create();
        EXPECT_EQ(object->dispatchTable().interfaceName(), expected.interfaceName);
        EXPECT_EQ(membersOf(*object), expected.members) << expected.progId;
    }
}

TEST(ClassRegistry, TypeLibraryIdentity) {
    const auto& lib = typeLibraryInfo();
    EXPECT_EQ(lib.name, "Tavlora");
    EXPECT_EQ(lib.libraryId, "{CEA818B5-F18B-43B4-B866-EC7D7697A3DB}");
    EXPECT_EQ(lib.majorVersion, 1);
    EXPECT_EQ(lib.minorVersion, 0);
    EXPECT_EQ(lib.sWhiteColId, "{7612E79D-44ED-41A3-A8B0-C6CD92203C31}");
    EXPECT_EQ(lib.ePosTypeId, "{6EE8119D-4063-464A-9FD1-8A9A2C34A873}");
}

TEST(ClassFactory, CreatesByProgIdOrClassIdAndAnswersTheUnloadQuery) {
    ClassFactory factory;
    EXPECT_TRUE(factory.canUnloadNow());
    auto job = factory.createObject("tavlora.cexcelbatdo");
    EXPECT_EQ(job->dispatchTable().interfaceName(), "_CExcelBatDo");
    auto filler = factory.createObject("95121b01-90b4-4bec-90a9-2c04e50d6882");
    EXPECT_EQ(filler->dispatchTable().interfaceName(), "_CExcelTmplPrintOne");
    EXPECT_FALSE(factory.canUnloadNow());
    job.reset();
    EXPECT_FALSE(factory.canUnloadNow());
    filler.reset();
    EXPECT_TRUE(factory.canUnloadNow());
    try {
        factory.createObject("Tavlora.Nothing");
        FAIL() << "an unknown class was created";
    } catch (const com::Error& e) {
        EXPECT_EQ(static_cast<uint32_t>(e.code()), 0x80040154u);
        EXPECT_STREQ(e.what(), "Class not registered: Tavlora.Nothing");
    }
}

TEST(TypeLibrary, CheckedInIdlMatchesTheDispatchTables) {
    std::ifstream in(std::string(TAVLORA_SOURCE_DIR) + "/src/server/Tavlora.idl");
    ASSERT_TRUE(in) << "src/server/Tavlora.idl is missing";
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), generateIdl()) << "regenerate it with: tavlora-idl > src/server/Tavlora.idl";
}

TEST(TypeLibrary, DescribesParametersDefaultsAndTypes) {
    const std::string idl = generateIdl();
    EXPECT_NE(idl.find("library Tavlora"), std::string::npos);
    EXPECT_NE(idl.find("uuid(CEA818B5-F18B-43B4-B866-EC7D7697A3DB)"), std::string::npos);
    EXPECT_NE(idl.find("HRESULT DoEnd([in, optional, defaultvalue(\"\")] BSTR strFile, [in, optional, "
                       "defaultvalue(0)] VARIANT_BOOL bDispExcel"),
              std::string::npos);
    EXPECT_NE(idl.find("[id(0x68030001), propputref, helpstring(\"The workbook the job holds between DoBegin and "
                       "DoEnd.\")]\n        HRESULT CurWk("),
              std::string::npos);
    EXPECT_NE(idl.find("ePosType_A1 = 2"), std::string::npos);
    EXPECT_NE(idl.find("short nRowOffset;"), std::string::npos);
    EXPECT_NE(idl.find("coclass CExcelChart"), std::string::npos);
}

}  // namespace
}  // namespace tavlora::server
