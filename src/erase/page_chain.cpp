#include "erase/page_chain.h"

#include "ui/control_ids.h"

namespace erase {

void RunPageChain(const std::vector<PageMaker>& pages) {
  for (size_t i = 0; i < pages.size();) {
    std::unique_ptr<ui::Page> page = pages[i]();
    int result = ui::RunModal(*page);
    if (result == IDC_NEXT) ++i;
    else if (result == IDC_BACK && i > 0) --i;
    else break;
  }
}

}  // namespace erase
