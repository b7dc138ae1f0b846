#pragma once
#include <memory>

#include "host/Application.h"
#include "host/files/FileFormats.h"

namespace tavlora::host::files {

// A new, independent application that reads and writes every file format the library knows and
// whose charts follow the edits of its workbooks.
std::shared_ptr<Application> newApplication();
// The same, reading and writing files as `options` say (a template cache, unflushed saves).
std::shared_ptr<Application> newApplication(FileOptions options);

}  // namespace tavlora::host::files
