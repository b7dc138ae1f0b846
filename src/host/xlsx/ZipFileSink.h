#pragma once
#include <zip.h>

namespace tavlora::host::xlsx {

// A libzip source that makes a new archive in the file open at `fd` (from its start, truncating
// what is there), for zip_open_from_source with ZIP_CREATE | ZIP_TRUNCATE. libzip then writes into
// that file instead of a temporary file of its own; the caller keeps the descriptor, and decides
// what becomes of the file. Null (with `error` set) when libzip cannot make the source.
zip_source_t* fileSink(int fd, zip_error_t* error);

}  // namespace tavlora::host::xlsx
