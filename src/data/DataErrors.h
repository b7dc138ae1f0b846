#pragma once
#include <string>

#include "com/Error.h"

// Failures of the data sources. Recordset failures carry the codes a recordset client of the
// automation world already knows (a missing item, a cursor standing past the end); a database that
// cannot be opened or a query that cannot run carries the host-independent run-time error 5 with
// the database's own message.
namespace tavlora::data {

namespace hr {
// "Item cannot be found in the collection corresponding to the requested name or ordinal."
constexpr com::HRESULT kItemNotFound = com::hr::runtime(3265);
// "Either BOF or EOF is True, or the current record has been deleted."
constexpr com::HRESULT kNoCurrentRecord = com::hr::runtime(3021);
// The database or the query failed; the message is the database's.
constexpr com::HRESULT kQueryFailed = com::hr::kInvalidCall;
// An XPath expression that cannot be compiled or does not select nodes.
constexpr com::HRESULT kBadQuery = com::hr::kInvalidArg;
}  // namespace hr

[[noreturn]] void throwItemNotFound(const std::string& what);
[[noreturn]] void throwNoCurrentRecord();

}  // namespace tavlora::data
