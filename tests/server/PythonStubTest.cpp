#include "server/PythonStub.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "server/ClassRegistry.h"
#include "tavlora/Constants.h"

namespace tavlora::server {
namespace {

using ::testing::HasSubstr;

TEST(PythonStub, CheckedInStubIsTheGeneratedOne) {
    std::ifstream in(std::string(TAVLORA_SOURCE_DIR) + "/src/server/python/tavlora.pyi");
    ASSERT_TRUE(in) << "src/server/python/tavlora.pyi is missing";
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), generatePythonStub())
        << "regenerate it with: tavlora-idl --python-stub > src/server/python/tavlora.pyi";
}

TEST(PythonStub, EveryMemberAndConstantIsDeclared) {
    const std::string stub = generatePythonStub();
    for (const auto& info : libraryClasses()) {
        EXPECT_THAT(stub, HasSubstr("class " + info.coclassName + "(Object):"));
        EXPECT_THAT(stub, HasSubstr("def CreateObject(prog_id: Literal[\"" + info.progId + "\"]) -> " +
                                    info.coclassName + ": ..."));
        for (const auto& member : info.create()->dispatchTable().members()) {
            const bool attribute = member.kind != com::MemberKind::Method &&
                                   (member.params.empty() || (member.kind != com::MemberKind::PropertyGet &&
                                                              member.params.size() == 1));
            EXPECT_THAT(stub, HasSubstr((attribute ? "    " : "    def ") + member.name + (attribute ? ": " : "(self")))
                << info.coclassName << "." << member.name;
        }
    }
    for (const auto& constant : kNamedConstants)
        EXPECT_THAT(stub, HasSubstr("\n" + std::string(constant.name) + ": Final = " + std::to_string(constant.value)));
}

TEST(PythonStub, OptionalParametersAndResultTypes) {
    const std::string stub = generatePythonStub();
    EXPECT_THAT(stub, HasSubstr("    def DoBegin(self, strFile: str = ..., bDispExcel: bool = ...) -> bool: ..."));
    EXPECT_THAT(stub, HasSubstr("    def DoA_Chart(self, strSheet: str, eChartType: int = ..., strChart: str = ...) -> bool: ..."));
    EXPECT_THAT(stub, HasSubstr("    CurBatObj: Object | None\n"));
}

}  // namespace
}  // namespace tavlora::server
