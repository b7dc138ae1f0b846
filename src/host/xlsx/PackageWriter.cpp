#include "host/xlsx/PackageWriter.h"

#include <libdeflate.h>

#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <unordered_map>
#include <unordered_set>

#include "com/Error.h"
#include "host/chart/ChartSheet.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"
#include "host/xlsx/KeptSheetXml.h"
#include "host/xlsx/chart/ChartPackagePlan.h"
#include "host/xlsx/ChunkedDeflate.h"
#include "host/xlsx/Package.h"
#include "host/xlsx/PartHead.h"
#include "host/xlsx/SavedPartMemo.h"
#include "host/xlsx/SharedStrings.h"
#include "host/xlsx/WorkbookPart.h"
#include "host/xlsx/WorksheetWriter.h"
#include "host/xlsx/ZipInput.h"
#include "host/xlsx/ZipOutput.h"

namespace tavlora::host::xlsx {

namespace {

bool isSheetKind(std::string_view kind) {
    return kind == "worksheet" || kind == "chartsheet" || kind == "dialogsheet" || kind == "xlMacrosheet" ||
           kind == "xlIntlMacrosheet";
}

// The package of a workbook that was never read from a file.
std::unique_ptr<PackageContents> blankPackage() {
    auto package = std::make_unique<PackageContents>();
    package->editContentTypes().setDefault("rels", contenttype::kRelationships);
    package->editContentTypes().setDefault("xml", contenttype::kXml);
    package->workbookPart = "xl/workbook.xml";
    package->setRelationships("", {Relationship{"rId1", package->relationshipType("officeDocument"), "xl/workbook.xml", false}});
    PackagePart workbookPart;
    workbookPart.name = "xl/workbook.xml";
    workbookPart.regenerated = true;
    package->addPart(std::move(workbookPart));
    return package;
}

struct PlannedSheet {
    const Sheet* sheet = nullptr;
    std::string part;
    std::string relationshipId;
    std::string relationshipType;
    std::string sheetId;
    bool isNew = false;
};

// What one save writes: decided in full before the first byte, so that a refusal leaves no file.
class PackagePlan {
public:
    PackagePlan(const Workbook& workbook, const PackageContents& kept, bool macroEnabled)
        : workbook_(workbook), kept_(kept), macroEnabled_(macroEnabled), workbookPartKey_(asciiLower(kept.workbookPart)) {}

    void build() {
        planSheets();
        planCharts();
        planStrings();
        planWorkbookRelationships();
        findWrittenParts();
        planContentTypes();
    }

    void addTo(ZipOutput& zip) {
        addMadeFromListing(zip, "[Content_Types].xml", contentTypesChanges_, [this] { return contentTypesMade_(); });
        addRelationshipsOf(zip, "");
        for (const PackagePart& part : kept_.parts()) {
            if (!isWritten(part.name)) continue;
            addPart(zip, part.name, &part);
        }
        for (const std::string& name : newParts_) addPart(zip, name, nullptr);
    }

private:
    const WorkbookStore& store() const { return *workbook_.sharedStore(); }

    // ---- sheets ----

    void planSheets() {
        uint32_t maxSheetId = 0;
        for (const SheetRecord& record : kept_.sheetRecords()) maxSheetId = std::max(maxSheetId, numericId(record.sheetId));
        std::unordered_set<std::string> claimed;
        for (const auto& sheet : workbook_.sheets()) {
            PlannedSheet planned;
            planned.sheet = sheet.get();
            const SheetRecord* record = sheet->partName().empty() ? nullptr : kept_.sheetRecord(sheet->partName());
            if (record && !claimed.insert(asciiLower(record->part)).second) record = nullptr;
            if (record) {
                planned.part = record->part;
                planned.relationshipId = record->relationshipId;
                planned.relationshipType = record->relationshipType;
                planned.sheetId = record->sheetId;
            } else {
                bool chartSheet = sheet->kind() == SheetKind::ChartSheet;
                planned.isNew = true;
                planned.part = freePartName(chartSheet ? "xl/chartsheets/sheet" : "xl/worksheets/sheet", ".xml");
                claimed.insert(asciiLower(planned.part));
                planned.relationshipType = kept_.relationshipType(chartSheet ? "chartsheet" : "worksheet");
                planned.sheetId = std::to_string(++maxSheetId);
                newParts_.push_back(planned.part);
            }
            sheetsByPart_[asciiLower(planned.part)] = sheets_.size();
            sheets_.push_back(std::move(planned));
        }
    }

