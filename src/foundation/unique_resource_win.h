#pragma once

#include <windows.h>

#include <type_traits>
#include <utility>

namespace myr {

// Sole owner of one Windows resource (a handle, a GDI object, memory the system allocated),
// released with Release exactly once, by whichever owner holds it last. Both null and
// INVALID_HANDLE_VALUE mean "none", because Windows APIs disagree on which of the two reports
// failure; no other kind of resource is ever given that value.
template <class Resource, auto Release>
class UniqueResource {
  static_assert(std::is_pointer_v<Resource>, "Windows resources are handles or pointers");

 public:
  UniqueResource() noexcept = default;
  explicit UniqueResource(Resource resource) noexcept : resource_(resource) {}
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : resource_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ~UniqueResource() { reset(); }

  Resource get() const noexcept { return resource_; }
  explicit operator bool() const noexcept { return holds(resource_); }

  Resource release() noexcept { return std::exchange(resource_, nullptr); }

  void reset(Resource resource = nullptr) noexcept {
    const Resource old = std::exchange(resource_, resource);
    if (holds(old)) Release(old);
  }

 private:
  static bool holds(Resource resource) noexcept {
    return resource != nullptr && reinterpret_cast<HANDLE>(resource) != INVALID_HANDLE_VALUE;
  }

  Resource resource_ = nullptr;
};

}  // namespace myr
