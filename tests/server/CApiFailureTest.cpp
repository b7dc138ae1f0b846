// Failure reasons through the C interface: a member that answers false succeeds as a call, and
// its reason is read with tavlora_last_failure or received by a log.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/TestPaths.h"
#include "tavlora/tavlora.h"

namespace {

struct CJob {
    tavlora_context* context = tavlora_context_new();
    tavlora_object* job = nullptr;
    CJob() { EXPECT_EQ(tavlora_create(context, "Tavlora.CExcelBatDo", &job), 0); }
    ~CJob() {
        tavlora_release(job);
        tavlora_context_free(context);
    }
    // Calls DoBegin(path) and answers its Boolean.
    bool begin(const std::string& path) {
        tavlora_variant argument;
        tavlora_variant_set_string(&argument, path.c_str());
        tavlora_variant result;
        EXPECT_EQ(tavlora_invoke_name(context, job, "DoBegin", TAVLORA_METHOD, &argument, 1, &result), 0);
        tavlora_variant_clear(&argument);
        const bool answer = result.type == TAVLORA_BOOL && result.v.boolean != 0;
        tavlora_variant_clear(&result);
        return answer;
    }
};

void collect(const char* reason, void* user) { static_cast<std::vector<std::string>*>(user)->push_back(reason); }

TEST(CApiFailures, FalseAnswerKeepsItsReasonForTheThread) {
    tavlora::test::TempDir dir;
    const std::string fake = dir.file("fake.xlsx").string();
    { std::ofstream(fake) << "plain text"; }
    CJob c;
    tavlora_clear_last_failure();
    EXPECT_STREQ(tavlora_last_failure(), "");
    std::vector<std::string> logged;
    tavlora_set_failure_log(&collect, &logged);
    EXPECT_FALSE(c.begin(fake));
    tavlora_set_failure_log(nullptr, nullptr);
    EXPECT_EQ(tavlora_last_error(c.context), 0) << "the call itself succeeded";
    const std::string expected =
        "DoBegin(\"" + fake + "\"): '" + fake + "' is not an Office Open XML workbook: it is not a zip archive";
    EXPECT_EQ(tavlora_last_failure(), expected);
    EXPECT_EQ(logged, std::vector<std::string>{expected});
    EXPECT_FALSE(c.begin(dir.file("other.xlsx").string()));
    EXPECT_EQ(logged.size(), 1u) << "the log was switched off";
}

}  // namespace
