#include "saves/card_format_win.h"

#include <windows.h>

#include <algorithm>

#include "foundation/files/file_helpers.h"
#include "foundation/files/held_file_win.h"
#include "foundation/files/win_text.h"
#include "saves/card_format.h"
#include "saves/card_layout.h"
#include "saves/restore_win.h"
#include "saves/save_files_win.h"

namespace myr::saves {
namespace {

bool isErasedCard(std::string_view bytes) {
  return bytes.size() == card::kImageBytes &&
         std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\xFF'; });
}

}  // namespace

int cardSlotArgument(const json::Value& slot) { return slot.isNumber() && slot.asNumber(0) == 2 ? 2 : 1; }

std::filesystem::path cardPath(const std::filesystem::path& gameFolder, int slot) {
  return gameFolder / L"memcards" / (slot == 2 ? L"Mcd002.ps2" : L"Mcd001.ps2");
}

Status formatBlankCard(const std::filesystem::path& path) {
  // Held from the check until the new image is in place: a game that has the card open for
  // writing makes the format fail, and none can open it in between.
  Result<HeldFile> card = HeldFile::open(path);
  if (!card) return card.error();
  const Result<std::string> image = readFileLimited(path, card::kImageBytes);
  if (!image) return image.error();
  if (!isErasedCard(*image)) {
    return Error{toUtf8(path.native()) +
                 " is not a blank card: formatting it would delete what it holds, so it was left as it is"};
  }
  const Status written = card->replace(buildFormattedCard(localTimeNow()));
  if (!written) return Error{written.error().message + "; the card was left as it was", written.error().systemCode};
  return {};
}

Result<json::Value> formatCardNow(const std::filesystem::path& gameFolder, int slot) {
  if (const Status allowed = refuseWhileRestorePending(gameFolder); !allowed) return allowed.error();
  const Status formatted = formatBlankCard(cardPath(gameFolder, slot));
  if (!formatted) return formatted.error();
  json::Value result;
  result.set("slot", slot);
  return result;
}

}  // namespace myr::saves
