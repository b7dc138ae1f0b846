#include "data/OdbcDiagnostics.h"

#include <sqlext.h>

#include "base/Utf16.h"
#include "data/DataErrors.h"

namespace tavlora::data {

namespace {

// More records than this only repeat the cause; the message stays readable.
constexpr SQLSMALLINT kMaxRecords = 8;
constexpr SQLSMALLINT kMessageUnits = 1024;

std::string toUtf8(const char16_t* units, size_t count) { return base::utf8FromUtf16(std::u16string_view(units, count)); }

}  // namespace

std::string odbcDiagnostics(SQLSMALLINT handleType, SQLHANDLE handle) {
    std::string text;
    for (SQLSMALLINT record = 1; record <= kMaxRecords; ++record) {
        char16_t state[6] = {};
        char16_t message[kMessageUnits] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, reinterpret_cast<SQLWCHAR*>(state), &nativeError,
                                      reinterpret_cast<SQLWCHAR*>(message), kMessageUnits, &length);
        if (!odbcSucceeded(rc)) break;
        const size_t units = length < 0 ? 0 : std::min<size_t>(static_cast<size_t>(length), kMessageUnits - 1);
        if (!text.empty()) text += "; ";
        text += "[" + toUtf8(state, 5) + "] " + toUtf8(message, units);
    }
    return text;
}

void throwOdbcError(SQLSMALLINT handleType, SQLHANDLE handle, const std::string& context) {
    std::string diagnostics = handle ? odbcDiagnostics(handleType, handle) : "";
    if (diagnostics.empty()) diagnostics = "the driver gave no reason";
    throw com::Error(hr::kQueryFailed, context + ": " + diagnostics);
}

}  // namespace tavlora::data
