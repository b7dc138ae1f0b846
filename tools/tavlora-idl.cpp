// Prints the type library description of the library in IDL (kept as src/server/Tavlora.idl).
#include <cstdio>
#include <exception>

#include "server/TypeLibrary.h"

int main() {
    try {
        std::fputs(tavlora::server::generateIdl().c_str(), stdout);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavlora-idl: %s\n", e.what());
        return 1;
    }
}
