#include "host/xlsx/PackageReader.h"

#include <deque>
#include <unordered_map>
#include <unordered_set>

#include "com/Error.h"
#include "host/chart/ChartSheet.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/chart/ChartPackageReader.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/PackageSnapshot.h"
#include "host/xlsx/ParsedTemplate.h"
#include "host/xlsx/SharedStrings.h"
#include "host/xlsx/WorkbookPart.h"
#include "host/xlsx/WorksheetReader.h"
#include "host/xlsx/XmlPart.h"
#include "host/xlsx/ZipInput.h"

namespace tavlora::host::xlsx {

namespace {

constexpr std::string_view kContentTypesPart = "[Content_Types].xml";

class PackageReader {
public:
    // With `parsed`, the styles, shared strings and worksheets are copied from it instead of
    // parsed: it must have been captured from this same package.
    PackageReader(const PackageSource& zip, Workbook& workbook, const ParsedTemplate* parsed = nullptr)
        : zip_(zip), workbook_(workbook), contents_(std::make_shared<PackageContents>()), parsed_(parsed) {}

    // Asks read() to capture the workbook's parsed state, for later readers of the same package.
    void captureParsed() { capture_ = true; }
    std::shared_ptr<const ParsedTemplate> captured() const { return captured_; }

    void read() {
        if (parsed_) return readParsed();
        readContentTypes();
        readAllRelationships();
        findWorkbookPart();
        WorkbookPartInfo info = readWorkbookXml();
        const RelationshipList& workbookRelationships = relationshipsOfWorkbook();
        readStyles(workbookRelationships, info.date1904);
        std::vector<uint32_t> sharedStrings = readSharedStringsPart(workbookRelationships);
        markRegenerated(workbookRelationships, "calcChain");
        std::vector<int32_t> sheetIndexes = readSheets(info, workbookRelationships, sharedStrings);
        carryOtherParts();
        markReachableParts();
        if (!capture_) return finish(std::move(info), sheetIndexes, nullptr);
        WorkbookPartInfo kept = info;
        ParsedChartParts chartParts;
        finish(std::move(info), sheetIndexes, &chartParts);
        // Nothing finish() does touches what is captured (the store, the sheets' cells and kept
        // XML, the kept package).
        captured_ = ParsedTemplate::capture(workbook_, *contents_, kept, std::move(chartParts));
    }

private:
    // From a parsed template: its kept package and workbook part are copied, and the sheets made
    // again from its list (their cells copied), as a fresh read would make them.
    void readParsed() {
        contents_ = parsed_->copyContents();
        WorkbookPartInfo info = parsed_->workbookInfo();
        // The texts come along: the worksheets added theirs to the shared strings' ones.
        parsed_->copyStoreInto(workbook_.store());
        std::vector<int32_t> sheetIndexes = readSheets(info, relationshipsOfWorkbook(), {});
        finish(std::move(info), sheetIndexes, nullptr);
    }

    // `chartParts`: where the chart parts parsed are kept for a capture, or null.
    void finish(WorkbookPartInfo info, const std::vector<int32_t>& sheetIndexes, ParsedChartParts* chartParts) {
        workbook_.definedNames() = namesOfReadSheets(std::move(info.definedNames), sheetIndexes);
        int32_t activeTab = info.activeTab >= 0 && size_t(info.activeTab) < sheetIndexes.size() ? sheetIndexes[size_t(info.activeTab)] : 0;
        if (activeTab >= 0 && static_cast<size_t>(activeTab) < workbook_.sheets().size())
            workbook_.setActiveSheet(*workbook_.sheets()[static_cast<size_t>(activeTab)]);
        readWorkbookCharts(*contents_, workbook_, parsed_ ? &parsed_->chartParts() : nullptr, chartParts);
        workbook_.keptPackage() = contents_;
    }