    static uint32_t numericId(const std::string& text) {
        try {
            return static_cast<uint32_t>(std::stoul(text));
        } catch (...) {
            return 0;
        }
    }

    std::string freePartName(const std::string& stem, const std::string& extension) {
        for (uint32_t n = 1;; ++n) {
            std::string name = stem + std::to_string(n) + extension;
            if (!kept_.findPart(name) && !takenNames_.count(asciiLower(name))) {
                takenNames_.insert(asciiLower(name));
                return name;
            }
        }
    }

    const PlannedSheet* plannedSheet(std::string_view part) const {
        auto it = sheetsByPart_.find(asciiLower(part));
        return it == sheetsByPart_.end() ? nullptr : &sheets_[it->second];
    }

    // ---- workbook relationships ----

    void planWorkbookRelationships() {
        const std::string& workbookPart = kept_.workbookPart;
        // A mark for each relationship as listed, whether it stays: with what is added after
        // them, they spell how this save's list differs from the package's.
        std::string marks;
        if (const RelationshipList* keptList = kept_.relationshipsOf(workbookPart)) {
            for (const Relationship& r : *keptList) {
                const bool drop = dropsWorkbookRelationship(r);
                marks += drop ? '0' : '1';
                if (!drop) workbookRelationships_.push_back(r);
            }
        }
        for (PlannedSheet& sheet : sheets_) {
            if (!sheet.isNew) continue;
            sheet.relationshipId = freeRelationshipId(workbookRelationships_);
            workbookRelationships_.push_back(
                {sheet.relationshipId, sheet.relationshipType, relativeTarget(workbookPart, sheet.part), false});
        }
        stylesPart_ = partOfKind("styles");
        if (stylesPart_.empty()) stylesPart_ = addWorkbookPart("styles", "xl/styles", contenttype::kStyles);
        sharedStringsPart_ = partOfKind("sharedStrings");
        if (sharedStringsPart_.empty() && !strings_.written.empty())
            sharedStringsPart_ = addWorkbookPart("sharedStrings", "xl/sharedStrings", contenttype::kSharedStrings);
        const size_t stayed = static_cast<size_t>(std::count(marks.begin(), marks.end(), '1'));
        workbookRelationshipsChanges_ = std::move(marks);
        workbookRelationshipsChanges_ += relationshipsSpelling(
            RelationshipList(workbookRelationships_.begin() + static_cast<std::ptrdiff_t>(stayed), workbookRelationships_.end()));
        stylesPartKey_ = asciiLower(stylesPart_);
        sharedStringsPartKey_ = asciiLower(sharedStringsPart_);
    }

    bool dropsWorkbookRelationship(const Relationship& r) const {
        const std::string& workbookPart = kept_.workbookPart;
        std::string_view kind = relationshipKind(r.type);
        if (r.external) return false;
        if (isSheetKind(kind)) {
            const PlannedSheet* planned = plannedSheet(resolveTarget(workbookPart, r.target));
            return !planned || planned->isNew;
        }
        // The engine writes these parts itself, under a name the package holds; a relationship
        // to one the package lacked would leave the saved file naming a part it does not hold.
        if ((kind == "styles" || kind == "sharedStrings") && !kept_.findPart(resolveTarget(workbookPart, r.target)))
            return true;
        // A stale calculation chain upsets the full recalculation; macros only live in .xlsm.
        return kind == "calcChain" || (!macroEnabled_ && kind == "vbaProject");
    }

    std::string partOfKind(std::string_view kind) const {
        for (const Relationship& r : workbookRelationships_)
            if (!r.external && relationshipKind(r.type) == kind) return resolveTarget(kept_.workbookPart, r.target);
        return "";
    }

