#include "server/ApiReference.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "server/MemberDocs.h"
#include "server/TypeLibrary.h"

namespace tavlora::server {
namespace {

std::string checkedIn(const std::string& relativePath) {
    std::ifstream in(std::string(TAVLORA_SOURCE_DIR) + "/" + relativePath);
    EXPECT_TRUE(in) << relativePath << " is missing";
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ApiReference, EveryMemberAndParameterOfEveryClassIsDocumented) {
    ASSERT_EQ(classDocs().size(), libraryClasses().size());
    for (const auto& info : libraryClasses()) {
        auto object = info.create();
        EXPECT_EQ(documentationGaps(info.coclassName, object->dispatchTable()), std::vector<std::string>{})
            << info.coclassName << ": describe these in src/server/MemberDocs.cpp";
    }
}

TEST(ApiReference, AMemberOrParameterWithoutDocumentationIsReported) {
    const com::DispatchTable grown(
        "_CExcelBatDo",
        {{"DoCopy", 1, com::MemberKind::Method, {{"strFile", com::VarType::String}, {"strSpare", com::VarType::String}},
          com::VarType::Boolean, {}},
         {"DoRender", 2, com::MemberKind::Method, {}, com::VarType::Boolean, {}}});
    const auto gaps = documentationGaps("CExcelBatDo", grown);
    const std::vector<std::string> expected = {"DoCopy(strSpare)", "DoRender", "CurWk?", "IsDelUnUse?",
                                               "DoCopy(strDest)?", "DoBegin?", "DoEnd?", "DoAddSheet?"};
    EXPECT_EQ(gaps, expected);
}

TEST(ApiReference, CheckedInReferenceMatchesTheDispatchTables) {
    EXPECT_EQ(checkedIn("docs/reference.md"), generateReference())
        << "regenerate it with: tavlora-idl --reference > docs/reference.md";
}

TEST(ApiReference, HelpTextCarriesSignatureDefaultsAndFailure) {
    const auto& job = requireClass("Tavlora.CExcelBatDo");
    const std::string help = memberHelp(job, "doend");
    EXPECT_EQ(help.rfind("DoEnd(strFile = \"\", bDispExcel = False, bHtmlFormat = False) -> Boolean\n\n", 0), 0u) << help;
    EXPECT_NE(help.find("  bHtmlFormat (Boolean, optional, default False): True saves a web page"), std::string::npos);
    EXPECT_NE(help.find("On failure: False when the save fails"), std::string::npos);
    EXPECT_EQ(memberSignature(job, "IsDelUnUse"), "IsDelUnUse: Boolean (read, write)");
    EXPECT_EQ(memberSignature(requireClass("Tavlora.CExcelChart"), "CurChart"),
              "CurChart: Object (read, set by reference)");
    EXPECT_EQ(memberSignature(requireClass("Tavlora.CExcelTmplPrintOne"), "DoA_End"), "DoA_End() -> Integer");
    EXPECT_EQ(memberHelp(job, "NoSuchMember"), "");
    EXPECT_EQ(memberHelpOfInterface("_CExcelChart", "DoA_Chart"),
              memberHelp(requireClass("Tavlora.CExcelChart"), "DoA_Chart"));
    EXPECT_EQ(memberHelpOfInterface("Recordset", "MoveNext"), "");
}

TEST(ApiReference, IdlCarriesTheSummariesAsHelpstrings) {
    const std::string idl = generateIdl();
    EXPECT_NE(idl.find("[id(0x60030005), helpstring(\"Deletes the sheets no filler used (when IsDelUnUse), saves the "
                       "workbook and closes it.\")]\n        HRESULT DoEnd("),
              std::string::npos);
    EXPECT_NE(idl.find("helpstring(\"Lays a list of records into the row blocks of a list template.\")"),
              std::string::npos);
}

}  // namespace
}  // namespace tavlora::server
