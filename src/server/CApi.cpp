#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "com/Error.h"
#include "report/common/Failures.h"
#include "server/ClassRegistry.h"
#include "server/DataSourceFactory.h"
#include "tavlora/Failures.h"
#include "tavlora/tavlora.h"

struct tavlora_context {
    tavlora::server::ClassFactory factory;
    tavlora_hresult lastError = 0;
    std::string lastMessage;
};

struct tavlora_object {
    std::shared_ptr<tavlora::com::Dispatch> object;
    std::atomic<int32_t> references{1};
};

namespace {

using tavlora::com::Variant;
using tavlora::com::VarType;

tavlora_object* wrap(std::shared_ptr<tavlora::com::Dispatch> object) {
    auto* handle = new tavlora_object;
    handle->object = std::move(object);
    return handle;
}

char* copyText(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, text.data(), text.size() + 1);
    return copy;
}

Variant fromC(const tavlora_variant& in);

Variant arrayFromC(const tavlora_variant& in) {
    std::vector<Variant> items;
    items.reserve(static_cast<size_t>(in.v.array.count));
    for (int32_t i = 0; i < in.v.array.count; ++i) items.push_back(fromC(in.v.array.items[i]));
    return Variant::array(std::move(items), in.v.array.lower_bound);
}

Variant fromC(const tavlora_variant& in) {
    switch (in.type) {
        case TAVLORA_EMPTY: return Variant();
        case TAVLORA_NULL: return Variant::null();
        case TAVLORA_BOOL: return Variant(in.v.boolean != 0);
        case TAVLORA_INT16: return Variant(in.v.i16);
        case TAVLORA_INT32: return Variant(in.v.i32);
        case TAVLORA_INT64: return Variant(in.v.i64);
        case TAVLORA_DOUBLE: return Variant(in.v.d);
        case TAVLORA_CURRENCY: return Variant::currency(in.v.i64);
        case TAVLORA_DATE: return Variant::date(in.v.d);
        case TAVLORA_STRING: return Variant(std::string(in.v.str ? in.v.str : ""));
        case TAVLORA_OBJECT: return Variant(in.v.obj ? in.v.obj->object : tavlora::com::ObjectPtr());
        case TAVLORA_ARRAY: return arrayFromC(in);
        case TAVLORA_ERROR: return Variant::error(in.v.scode);
        default: throw tavlora::com::Error(tavlora::com::hr::kDispTypeMismatch, "Unknown variant type");
    }
}

void toC(const Variant& in, tavlora_variant& out) {
    tavlora_variant_init(&out);
    switch (in.type()) {
        case VarType::Empty: break;
        case VarType::Null: out.type = TAVLORA_NULL; break;
        case VarType::Boolean: out.type = TAVLORA_BOOL; out.v.boolean = in.asBool() ? -1 : 0; break;
        case VarType::Integer: out.type = TAVLORA_INT16; out.v.i16 = in.asInt16(); break;
        case VarType::Long: out.type = TAVLORA_INT32; out.v.i32 = in.asInt32(); break;
        case VarType::LongLong: out.type = TAVLORA_INT64; out.v.i64 = in.asInt64(); break;
        case VarType::Double: out.type = TAVLORA_DOUBLE; out.v.d = in.asDouble(); break;
        case VarType::Currency: out.type = TAVLORA_CURRENCY; out.v.i64 = in.asCurrency().scaled; break;
        case VarType::Date: out.type = TAVLORA_DATE; out.v.d = in.asDate().serial; break;
        case VarType::String: out.type = TAVLORA_STRING; out.v.str = copyText(in.asString()); break;
        case VarType::Object:
            out.type = TAVLORA_OBJECT;
            out.v.obj = in.asObject() ? wrap(in.asObject()) : nullptr;
            break;
        case VarType::Array: {
            const auto& array = *in.asArray();
            auto* items = static_cast<tavlora_variant*>(std::calloc(array.items.size() + 1, sizeof(tavlora_variant)));
            if (!items) throw std::bad_alloc();
            out.type = TAVLORA_ARRAY;
            out.v.array.lower_bound = array.lowerBound;
            out.v.array.count = 0;
            out.v.array.items = items;
            for (const auto& item : array.items) toC(item, items[out.v.array.count++]);
            break;
        }
        case VarType::Error: out.type = TAVLORA_ERROR; out.v.scode = in.asError(); break;
        case VarType::Any: break;
    }
}

template <class Body>
tavlora_hresult guarded(tavlora_context* context, Body&& body) {
    if (!context) return tavlora::com::hr::kInvalidArg;
    try {
        body();
        context->lastError = 0;
        context->lastMessage.clear();
        return 0;
    } catch (const tavlora::com::Error& e) {
        context->lastError = e.code();
        context->lastMessage = e.what();
    } catch (const std::bad_alloc&) {
        context->lastError = tavlora::com::hr::kAllocationFailed;
        context->lastMessage = "Out of memory";
    } catch (const std::exception& e) {
        context->lastError = tavlora::com::hr::kDispException;
        context->lastMessage = e.what();
    }
    return context->lastError;
}

void requireObject(const tavlora_object* object) {
    if (!object || !object->object) throw tavlora::com::Error(tavlora::com::hr::kObjectNotSet, "Object variable not set");
}

tavlora::com::MemberKind kindOf(int32_t kind) {
    if (kind < TAVLORA_METHOD || kind > TAVLORA_PROPERTY_SET) {
        throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Unknown invoke kind");
    }
    return static_cast<tavlora::com::MemberKind>(kind);
}