    std::string addWorkbookPart(std::string_view kind, const std::string& stem, std::string_view contentType) {
        std::string name = stem + ".xml";
        if (kept_.findPart(name) || takenNames_.count(asciiLower(name))) name = freePartName(stem, ".xml");
        takenNames_.insert(asciiLower(name));
        workbookRelationships_.push_back({freeRelationshipId(workbookRelationships_), kept_.relationshipType(kind),
                                          relativeTarget(kept_.workbookPart, name), false});
        newParts_.push_back(name);
        newContentTypes_.emplace_back(name, contentType);
        return name;
    }

    // Chart, drawing and new chart sheet parts, with the relationships and content types they need.
    void planCharts() {
        charts_ = std::make_unique<ChartPartsPlan>(
            workbook_, kept_, [this](const std::string& stem, const std::string& extension) { return freePartName(stem, extension); });
        for (const PlannedSheet& sheet : sheets_) charts_->planSheet(*sheet.sheet, sheet.part, sheet.isNew);
        newParts_.insert(newParts_.end(), charts_->newParts().begin(), charts_->newParts().end());
        newContentTypes_.insert(newContentTypes_.end(), charts_->newContentTypes().begin(), charts_->newContentTypes().end());
    }

    // `changes`, when given, is set to how the list differs from the package's own as listed (""
    // for that list itself), or to null when it is not derived from it.
    const RelationshipList* relationshipsOf(std::string_view part, const std::string** changes = nullptr) const {
        static const std::string none;
        if (changes) *changes = nullptr;
        if (const RelationshipList* planned = charts_->relationshipsOf(part)) return planned;
        if (base::equalsIgnoringAsciiCase(part, kept_.workbookPart)) {
            if (changes) *changes = &workbookRelationshipsChanges_;
            return &workbookRelationships_;
        }
        // Most parts have no relationships: those are answered before the sheets are looked in.
        const RelationshipList* kept = kept_.relationshipsOf(part);
        if (!kept) return nullptr;
        if (const PlannedSheet* sheet = plannedSheet(part); sheet && sheet->isNew) return nullptr;
        if (changes) *changes = &none;
        return kept;
    }

    // ---- shared strings: the texts cells use, in pool order ----

    void planStrings() {
        const StringPool& pool = store().strings;
        std::vector<bool> used(pool.size(), false);
        for (const auto& sheet : workbook_.worksheets()) {
            for (const RowInfo& row : sheet->store().rows()) {
                for (const Cell& cell : row.cells) {
                    if (cell.kind != CellKind::String || cell.payload.stringId >= pool.size()) continue;
                    used[cell.payload.stringId] = true;
                    ++strings_.references;
                }
            }
        }
        strings_.fileIndex.assign(pool.size(), SharedStringTable::kUnused);
        for (uint32_t id = 0; id < pool.size(); ++id) {
            if (!used[id]) continue;
            strings_.fileIndex[id] = static_cast<uint32_t>(strings_.written.size());
            strings_.written.push_back(id);
        }
    }

    // ---- parts reached from the package root ----

    // A save that plans no relationships but the workbook part's reaches what an earlier save of
    // the same listing, changing those alike, reached: the walk is taken from the template.
    void findWrittenParts() {
        const bool sameWalk = charts_->plansRelationships() == false &&
                              std::none_of(sheets_.begin(), sheets_.end(), [](const PlannedSheet& s) { return s.isNew; });
        const std::shared_ptr<SavedPartMemo>& memo = kept_.savedParts;
        std::shared_ptr<const void> listing = kept_.listingIdentity();
        if (sameWalk && memo) {
            if ((reached_ = memo->reachedFrom(listing, workbookRelationshipsChanges_))) return;
        }
        auto reached = std::make_shared<SavedPartMemo::ReachedParts>();
        walkRelationships(reached->parts);
        for (const std::string& part : reached->parts) reached->extensions.insert(extensionOf(part));
        reached_ = reached;
        if (sameWalk && memo) memo->keepReached(std::move(listing), workbookRelationshipsChanges_, reached_);
    }

