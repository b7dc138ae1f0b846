#include "host/xlsx/PackageSnapshot.h"

#include <cstring>

#include "com/Error.h"

namespace tavlora::host::xlsx {

PackageSnapshot::PackageSnapshot(const ZipInput& zip) : displayName_(zip.displayName()), entries_(zip.entries()) {
    data_.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const ZipEntry& entry = entries_[i];
        Data data;
        // Unpacked first: that checks the CRC, so the deflated copy is known sound.
        data.bytes = std::make_shared<const std::string>(zip.readString(entry));
        if (entry.deflated && data.bytes->size() == entry.size) data.deflated = zip.readDeflated(entry);
        heldBytes_ += data.bytes->size() + data.deflated.size() + entry.name.size();
        data_.push_back(std::move(data));
        byLowerName_.emplace(asciiLower(entry.name), i);
    }
}

const ZipEntry* PackageSnapshot::find(std::string_view partName) const {
    if (!partName.empty() && partName.front() == '/') partName.remove_prefix(1);
    auto it = byLowerName_.find(asciiLower(partName));
    return it == byLowerName_.end() ? nullptr : &entries_[it->second];
}

const PackageSnapshot::Data& PackageSnapshot::dataOf(const ZipEntry& entry) const {
    // Entries are handed out from entries_, so the address gives the position.
    if (&entry < entries_.data() || &entry >= entries_.data() + entries_.size())
        com::throwHostError("'" + displayName_ + "': part '" + entry.name + "' is not one of this package's");
    return data_[static_cast<size_t>(&entry - entries_.data())];
}

PartBuffer PackageSnapshot::read(const ZipEntry& entry) const {
    const std::string& bytes = *dataOf(entry).bytes;
    PartBuffer buffer(bytes.size());
    if (!bytes.empty()) std::memcpy(buffer.data(), bytes.data(), bytes.size());
    buffer.setSize(bytes.size());
    return buffer;
}

std::string PackageSnapshot::readString(const ZipEntry& entry) const { return *dataOf(entry).bytes; }

std::shared_ptr<const std::string> PackageSnapshot::sharedBytes(const ZipEntry& entry) const { return dataOf(entry).bytes; }

std::string PackageSnapshot::readDeflated(const ZipEntry& entry) const {
    const Data& data = dataOf(entry);
    if (data.deflated.empty()) com::throwHostError("'" + displayName_ + "': part '" + entry.name + "' is not deflated");
    return data.deflated;
}

}  // namespace tavlora::host::xlsx
