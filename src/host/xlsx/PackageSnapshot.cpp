#include "host/xlsx/PackageSnapshot.h"

#include <cstring>

#include "com/Error.h"

namespace tavlora::host::xlsx {

namespace {

// A reference count of its own on `shared`: handing out pointers counted on it writes nothing
// that the holders of `shared` read.
template <typename T>
std::shared_ptr<const T> countedApart(const std::shared_ptr<const T>& shared) {
    auto holder = std::make_shared<const std::shared_ptr<const T>>(shared);
    return std::shared_ptr<const T>(holder, shared.get());
}

}  // namespace

PackageSnapshot::PackageSnapshot(const ZipInput& zip) {
    auto contents = std::make_shared<Contents>();
    contents->displayName = zip.displayName();
    contents->entries = zip.entries();
    contents->data.reserve(contents->entries.size());
    for (size_t i = 0; i < contents->entries.size(); ++i) {
        const ZipEntry& entry = contents->entries[i];
        Data data;
        // Unpacked first: that checks the CRC, so the deflated copy is known sound.
        data.bytes = zip.readString(entry);
        if (entry.deflated && data.bytes.size() == entry.size) data.deflated = zip.readDeflated(entry);
        contents->heldBytes += data.bytes.size() + data.deflated.size() + entry.name.size();
        contents->data.push_back(std::move(data));
        contents->byLowerName.emplace(asciiLower(entry.name), i);
    }
    contents_ = std::move(contents);
}

PackageSnapshot::PackageSnapshot(const std::shared_ptr<const Contents>& contents) : contents_(countedApart(contents)) {}

std::shared_ptr<const PackageSnapshot> PackageSnapshot::lane() const {
    return std::shared_ptr<const PackageSnapshot>(new PackageSnapshot(contents_));
}

const ZipEntry* PackageSnapshot::find(std::string_view partName) const {
    if (!partName.empty() && partName.front() == '/') partName.remove_prefix(1);
    auto it = contents_->byLowerName.find(asciiLower(partName));
    return it == contents_->byLowerName.end() ? nullptr : &contents_->entries[it->second];
}

const PackageSnapshot::Data& PackageSnapshot::dataOf(const ZipEntry& entry) const {
    // Entries are handed out from the contents' list, so the address gives the position.
    const std::vector<ZipEntry>& entries = contents_->entries;
    if (&entry < entries.data() || &entry >= entries.data() + entries.size())
        com::throwHostError("'" + contents_->displayName + "': part '" + entry.name + "' is not one of this package's");
    return contents_->data[static_cast<size_t>(&entry - entries.data())];
}

PartBuffer PackageSnapshot::read(const ZipEntry& entry) const {
    const std::string& bytes = dataOf(entry).bytes;
    PartBuffer buffer(bytes.size());
    if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
    buffer.setSize(bytes.size());
    return buffer;
}

std::string PackageSnapshot::readString(const ZipEntry& entry) const { return dataOf(entry).bytes; }

std::shared_ptr<const std::string> PackageSnapshot::sharedBytes(const ZipEntry& entry) const {
    return std::shared_ptr<const std::string>(contents_, &dataOf(entry).bytes);
}

std::string PackageSnapshot::readDeflated(const ZipEntry& entry) const {
    const Data& data = dataOf(entry);
    if (data.deflated.empty())
        com::throwHostError("'" + contents_->displayName + "': part '" + entry.name + "' is not deflated");
    return data.deflated;
}

}  // namespace tavlora::host::xlsx