    const RelationshipList& relationshipsOfWorkbook() const {
        static const RelationshipList kNone;
        const RelationshipList* relationships = contents_->relationshipsOf(contents_->workbookPart);
        return relationships ? *relationships : kNone;
    }

    [[noreturn]] void fail(const std::string& message) const {
        com::throwHostError("'" + zip_.displayName() + "' " + message);
    }

    const ZipEntry& requirePart(std::string_view name, const std::string& what) const {
        const ZipEntry* entry = zip_.find(name);
        if (!entry) fail("is damaged: " + what + " '" + std::string(name) + "' is missing");
        return *entry;
    }

    void parse(pugi::xml_document& document, const ZipEntry& entry) const {
        parsePart(document, zip_.read(entry), zip_.displayName(), entry.name);
    }

    void readContentTypes() {
        const ZipEntry* entry = zip_.find(kContentTypesPart);
        if (!entry) fail("is not an Office Open XML package: it has no [Content_Types].xml");
        pugi::xml_document document;
        parse(document, *entry);
        contents_->setContentTypes(ContentTypes::parse(document));
    }

    void readAllRelationships() {
        std::string source;
        for (const ZipEntry& entry : zip_.entries()) {
            if (!isRelationshipsPart(entry.name, source)) continue;
            pugi::xml_document document;
            parse(document, entry);
            contents_->setRelationships(source, parseRelationships(document));
        }
    }

    void findWorkbookPart() {
        const RelationshipList* root = contents_->relationshipsOf("");
        if (root) {
            for (const Relationship& r : *root) {
                if (r.external || relationshipKind(r.type) != "officeDocument") continue;
                contents_->workbookPart = resolveTarget("", r.target);
                contents_->strict = r.type.starts_with("http://purl.oclc.org/");
                break;
            }
        }
        if (contents_->workbookPart.empty()) fail("has no workbook part: _rels/.rels names no office document");
        const ZipEntry& entry = requirePart(contents_->workbookPart, "the workbook part");
        contents_->workbookPart = entry.name;
        regenerated_.insert(asciiLower(entry.name));
    }

    WorkbookPartInfo readWorkbookXml() {
        const ZipEntry& entry = requirePart(contents_->workbookPart, "the workbook part");
        pugi::xml_document document;
        parse(document, entry);
        std::string_view rootName = localName(document.document_element().name());
        if (rootName != "workbook") fail("has no workbook part: '" + entry.name + "' holds <" + std::string(rootName) + ">");
        contents_->setWorkbookXml(std::move(document));
        return readWorkbookPart(contents_->workbookXml());
    }

    const Relationship* relationshipOfKind(const RelationshipList& list, std::string_view kind) const {
        for (const Relationship& r : list)
            if (!r.external && relationshipKind(r.type) == kind) return &r;
        return nullptr;
    }

    const ZipEntry* targetOf(const Relationship* r) const {
        return r ? zip_.find(resolveTarget(contents_->workbookPart, r->target)) : nullptr;
    }

    void markRegenerated(const RelationshipList& list, std::string_view kind) {
        if (const ZipEntry* entry = targetOf(relationshipOfKind(list, kind))) regenerated_.insert(asciiLower(entry->name));
    }

    void readStyles(const RelationshipList& list, bool date1904) {
        Styles& styles = workbook_.store().styles;
        if (const ZipEntry* entry = targetOf(relationshipOfKind(list, "styles"))) {
            regenerated_.insert(asciiLower(entry->name));
            try {
                styles.loadXml(zip_.readString(*entry));
            } catch (const com::Error& error) {
                fail("part '" + entry->name + "' cannot be read: " + error.what());
            }
        }
        styles.setUses1904Dates(date1904);
    }

    std::vector<uint32_t> readSharedStringsPart(const RelationshipList& list) {
        const ZipEntry* entry = targetOf(relationshipOfKind(list, "sharedStrings"));
        if (!entry) return {};
        regenerated_.insert(asciiLower(entry->name));
        pugi::xml_document document;
        parse(document, *entry);
        return readSharedStrings(document, workbook_.store().strings);
    }

