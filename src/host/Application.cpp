#include "host/Application.h"

#include <algorithm>
#include <filesystem>

#include "com/DispatchRows.h"
#include "com/Error.h"
#include "host/Range.h"
#include "host/Workbook.h"
#include "host/Worksheet.h"

namespace tavlora::host {

std::shared_ptr<Application> Application::create(HostServices services) {
    return std::shared_ptr<Application>(new Application(std::move(services)));
}

const WorkbookFiles& Application::files() const {
    if (!services_.files) com::throwHostError("This application reads and writes no files.");
    return *services_.files;
}

std::shared_ptr<Workbook> Application::open(const std::string& path) {
    if (quit_) com::throwHostError("Workbooks.Open: the application has quit.");
    namespace fs = std::filesystem;
    fs::path file(path);
    std::error_code ec;
    fs::path absolute = fs::absolute(file, ec);
    if (ec) absolute = file;
    std::string name = absolute.filename().string();
    for (const auto& open : workbooks()) {
        // Opening a workbook that is open already gives it back, as it is in memory.
        if (open->fullName() == absolute.string()) {
            active_ = open;
            return open;
        }
        if (open->name() == name)
            com::throwHostError("Workbooks.Open: another workbook named '" + name + "' is already open.");
    }

    auto self = std::static_pointer_cast<Application>(shared_from_this());
    auto book = std::make_shared<Workbook>(self, name);
    int32_t fileFormat = files().read(path, absolute, *book);
    book->setFileName(absolute.string());
    book->setFileFormat(fileFormat);
    workbooks_.push_back(book);
    active_ = book;
    return book;
}

std::shared_ptr<Workbook> Application::add() {
    if (quit_) com::throwHostError("Workbooks.Add: the application has quit.");
    auto self = std::static_pointer_cast<Application>(shared_from_this());
    auto book = std::make_shared<Workbook>(self, "Book" + std::to_string(++newBookCounter_));
    book->addWorksheet();
    workbooks_.push_back(book);
    active_ = book;
    return book;
}

std::vector<std::shared_ptr<Workbook>> Application::workbooks() const {
    std::vector<std::shared_ptr<Workbook>> out;
    for (const auto& weak : workbooks_)
        if (auto book = weak.lock(); book && !book->isClosed()) out.push_back(std::move(book));
    return out;
}

void Application::quit() {
    for (const auto& book : workbooks()) book->close();
    workbooks_.clear();
    quit_ = true;
}

Range Application::range(const std::string& address) {
    auto book = active_.lock();
    if (!book || book->isClosed()) {
        auto open = workbooks();
        if (open.empty()) com::throwHostError("Range(\"" + address + "\"): no workbook is open.");
        book = open.back();
    }
    auto sheet = book->activeSheet();
    std::shared_ptr<Worksheet> context;
    if (sheet && sheet->kind() == SheetKind::Worksheet) context = std::static_pointer_cast<Worksheet>(sheet);
    auto resolved = book->resolveReference(address, context);
    if (!resolved) {
        if (!context && parseRangeAddress(address))
            com::throwHostError("Range(\"" + address + "\"): the active sheet is not a worksheet.");
        com::throwHostError("Range(\"" + address + "\"): not a valid cell reference.");
    }
    resolved->sheet->requireUsable();
    return Range(resolved->sheet, resolved->area);
}

void Application::forget(const Workbook* workbook) {
    std::erase_if(workbooks_, [&](const std::weak_ptr<Workbook>& weak) {
        auto book = weak.lock();
        return !book || book.get() == workbook;
    });
}

}  // namespace tavlora::host

namespace tavlora::host {

const com::DispatchTable& Application::dispatchTable() const {
    using com::VarType;
    using Self = Application;
    static const com::DispatchTable table =
        com::DispatchRows<Self>("_Application")
            .get("DisplayAlerts", 0x157, VarType::Boolean, &Self::displayAlerts)
            .let("DisplayAlerts", 0x157, VarType::Boolean, &Self::setDisplayAlerts)
            .get("Visible", 0x22e, VarType::Boolean, &Self::visible)
            .let("Visible", 0x22e, VarType::Boolean, &Self::setVisible)
            .method("Quit", 0x12e, VarType::Empty, &Self::quit)
            .get("WorkbookCount", 0x76, VarType::Long,
                 [](Self& app) { return static_cast<int32_t>(app.workbooks().size()); })
            .get("Range", 0xc5, VarType::Object,
                 [](Self& app, const std::string& cell1) { return std::make_shared<RangeObject>(app.range(cell1)); },
                 {{"Cell1", VarType::String}})
            .build();
    return table;
}

}  // namespace tavlora::host
