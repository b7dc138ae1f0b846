#include "data/DataErrors.h"

namespace tavlora::data {

void throwItemNotFound(const std::string& what) {
    throw com::Error(hr::kItemNotFound,
                     "Item cannot be found in the collection corresponding to the requested name or ordinal: " +
                         what);
}

void throwNoCurrentRecord() {
    throw com::Error(hr::kNoCurrentRecord,
                     "Either BOF or EOF is True, or the current record has been deleted.");
}

}  // namespace tavlora::data
