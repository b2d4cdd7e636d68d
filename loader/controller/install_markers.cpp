#include "loader/controller/install_markers.h"

namespace kb::loader {

void AskInstallMarkers(const std::function<int()>& isAdministrator,
                       const std::function<std::unique_ptr<TSpurlane>()>& openSearcher) {
    if (isAdministrator() != 1) return;
    std::unique_ptr<TSpurlane> searcher = openSearcher();
    if (searcher && !searcher->IsExistInstKey()) searcher->IsExistNeedRebootKey();
}

void AskInstallMarkers() {
    AskInstallMarkers([] { return KellmarkIsAdministrator(""); }, [] { return std::make_unique<TSpurlane>(); });
}

}  // namespace kb::loader
