// backups\restore.journal text: any bytes are refused or give a record whose names and paths are
// well-formed, and written again the record reads back the same.

#include <cstdint>
#include <string_view>

#include "fuzz_check.h"
#include "saves/backup_names.h"
#include "saves/restore_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const myr::Result<myr::saves::RestoreRecord> record = myr::saves::parseRestoreRecord(text);
  if (!record) return 0;
  fuzzCheck(myr::saves::isBackupSetName(record->set));
  fuzzCheck(record->safetyBackup.empty() || myr::saves::isBackupSetName(record->safetyBackup));
  for (const myr::saves::RecordTarget& target : record->targets) {
    fuzzCheck(myr::saves::isManifestPath(target.path));
    fuzzCheck((target.kind == myr::saves::RecordTarget::Kind::Delete) == target.setSha256.empty());
    fuzzCheck((target.kind == myr::saves::RecordTarget::Kind::Create) == !target.before.has_value());
  }
  const myr::Result<myr::saves::RestoreRecord> reread =
      myr::saves::parseRestoreRecord(myr::saves::formatRestoreRecord(*record));
  fuzzCheck(reread && *reread == *record);
  return 0;
}