    void walkRelationships(std::unordered_set<std::string>& reached) const {
        std::deque<std::string> queue{""};
        while (!queue.empty()) {
            std::string source = std::move(queue.front());
            queue.pop_front();
            const RelationshipList* list = relationshipsOf(source);
            if (!list) continue;
            for (const Relationship& r : *list) {
                if (r.external) continue;
                std::string target = resolveTarget(source, r.target);
                // The root ("") is where the walk starts, never a part reached.
                if (target.empty() || !reached.insert(asciiLower(target)).second) continue;
                queue.push_back(std::move(target));
            }
        }
        // Parts no relationship reached when the file was read are carried as they came.
        for (const PackagePart& part : kept_.parts())
            if (!part.regenerated && !kept_.wasReachable(part.name)) reached.insert(asciiLower(part.name));
    }

    bool isWritten(std::string_view part) const { return reached_->parts.count(asciiLower(part)) != 0; }

    void planContentTypes() {
        std::vector<std::pair<std::string_view, std::string_view>> overrides;
        overrides.emplace_back(kept_.workbookPart, macroEnabled_ ? contenttype::kMacroWorkbook : contenttype::kWorkbook);
        for (const PlannedSheet& sheet : sheets_)
            if (sheet.isNew && sheet.sheet->kind() == SheetKind::Worksheet) overrides.emplace_back(sheet.part, contenttype::kWorksheet);
        for (const auto& [name, type] : newContentTypes_) overrides.emplace_back(name, type);
        // Both read members only: the table is made later, when the archive is filled.
        auto written = [this](std::string_view part) { return isWritten(part); };
        auto used = [this](std::string_view extension) { return reached_->extensions.count(std::string(extension)) != 0; };
        // The table written follows from the package's own, the Overrides set here and what prune
        // keeps of the result: those spelled are all a save needs to know it from an earlier one.
        // The table itself is only made when no earlier save of the same listing made its part.
        std::string& changes = contentTypesChanges_;
        const ContentTypes& kept = kept_.contentTypes();
        for (const auto& [name, type] : overrides) appendSpelledFields(changes, {name, type, written(name) ? "1" : "0"});
        changes += kept.pruneMarks(written, used);
        contentTypesMade_ = [this, overrides = std::move(overrides), written, used] {
            ContentTypes types = kept_.contentTypes();
            for (const auto& [name, type] : overrides) types.setOverride(name, type);
            types.prune(written, used);
            // Relationship parts are written anew; a package that typed them by Override only would
            // otherwise leave them without a type.
            if (!types.hasDefault("rels")) types.setDefault("rels", contenttype::kRelationships);
            return types.toXml();
        };
    }


    // ---- writing ----

    void addRelationshipsOf(ZipOutput& zip, std::string_view part) {
        const std::string* changes = nullptr;
        const RelationshipList* list = relationshipsOf(part, &changes);
        if (!list || list->empty()) return;
        auto xml = [list] { return relationshipsXml(*list); };
        if (changes) addMadeFromListing(zip, relationshipsPartOf(part), *changes, xml);
        else addMade(zip, relationshipsPartOf(part), relationshipsSpelling(*list), xml);
    }

    void addPart(ZipOutput& zip, const std::string& name, const PackagePart* kept) {
        std::string key = asciiLower(name);
        if (key == workbookPartKey_) {
            addWorkbookPart(zip, name);
        } else if (charts_->writes(name)) {
            addWhole(zip, name, charts_->partXml(name));
        } else if (const PlannedSheet* sheet = plannedSheet(name); sheet && sheet->sheet->kind() == SheetKind::Worksheet) {
            addWorksheet(zip, *sheet);
        } else if (key == stylesPartKey_) {
            addWhole(zip, name, store().styles.toXml());
        } else if (!sharedStringsPart_.empty() && key == sharedStringsPartKey_) {
            const StringPool* pool = &store().strings;
            const SharedStringTable* table = &strings_;
            std::string ns = kept_.mainNamespace();
            zip.addStream(name, [pool, table, ns] { return sharedStringsProducer(*pool, *table, ns); }, headOf(name));
        } else if (kept && !kept->regenerated) {
            // A part still held as read is copied packed: far cheaper than deflating it again.
            if (kept->packedOnly()) zip.addDeflated(name, kept->deflated, kept->crc, kept->size);
            else zip.addBytes(name, kept->bytes);
        } else {
            return;  // a part the engine regenerates that this save does not need
        }
        addRelationshipsOf(zip, name);
    }

