#include "saves/restore_record.h"

#include <charconv>
#include <set>

#include "foundation/files/ascii_text.h"
#include "saves/backup_names.h"

namespace myr::saves {
namespace {

constexpr std::string_view kFirstLine = "myr_launcher restore record 2";
constexpr std::size_t kDigestDigits = 64;
// A set's files to put in place plus the save data files to remove.
constexpr std::size_t kMaxTargets = 2 * kMaxSetFiles;

bool isDigest(std::string_view text) {
  if (text.size() != kDigestDigits) return false;
  for (const char c : text) {
    if (!isAsciiDigit(c) && !(c >= 'a' && c <= 'f')) return false;
  }
  return true;
}

// Splits off the text up to the next blank; false when there is none.
bool takeField(std::string_view& rest, std::string_view& field) {
  const std::size_t blank = rest.find(' ');
  if (blank == std::string_view::npos) return false;
  field = rest.substr(0, blank);
  rest.remove_prefix(blank + 1);
  return true;
}

template <class Number>
bool takeNumber(std::string_view& rest, Number& value) {
  std::string_view field;
  if (!takeField(rest, field) || field.empty()) return false;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
  return error == std::errc() && end == field.data() + field.size();
}

bool takeDigest(std::string_view& rest, std::string& digest) {
  std::string_view field;
  if (!takeField(rest, field) || !isDigest(field)) return false;
  digest = field;
  return true;
}

bool takeRecordedFile(std::string_view& rest, std::optional<RecordedFile>& file) {
  RecordedFile recorded;
  if (!takeNumber(rest, recorded.size) || !takeNumber(rest, recorded.modifiedMs) ||
      !takeDigest(rest, recorded.sha256)) {
    return false;
  }
  file = std::move(recorded);
  return true;
}

// One target line; its path is the rest of the line.
std::optional<RecordTarget> parseTarget(std::string_view line) {
  std::string_view kind;
  if (!takeField(line, kind)) return std::nullopt;
  RecordTarget target;
  bool fieldsRead = false;
  if (kind == "replace") {
    target.kind = RecordTarget::Kind::Replace;
    fieldsRead = takeDigest(line, target.setSha256) && takeRecordedFile(line, target.before);
  } else if (kind == "create") {
    target.kind = RecordTarget::Kind::Create;
    fieldsRead = takeDigest(line, target.setSha256);
  } else if (kind == "delete") {
    target.kind = RecordTarget::Kind::Delete;
    fieldsRead = takeRecordedFile(line, target.before);
  }
  if (!fieldsRead || !isManifestPath(line)) return std::nullopt;
  target.path = line;
  return target;
}

bool isSafetyName(std::string_view name) { return name.empty() || isBackupSetName(name); }

std::vector<std::string_view> recordLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

Error damaged(std::size_t lineNumber) {
  return Error{"its line " + std::to_string(lineNumber) + " is damaged"};
}

}  // namespace

std::string formatRestoreRecord(const RestoreRecord& record) {
  std::string text = std::string(kFirstLine) + "\nset " + record.set + "\nsafety " + record.safetyBackup + "\n";
  for (const RecordTarget& target : record.targets) {
    const auto recorded = [&] {
      return std::to_string(target.before->size) + " " + std::to_string(target.before->modifiedMs) + " " +
             target.before->sha256 + " ";
    };
    switch (target.kind) {
      case RecordTarget::Kind::Replace:
        text += "replace " + target.setSha256 + " " + recorded();
        break;
      case RecordTarget::Kind::Create:
        text += "create " + target.setSha256 + " ";
        break;
      case RecordTarget::Kind::Delete:
        text += "delete " + recorded();
        break;
    }
    text += target.path + "\n";
  }
  return text;
}

Result<RestoreRecord> parseRestoreRecord(std::string_view text) {
  const std::vector<std::string_view> lines = recordLines(text);
  if (lines.empty() || lines[0] != kFirstLine) {
    if (parseManifest(text)) {
      return Error{"it was written by an earlier launcher and does not say what the saves were before the restore"};
    }
    return damaged(1);
  }
  RestoreRecord record;
  if (lines.size() < 3 || !lines[1].starts_with("set ") || !lines[2].starts_with("safety ")) return damaged(2);
  record.set = lines[1].substr(4);
  record.safetyBackup = lines[2].substr(7);
  if (!isBackupSetName(record.set)) return damaged(2);
  if (!isSafetyName(record.safetyBackup)) return damaged(3);
  // One file named twice (Windows ignores case) would be checked against two different records.
  std::set<std::string> seen;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    std::optional<RecordTarget> target = parseTarget(lines[i]);
    if (!target || record.targets.size() == kMaxTargets || !seen.insert(lowerAscii(target->path)).second) {
      return damaged(i + 1);
    }
    record.targets.push_back(std::move(*target));
  }
  return record;
}

}  // namespace myr::saves
