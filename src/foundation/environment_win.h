#pragma once

#include <windows.h>
#include <shlobj.h>

#include <ctime>
#include <filesystem>
#include <string>

namespace myr {

// An unset variable reads as empty.
std::string getEnvUtf8(const wchar_t* name);
std::wstring getEnvWide(const wchar_t* name);

// The folder is created if missing; empty when the shell fails.
std::filesystem::path knownFolderPath(REFKNOWNFOLDERID id);

// The clock, broken down to the second.
std::tm localTimeNow();
std::tm utcTimeNow();

// The folder of the running executable; empty when the system gives no path.
std::filesystem::path resolveGameFolder();

}  // namespace myr
