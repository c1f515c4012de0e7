#include "disc/disc_check.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "foundation/files/ascii_text.h"

namespace myr::disc {
namespace {

// The root folder is searched only this far: SYSTEM.CNF stands near its start.
constexpr std::uint32_t kRootBytesSearched = 65536;
constexpr std::uint32_t kSystemCnfBytesRead = 2048;

std::string_view withoutTrailingBlanksAndNuls(std::string_view text) {
  const std::size_t last = text.find_last_not_of(std::string_view("\0 ", 2));
  return text.substr(0, last == std::string_view::npos ? 0 : last + 1);
}

// The SYSTEM.CNF record of the root folder, if a whole record names it.
std::optional<DirectoryRecord> findSystemCnf(std::span<const std::uint8_t> root) {
  DirectoryRecords records(root);
  DirectoryRecord record;
  while (records.next(record) == DirectoryRecords::Step::Record) {
    const std::string name = upperAscii(record.identifier());
    if (name == "SYSTEM.CNF" || name == "SYSTEM.CNF;1") return record;
  }
  return std::nullopt;
}

// The error text of the check, empty when the image is a PlayStation 2 disc.
std::string readSerial(ImageBytes& image, std::uint32_t rootSector, std::uint32_t rootLength, std::string& serial) {
  std::vector<std::uint8_t> bytes(std::min(rootLength, kRootBytesSearched));
  if (bytes.empty() || !image.readAt(std::uint64_t{rootSector} * kSectorSize, bytes)) {
    return "The root folder cannot be read.";
  }
  const std::optional<DirectoryRecord> systemCnf = findSystemCnf(bytes);
  if (!systemCnf || systemCnf->dataLength == 0) return "No SYSTEM.CNF: not a PlayStation 2 disc.";
  bytes.assign(std::min(systemCnf->dataLength, kSystemCnfBytesRead), 0);
  if (!image.readAt(std::uint64_t{systemCnf->sector} * kSectorSize, bytes)) return "SYSTEM.CNF cannot be read.";
  Result<std::string> read = readBootSerial({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  if (!read) return read.error().message;
  serial = std::move(read.value());
  return {};
}

}  // namespace

Result<std::string> readBootSerial(std::string_view systemCnf) {
  const std::size_t boot = systemCnf.find("BOOT2");
  if (boot == std::string_view::npos) return Error{"SYSTEM.CNF has no BOOT2 line: not a PlayStation 2 game."};
  std::string_view line = systemCnf.substr(boot);
  line = line.substr(0, line.find_first_of("\r\n"));
  if (const std::size_t separator = line.find_last_of("\\:"); separator != std::string_view::npos) {
    line = line.substr(separator + 1);
  }
  line = line.substr(0, line.find(';'));
  std::string serial;
  for (const char c : line) {
    if (isAsciiLetterOrDigit(c)) serial += c;
  }
  serial = upperAscii(serial);
  if (serial.empty()) return Error{"SYSTEM.CNF names no boot file."};
  if (serial.size() >= 5 && serial.size() <= 12) serial.insert(4, 1, '-');
  return serial;
}

void inspectDiscImage(ImageBytes& image, DiscCheck& check, std::string (*localText)(std::string_view)) {
  std::vector<std::uint8_t> sector(kSectorSize);
  std::optional<VolumeDescriptor> descriptor;
  if (image.readAt(kDescriptorOffset, sector)) descriptor = parseVolumeDescriptor(sector);
  if (!descriptor || descriptor->type != 1 || !descriptor->isIso9660) {
    check.error = "Not an ISO 9660 image with 2048-byte sectors (a .bin/.cue or a compressed image does not work).";
    return;
  }
  check.volume = localText(withoutTrailingBlanksAndNuls(descriptor->volumeId));
  check.error = readSerial(image, descriptor->rootSector, descriptor->rootLength, check.serial);
}

}  // namespace myr::disc
