/* The example report driven through the C interface with member names only, as an automation
 * client writes it. Usage: c_api_report TEMPLATE DATABASE XMLFILE OUT.xlsx */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "tavlora/tavlora.h"

static tavlora_context* context;

static void fail(const char* what) {
    /* A failed call has an HRESULT; a member that answered false has a reason instead. */
    if (tavlora_last_error(context) != 0) {
        fprintf(stderr, "c_api_report: %s: 0x%08X %s\n", what, (unsigned)tavlora_last_error(context),
                tavlora_last_error_message(context));
    } else {
        fprintf(stderr, "c_api_report: %s: %s\n", what, tavlora_last_failure());
    }
    exit(1);
}

static tavlora_variant text(const char* value) {
    tavlora_variant v;
    tavlora_variant_set_string(&v, value);
    return v;
}

static tavlora_variant number(int32_t value) {
    tavlora_variant v;
    tavlora_variant_init(&v);
    v.type = TAVLORA_INT32;
    v.v.i32 = value;
    return v;
}

static tavlora_variant flag(int value) {
    tavlora_variant v;
    tavlora_variant_init(&v);
    v.type = TAVLORA_BOOL;
    v.v.boolean = value;
    return v;
}

static tavlora_variant object(tavlora_object* value) {
    tavlora_variant v;
    tavlora_variant_init(&v);
    v.type = TAVLORA_OBJECT;
    v.v.obj = value;
    return v;
}

/* Calls a member by name; frees the text arguments; answers the result (the caller clears it). */
static tavlora_variant call(tavlora_object* target, const char* name, int kind, tavlora_variant* args, int argc) {
    tavlora_variant result;
    tavlora_hresult hr = tavlora_invoke_name(context, target, name, kind, args, argc, &result);
    for (int i = 0; i < argc; ++i) {
        if (args[i].type == TAVLORA_STRING) tavlora_variant_clear(&args[i]);
    }
    if (hr != 0) fail(name);
    return result;
}

static int callFlag(tavlora_object* target, const char* name, tavlora_variant* args, int argc) {
    tavlora_variant result = call(target, name, TAVLORA_METHOD, args, argc);
    int answer = result.type == TAVLORA_BOOL && result.v.boolean;
    if (result.type == TAVLORA_BOOL && result.v.boolean != 0 && result.v.boolean != -1) fail("a Boolean other than 0 or -1");
    tavlora_variant_clear(&result);
    return answer;
}

static void setObject(tavlora_object* target, const char* name, tavlora_object* value) {
    tavlora_variant arg = object(value);
    tavlora_variant result = call(target, name, TAVLORA_PROPERTY_SET, &arg, 1);
    tavlora_variant_clear(&result);
}

static void let(tavlora_object* target, const char* name, tavlora_variant value) {
    tavlora_variant result = call(target, name, TAVLORA_PROPERTY_LET, &value, 1);
    tavlora_variant_clear(&result);
}

static tavlora_object* create(const char* progId) {
    tavlora_object* created = NULL;
    if (tavlora_create(context, progId, &created) != 0) fail(progId);
    return created;
}

static tavlora_object* query(const char* database, const char* sql) {
    tavlora_object* rst = NULL;
    if (tavlora_open_sqlite_recordset(context, database, sql, &rst) != 0) fail(sql);
    return rst;
}

static void fillCover(tavlora_object* job, const char* database) {
    tavlora_object* cover = create("Tavlora.CExcelTmplPrintOne");
    setObject(cover, "CurBatObj", job);
    tavlora_variant begin[] = {text("Cover")};
    if (!callFlag(cover, "DoA_Begin", begin, 1)) fail("DoA_Begin Cover");
    tavlora_object* company = query(database, "SELECT Company, Period, Region, Total FROM company");
    tavlora_variant rst[] = {object(company)};
    callFlag(cover, "DoA_ReplaceRst", rst, 1);
    tavlora_variant author[] = {text("Author"), text("Reporting team")};
    callFlag(cover, "DoA_ReplaceA", author, 2);
    tavlora_variant ended = call(cover, "DoA_End", TAVLORA_METHOD, NULL, 0);
    tavlora_variant_clear(&ended);
    tavlora_release(company);
    tavlora_release(cover);
}

static void fillOrders(tavlora_object* job, const char* database) {
    tavlora_object* list = create("Tavlora.CExcelTmplPrintBat");
    setObject(list, "CurBatObj", job);
    tavlora_variant begin[] = {text("Orders"), flag(1)};
    if (!callFlag(list, "DoA_Begin", begin, 2)) fail("DoA_Begin Orders");
    tavlora_object* orders =
        query(database, "SELECT OrderNo, OrderDate, Customer, Product, Qty, Amount FROM order_list ORDER BY OrderNo");
    tavlora_variant rst[] = {object(orders)};
    if (!callFlag(list, "DoA_OutputRst", rst, 1)) fail("DoA_OutputRst");
    tavlora_variant title[] = {text("ListTitle"), text("Orders of the quarter")};
    callFlag(list, "DoA_ReplaceWhiteDot", title, 2);
    if (!callFlag(list, "DoA_End", NULL, 0)) fail("DoA_End Orders");
    tavlora_release(orders);
    tavlora_release(list);
}

static void fillRegions(tavlora_object* job, const char* xmlFile) {
    tavlora_object* table = create("Tavlora.CExcelOutputRcd");
    setObject(table, "CurBatObj", job);
    let(table, "IsTitle", flag(1));
    let(table, "Title", text("Regions"));
    let(table, "xmlWay", number(0));
    tavlora_variant args[] = {text("Regions"), text(xmlFile), text("region")};
    if (!callFlag(table, "DoA_RcdXml", args, 3)) fail("DoA_RcdXml");
    tavlora_release(table);
}

