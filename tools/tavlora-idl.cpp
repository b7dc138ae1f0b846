// Prints the type library description of the library in IDL (kept as src/server/Tavlora.idl), or
// with --reference the API reference in Markdown (kept as docs/reference.md), or with
// --python-stub the type stub of the Python module (kept as src/server/python/tavlora.pyi).
#include <cstdio>
#include <exception>
#include <string>

#include "server/ApiReference.h"
#include "server/PythonStub.h"
#include "server/TypeLibrary.h"

int main(int argc, char** argv) {
    const std::string option = argc > 1 ? argv[1] : "";
    if (argc > 2 || (!option.empty() && option != "--reference" && option != "--python-stub")) {
        std::fputs("usage: tavlora-idl [--reference | --python-stub]\n", stderr);
        return 2;
    }
    try {
        std::string text;
        if (option.empty()) {
            text = tavlora::server::generateIdl();
        } else if (option == "--reference") {
            text = tavlora::server::generateReference();
        } else {
            text = tavlora::server::generatePythonStub();
        }
        std::fputs(text.c_str(), stdout);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavlora-idl: %s\n", e.what());
        return 1;
    }
}
