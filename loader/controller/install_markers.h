// The start's question about the install markers: only for an administrator
// is the marker-file searcher asked, and nothing depends on its answers.
#pragma once
#include <functional>
#include <memory>

#include "loader/bindings.h"

namespace kb::loader {

// isAdministrator() == 1: the searcher from openSearcher is asked
// IsExistInstKey and, when that is not true, IsExistNeedRebootKey, and freed.
void AskInstallMarkers(const std::function<int()>& isAdministrator,
                       const std::function<std::unique_ptr<TSpurlane>()>& openSearcher);
// The same with "Kellmark.dll" and "Spurlane.dll" from the loader's folder.
void AskInstallMarkers();

}  // namespace kb::loader
