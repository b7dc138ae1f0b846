/* Tavlora C interface: create the library's objects and call their members by name or by
 * dispatch identifier with variant arguments, as an automation client does.
 *
 * Ownership: every tavlora_object* returned to the caller holds one reference; give it back with
 * tavlora_release. A tavlora_variant filled by the library owns its text, array and object; free it
 * with tavlora_variant_clear. Variants passed in are only read (and, for by-reference parameters,
 * may be replaced: clear them afterwards as usual). Texts are UTF-8.
 *
 * Errors: every call answers an HRESULT (0 = success, negative = failure). The message of the
 * last failure of a context is kept in that context. A context must not be used by two threads at
 * once; two contexts never share anything.
 *
 * Failure reasons: a member that traps its failures answers false (or 0) with a successful
 * HRESULT; why it failed is kept per thread (tavlora_last_failure), naming the member, each cause
 * and the host's message: DoBegin("fake.xlsx"): 'fake.xlsx' is not an Office Open XML workbook:
 * it is not a zip archive. */
#ifndef TAVLORA_TAVLORA_H
#define TAVLORA_TAVLORA_H

#include <stdint.h>

#include "tavlora/Export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t tavlora_hresult;
typedef struct tavlora_context tavlora_context;
typedef struct tavlora_object tavlora_object;

typedef enum tavlora_vartype {
    TAVLORA_EMPTY = 0,
    TAVLORA_NULL = 1,
    TAVLORA_BOOL = 2,
    TAVLORA_INT16 = 3,
    TAVLORA_INT32 = 4,
    TAVLORA_INT64 = 5,
    TAVLORA_DOUBLE = 6,
    TAVLORA_CURRENCY = 7, /* value * 10000 in i64 */
    TAVLORA_DATE = 8,     /* OLE date serial in d */
    TAVLORA_STRING = 9,
    TAVLORA_OBJECT = 10,
    TAVLORA_ARRAY = 11,
    TAVLORA_ERROR = 12, /* scode; 0x80020004 marks an omitted optional argument */
} tavlora_vartype;

typedef enum tavlora_invoke_kind {
    TAVLORA_METHOD = 0,
    TAVLORA_PROPERTY_GET = 1,
    TAVLORA_PROPERTY_LET = 2,
    TAVLORA_PROPERTY_SET = 3,
} tavlora_invoke_kind;

typedef struct tavlora_variant tavlora_variant;
struct tavlora_variant {
    int32_t type; /* tavlora_vartype */
    union {
        int32_t boolean; /* answered as 0 or -1, as automation Booleans are; taken as 0 or non-zero */
        int16_t i16;
        int32_t i32;
        int64_t i64;
        double d;
        int32_t scode;
        char* str;
        tavlora_object* obj;
        struct {
            int32_t lower_bound;
            int32_t count;
            tavlora_variant* items;
        } array;
    } v;
};

TAVLORA_API tavlora_context* tavlora_context_new(void);
/* Frees the context; objects created through it stay valid until released. */
TAVLORA_API void tavlora_context_free(tavlora_context* context);
/* The message of the last failure ("" when none); valid until the next call on the context. */
TAVLORA_API const char* tavlora_last_error_message(const tavlora_context* context);
TAVLORA_API tavlora_hresult tavlora_last_error(const tavlora_context* context);

/* Creates an object by ProgID ("Tavlora.CExcelBatDo") or class identifier text. */
TAVLORA_API tavlora_hresult tavlora_create(tavlora_context* context, const char* prog_id_or_class_id,
                                           tavlora_object** out);
/* True (1) when no object that this context created is alive. */
TAVLORA_API int32_t tavlora_can_unload_now(tavlora_context* context);

/* Data sources: a recordset over an SQLite query, and an XML document (NULL-free answer on
 * failure with the reason in the context). */
TAVLORA_API tavlora_hresult tavlora_open_sqlite_recordset(tavlora_context* context, const char* database_path,
                                                          const char* sql, tavlora_object** out);
/* A forward-only recordset over a query through an ODBC driver. connection is an ODBC connection
 * string ("DSN=sales;UID=report;PWD=..." or "Driver=/path/psqlodbcw.so;Server=...;Database=...");
 * a driver failure leaves *out NULL with its SQLSTATE and message in the context. */
TAVLORA_API tavlora_hresult tavlora_odbc_recordset(tavlora_context* context, const char* connection, const char* sql,
                                                   tavlora_object** out);
TAVLORA_API tavlora_hresult tavlora_load_xml_document(tavlora_context* context, const char* path,
                                                      tavlora_object** out);

TAVLORA_API tavlora_hresult tavlora_get_id_of_name(tavlora_context* context, tavlora_object* object,
                                                   const char* name, int32_t* dispid);
/* Calls a member. args[0] is the first argument; an argument of type TAVLORA_ERROR with scode
 * 0x80020004 (or a shorter argc) omits optional arguments. result may be NULL. */
TAVLORA_API tavlora_hresult tavlora_invoke(tavlora_context* context, tavlora_object* object, int32_t dispid,
                                           int32_t kind, tavlora_variant* args, int32_t argc,
                                           tavlora_variant* result);
TAVLORA_API tavlora_hresult tavlora_invoke_name(tavlora_context* context, tavlora_object* object,
                                                const char* name, int32_t kind, tavlora_variant* args,
                                                int32_t argc, tavlora_variant* result);

/* The reason of the last failure a member trapped on this thread ("" when none). A later success
 * does not clear it. Valid until the next failure on this thread; copy it to keep it. */
TAVLORA_API const char* tavlora_last_failure(void);
TAVLORA_API void tavlora_clear_last_failure(void);
/* Calls log(reason, user) for every failure trapped on this thread from now on; NULL stops it.
 * Without a log, TAVLORA_LOG=1 in the environment writes the reasons to standard error. */
typedef void (*tavlora_failure_log)(const char* reason, void* user);
TAVLORA_API void tavlora_set_failure_log(tavlora_failure_log log, void* user);
/* Writes the reasons of this thread's trapped failures to standard error from now on. */
TAVLORA_API void tavlora_log_failures_to_stderr(void);

TAVLORA_API void tavlora_add_ref(tavlora_object* object);
TAVLORA_API void tavlora_release(tavlora_object* object);

TAVLORA_API void tavlora_variant_init(tavlora_variant* variant);
TAVLORA_API void tavlora_variant_clear(tavlora_variant* variant);
/* Helpers to build argument variants; the text is copied. */
TAVLORA_API void tavlora_variant_set_string(tavlora_variant* variant, const char* text);

#ifdef __cplusplus
}
#endif

#endif
