// A helper program for the tests of the save operations:
//   save_worker hold <file>              keeps the file open for reading and writing, as the game keeps
//                                        its cards, until its input ends
//   save_worker format <card>            formats a blank card
//   save_worker backup <game folder>     writes a backup set
//   save_worker restore <game folder> <set folder>
// It prints "ready" or "start" before it works (so that a test can time its end), then "done" or
// the error, and exits with 0 on success.

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "saves/backup_sets_win.h"
#include "saves/card_format_win.h"
#include "saves/restore_win.h"

namespace {

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

int finish(const myr::Status& status) {
  say(status ? "done" : status.error().message);
  return status ? 0 : 1;
}

int finish(const myr::Result<myr::json::Value>& result) {
  return finish(result ? myr::Status() : myr::Status(result.error()));
}

int hold(const std::filesystem::path& file) {
  const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    say("cannot open");
    return 1;
  }
  say("ready");
  char buffer[64];
  DWORD got = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0) {
  }
  CloseHandle(handle);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring_view command = argc > 2 ? argv[1] : L"";
  if (command == L"hold") return hold(argv[2]);
  say("start");
  if (command == L"format") return finish(myr::saves::formatBlankCard(argv[2]));
  if (command == L"backup") return finish(myr::saves::backupNow(argv[2]));
  if (command == L"restore" && argc > 3) return finish(myr::saves::restoreNow(argv[2], argv[3]));
  say("usage: save_worker hold|format|backup|restore <path> [<set folder>]");
  return 2;
}
