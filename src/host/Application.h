#pragma once
#include <memory>
#include <string>
#include <vector>

#include "com/Dispatch.h"
#include "host/EditListener.h"
#include "host/WorkbookFiles.h"

namespace tavlora::host {

class Workbook;
class Range;

// What an application is made with: the file formats it reads and writes, and what follows the
// edits of its workbooks (charts), told in this order and before the workbook's own file layer.
struct HostServices {
    std::shared_ptr<const WorkbookFiles> files;  // null: opening and saving are host errors
    std::vector<std::shared_ptr<EditListener>> editListeners;
};

// One independent instance of the spreadsheet host. Workbooks keep their Application alive;
// the Application only watches its workbooks (no ownership cycle).
class Application : public com::Dispatch {
public:
    static std::shared_ptr<Application> create(HostServices services);

    const WorkbookFiles& files() const;
    const std::vector<std::shared_ptr<EditListener>>& editListeners() const { return services_.editListeners; }

    bool displayAlerts() const { return displayAlerts_; }
    void setDisplayAlerts(bool v) { displayAlerts_ = v; }
    bool visible() const { return visible_; }
    void setVisible(bool v) { visible_ = v; }

    // Workbooks.Open: .xlsx / .xlsm only. Throws com::Error (host error) with a clear message.
    std::shared_ptr<Workbook> open(const std::string& path);
    // Workbooks.Add: a blank workbook with one worksheet "Sheet1", named Book<N>.
    std::shared_ptr<Workbook> add();
    // The open workbooks in the order they were opened.
    std::vector<std::shared_ptr<Workbook>> workbooks() const;
    // Closes every workbook without saving.
    void quit();
    bool hasQuit() const { return quit_; }

    // The global Range(A1 text): resolves against the active sheet of the active workbook.
    Range range(const std::string& address);

    const com::DispatchTable& dispatchTable() const override;

private:
    explicit Application(HostServices services) : services_(std::move(services)) {}
    friend class Workbook;
    void forget(const Workbook* workbook);
    HostServices services_;
    bool displayAlerts_ = true;
    bool visible_ = false;
    bool quit_ = false;
    int newBookCounter_ = 0;
    std::vector<std::weak_ptr<Workbook>> workbooks_;
    std::weak_ptr<Workbook> active_;
};

}  // namespace tavlora::host
