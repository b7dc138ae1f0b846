#include "host/Workbook.h"

#include <algorithm>
#include <filesystem>

#include "base/Utf8.h"
#include "com/Conversions.h"
#include "com/DispatchRows.h"
#include "com/Error.h"
#include "host/Application.h"
#include "host/cells/SheetPrefix.h"
#include "host/formula/CalcEngine.h"
#include "host/formula/FormulaReferences.h"
#include "host/Worksheet.h"

namespace tavlora::host {

namespace {

constexpr size_t kMaxSheetNameLength = 31;
constexpr std::string_view kForbiddenSheetNameCharacters = ":\\/?*[]";

bool sameNameIgnoringCase(std::string_view a, std::string_view b) { return com::equalsIgnoreCase(a, b); }

}  // namespace

Workbook::Workbook(std::shared_ptr<Application> application, std::string defaultName)
    : application_(std::move(application)),
      store_(std::make_shared<WorkbookStore>()),
      name_(std::move(defaultName)) {}

Workbook::~Workbook() {
    if (application_) application_->forget(this);
}

void Workbook::requireOpen() const {
    if (closed_) com::throwHostError("The workbook '" + name_ + "' is closed.");
}

std::string Workbook::path() const {
    if (fullName_.empty()) return "";
    return std::filesystem::path(fullName_).parent_path().string();
}

void Workbook::save() {
    requireOpen();
    if (fullName_.empty()) {
        saveAs("");
        return;
    }
    saveAs(fullName_, fileFormat_);
}

void Workbook::saveAs(const std::string& filename, int32_t fileFormat) {
    requireOpen();
    namespace fs = std::filesystem;
    fs::path target = filename.empty() ? defaultSavePath(fileFormat) : fs::path(filename);
    if (target.is_relative()) target = fs::current_path() / target;
    // The file, the web page and the chart caches carry the computed values. A web page reads
    // them all up front; a workbook file's writer lays a sheet's rows out as the calculation's walk
    // passes them (CalcEngine::calculateRows), so computing runs beside the deflating of the rows
    // laid out before, and what the writer did not ask for is computed after it.
    if (fileFormat == fileformat::kHtml) calculate();
    else calculation().startCalculation();
    auto written = application_->files().write(*this, target, fileFormat);
    calculation().finishCalculation();
    if (!written.isWorkbookFile) return;
    // Saved as a web page too, the workbook's file is now the page, as in the application: a later
    // Save writes the page again.
    setFileName(written.path.string());
    fileFormat_ = written.fileFormat;
}

std::filesystem::path Workbook::defaultSavePath(int32_t fileFormat) const {
    namespace fs = std::filesystem;
    // A never-saved workbook goes to the current folder under its own name (Book1); a saved one
    // keeps its folder and the stem of its file name.
    fs::path folder = fullName_.empty() ? fs::current_path() : fs::path(fullName_).parent_path();
    std::string stem = fullName_.empty() ? name_ : fs::path(name_).stem().string();
    return folder / (stem + application_->files().extension(fileFormat));
}

void Workbook::close() {
    if (closed_) return;
    closed_ = true;
    for (auto& sheet : sheets_) sheet->markDeleted();
    sheets_.clear();
    definedNames_.clear();
    kept_.reset();
    calculation_.reset();
    if (application_) application_->forget(this);
}

std::vector<std::shared_ptr<Worksheet>> Workbook::worksheets() const {
    std::vector<std::shared_ptr<Worksheet>> out;
    for (const auto& sheet : sheets_)
        if (sheet->kind() == SheetKind::Worksheet) out.push_back(std::static_pointer_cast<Worksheet>(sheet));
    return out;
}

std::shared_ptr<Worksheet> Workbook::addWorksheet(const Sheet* before, const Sheet* after) {
    requireOpen();
    size_t index = std::min(activeIndex_, sheets_.size());
    if (before) {
        int32_t at = indexOf(*before);
        if (at < 0) com::throwHostError("Sheets.Add: the Before sheet is not in this workbook.");
        index = static_cast<size_t>(at);
    } else if (after) {
        int32_t at = indexOf(*after);
        if (at < 0) com::throwHostError("Sheets.Add: the After sheet is not in this workbook.");
        index = static_cast<size_t>(at) + 1;
    }
    std::string name;
    for (int n = 1;; ++n) {
        name = "Sheet" + std::to_string(n);
        bool taken = std::any_of(sheets_.begin(), sheets_.end(),
                                 [&](const auto& s) { return sameNameIgnoringCase(s->name(), name); });
        if (!taken) break;
    }
    auto self = std::static_pointer_cast<Workbook>(shared_from_this());
    auto sheet = std::make_shared<Worksheet>(self, store_, name);
    insertSheet(index, sheet);
    activeIndex_ = index;
    return sheet;
}

void Workbook::insertSheet(size_t index, std::shared_ptr<Sheet> sheet) {
    index = std::min(index, sheets_.size());
    sheets_.insert(sheets_.begin() + static_cast<std::ptrdiff_t>(index), std::move(sheet));
    noteStructureChanged();
    if (sheets_.size() > 1 && activeIndex_ >= index) ++activeIndex_;
    if (activeIndex_ >= sheets_.size()) activeIndex_ = 0;
    for (auto& name : definedNames_)
        if (name.localSheet >= static_cast<int32_t>(index)) ++name.localSheet;
}

void Workbook::deleteSheet(const Sheet& sheet) {
    requireOpen();
    int32_t index = indexOf(sheet);
    if (index < 0) com::throwHostError("The sheet '" + sheet.name() + "' is not in this workbook.");
    if (sheet.visibility() == SheetVisibility::Visible) {
        size_t visible = std::count_if(sheets_.begin(), sheets_.end(), [](const auto& s) {
            return s->visibility() == SheetVisibility::Visible;
        });
        if (visible <= 1)
            com::throwHostError("A workbook must contain at least one visible sheet: '" + sheet.name() +
                                "' cannot be deleted.");
    }
    std::shared_ptr<Sheet> removed = sheets_[static_cast<size_t>(index)];
    const formula::SheetRemoval removal = removalOf(static_cast<size_t>(index));
    sheets_.erase(sheets_.begin() + index);
    noteStructureChanged();
    removed->markDeleted();

    std::erase_if(definedNames_, [&](const DefinedName& n) { return n.localSheet == index; });
    for (auto& name : definedNames_) {
        if (name.localSheet > index) --name.localSheet;
        name.formula = formula::invalidateSheet(name.formula, removal);
    }
    for (const auto& ws : worksheets())
        for (auto& f : ws->store().formulas()) f.text = formula::invalidateSheet(f.text, removal);

    if (activeIndex_ > static_cast<size_t>(index) || activeIndex_ >= sheets_.size())
        activeIndex_ = activeIndex_ > 0 ? activeIndex_ - 1 : 0;
    // The active sheet must be a visible one.
    if (!sheets_.empty() && sheets_[activeIndex_]->visibility() != SheetVisibility::Visible) {
        for (size_t i = 0; i < sheets_.size(); ++i)
            if (sheets_[i]->visibility() == SheetVisibility::Visible) {
                activeIndex_ = i;
                break;
            }
    }
    notifyEdit([&](EditListener& listener) { listener.sheetDeleted(*this, *removed, removal); });
}

formula::SheetRemoval Workbook::removalOf(size_t index) const {
    formula::SheetRemoval removal{sheets_[index]->name(), "", ""};
    if (index > 0) removal.before = sheets_[index - 1]->name();
    if (index + 1 < sheets_.size()) removal.after = sheets_[index + 1]->name();
    return removal;
}

void Workbook::validateSheetName(const std::string& name, const Sheet* renaming) const {
    auto refuse = [&](const std::string& why) {
        com::throwHostError("The sheet name '" + name + "' is not allowed: " + why);
    };
    int64_t length = base::utf16Length(name);
    if (length < 1 || static_cast<size_t>(length) > kMaxSheetNameLength)
        refuse("a sheet name must be 1 to 31 characters long.");
    if (name.find_first_of(kForbiddenSheetNameCharacters) != std::string::npos)
        refuse("a sheet name must not contain any of : \\ / ? * [ ].");
    if (name.front() == '\'' || name.back() == '\'')
        refuse("a sheet name must not begin or end with an apostrophe.");
    if (sameNameIgnoringCase(name, "History")) refuse("'History' is reserved.");
    for (const auto& sheet : sheets_) {
        if (sheet.get() == renaming) continue;
        if (sameNameIgnoringCase(sheet->name(), name)) refuse("another sheet is already named '" + sheet->name() + "'.");
    }
}

void Workbook::renameSheetReferences(const std::string& oldName, const std::string& newName) {
    if (oldName == newName) return;
    noteStructureChanged();
    for (auto& name : definedNames_) name.formula = formula::renameSheet(name.formula, oldName, newName);
    for (const auto& ws : worksheets())
        for (auto& f : ws->store().formulas()) f.text = formula::renameSheet(f.text, oldName, newName);
}

void Workbook::notifyEdit(const std::function<void(EditListener&)>& tell) const {
    if (application_)
        for (const auto& listener : application_->editListeners()) tell(*listener);
    if (kept_) tell(*kept_);
}

std::optional<Workbook::ResolvedReference> Workbook::resolveReference(const std::string& text,
                                                                     const std::shared_ptr<Worksheet>& context) const {
    if (auto area = parseRangeAddress(text)) {
        if (!context) return std::nullopt;
        return ResolvedReference{context, *area};
    }
    std::string sheetName, reference;
    if (splitSheetPrefix(text, sheetName, reference)) {
        auto area = parseRangeAddress(reference);
        if (!area) return std::nullopt;
        for (const auto& ws : worksheets())
            if (sameNameIgnoringCase(ws->name(), sheetName)) return ResolvedReference{ws, *area};
        return std::nullopt;
    }
    // A defined name: one local to the context sheet wins over a workbook-wide one.
    const DefinedName* found = nullptr;
    int32_t contextIndex = context ? indexOf(*context) : -1;
    for (const auto& name : definedNames_) {
        if (!sameNameIgnoringCase(name.name, text)) continue;
        if (name.localSheet == contextIndex && contextIndex >= 0) {
            found = &name;
            break;
        }
        if (name.localSheet < 0) found = &name;
    }
    if (!found) return std::nullopt;
    std::string target = found->formula;
    if (!target.empty() && target[0] == '=') target.erase(0, 1);
    if (target.find('!') == std::string::npos) return std::nullopt;
    return resolveReference(target, context);
}

std::shared_ptr<Sheet> Workbook::activeSheet() const {
    requireOpen();
    if (sheets_.empty()) return nullptr;
    return sheets_[std::min(activeIndex_, sheets_.size() - 1)];
}

void Workbook::setActiveSheet(const Sheet& sheet) {
    int32_t index = indexOf(sheet);
    if (index < 0) com::throwHostError("The sheet '" + sheet.name() + "' is not in this workbook.");
    activeIndex_ = static_cast<size_t>(index);
}

int32_t Workbook::indexOf(const Sheet& sheet) const {
    for (size_t i = 0; i < sheets_.size(); ++i)
        if (sheets_[i].get() == &sheet) return static_cast<int32_t>(i);
    return -1;
}

void Workbook::setFileName(const std::string& fullName) {
    fullName_ = fullName;
    name_ = std::filesystem::path(fullName).filename().string();
}

}  // namespace tavlora::host

namespace tavlora::host {

const com::DispatchTable& Workbook::dispatchTable() const {
    using com::Variant;
    using com::VarType;
    using Self = Workbook;
    static const com::DispatchTable table =
        com::DispatchRows<Self>("_Workbook")
            .get("Name", 0x6e, VarType::String, &Self::name)
            .get("Path", 0x123, VarType::String, &Self::path)
            .get("FullName", 0x121, VarType::String, &Self::fullName)
            .get("SheetCount", 0x76, VarType::Long, [](Self& book) { return static_cast<int32_t>(book.sheets().size()); })
            .method("Save", 0x11b, VarType::Empty, &Self::save)
            .method("SaveAs", 0x11c,
                    {com::optionalParam("Filename", VarType::String, Variant(std::string())),
                     com::optionalParam("FileFormat", VarType::Long, Variant(fileformat::kDefault))},
                    VarType::Empty, &Self::saveAs)
            .method("Close", 0x115, VarType::Empty, &Self::close)
            .build();
    return table;
}

}  // namespace tavlora::host
