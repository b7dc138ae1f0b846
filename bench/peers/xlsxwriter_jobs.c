/* The benchmark jobs written with libxlsxwriter: the same cells, formats and formulas, with no
 * template to read (the write-only floor a template engine has to beat). Records come from the
 * same SQLite database. Prints the seconds from start to saved as one line of JSON.
 * Usage: xlsxwriter_jobs JOB INPUTS OUT ROWS [constant]   ("constant": constant_memory mode) */
#include <sqlite3.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xlsxwriter.h>

static const char *FIELDS[10] = {"id", "customer", "region", "product", "qty",
                                 "price", "amount", "day", "code", "note"};

static double now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

static sqlite3_stmt *records(const char *inputs, long rows, sqlite3 **db) {
    char path[4096], query[128];
    sqlite3_stmt *statement = NULL;
    snprintf(path, sizeof path, "%s/sales.db", inputs);
    snprintf(query, sizeof query, "SELECT * FROM sales ORDER BY id LIMIT %ld", rows);
    if (sqlite3_open_v2(path, db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK ||
        sqlite3_prepare_v2(*db, query, -1, &statement, NULL) != SQLITE_OK) {
        fprintf(stderr, "xlsxwriter_jobs: cannot read %s\n", path);
        exit(1);
    }
    return statement;
}

/* One record field: numbers as numbers, texts as texts. Returns the shown length. */
static size_t write_field(lxw_worksheet *sheet, lxw_row_t row, lxw_col_t col, sqlite3_stmt *st, int i,
                          lxw_format *format) {
    char text[64];
    switch (sqlite3_column_type(st, i)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            worksheet_write_number(sheet, row, col, sqlite3_column_double(st, i), format);
            return (size_t)snprintf(text, sizeof text, "%.15g", sqlite3_column_double(st, i));
        default: {
            const char *value = (const char *)sqlite3_column_text(st, i);
            worksheet_write_string(sheet, row, col, value ? value : "", format);
            return value ? strlen(value) : 0;
        }
    }
}

static void fill_list(lxw_workbook *book, long rows) {
    lxw_worksheet *sheet = workbook_add_worksheet(book, "List");
    lxw_format *title = workbook_add_format(book);
    format_set_bold(title);
    format_set_font_size(title, 16);
    lxw_format *header = workbook_add_format(book);
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    worksheet_merge_range(sheet, 0, 0, 0, 9, "Sales list", title);
    char text[64];
    for (int c = 1; c <= 10; ++c) {
        snprintf(text, sizeof text, "Column %d", c);
        worksheet_write_string(sheet, 1, (lxw_col_t)(c - 1), text, header);
    }
    for (long r = 0; r < rows; ++r) {
        for (int c = 1; c <= 10; ++c) {
            lxw_row_t row = (lxw_row_t)(2 + r);
            switch (c % 4) {
                case 0: worksheet_write_number(sheet, row, (lxw_col_t)(c - 1), (double)(r * 10 + c), NULL); break;
                case 1: worksheet_write_number(sheet, row, (lxw_col_t)(c - 1), r * 1.25 + c, NULL); break;
                case 2:
                    snprintf(text, sizeof text, "Item %ld", r % 1000);
                    worksheet_write_string(sheet, row, (lxw_col_t)(c - 1), text, NULL);
                    break;
                default:
                    snprintf(text, sizeof text, "Customer %ld-%d", r, c);
                    worksheet_write_string(sheet, row, (lxw_col_t)(c - 1), text, NULL);
            }
        }
    }
    worksheet_write_string(workbook_add_worksheet(book, "Notes"), 0, 0, "kept as it is", NULL);
}

static void batch(lxw_workbook *book, const char *inputs, long rows) {
    lxw_worksheet *sheet = workbook_add_worksheet(book, "List");
    lxw_format *title = workbook_add_format(book);
    format_set_bold(title);
    format_set_font_size(title, 16);
    lxw_format *caption = workbook_add_format(book);
    format_set_bold(caption);
    format_set_align(caption, LXW_ALIGN_CENTER);
    format_set_bg_color(caption, 0xDDEBF7);
    format_set_border(caption, LXW_BORDER_THIN);
    lxw_format *plain = workbook_add_format(book);
    format_set_left(plain, LXW_BORDER_THIN);
    format_set_right(plain, LXW_BORDER_THIN);
    format_set_bottom(plain, LXW_BORDER_THIN);
    lxw_format *whole = workbook_add_format(book);
    format_set_num_format(whole, "0");
    lxw_format *money = workbook_add_format(book);
    format_set_num_format(money, "#,##0.00");
    lxw_format *bold = workbook_add_format(book);
    format_set_bold(bold);
    worksheet_set_column(sheet, 0, 9, 14, NULL);
    worksheet_merge_range(sheet, 0, 0, 0, 9, "Sales 2024", title);
    char text[64];
    for (int c = 0; c < 10; ++c) {
        snprintf(text, sizeof text, "%s", FIELDS[c]);
        text[0] = (char)(text[0] - 'a' + 'A');
        worksheet_write_string(sheet, 1, (lxw_col_t)c, text, caption);
    }
    sqlite3 *db = NULL;
    sqlite3_stmt *st = records(inputs, rows, &db);
    lxw_row_t row = 2;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 10; ++c) {
            lxw_format *format = row == 2 ? plain : c == 4 ? whole : (c == 5 || c == 6) ? money : NULL;
            write_field(sheet, row, (lxw_col_t)c, st, c, format);
        }
        ++row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    worksheet_write_string(sheet, row, 0, "Total", bold);
    snprintf(text, sizeof text, "=SUM(E3:E%u)", row);
    worksheet_write_formula(sheet, row, 4, text, NULL);
    snprintf(text, sizeof text, "=SUM(G3:G%u)", row);
    worksheet_write_formula(sheet, row, 6, text, money);
    worksheet_write_string(workbook_add_worksheet(book, "Notes"), 0, 0, "kept as it is", NULL);
}

