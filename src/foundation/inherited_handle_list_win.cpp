#include "foundation/inherited_handle_list_win.h"

#include <utility>

namespace myr {

InheritedHandleList::InheritedHandleList(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  storage_.resize(size);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
  if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
  list_.reset(list);
  if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                 handles_.size() * sizeof(HANDLE), nullptr, nullptr)) {
    list_.reset();
  }
}

}  // namespace myr
