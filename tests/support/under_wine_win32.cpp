#include "under_wine.h"

#include <windows.h>

namespace brisvel::testing_support {

// Only wine's ntdll has this export.
bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

}  // namespace brisvel::testing_support
