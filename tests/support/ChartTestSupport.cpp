#include "support/ChartTestSupport.h"

namespace tavlora::host::test {

std::string zipPart(const std::filesystem::path& path, const std::string& part) {
    return tavlora::test::runPython("import zipfile,sys\nz=zipfile.ZipFile(" + std::string("r'") + path.string() +
                                    "')\nn='" + part +
                                    "'\nsys.stdout.write(z.read(n).decode('utf-8') if n in z.namelist() else '')\n");
}

}  // namespace tavlora::host::test
