#include "host/files/NewApplication.h"

#include "host/chart/ChartReferenceEditing.h"
#include "host/files/FileFormats.h"

namespace tavlora::host::files {

std::shared_ptr<Application> newApplication() { return newApplication(FileOptions{}); }

std::shared_ptr<Application> newApplication(FileOptions options) {
    HostServices services;
    services.files = std::make_shared<FileFormats>(std::move(options));
    services.editListeners.push_back(std::make_shared<ChartEditListener>());
    return Application::create(std::move(services));
}

}  // namespace tavlora::host::files