    // Sheet-level names follow their sheets to the indexes they have in the workbook; the names of
    // a sheet that was not read go with it.
    static std::vector<DefinedName> namesOfReadSheets(std::vector<DefinedName> names, const std::vector<int32_t>& sheetIndexes) {
        std::vector<DefinedName> kept;
        kept.reserve(names.size());
        for (DefinedName& name : names) {
            if (name.localSheet >= 0) {
                if (size_t(name.localSheet) >= sheetIndexes.size() || sheetIndexes[size_t(name.localSheet)] < 0) continue;
                name.localSheet = sheetIndexes[size_t(name.localSheet)];
            }
            kept.push_back(std::move(name));
        }
        return kept;
    }

    // Reads the listed sheets in order and answers, for each entry of the list, the index its sheet
    // has in the workbook (-1 for an entry that was skipped). An entry with no relationship id at
    // all names no part: the application drops such a sheet and opens the rest, and so do we.
    std::vector<int32_t> readSheets(const WorkbookPartInfo& info, const RelationshipList& list, const std::vector<uint32_t>& strings) {
        std::vector<int32_t> sheetIndexes;
        std::unordered_set<std::string> names;
        std::unordered_map<std::string_view, const Relationship*> byId;
        for (const Relationship& r : list)
            if (!r.external) byId.emplace(r.id, &r);
        auto self = std::static_pointer_cast<Workbook>(workbook_.weak_from_this().lock());
        std::weak_ptr<Workbook> owner = self;
        for (const WorkbookSheetEntry& entry : info.sheets) {
            if (entry.name.empty()) fail("lists a sheet without a name");
            if (!names.insert(asciiLower(entry.name)).second) fail("lists the sheet name '" + entry.name + "' twice");
            requireAllowedSheetName(entry.name);
            if (entry.relationshipId.empty()) {
                sheetIndexes.push_back(-1);
                continue;
            }
            sheetIndexes.push_back(int32_t(workbook_.sheets().size()));
            auto found = byId.find(entry.relationshipId);
            const Relationship* relationship = found == byId.end() ? nullptr : found->second;
            if (!relationship) fail("is damaged: sheet '" + entry.name + "' has no part");
            const ZipEntry& part =
                requirePart(resolveTarget(contents_->workbookPart, relationship->target), "the part of sheet '" + entry.name + "'");
            std::string_view kind = relationshipKind(relationship->type);

            std::shared_ptr<Sheet> sheet;
            if (kind == "chartsheet") {
                sheet = std::make_shared<ChartSheet>(owner, entry.name);
            } else if (kind == "worksheet" || kind == "xlMacrosheet" || kind == "xlIntlMacrosheet" || kind == "dialogsheet") {
                auto worksheet = std::make_shared<Worksheet>(owner, workbook_.sharedStore(), entry.name);
                if (parsed_) {
                    if (!parsed_->copySheetInto(part.name, *worksheet))
                        fail("does not hold the sheet '" + entry.name + "' it held when first read");
                } else {
                    WorksheetSource source{zip_.displayName(), part.name, strings,
                                           workbook_.store().styles.cellFormatCount(),
                                           workbook_.store().styles.uses1904Dates()};
                    readWorksheet(zip_.read(part), *worksheet, source);
                }
                regenerated_.insert(asciiLower(part.name));
                sheet = worksheet;
            } else {
                fail("lists sheet '" + entry.name + "' of a kind this program does not know (" + relationship->type + ")");
            }
            sheet->setVisibility(entry.visibility);
            sheet->setPartName(part.name);
            workbook_.insertSheet(workbook_.sheets().size(), sheet);
            // A parsed template's copied package lists its sheets already.
            if (!parsed_) contents_->addSheetRecord(SheetRecord{part.name, relationship->id, relationship->type, entry.sheetId});
        }
        if (workbook_.sheets().empty()) fail("has no sheets");
        return sheetIndexes;
    }

