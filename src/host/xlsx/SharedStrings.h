#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "host/cells/StringPool.h"
#include "host/xlsx/ZipOutput.h"

namespace tavlora::host::xlsx {

// Reads the items of a shared strings part into the pool, in file order; the result maps each
// file index to its pool id. Items with runs or phonetic text keep their XML as a rich text.
std::vector<uint32_t> readSharedStrings(const pugi::xml_document& document, StringPool& pool);

// The text of an <is> / <si> element: its <t> and the <t> of its runs, with _xHHHH_ decoded.
std::string plainTextOf(pugi::xml_node item);
// The children of an <is> / <si> element as XML, without the producer's namespace prefix.
std::string innerXmlWithoutPrefix(pugi::xml_node item);

// Which pool texts a save writes, and their index in the written part.
struct SharedStringTable {
    std::vector<uint32_t> fileIndex;  // pool id -> index in the part; kUnused when no cell uses it
    std::vector<uint32_t> written;    // pool ids in part order
    uint64_t references = 0;          // cells that refer to a shared string
    static constexpr uint32_t kUnused = UINT32_MAX;
};

// Streams the shared strings part for the table.
std::unique_ptr<PartProducer> sharedStringsProducer(const StringPool& pool, const SharedStringTable& table,
                                                    std::string mainNamespace);
// One <si> item.
void appendSharedStringItem(std::string& out, const StringPool& pool, uint32_t id);

}  // namespace tavlora::host::xlsx
