#include "foundation/environment_win.h"

#include <vector>

#include "foundation/files/win_text.h"
#include "foundation/unique_resource_win.h"

namespace myr {

std::wstring getEnvWide(const wchar_t* name) {
  const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
  if (needed == 0) {
    return {};
  }
  std::wstring value(needed, L'\0');
  const DWORD got = GetEnvironmentVariableW(name, value.data(), needed);
  value.resize(got < needed ? got : 0);
  return value;
}

std::string getEnvUtf8(const wchar_t* name) { return toUtf8(getEnvWide(name)); }

std::filesystem::path knownFolderPath(REFKNOWNFOLDERID id) {
  PWSTR raw = nullptr;
  const HRESULT result = SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &raw);
  const UniqueResource<wchar_t*, &::CoTaskMemFree> owned(raw);
  if (FAILED(result) || raw == nullptr) {
    return {};
  }
  return std::filesystem::path(raw);
}

std::filesystem::path resolveGameFolder() {
  std::vector<wchar_t> buffer(260);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      return std::filesystem::path(std::wstring(buffer.data(), length)).parent_path();
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace myr
