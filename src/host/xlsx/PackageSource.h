#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavlora::host::xlsx {

class PartBuffer;
struct ZipEntry;

// Where the package reader takes a package's parts from: a zip archive being read (ZipInput) or
// a package read earlier and kept in memory (PackageSnapshot). Reads are const and may run on
// several threads at once for a snapshot.
class PackageSource {
public:
    virtual ~PackageSource() = default;
    virtual const std::vector<ZipEntry>& entries() const = 0;
    // Part names compare ignoring ASCII case, as the packaging rules say; nullptr when absent.
    virtual const ZipEntry* find(std::string_view partName) const = 0;
    virtual PartBuffer read(const ZipEntry& entry) const = 0;
    virtual std::string readString(const ZipEntry& entry) const = 0;
    // The entry's data still deflated (only for a deflated entry); see ZipInput::readDeflated.
    virtual std::string readDeflated(const ZipEntry& entry) const = 0;
    virtual const std::string& displayName() const = 0;
    // The entry's unpacked bytes where the source holds them checked in memory, to be shared
    // rather than copied; null where they would be read from the file.
    virtual std::shared_ptr<const std::string> sharedBytes(const ZipEntry&) const { return nullptr; }
};

}  // namespace tavlora::host::xlsx
