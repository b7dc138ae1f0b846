#pragma once
// Why a member answered false (or 0). Members that trap their failures keep the reason of the
// last one per thread: the member and its identifying arguments, then each cause, outermost
// first, ending with the host's own message:
//   DoBegin("fake.xlsx"): 'fake.xlsx' is not an Office Open XML workbook: it is not a zip archive
#include <functional>
#include <string>

#include "tavlora/Export.h"

namespace tavlora {

// The reason of the last failure trapped on this thread; "" when none since the thread began or
// since clearLastFailure(). A later success does not clear it: check it after a false answer.
TAVLORA_API std::string lastFailure();
TAVLORA_API void clearLastFailure();

// Called with the reason of every failure trapped on this thread from now on (nullptr stops it).
// With the environment variable TAVLORA_LOG=1, reasons go to standard error when no log is set.
using FailureLog = std::function<void(const std::string& reason)>;
TAVLORA_API void setFailureLog(FailureLog log);
// Reasons of this thread's trapped failures to standard error, one a line.
TAVLORA_API void logFailuresToStandardError();

}  // namespace tavlora
