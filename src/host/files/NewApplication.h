#pragma once
#include <memory>

#include "host/Application.h"

namespace tavlora::host::files {

// A new, independent application that reads and writes every file format the library knows and
// whose charts follow the edits of its workbooks.
std::shared_ptr<Application> newApplication();

}  // namespace tavlora::host::files
