// An ODBC recordset through the C interface: rows read by name as a C program reads them, and a
// driver's failure kept in the context.
#include <gtest/gtest.h>

#include <string>

#include "support/OdbcTestSupport.h"
#include "tavlora/tavlora.h"

namespace {

struct Context {
    tavlora_context* context = tavlora_context_new();
    ~Context() { tavlora_context_free(context); }
};

tavlora_variant get(tavlora_context* context, tavlora_object* object, const char* member) {
    tavlora_variant result;
    EXPECT_EQ(tavlora_invoke_name(context, object, member, TAVLORA_PROPERTY_GET, nullptr, 0, &result), 0) << member;
    return result;
}

TEST(CApiOdbc, ReadsTheRowsOfAQuery) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    Context c;
    tavlora_object* rst = nullptr;
    ASSERT_EQ(tavlora_odbc_recordset(c.context, connection.c_str(), "SELECT g AS n FROM generate_series(1, 3) g", &rst), 0)
        << tavlora_last_error_message(c.context);
    int32_t sum = 0;
    for (;;) {
        tavlora_variant eof = get(c.context, rst, "EOF");
        if (eof.v.boolean) break;
        tavlora_variant fields = get(c.context, rst, "Fields");
        tavlora_variant index;
        tavlora_variant_set_string(&index, "N");
        tavlora_variant field;
        ASSERT_EQ(tavlora_invoke_name(c.context, fields.v.obj, "Item", TAVLORA_PROPERTY_GET, &index, 1, &field), 0);
        tavlora_variant value = get(c.context, field.v.obj, "Value");
        ASSERT_EQ(value.type, TAVLORA_INT32);
        sum += value.v.i32;
        tavlora_variant_clear(&index);
        tavlora_variant_clear(&field);
        tavlora_variant_clear(&fields);
        ASSERT_EQ(tavlora_invoke_name(c.context, rst, "MoveNext", TAVLORA_METHOD, nullptr, 0, nullptr), 0);
    }
    EXPECT_EQ(sum, 6);
    tavlora_release(rst);
}

TEST(CApiOdbc, ADriverFailureLeavesNoObjectAndItsReason) {
    TAVLORA_REQUIRE_POSTGRES(connection);
    Context c;
    tavlora_object* rst = reinterpret_cast<tavlora_object*>(&c);
    EXPECT_NE(tavlora_odbc_recordset(c.context, connection.c_str(), "SELECT * FROM no_such_table", &rst), 0);
    EXPECT_EQ(rst, nullptr);
    EXPECT_NE(std::string(tavlora_last_error_message(c.context)).find("42P01"), std::string::npos)
        << tavlora_last_error_message(c.context);
    EXPECT_NE(tavlora_odbc_recordset(c.context, nullptr, "SELECT 1", &rst), 0);
}

}  // namespace
