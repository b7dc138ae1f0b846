// Prints the type library description of the library in IDL (kept as src/server/Tavlora.idl), or
// with --reference the API reference in Markdown (kept as docs/reference.md).
#include <cstdio>
#include <exception>
#include <string>

#include "server/ApiReference.h"
#include "server/TypeLibrary.h"

int main(int argc, char** argv) {
    const std::string option = argc > 1 ? argv[1] : "";
    if (argc > 2 || (!option.empty() && option != "--reference")) {
        std::fputs("usage: tavlora-idl [--reference]\n", stderr);
        return 2;
    }
    try {
        const std::string text =
            option.empty() ? tavlora::server::generateIdl() : tavlora::server::generateReference();
        std::fputs(text.c_str(), stdout);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavlora-idl: %s\n", e.what());
        return 1;
    }
}