void invokeMember(tavlora_object* object, int32_t dispid, int32_t kind, tavlora_variant* args, int32_t argc,
                  tavlora_variant* result) {
    requireObject(object);
    if (argc < 0 || (argc > 0 && !args)) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Bad argument list");
    std::vector<Variant> arguments;
    arguments.reserve(static_cast<size_t>(argc));
    for (int32_t i = 0; i < argc; ++i) arguments.push_back(fromC(args[i]));
    Variant answer = object->object->Invoke(dispid, kindOf(kind), arguments);
    // By-reference arguments may have been replaced by the member.
    for (int32_t i = 0; i < argc && static_cast<size_t>(i) < arguments.size(); ++i) {
        if (args[i].type == TAVLORA_ARRAY || args[i].type == TAVLORA_STRING) continue;
        if (!(fromC(args[i]) == arguments[static_cast<size_t>(i)])) {
            tavlora_variant_clear(&args[i]);
            toC(arguments[static_cast<size_t>(i)], args[i]);
        }
    }
    if (result) toC(answer, *result);
}

}  // namespace

extern "C" {

tavlora_context* tavlora_context_new(void) { return new (std::nothrow) tavlora_context; }

void tavlora_context_free(tavlora_context* context) { delete context; }

const char* tavlora_last_error_message(const tavlora_context* context) {
    return context ? context->lastMessage.c_str() : "";
}

tavlora_hresult tavlora_last_error(const tavlora_context* context) { return context ? context->lastError : 0; }

tavlora_hresult tavlora_create(tavlora_context* context, const char* prog_id_or_class_id, tavlora_object** out) {
    return guarded(context, [&] {
        if (!out || !prog_id_or_class_id) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Null argument");
        *out = nullptr;
        *out = wrap(context->factory.createObject(prog_id_or_class_id));
    });
}

int32_t tavlora_can_unload_now(tavlora_context* context) {
    return context && context->factory.canUnloadNow() ? 1 : 0;
}

tavlora_hresult tavlora_open_sqlite_recordset(tavlora_context* context, const char* database_path, const char* sql,
                                              tavlora_object** out) {
    return guarded(context, [&] {
        if (!out || !database_path || !sql) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Null argument");
        *out = nullptr;
        *out = wrap(tavlora::server::openSqliteRecordset(database_path, sql));
    });
}

tavlora_hresult tavlora_odbc_recordset(tavlora_context* context, const char* connection, const char* sql,
                                       tavlora_object** out) {
    return guarded(context, [&] {
        if (!out || !connection || !sql) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Null argument");
        *out = nullptr;
        *out = wrap(tavlora::server::openOdbcRecordset(connection, sql));
    });
}

tavlora_hresult tavlora_load_xml_document(tavlora_context* context, const char* path, tavlora_object** out) {
    return guarded(context, [&] {
        if (!out || !path) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Null argument");
        *out = nullptr;
        *out = wrap(tavlora::server::loadXmlDocument(path));
    });
}

tavlora_hresult tavlora_get_id_of_name(tavlora_context* context, tavlora_object* object, const char* name,
                                       int32_t* dispid) {
    return guarded(context, [&] {
        requireObject(object);
        if (!name || !dispid) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Null argument");
        *dispid = object->object->GetIDsOfNames(name);
    });
}

tavlora_hresult tavlora_invoke(tavlora_context* context, tavlora_object* object, int32_t dispid, int32_t kind,
                               tavlora_variant* args, int32_t argc, tavlora_variant* result) {
    if (result) tavlora_variant_init(result);
    return guarded(context, [&] { invokeMember(object, dispid, kind, args, argc, result); });
}

tavlora_hresult tavlora_invoke_name(tavlora_context* context, tavlora_object* object, const char* name, int32_t kind,
                                    tavlora_variant* args, int32_t argc, tavlora_variant* result) {
    if (result) tavlora_variant_init(result);
    return guarded(context, [&] {
        requireObject(object);
        if (!name) throw tavlora::com::Error(tavlora::com::hr::kInvalidArg, "Null argument");
        invokeMember(object, object->object->GetIDsOfNames(name), kind, args, argc, result);
    });
}

const char* tavlora_last_failure(void) { return tavlora::common::lastFailureText(); }

void tavlora_clear_last_failure(void) { tavlora::clearLastFailure(); }

void tavlora_set_failure_log(tavlora_failure_log log, void* user) {
    if (!log) {
        tavlora::setFailureLog(nullptr);
        return;
    }
    tavlora::setFailureLog([log, user](const std::string& reason) { log(reason.c_str(), user); });
}

void tavlora_log_failures_to_stderr(void) { tavlora::logFailuresToStandardError(); }

void tavlora_add_ref(tavlora_object* object) {
    if (object) object->references.fetch_add(1);
}

void tavlora_release(tavlora_object* object) {
    if (object && object->references.fetch_sub(1) == 1) delete object;
}

void tavlora_variant_init(tavlora_variant* variant) {
    if (!variant) return;
    std::memset(variant, 0, sizeof *variant);
    variant->type = TAVLORA_EMPTY;
}

void tavlora_variant_clear(tavlora_variant* variant) {
    if (!variant) return;
    switch (variant->type) {
        case TAVLORA_STRING: std::free(variant->v.str); break;
        case TAVLORA_OBJECT: tavlora_release(variant->v.obj); break;
        case TAVLORA_ARRAY:
            for (int32_t i = 0; i < variant->v.array.count; ++i) tavlora_variant_clear(&variant->v.array.items[i]);
            std::free(variant->v.array.items);
            break;
        default: break;
    }
    tavlora_variant_init(variant);
}

void tavlora_variant_set_string(tavlora_variant* variant, const char* text) {
    if (!variant) return;
    tavlora_variant_init(variant);
    variant->type = TAVLORA_STRING;
    variant->v.str = copyText(text ? text : "");
}

}  // extern "C"
