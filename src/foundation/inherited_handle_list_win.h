#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "foundation/unique_resource_win.h"

namespace myr {

// The handles a child may inherit, as a process attribute: no other inheritable handle of the
// launcher leaks into it. Null when the list cannot be built.
class InheritedHandleList {
 public:
  explicit InheritedHandleList(std::vector<HANDLE> handles);
  InheritedHandleList(const InheritedHandleList&) = delete;
  InheritedHandleList& operator=(const InheritedHandleList&) = delete;

  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_.get(); }

 private:
  std::vector<HANDLE> handles_;  // read by the list until the process is created
  std::vector<std::byte> storage_;
  UniqueResource<LPPROC_THREAD_ATTRIBUTE_LIST, &::DeleteProcThreadAttributeList> list_;
};

}  // namespace myr