    // A part made whole in memory. Reports from one cached template write most of these alike:
    // one deflated by an earlier save of the same bytes is copied as it is. `inputs` spells what
    // the text was made from (see addMade), "" when the part is known by its bytes alone.
    void addWhole(ZipOutput& zip, const std::string& name, std::string text, std::string inputs = {},
                  std::shared_ptr<const void> source = nullptr) {
        const std::shared_ptr<SavedPartMemo>& memo = kept_.savedParts;
        if (!memo || text.size() > SavedPartMemo::kLargestPart) return zip.addText(name, std::move(text));
        std::shared_ptr<const SavedPartMemo::Part> part = memo->find(name, text);
        if (!part || part->inputs != inputs || part->source != source) {
            auto made = std::make_shared<SavedPartMemo::Part>();
            if (part) {
                *made = *part;  // the same bytes, now also known by what they were made from
            } else {
                if (!deflater_) deflater_ = std::make_unique<PartDeflater>(DeflateSettings{}.level);
                made->deflated = deflater_->deflate(text);
                made->crc = libdeflate_crc32(0, text.data(), text.size());
                made->bytes = std::move(text);
            }
            made->inputs = std::move(inputs);
            made->source = std::move(source);
            part = made;
            memo->keep(name, part);
        }
        addKept(zip, name, std::move(part));
    }

    // A part whose text follows from inputs spelled whole in `inputs` (relationships, content
    // types): when an earlier save of the template made it from equal inputs, its deflated form is
    // copied without the text being made again. Equal inputs make equal text, so nothing stale
    // is ever taken.
    template <class MakeText>
    void addMade(ZipOutput& zip, const std::string& name, std::string inputs, MakeText makeText) {
        const std::shared_ptr<SavedPartMemo>& memo = kept_.savedParts;
        if (memo) {
            if (std::shared_ptr<const SavedPartMemo::Part> part = memo->findMadeFrom(name, inputs))
                return addKept(zip, name, std::move(part));
        }
        addWhole(zip, name, makeText(), std::move(inputs));
    }

    // A part whose text follows from the package's listing and `changes` (what this save changes
    // of it, spelled whole: the content types, a part's relationships): when an earlier save made
    // it from the very listing this workbook holds (shared with the template, never changed while
    // shared) and equal changes, its deflated form is copied without the text being made or
    // compared, and without the listing being spelled. A workbook that changed its listing holds
    // a copy of its own, which no kept part was made from.
    template <class MakeText>
    void addMadeFromListing(ZipOutput& zip, const std::string& name, const std::string& changes, MakeText makeText) {
        std::shared_ptr<const void> listing = kept_.listingIdentity();
        if (const std::shared_ptr<SavedPartMemo>& memo = kept_.savedParts) {
            if (std::shared_ptr<const SavedPartMemo::Part> part = memo->findMadeFrom(name, listing, changes))
                return addKept(zip, name, std::move(part));
        }
        addWhole(zip, name, makeText(), changes, std::move(listing));
    }

    void addKept(ZipOutput& zip, const std::string& name, std::shared_ptr<const SavedPartMemo::Part> part) {
        zip.addDeflated(name, part->deflated, part->crc, part->bytes.size());
        heldParts_.push_back(std::move(part));  // the archive reads the deflated bytes at commit
    }

    void addWorksheet(ZipOutput& zip, const PlannedSheet& planned) {
        auto target = std::make_unique<WorksheetTarget>(WorksheetTarget{
            strings_, planned.sheet == workbook_.activeSheet().get(), !planned.isNew, kept_.mainNamespace(),
            kept_.relationshipsNamespace(), charts_->newDrawingRelationship(*planned.sheet)});
        const auto* sheet = static_cast<const Worksheet*>(planned.sheet);
        target->keepsGroupedTabs = activeTabSelectedAsRead();
        const WorksheetTarget* t = target.get();
        targets_.push_back(std::move(target));
        zip.addStream(planned.part, [sheet, t] { return worksheetProducer(*sheet, *t); }, headOf(planned.part),
                      kWorksheetLevel);
    }