static void output(tavlora_object* chart, int32_t row, int32_t column, const char* value) {
    tavlora_variant args[] = {number(row), number(column), text(value), text("Chart")};
    callFlag(chart, "DoA_OutputString", args, 4);
}

static void drawChart(tavlora_object* job, const char* database) {
    tavlora_object* chart = create("Tavlora.CExcelChart");
    setObject(chart, "CurBatObj", job);
    tavlora_variant caption[] = {text("ChartCaption"), text("Monthly sales and cost"), text("Chart")};
    tavlora_variant count = call(chart, "DoA_ReplaceWhiteDot", TAVLORA_METHOD, caption, 3);
    tavlora_variant_clear(&count);

    const int32_t headerRow = 3;
    output(chart, headerRow, 1, "Month");
    output(chart, headerRow, 2, "Sales");
    output(chart, headerRow, 3, "Cost");
    /* The figures are read as texts, as the database reports them. */
    tavlora_object* monthly = query(database, "SELECT Month, CAST(Sales AS TEXT), CAST(Cost AS TEXT) FROM monthly");
    int32_t row = headerRow + 1;
    for (;;) {
        tavlora_variant eof = call(monthly, "EOF", TAVLORA_PROPERTY_GET, NULL, 0);
        int atEnd = eof.v.boolean;
        tavlora_variant_clear(&eof);
        if (atEnd) break;
        tavlora_variant fields = call(monthly, "Fields", TAVLORA_PROPERTY_GET, NULL, 0);
        for (int32_t column = 0; column < 3; ++column) {
            tavlora_variant index[] = {number(column)};
            tavlora_variant field = call(fields.v.obj, "Item", TAVLORA_PROPERTY_GET, index, 1);
            tavlora_variant value = call(field.v.obj, "Value", TAVLORA_PROPERTY_GET, NULL, 0);
            output(chart, row, column + 1, value.v.str);
            tavlora_variant_clear(&value);
            tavlora_variant_clear(&field);
        }
        tavlora_variant_clear(&fields);
        tavlora_variant moved = call(monthly, "MoveNext", TAVLORA_METHOD, NULL, 0);
        tavlora_variant_clear(&moved);
        ++row;
    }
    tavlora_release(monthly);
    const int32_t lastRow = row - 1;
    const int32_t months = lastRow - headerRow;

    tavlora_variant sheet[] = {text("Chart")};
    tavlora_variant none = call(chart, "oSetRange_Sheet", TAVLORA_METHOD, sheet, 1);
    tavlora_variant_clear(&none);
    tavlora_variant seriesCount[] = {number(2)};
    none = call(chart, "oSetSeriesCount", TAVLORA_METHOD, seriesCount, 1);
    tavlora_variant_clear(&none);
    tavlora_variant groupCount[] = {number(months)};
    none = call(chart, "oSetGroupCount", TAVLORA_METHOD, groupCount, 1);
    tavlora_variant_clear(&none);
    for (int32_t series = 0; series < 2; ++series) {
        tavlora_variant name[] = {number(series), number(headerRow), number(series + 2), text("")};
        callFlag(chart, "oSetSeriesName_Range", name, 4);
        tavlora_variant values[] = {number(series),   number(headerRow + 1), number(series + 2),
                                    number(lastRow),  number(series + 2),    text("")};
        callFlag(chart, "oSetSeriesValue_Range", values, 6);
    }
    for (int32_t group = 0; group < months; ++group) {
        tavlora_variant label[] = {number(group), number(headerRow + 1 + group), number(1), text("")};
        callFlag(chart, "oSetGroupName_Range", label, 4);
    }
    tavlora_variant draw[] = {text("Chart"), number(51), text("MonthlySales")};
    if (!callFlag(chart, "DoA_Chart", draw, 3)) fail("DoA_Chart");
    tavlora_variant style[] = {number(2), flag(0), flag(1), flag(0)};
    none = call(chart, "DoA_SetStyle", TAVLORA_METHOD, style, 4);
    tavlora_variant_clear(&none);
    tavlora_variant title[] = {text("Sales and cost, Q1 2026")};
    none = call(chart, "DoA_SetTitle", TAVLORA_METHOD, title, 1);
    tavlora_variant_clear(&none);
    tavlora_release(chart);
}

int main(int argc, char** argv) {
    if (argc != 5) {
        fprintf(stderr, "usage: c_api_report TEMPLATE DATABASE XMLFILE OUT.xlsx\n");
        return 2;
    }
    context = tavlora_context_new();
    tavlora_object* job = create("Tavlora.CExcelBatDo");
    tavlora_variant copy[] = {text(argv[1]), text(argv[4])};
    if (!callFlag(job, "DoCopy", copy, 2)) fail("DoCopy");
    tavlora_variant begin[] = {text(argv[4])};
    if (!callFlag(job, "DoBegin", begin, 1)) fail("DoBegin");
    fillCover(job, argv[2]);
    fillOrders(job, argv[2]);
    fillRegions(job, argv[3]);
    drawChart(job, argv[2]);
    if (!callFlag(job, "DoEnd", NULL, 0)) fail("DoEnd");
    tavlora_release(job);
    int unloadable = tavlora_can_unload_now(context);
    tavlora_context_free(context);
    if (!unloadable) {
        fprintf(stderr, "c_api_report: objects still alive after release\n");
        return 1;
    }
    printf("wrote %s\n", argv[4]);
    return 0;
}
