#include "disc/root_lookup.h"

#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "disc/iso9660.h"
#include "foundation/bytes/checked_size.h"
#include "foundation/files/ascii_text.h"

namespace myr::disc {
namespace {

constexpr std::uint32_t kMaxRootBytes = 1u << 20;

bool readAt(std::istream& stream, std::uint64_t base, std::uint64_t offset, std::span<std::uint8_t> into) {
  constexpr auto kLastPosition = static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max());
  const std::optional<std::uint64_t> position = checkedAdd(base, offset);
  if (!position || *position > kLastPosition) return false;
  stream.clear();
  if (!stream.seekg(static_cast<std::streamoff>(*position))) return false;
  stream.read(reinterpret_cast<char*>(into.data()), static_cast<std::streamsize>(into.size()));
  return static_cast<bool>(stream);
}

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && upperAscii(a) == upperAscii(b);
}

std::string utf8Path(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {reinterpret_cast<const char*>(text.data()), text.size()};
}

}  // namespace

Result<ByteRange> findInVolumeRoot(std::istream& stream, std::uint64_t base, std::string_view name) {
  const std::string at = std::to_string(base);
  std::vector<std::uint8_t> bytes(kSectorSize);
  std::optional<VolumeDescriptor> descriptor;
  if (readAt(stream, base, kDescriptorOffset, bytes)) descriptor = parseVolumeDescriptor(bytes);
  if (!descriptor || descriptor->type != 1 || !descriptor->isIso9660) {
    return Error{"no ISO9660 volume at offset " + at};
  }
  const std::uint32_t size = descriptor->rootLength;
  if (size < 1 || size > kMaxRootBytes) return Error{"bad root directory at offset " + at};
  bytes.assign(size, 0);
  if (!readAt(stream, base, std::uint64_t{descriptor->rootSector} * kSectorSize, bytes)) {
    return Error{"cannot read the root directory at offset " + at};
  }
  DirectoryRecords records(bytes);
  DirectoryRecord record;
  while (records.next(record) == DirectoryRecords::Step::Record) {
    if (!record.identifierFits() || record.isFolder) continue;
    if (sameNameIgnoringCase(withoutVersion(record.identifier()), name)) {
      return ByteRange{base + std::uint64_t{record.sector} * kSectorSize, record.dataLength};
    }
  }
  return Error{std::string(name) + " not found"};
}

Result<ByteRange> locateNestedFile(const std::filesystem::path& image, std::string_view container,
                                   std::string_view file) {
  std::ifstream stream(image, std::ios::binary);
  if (!stream.is_open()) return Error{"cannot open " + utf8Path(image)};
  const Result<ByteRange> outer = findInVolumeRoot(stream, 0, container);
  if (!outer) return outer;
  const Result<ByteRange> inner = findInVolumeRoot(stream, outer->offset + kNestedVolumeOffset, file);
  if (!inner) return inner;
  if (outer->offset + outer->size < inner->offset + inner->size) {
    return Error{std::string(file) + " extends past the end of " + std::string(container)};
  }
  return inner;
}

}  // namespace myr::disc