    // Sheets and texts differ in every report, but not from their start: the template's columns
    // and leading rows, and its own texts, come out alike.
    std::shared_ptr<PartHead> headOf(const std::string& name) const {
        return kept_.savedParts ? kept_.savedParts->headOf(name) : nullptr;
    }

    bool activeTabSelectedAsRead() const {
        auto active = workbook_.activeSheet();
        const auto* sheet = dynamic_cast<const Worksheet*>(active.get());
        return sheet && tabSelectedAsRead(*sheet);
    }

    // The kept XML as the template had it, with equal sheets and names, makes the part an earlier
    // report deflated: it is neither laid out nor compared again.
    void addWorkbookPart(ZipOutput& zip, const std::string& name) {
        WorkbookPartOut out = workbookPartOut();
        if (!kept_.workbookXmlAsRead) return addWhole(zip, name, workbookPartXml(kept_.workbookXml(), out));
        addMade(zip, name, workbookPartSpelling(out), [&] { return workbookPartXml(kept_.workbookXml(), out); });
    }

    WorkbookPartOut workbookPartOut() const {
        WorkbookPartOut out;
        for (const PlannedSheet& planned : sheets_)
            out.sheets.push_back(
                {planned.sheet->name(), planned.sheetId, planned.relationshipId, planned.sheet->visibility()});
        out.definedNames = &workbook_.definedNames();
        out.date1904 = store().styles.uses1904Dates();
        auto active = workbook_.activeSheet();
        out.activeTab = active ? std::max(0, workbook_.indexOf(*active)) : 0;
        out.mainNamespace = kept_.mainNamespace();
        out.relationshipsNamespace = kept_.relationshipsNamespace();
        return out;
    }

    const Workbook& workbook_;
    const PackageContents& kept_;
    bool macroEnabled_;
    std::vector<PlannedSheet> sheets_;
    std::unordered_map<std::string, size_t> sheetsByPart_;
    std::unordered_set<std::string> takenNames_;
    std::vector<std::string> newParts_;
    std::vector<std::pair<std::string, std::string_view>> newContentTypes_;
    RelationshipList workbookRelationships_;
    std::string workbookPartKey_;  // the part names below, lower case: how parts are compared
    std::string stylesPart_;
    std::string stylesPartKey_;
    std::string sharedStringsPart_;
    std::string sharedStringsPartKey_;
    SharedStringTable strings_;
    std::shared_ptr<const SavedPartMemo::ReachedParts> reached_;
    std::string workbookRelationshipsChanges_;
    std::string contentTypesChanges_;
    std::function<std::string()> contentTypesMade_;
    std::vector<std::unique_ptr<WorksheetTarget>> targets_;
    std::unique_ptr<ChartPartsPlan> charts_;
    std::unique_ptr<PartDeflater> deflater_;  // for parts no earlier save deflated
    std::vector<std::shared_ptr<const SavedPartMemo::Part>> heldParts_;
};

bool isMacroEnabledTarget(const Workbook& workbook, const std::string& path) {
    std::string extension = asciiLower(std::filesystem::path(path).extension().string());
    if (extension == ".xlsm") return true;
    if (extension == ".xlsx") return false;
    return workbook.fileFormat() == fileformat::kMacroEnabled;
}

}  // namespace

void writeWorkbook(const Workbook& workbook, const std::string& path, const base::FileSync& sync,
                   DeflaterPool* compressors) {
    std::unique_ptr<PackageContents> blank;
    const auto* kept = dynamic_cast<const PackageContents*>(workbook.keptPackage().get());
    if (!kept) {
        blank = blankPackage();
        kept = blank.get();
    }
    if (workbook.sheets().empty()) com::throwHostError("Cannot save '" + path + "': the workbook has no sheets");
    PackagePlan plan(workbook, *kept, isMacroEnabledTarget(workbook, path));
    plan.build();
    ZipOutput zip(path, sync, compressors);
    plan.addTo(zip);
    zip.commit();
}

}  // namespace tavlora::host::xlsx
