#include "saves/system_swap_win.h"

#include "foundation/files/file_helpers.h"
#include "foundation/files/win_text.h"
#include "foundation/pause_points.h"
#include "saves/restore_win.h"
#include "saves/save_data.h"
#include "saves/save_files_win.h"
#include "saves/save_folders.h"
#include "saves/save_names.h"

namespace myr::saves {
namespace {

// The first parked name that is free, or the last one tried.
std::string parkedName(const std::filesystem::path& folder, const std::tm& utcNow) {
  std::string name;
  for (int attempt = 1; attempt <= kLastParkedNameAttempt; ++attempt) {
    name = parkedSystemSaveName(utcNow, attempt);
    if (isMissingPath(folder / toWide(name))) break;
  }
  return name;
}

// Neither move replaces anything: a name that turned out to be taken is a failure, never a lost save.
Status moveAside(const std::filesystem::path& from, const std::filesystem::path& to) {
  return moveFileDurable(from, to, false);
}

}  // namespace

Result<std::string> swapSystemFile(const std::filesystem::path& gameFolder, std::string_view keptName,
                                   const std::tm& utcNow) {
  if (!isKeptAsideName(keptName)) return Error{"That is not a kept-aside system file."};
  const std::filesystem::path folder = saveDataFolder(gameFolder);
  const std::filesystem::path kept = folder / toWide(keptName);
  const std::filesystem::path system = folder / toWide(kSystemSaveName);

  const Result<std::string> keptBytes = readFileLimited(kept, kSystemSaveLimitBytes);
  if (!keptBytes || !hasSystemSaveHeader(*keptBytes)) {
    const std::string reason = keptBytes ? std::string("no MYRSAVE header") : keptBytes.error().message;
    return Error{std::string(keptName) + " is not a save file (" + reason + ")."};
  }

  std::string keptAs;
  if (!isMissingPath(system)) {
    keptAs = parkedName(folder, utcNow);
    if (!isMissingPath(folder / toWide(keptAs))) return Error{keptAs + " exists already: try again in a second."};
    if (const Status parked = moveAside(system, folder / toWide(keptAs)); !parked) {
      const unsigned long code = parked.error().systemCode;
      return Error{"Could not move system.myrsave aside: " + systemErrorText(code), code};
    }
    reachPausePoint("swap:parked");
  }
  if (const Status inUse = moveAside(kept, system); !inUse) {
    const unsigned long code = inUse.error().systemCode;
    std::string message = "Could not put " + std::string(keptName) + " in use: " + systemErrorText(code);
    if (!keptAs.empty() && !moveAside(folder / toWide(keptAs), system)) {
      message += "; the previous system.myrsave is kept as " + keptAs;
    }
    return Error{message, code};
  }
  return keptAs;
}

Result<json::Value> swapSystemNow(const std::filesystem::path& gameFolder, std::string_view file) {
  if (const Status allowed = refuseWhileRestorePending(gameFolder); !allowed) return allowed.error();
  const Result<std::string> keptAs = swapSystemFile(gameFolder, file, utcTimeNow());
  if (!keptAs) return keptAs.error();
  json::Value result;
  result.set("used", std::string(file)).set("kept", *keptAs);
  return result;
}

}  // namespace myr::saves