    // A sheet keeps the name it has in the file only where the application would let it be named
    // so; a name it would refuse (too long, forbidden characters) makes the file unreadable here.
    void requireAllowedSheetName(const std::string& name) const {
        try {
            workbook_.validateSheetName(name, nullptr);
        } catch (const com::Error& error) {
            fail("cannot be opened: " + std::string(error.what()));
        }
    }

    void carryOtherParts() {
        std::string source;
        for (const ZipEntry& entry : zip_.entries()) {
            if (entry.name == kContentTypesPart || isRelationshipsPart(entry.name, source)) continue;
            PackagePart part;
            part.name = entry.name;
            part.regenerated = regenerated_.count(asciiLower(entry.name)) != 0;
            if (!part.regenerated) {
                if (std::shared_ptr<const std::string> held = zip_.sharedBytes(entry); held && entry.deflated && !held->empty() &&
                                                                                   held->size() == entry.size) {
                    // Checked when the source read it: the unpacked bytes are shared, not copied.
                    part.deflated = zip_.readDeflated(entry);
                    part.crc = entry.crc;
                    part.size = held->size();
                    part.held = std::move(held);
                    contents_->addPart(std::move(part));
                    continue;
                }
                // Read unpacked first: that checks the CRC and the limits, so the packed copy is
                // known sound. Only the packed copy is held, when there is one.
                std::string unpacked = zip_.readString(entry);
                if (entry.deflated && unpacked.size() == entry.size && !unpacked.empty()) {
                    part.deflated = zip_.readDeflated(entry);
                    part.crc = entry.crc;
                    part.size = unpacked.size();
                } else {
                    part.size = unpacked.size();
                    part.bytes = std::move(unpacked);
                }
            }
            contents_->addPart(std::move(part));
        }
    }

    void markReachableParts() {
        std::deque<std::string> queue{""};
        std::unordered_set<std::string> seen{""};
        while (!queue.empty()) {
            std::string source = std::move(queue.front());
            queue.pop_front();
            const RelationshipList* list = contents_->relationshipsOf(source);
            if (!list) continue;
            for (const Relationship& r : *list) {
                if (r.external) continue;
                std::string target = resolveTarget(source, r.target);
                if (!seen.insert(asciiLower(target)).second) continue;
                contents_->markReachable(target);
                queue.push_back(std::move(target));
            }
        }
    }

    const PackageSource& zip_;
    Workbook& workbook_;
    std::shared_ptr<PackageContents> contents_;
    std::unordered_set<std::string> regenerated_;  // lower-case part names
    const ParsedTemplate* parsed_;
    bool capture_ = false;
    std::shared_ptr<const ParsedTemplate> captured_;
};

}  // namespace

void readWorkbook(const std::string& path, Workbook& workbook, const ReadLimits& limits) {
    ZipInput zip(path, limits);
    PackageReader(zip, workbook).read();
}

void readWorkbookFromBuffer(const void* data, size_t size, const std::string& displayName, Workbook& workbook,
                            const ReadLimits& limits) {
    ZipInput zip(data, size, displayName, limits);
    PackageReader(zip, workbook).read();
}

void readWorkbookFrom(const PackageSnapshot& package, Workbook& workbook) {
    std::shared_ptr<const ParsedTemplate> parsed = package.parsedTemplate().get();
    PackageReader reader(package, workbook, parsed.get());
    const bool capture = !parsed && package.heldBytes() <= ParsedTemplate::kLargestPackage;
    if (capture) reader.captureParsed();
    reader.read();
    if (capture) package.parsedTemplate().offer(reader.captured());
    if (auto* contents = dynamic_cast<PackageContents*>(workbook.keptPackage().get()))
        contents->savedParts = package.savedParts();
}

}  // namespace tavlora::host::xlsx
