#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "host/cells/CellRef.h"
#include "host/cells/StringPool.h"
#include "host/EditListener.h"
#include "host/format/Styles.h"

namespace tavlora::host {

namespace formula {
class CalcEngine;
}

class Application;
class Sheet;
class Worksheet;
class ChartSheet;

// The package parts the engine does not model; owned by the file layer, carried by the workbook
// so that a save writes them back. It follows the workbook's edits, after the application's
// listeners.
struct KeptPackage : EditListener {};

struct DefinedName {
    std::string name;
    std::string formula;      // without "="; "#REF!" where a deletion removed its target
    int32_t localSheet = -1;  // index of the sheet it belongs to, -1 = workbook scope
    std::string extraAttributes;  // hidden, comment, ... kept verbatim
};

// What sheets share: texts and formats.
struct WorkbookStore {
    StringPool strings;
    Styles styles;
};

namespace fileformat {
constexpr int32_t kDefault = 51;  // Office Open XML workbook
constexpr int32_t kMacroEnabled = 52;
constexpr int32_t kHtml = 44;
}  // namespace fileformat

class Workbook : public com::Dispatch {
public:
    Workbook(std::shared_ptr<Application> application, std::string defaultName);
    ~Workbook() override;

    const std::shared_ptr<Application>& application() const { return application_; }
    // Folder of the file the workbook was opened from or last saved to; "" = never saved.
    std::string path() const;
    const std::string& fullName() const { return fullName_; }
    const std::string& name() const { return name_; }

    void save();
    // Filename "" = the default name in the current directory. Format kHtml writes a web page and
    // does not change the workbook's own file format. Atomic: a failed save leaves the old file.
    void saveAs(const std::string& filename, int32_t fileFormat = fileformat::kDefault);
    // Closes without saving; the workbook is unusable afterwards.
    void close();
    bool isClosed() const { return closed_; }

    // Every sheet (worksheets and chart sheets) in workbook order.
    const std::vector<std::shared_ptr<Sheet>>& sheets() const { return sheets_; }
    std::vector<std::shared_ptr<Worksheet>> worksheets() const;
    std::vector<std::shared_ptr<ChartSheet>> chartSheets() const;

    // Adds a worksheet before `before` (or after `after`); with neither, before the active sheet.
    // The new sheet gets the first free default name "Sheet<N>" and becomes active.
    std::shared_ptr<Worksheet> addWorksheet(const Sheet* before = nullptr, const Sheet* after = nullptr);
    // Charts.Add: a new chart sheet holding a clustered column chart without series, placed before
    // `before` (or after `after`), by default before the active sheet; named "Chart<N>" with the
    // first free N, and made active.
    std::shared_ptr<ChartSheet> addChartSheet(const Sheet* before = nullptr, const Sheet* after = nullptr);
    // Removes a sheet; refusing to delete the last visible sheet (host error).
    void deleteSheet(const Sheet& sheet);
    // Throws a host error when the name breaks the naming rules or is taken (ignoring case).
    void validateSheetName(const std::string& name, const Sheet* renaming) const;
    // Rewrites references to sheet `oldName` in every cell formula and defined name to `newName`.
    void renameSheetReferences(const std::string& oldName, const std::string& newName);
    // Tells every listener of this workbook's edits: the application's, then the file layer's.
    void notifyEdit(const std::function<void(EditListener&)>& tell) const;
    std::shared_ptr<Sheet> activeSheet() const;
    void setActiveSheet(const Sheet& sheet);
    int32_t indexOf(const Sheet& sheet) const;  // 0-based; -1 when not in this workbook

    WorkbookStore& store() { return *store_; }
    const std::shared_ptr<WorkbookStore>& sharedStore() const { return store_; }
    // Resolves "B3", "Sheet2!B3:C4", "'My Sheet'!A:A" or the name of a defined name that refers to
    // one area. Unqualified references belong to `context` (may be null). nullopt when the text is
    // none of these or names a sheet that is not here.
    struct ResolvedReference {
        std::shared_ptr<Worksheet> sheet;
        Area area;
    };
    std::optional<ResolvedReference> resolveReference(const std::string& text,
                                                      const std::shared_ptr<Worksheet>& context) const;

    // Formulas are computed lazily: a read of a formula cell computes what it needs, Save computes
    // every stale formula. Edits tell the engine here what they changed.
    void calculate();
    void calculateFormula(const Worksheet& sheet, uint32_t formulaId);
    void noteValuesChanged(const Worksheet& sheet, const Area& area);
    void noteFormulaChanged(const Worksheet& sheet, int32_t row, int32_t column);
    // Sheets were added, removed or renamed, cells deleted, or names changed: formulas are
    // compiled again at the next calculation.
    void noteStructureChanged() { calculationViewStale_ = true; }
    formula::CalcEngine& calculation();

    std::vector<DefinedName>& definedNames() { return definedNames_; }
    const std::vector<DefinedName>& definedNames() const { return definedNames_; }

    // For the file layer.
    void insertSheet(size_t index, std::shared_ptr<Sheet> sheet);
    void setFileName(const std::string& fullName);
    std::shared_ptr<KeptPackage>& keptPackage() { return kept_; }
    const std::shared_ptr<KeptPackage>& keptPackage() const { return kept_; }
    int32_t fileFormat() const { return fileFormat_; }
    void setFileFormat(int32_t f) { fileFormat_ = f; }

    const com::DispatchTable& dispatchTable() const override;

private:
    void requireOpen() const;
    // The sheet at `index`, with the ones beside it in tab order, as it leaves.
    formula::SheetRemoval removalOf(size_t index) const;
    std::filesystem::path defaultSavePath(int32_t fileFormat) const;
    std::shared_ptr<Application> application_;
    std::shared_ptr<WorkbookStore> store_;
    std::vector<std::shared_ptr<Sheet>> sheets_;
    std::vector<DefinedName> definedNames_;
    std::shared_ptr<KeptPackage> kept_;
    std::string fullName_;  // "" until opened or saved
    std::string name_;      // "Book1" or the file name
    int32_t fileFormat_ = fileformat::kDefault;
    size_t activeIndex_ = 0;
    bool closed_ = false;
    std::unique_ptr<formula::CalcEngine> calculation_;
    bool calculationViewStale_ = true;
};

}  // namespace tavlora::host
