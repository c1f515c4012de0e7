#pragma once

#include <filesystem>

#include "disc/iso9660.h"
#include "foundation/files/win_handle.h"

namespace myr::disc {

// An image file open for positioned reads. Others may keep reading and writing it.
class IsoImage final : public ImageBytes {
 public:
  // Only files on a disk are opened: a device name or a pipe would block or answer
  // something that is not an image.
  static Result<IsoImage> open(const std::filesystem::path& path);

  // 0 when the system cannot tell.
  std::uint64_t size() const;
  Status readAt(std::uint64_t position, std::span<std::uint8_t> into) override;

 private:
  explicit IsoImage(WinHandle handle) : handle_(std::move(handle)) {}

  WinHandle handle_;
};

}  // namespace myr::disc