static void record(lxw_workbook *book, const char *inputs, long rows) {
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Sheet1");
    lxw_format *title = workbook_add_format(book);
    format_set_font_name(title, "宋体");
    format_set_font_size(title, 18);
    format_set_bold(title);
    format_set_align(title, LXW_ALIGN_CENTER);
    format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);
    lxw_format *caption = workbook_add_format(book);
    format_set_font_name(caption, "宋体");
    format_set_font_size(caption, 16);
    format_set_align(caption, LXW_ALIGN_CENTER);
    format_set_align(caption, LXW_ALIGN_VERTICAL_CENTER);
    lxw_format *body = workbook_add_format(book);
    format_set_font_name(body, "宋体");
    format_set_font_size(body, 10);
    format_set_num_format(body, "@");
    format_set_align(body, LXW_ALIGN_LEFT);
    format_set_align(body, LXW_ALIGN_VERTICAL_CENTER);
    size_t widths[10];
    /* Row by row, as constant_memory mode needs: a row is final once a later one is touched. */
    worksheet_set_default_row(sheet, 16, LXW_FALSE);
    worksheet_set_row(sheet, 0, 48, NULL);
    worksheet_merge_range(sheet, 0, 0, 0, 9, "Sales records", title);
    worksheet_set_row(sheet, 1, 24, NULL);
    for (int c = 0; c < 10; ++c) {
        worksheet_write_string(sheet, 1, (lxw_col_t)c, FIELDS[c], caption);
        widths[c] = strlen(FIELDS[c]);
    }
    sqlite3 *db = NULL;
    sqlite3_stmt *st = records(inputs, rows, &db);
    lxw_row_t row = 2;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < 10; ++c) {
            size_t shown = write_field(sheet, row, (lxw_col_t)c, st, c, body);
            if (shown > widths[c]) widths[c] = shown;
        }
        ++row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    /* Widths are known only after the rows; libxlsxwriter writes the column records when the
     * sheet is closed, in either mode. */
    for (int c = 0; c < 10; ++c) worksheet_set_column(sheet, (lxw_col_t)c, (lxw_col_t)c, (double)widths[c] + 2, NULL);
}

int main(int argc, char **argv) {
    if (argc < 5) {
        fprintf(stderr, "usage: xlsxwriter_jobs JOB INPUTS OUT ROWS [constant]\n");
        return 2;
    }
    const char *job = argv[1], *inputs = argv[2], *out = argv[3];
    long rows = atol(argv[4]);
    double start = now();
    lxw_workbook_options options = {0};
    options.constant_memory = argc > 5 && strcmp(argv[5], "constant") == 0 ? LXW_TRUE : LXW_FALSE;
    lxw_workbook *book = workbook_new_opt(out, &options);
    if (strcmp(job, "fill_list") == 0) fill_list(book, rows);
    else if (strcmp(job, "batch") == 0) batch(book, inputs, rows);
    else if (strcmp(job, "record") == 0) record(book, inputs, rows);
    else return 2;
    lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        fprintf(stderr, "xlsxwriter_jobs: %s\n", lxw_strerror(error));
        return 1;
    }
    printf("{\"seconds\": %.4f}\n", now() - start);
    return 0;
}
