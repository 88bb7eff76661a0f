// The pages of a wizard in turn. Each page closes itself with IDC_NEXT (on
// to the next page) or IDC_BACK (the previous one, opened afresh); any
// other way of closing, or the last page closing, ends the wizard.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "ui/window.h"

namespace erase {

using PageMaker = std::function<std::unique_ptr<ui::Page>()>;

template <typename P>
PageMaker MakePage() {
  return [] { return std::make_unique<P>(); };
}

void RunPageChain(const std::vector<PageMaker>& pages);

}  // namespace erase
