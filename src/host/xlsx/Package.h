#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <pugixml.hpp>

#include "base/SharedUntilChanged.h"
#include "host/TableCatalog.h"
#include "host/Workbook.h"
#include "host/xlsx/ContentTypes.h"
#include "host/xlsx/Relationships.h"

namespace tavlora::host::xlsx {

class SavedPartMemo;

// A part of the package as read. Parts the engine models (workbook, worksheets, shared strings,
// styles) are regenerated on save and hold no bytes here; every other part is carried unchanged.
//
// A part the archive stored deflated is held only in that form (`deflated`, with its CRC-32 and
// unpacked size) until an edit changes it: a save copies it as it is, and memory holds each
// unmodelled part once, packed. `unpacked()` inflates it for the few readers that look inside.
struct PackagePart {
    std::string name;  // as in the archive, no leading "/"
    std::string bytes;  // the unpacked bytes of a part that was stored or has been changed
    bool regenerated = false;
    std::string deflated;
    uint32_t crc = 0;
    uint64_t size = 0;  // unpacked bytes of `deflated`
    // The unpacked bytes of `deflated` where the package read held them already (a cached
    // template): read from there instead of inflated. Never changed; an edit drops it.
    std::shared_ptr<const std::string> held;

    bool packedOnly() const { return bytes.empty() && !deflated.empty(); }
    // The part's bytes, inflated when it is held packed (a host error when that fails).
    std::string unpacked() const;
    // The part's new bytes after an edit; the packed form as read no longer stands for it.
    void replaceBytes(std::string changed);
};

// A sheet as the package listed it: what a save needs to write it back under the same part.
struct SheetRecord {
    std::string part;
    std::string relationshipId;
    std::string relationshipType;
    std::string sheetId;
};

// Everything of the package the engine does not model, carried by the workbook between open and
// save. The writer reads it and never changes it, so a workbook can be saved any number of times.
class PackageContents : public KeptPackage, public TableCatalog {
public:
    PackageContents() = default;
    PackageContents& operator=(const PackageContents&) = delete;
    // A copy of everything held for a workbook of its own; the workbook part's XML is shared until
    // either copy changes it (ownWorkbookXml).
    std::shared_ptr<PackageContents> copy() const;

    // The parts in archive order, and their content types.
    const std::vector<PackagePart>& parts() const { return listing_->parts; }
    const ContentTypes& contentTypes() const { return listing_->contentTypes; }
    void setContentTypes(ContentTypes types);
    ContentTypes& editContentTypes();
    // Whether `other` lists the very same parts, content types, relationships and sheets as this
    // package: true for a report's copy of a cached template that changed none of them. What a
    // save makes of them alone is then what an earlier save of the template made.
    bool sharesListingWith(const PackageContents& other) const { return &*listing_ == &*other.listing_; }
    // What the listing is known by, for whoever keeps what was made from it: a token of a few bytes,
    // the same while the listing stays as it is and replaced by every change, so a holder of it
    // knows the listing it was made from cannot come back changed under it. (Held, a token keeps
    // its address; the listing itself, which may carry large parts, is not held.)
    std::shared_ptr<const void> listingIdentity() const { return listing_->identity; }
    std::string workbookPart;
    // The workbook part's XML as read; the writer regenerates sheets and defined names. Shared, never
    // changed, by the copies made for the reports of a cached template.
    const pugi::xml_document& workbookXml() const { return *workbookXml_; }
    void setWorkbookXml(pugi::xml_document document);
    // The XML to change, this workbook's own from now on (copied: others may share it); it no
    // longer counts as read.
    pugi::xml_document& ownWorkbookXml();
    // False once the workbook's own edits changed its workbook XML (a slicer cache dropped): only an
    // unchanged one is known to be the template's, whose saved form earlier reports may share.
    bool workbookXmlAsRead = true;
    // "" for a transitional package; the strict namespace base otherwise.
    bool strict = false;
    // For a workbook opened from a cached template: the parts that saves from that template
    // deflated (shared with the other workbooks opened from it); null otherwise.
    std::shared_ptr<SavedPartMemo> savedParts;

    void addPart(PackagePart part);
    const PackagePart* findPart(std::string_view name) const;
    // The part to change: the listing becomes this workbook's own first.
    PackagePart* findPart(std::string_view name);
    // Relationships by source part ("" = the package itself).
    void setRelationships(std::string_view sourcePart, RelationshipList list);
    const RelationshipList* relationshipsOf(std::string_view sourcePart) const;
    // Parts reachable by relationships from the package root when it was read; a part reachable
    // then and not any more (its sheet was deleted) is dropped on save.
    bool wasReachable(std::string_view name) const;
    void markReachable(std::string name);

    void addSheetRecord(SheetRecord record);
    const SheetRecord* sheetRecord(std::string_view part) const;

    // The sheet's kept XML and the parts that point at its cells (comments and note shapes,
    // drawing objects, tables, pivot tables and pivot cache sources) follow deleted cells, and so
    // do the kept formulas of the other sheets that name them.
    void cellsDeleted(const Worksheet& sheet, const formula::Deletion& deletion) override;
    // Kept formulas naming the deleted sheet give #REF!; structured references to its tables, and
    // the slicers over them, go.
    void sheetDeleted(const Workbook& book, const Sheet& sheet, const formula::SheetRemoval& removal) override;
    // Kept formulas and pivot cache sources that named the sheet name it by its new name.
    void sheetRenamed(const Workbook& book, const Sheet& sheet, const std::string& oldName) override;
    const std::vector<SheetRecord>& sheetRecords() const { return listing_->sheets; }
    // The tables of the kept table parts, for formulas that name them.
    std::vector<formula::TableDefinition> tables(const Workbook& book) override;

    // The relationship type for a kind ("worksheet") in this package's namespace.
    std::string relationshipType(std::string_view kind) const;
    std::string mainNamespace() const;
    std::string relationshipsNamespace() const;

private:
    PackageContents(const PackageContents& other);

    // Everything the package lists. The copies made for the reports of a cached template share
    // one listing until one of them changes it (a report seldom does: its cells are modelled
    // elsewhere), so a copy neither allocates nor frees the dozens of names and lists it holds.
    struct Listing {
        std::vector<PackagePart> parts;
        ContentTypes contentTypes;
        std::unordered_map<std::string, size_t> partIndex;  // lower-case name
        std::unordered_map<std::string, RelationshipList> relationships;
        std::unordered_set<std::string> reachable;
        std::vector<SheetRecord> sheets;
        std::unordered_map<std::string, size_t> sheetIndex;  // lower-case part name
        std::shared_ptr<const char> identity = std::make_shared<const char>('\0');
    };
    // The listing to change: copied first while another package shares it, and known by a new
    // identity from now on.
    Listing& ownListing();

    std::shared_ptr<pugi::xml_document> workbookXml_ = std::make_shared<pugi::xml_document>();
    base::SharedUntilChanged<Listing> listing_;
};

}  // namespace tavlora::host::xlsx
