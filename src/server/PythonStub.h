#pragma once
#include <string>

namespace tavlora::server {

// The type stub of the Python module (tavlora.pyi), generated from the dispatch tables and the
// named constants, so that editors complete member names and argument names exactly as Invoke
// takes them. The checked-in src/server/python/tavlora.pyi is this text.
std::string generatePythonStub();

}  // namespace tavlora::server
