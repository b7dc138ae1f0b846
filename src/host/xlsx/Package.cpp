#include "host/xlsx/Package.h"

#include <libdeflate.h>

#include <memory>

#include "com/Error.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptComments.h"
#include "host/xlsx/KeptDrawings.h"
#include "host/xlsx/KeptFormulas.h"
#include "host/xlsx/KeptPivotTables.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/KeptTables.h"
#include "host/xlsx/KeptXmlShifting.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

std::string PackagePart::unpacked() const {
    if (!packedOnly()) return bytes;
    if (held) return *held;
    std::string out(size, '\0');
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> inflater(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    size_t actual = 0;
    if (!inflater ||
        libdeflate_deflate_decompress(inflater.get(), deflated.data(), deflated.size(), out.data(), out.size(), &actual) !=
            LIBDEFLATE_SUCCESS ||
        actual != size)
        com::throwHostError("part '" + name + "' cannot be unpacked again");
    return out;
}

void PackagePart::replaceBytes(std::string changed) {
    bytes = std::move(changed);
    held.reset();
    deflated.clear();
    deflated.shrink_to_fit();
    size = bytes.size();
}

// A member added here must be added below.
PackageContents::PackageContents(const PackageContents& other)
    : KeptPackage(other),
      TableCatalog(other),
      workbookPart(other.workbookPart),
      workbookXmlAsRead(other.workbookXmlAsRead),
      strict(other.strict),
      savedParts(other.savedParts),
      workbookXml_(other.workbookXml_),
      listing_(other.listing_) {}

PackageContents::Listing& PackageContents::ownListing() {
    Listing& listing = listing_.own();
    // What earlier saves made from the listing as it was is kept under its old identity.
    listing.identity = std::make_shared<const char>('\0');
    return listing;
}

void PackageContents::setContentTypes(ContentTypes types) { ownListing().contentTypes = std::move(types); }

ContentTypes& PackageContents::editContentTypes() { return ownListing().contentTypes; }

void PackageContents::setWorkbookXml(pugi::xml_document document) {
    workbookXml_ = std::make_shared<pugi::xml_document>(std::move(document));
}

pugi::xml_document& PackageContents::ownWorkbookXml() {
    auto own = std::make_shared<pugi::xml_document>();
    own->reset(*workbookXml_);
    workbookXml_ = std::move(own);
    workbookXmlAsRead = false;
    return *workbookXml_;
}

std::shared_ptr<PackageContents> PackageContents::copy() const {
    return std::shared_ptr<PackageContents>(new PackageContents(*this));
}

void PackageContents::addPart(PackagePart part) {
    Listing& listing = ownListing();
    auto [it, inserted] = listing.partIndex.emplace(asciiLower(part.name), listing.parts.size());
    if (inserted) listing.parts.push_back(std::move(part));
}

const PackagePart* PackageContents::findPart(std::string_view name) const {
    auto it = listing_->partIndex.find(asciiLower(name));
    return it == listing_->partIndex.end() ? nullptr : &listing_->parts[it->second];
}

PackagePart* PackageContents::findPart(std::string_view name) {
    // Only a part that exists makes the listing this workbook's own.
    if (!static_cast<const PackageContents*>(this)->findPart(name)) return nullptr;
    Listing& listing = ownListing();
    return &listing.parts[listing.partIndex.find(asciiLower(name))->second];
}

void PackageContents::cellsDeleted(const Worksheet& sheet, const formula::Deletion& deletion) {
    if (pugi::xml_document* kept = findOwnKeptSheetXml(sheet)) shiftKeptWorksheetXml(*kept, sheet.name(), deletion);
    shiftSheetTables(*this, sheet, deletion);
    editKeptFormulas(*this, *sheet.workbook(), [&](const std::string& text, std::string_view host) {
        return formula::shiftForDeletion(text, formula::Context{host, sheet.name()}, deletion);
    }, &sheet);
    shiftKeptCellAttributes(sheet, deletion);
    shiftSheetComments(*this, sheet.partName(), deletion);
    shiftSheetDrawings(*this, sheet.partName(), deletion);
    shiftSheetPivotTables(*this, sheet, deletion);
}

void PackageContents::sheetDeleted(const Workbook& book, const Sheet& sheet, const formula::SheetRemoval& removal) {
    editKeptFormulas(*this, book, [&](const std::string& text, std::string_view) {
        return formula::invalidateSheet(text, removal);
    });
    // The listener sees the book const; what the file layer carries for it follows the edit, as
    // the kept sheet XML follows deleted cells.
    dropDeletedSheetTables(*this, const_cast<Workbook&>(book), sheet);
}

void PackageContents::sheetRenamed(const Workbook& book, const Sheet& sheet, const std::string& oldName) {
    const std::string& newName = sheet.name();
    editKeptFormulas(*this, book, [&](const std::string& text, std::string_view) {
        return formula::renameSheet(text, oldName, newName);
    });
    renamePivotSources(*this, oldName, newName);
}

std::vector<formula::TableDefinition> PackageContents::tables(const Workbook& book) {
    return workbookTables(*this, book);
}

void PackageContents::setRelationships(std::string_view sourcePart, RelationshipList list) {
    ownListing().relationships[asciiLower(sourcePart)] = std::move(list);
}

const RelationshipList* PackageContents::relationshipsOf(std::string_view sourcePart) const {
    auto it = listing_->relationships.find(asciiLower(sourcePart));
    return it == listing_->relationships.end() ? nullptr : &it->second;
}

bool PackageContents::wasReachable(std::string_view name) const {
    return listing_->reachable.count(asciiLower(name)) != 0;
}

void PackageContents::markReachable(std::string name) { ownListing().reachable.insert(asciiLower(name)); }

void PackageContents::addSheetRecord(SheetRecord record) {
    Listing& listing = ownListing();
    auto [it, inserted] = listing.sheetIndex.emplace(asciiLower(record.part), listing.sheets.size());
    if (inserted) listing.sheets.push_back(std::move(record));
}

const SheetRecord* PackageContents::sheetRecord(std::string_view part) const {
    auto it = listing_->sheetIndex.find(asciiLower(part));
    return it == listing_->sheetIndex.end() ? nullptr : &listing_->sheets[it->second];
}

std::string PackageContents::relationshipType(std::string_view kind) const {
    std::string type = strict ? "http://purl.oclc.org/ooxml/officeDocument/relationships/"
                              : "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    type += kind;
    return type;
}

std::string PackageContents::mainNamespace() const {
    return strict ? "http://purl.oclc.org/ooxml/spreadsheetml/main"
                  : "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
}

std::string PackageContents::relationshipsNamespace() const {
    return strict ? "http://purl.oclc.org/ooxml/officeDocument/relationships"
                  : "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}

}  // namespace tavlora::host::xlsx
