#include "disc/iso_image_win.h"

#include <algorithm>

#include "foundation/files/win_text.h"

namespace myr::disc {
namespace {

Error systemError(DWORD code) { return Error{systemErrorText(code), code}; }

}  // namespace

Result<IsoImage> IsoImage::open(const std::filesystem::path& path) {
  WinHandle handle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_RANDOM_ACCESS, nullptr));
  if (!handle) return systemError(GetLastError());
  if (GetFileType(handle.get()) != FILE_TYPE_DISK) return systemError(ERROR_NOT_SUPPORTED);
  return IsoImage(std::move(handle));
}

std::uint64_t IsoImage::size() const {
  LARGE_INTEGER size{};
  return GetFileSizeEx(handle_.get(), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

Status IsoImage::readAt(std::uint64_t position, std::span<std::uint8_t> into) {
  // One call per request; only a request beyond what one call can describe is split.
  constexpr std::size_t kLargestCall = 0x40000000;
  while (!into.empty()) {
    const DWORD wanted = static_cast<DWORD>(std::min(into.size(), kLargestCall));
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    DWORD got = 0;
    if (!ReadFile(handle_.get(), into.data(), wanted, &got, &at)) return systemError(GetLastError());
    // The image ends before the bytes asked for.
    if (got != wanted) return systemError(ERROR_HANDLE_EOF);
    into = into.subspan(got);
    position += got;
  }
  return {};
}

}  // namespace myr::disc
