#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "base/Ascii.h"
#include "host/formula/FunctionDefinition.h"
#include "support/TestPaths.h"

namespace tavlora::host::formula {
namespace {

// IF and its kin are computed by the evaluator itself, with or without a table entry.
const std::set<std::string> kEvaluatorFunctions{"IF", "IFERROR", "IFNA", "CHOOSE"};

TEST(FunctionTable, FindsEveryFunctionByAnySpelling) {
    for (std::string_view name : functionNames()) {
        const FunctionDefinition* definition = findFunction(name);
        ASSERT_NE(definition, nullptr) << name;
        EXPECT_EQ(findFunction(base::asciiLower(name)), definition) << name;
        EXPECT_EQ(findFunction("_xlfn." + std::string(name)), definition) << name;
        EXPECT_EQ(findFunction("_XLWS." + std::string(name)), definition) << name;
        EXPECT_NE(definition->body, nullptr) << name;
        EXPECT_TRUE(definition->maxArguments == kManyArguments || definition->minArguments <= definition->maxArguments) << name;
    }
    EXPECT_EQ(findFunction("NOSUCHFUNCTION"), nullptr);
    EXPECT_EQ(findFunction("_xlfn."), nullptr);
    EXPECT_EQ(findFunction(""), nullptr);
}

// The user documentation lists exactly the functions that are computed.
TEST(FunctionTable, TheDocumentationListsTheFunctionsThatExist) {
    std::string docs = tavlora::test::contentOf(std::string(TAVLORA_SOURCE_DIR) + "/docs/formulas.md");
    ASSERT_FALSE(docs.empty());
    for (std::string_view name : functionNames())
        EXPECT_NE(docs.find("`" + std::string(name) + "`"), std::string::npos) << name << " is not in docs/formulas.md";
    size_t section = docs.find("\n## Functions");
    ASSERT_NE(section, std::string::npos);
    // The functions a table lists stand in its first column: "| `SUM`, `PRODUCT` | notes |".
    std::istringstream lines(docs.substr(section));
    std::regex word("`([A-Z][A-Z0-9]*(\\.[A-Z0-9]+)*)`");
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("| `", 0) != 0) continue;
        std::string first = line.substr(1, line.find('|', 1) - 1);
        for (auto it = std::sregex_iterator(first.begin(), first.end(), word); it != std::sregex_iterator(); ++it) {
            std::string name = (*it)[1];
            if (kEvaluatorFunctions.count(name)) continue;
            EXPECT_NE(findFunction(name), nullptr) << name << " is documented but not computed";
        }
    }
}

}  // namespace
}  // namespace tavlora::host::formula
