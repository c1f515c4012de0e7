#include "support/folder_link.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/files/win_handle.h"
#include "foundation/files/win_text.h"
#include "support/wine_host_win.h"

namespace fs = std::filesystem;

namespace myr::testing {
namespace {

constexpr std::chrono::milliseconds kHostPatience(5000);

bool pathExists(const fs::path& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool setMountPoint(const fs::path& emptyFolder, const fs::path& target) {
  const WinHandle folder(CreateFileW(emptyFolder.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return false;
  const std::wstring substitute = L"\\??\\" + target.native();
  const std::wstring& print = target.native();
  const WORD substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  const WORD printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
  const WORD pathBytes = static_cast<WORD>(substituteBytes + printBytes + 2 * sizeof(wchar_t));
  // REPARSE_DATA_BUFFER of a mount point: tag, data length, reserved, then
  // the offsets and lengths of the two names and the names with terminators.
  std::vector<unsigned char> buffer(8 + 8 + pathBytes);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  const WORD header[6] = {static_cast<WORD>(8 + pathBytes),
                          0,
                          0,
                          substituteBytes,
                          static_cast<WORD>(substituteBytes + sizeof(wchar_t)),
                          printBytes};
  std::memcpy(buffer.data(), &tag, sizeof tag);
  std::memcpy(buffer.data() + 4, header, sizeof header);
  std::memcpy(buffer.data() + 16, substitute.c_str(), substituteBytes + sizeof(wchar_t));
  std::memcpy(buffer.data() + 16 + substituteBytes + sizeof(wchar_t), print.c_str(), printBytes + sizeof(wchar_t));
  DWORD returned = 0;
  return DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                         nullptr, 0, &returned, nullptr) != FALSE;
}

// Quoted for the host's shell.
std::string quotedHostPath(const fs::path& path) { return "\"" + hostPathOf(path).value_or("") + "\""; }

}  // namespace

FolderLink::FolderLink(fs::path link, const fs::path& target) : link_(std::move(link)) {
  if (CreateDirectoryW(link_.c_str(), nullptr)) {
    if (setMountPoint(link_, target)) {
      kind_ = Kind::Junction;
      return;
    }
    RemoveDirectoryW(link_.c_str());
  }
  if (hostPathOf(link_)) {
    const std::string command = "Z:\\bin\\ln -s " + quotedHostPath(target) + " " + quotedHostPath(link_);
    if (runOnWineHost(
            command, [this] { return pathExists(link_); }, kHostPatience))
      kind_ = Kind::HostLink;
  }
}

FolderLink::~FolderLink() {
  if (kind_ == Kind::Junction) RemoveDirectoryW(link_.c_str());
  // Wine removes a host link's target instead of the link, so the host removes it.
  if (kind_ == Kind::HostLink) {
    runOnWineHost(
        "Z:\\bin\\rm " + quotedHostPath(link_), [this] { return !pathExists(link_); }, kHostPatience);
  }
}

}  // namespace myr::testing
