#include "app/version.h"

#include "app/language.h"
#include "platform/text.h"

#ifndef VEKTREL_VERSION
#error "VEKTREL_VERSION is set by the build (CMakeLists.txt)"
#endif

namespace app {

std::wstring VersionText() { return text::Widen(VEKTREL_VERSION); }

std::wstring ProductVersionText() { return T(L"IDS_Product") + L" " + VersionText(); }

}  // namespace app
