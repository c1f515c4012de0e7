#include "disc/iso9660.h"

#include <algorithm>
#include <set>

#include "foundation/bytes/byte_reader.h"
#include "foundation/bytes/checked_size.h"

namespace myr::disc {
namespace {

constexpr int kMaxFolderDepth = 16;
constexpr std::uint32_t kMaxFolderBytes = 16u << 20;
// Real discs hold far less; the cap keeps a hostile image (folders that point at each other, or
// thousands of huge overlapping folders) from reading without end.
constexpr std::uint64_t kMaxVolumeFolderBytes = std::uint64_t{2} * kMaxFolderBytes;
// What the index of one volume keeps: a real disc has a few thousand files with short paths.
constexpr std::size_t kMaxVolumeEntries = 65536;
constexpr std::size_t kMaxVolumeKeyBytes = std::size_t{4} << 20;

std::size_t nextSectorStart(std::size_t offset) { return (offset / kSectorSize + 1) * kSectorSize; }

Error foldersNotOfThisGame() {
  return Error{"The image's folders are not those of an ISO 9660 disc image of this game."};
}

// Walks the folders of one volume into an index.
class VolumeWalk {
 public:
  VolumeWalk(ImageBytes& image, std::uint64_t base, std::uint64_t end) : image_(image), base_(base), end_(end) {}

  Status folder(std::uint32_t sector, std::uint32_t length, const std::string& prefix, int depth) {
    if (depth > kMaxFolderDepth || length > kMaxFolderBytes || length > budget_) return foldersNotOfThisGame();
    // A folder reached by two paths would be indexed once per path.
    if (length > 0 && !walkedFolders_.insert(sector).second) return foldersNotOfThisGame();
    budget_ -= length;
    std::vector<std::uint8_t> bytes;
    if (Status read = readExtent(image_, {base_, end_, sector, length}, bytes); !read) return read;
    DirectoryRecords records(bytes);
    DirectoryRecord record;
    for (;;) {
      const DirectoryRecords::Step step = records.next(record);
      if (step == DirectoryRecords::Step::End) return {};
      if (step == DirectoryRecords::Step::Broken || !record.identifierFits()) {
        return Error{"A folder record in /" + prefix + " is damaged."};
      }
      if (record.isSelfOrParent()) continue;
      const std::string path = prefix + std::string(withoutVersion(record.identifier()));
      if (record.isFolder) {
        if (Status walked = folder(record.sector, record.dataLength, path + "/", depth + 1); !walked) return walked;
      } else if (Status kept = keep(path, FileExtent{base_, end_, record.sector, record.dataLength}); !kept) {
        return kept;
      }
    }
  }

  IsoIndex takeIndex() { return std::move(index_); }

 private:
  Status keep(const std::string& path, const FileExtent& extent) {
    const auto [entry, added] = index_.insert_or_assign(path, extent);
    if (added) keyBytes_ += path.size();
    if (index_.size() > kMaxVolumeEntries || keyBytes_ > kMaxVolumeKeyBytes) return foldersNotOfThisGame();
    return {};
  }

  ImageBytes& image_;
  std::uint64_t base_;
  std::uint64_t end_;
  std::uint64_t budget_ = kMaxVolumeFolderBytes;
  std::set<std::uint32_t> walkedFolders_;
  IsoIndex index_;
  std::size_t keyBytes_ = 0;
};

}  // namespace

std::optional<VolumeDescriptor> parseVolumeDescriptor(std::span<const std::uint8_t> sector) {
  ByteReader reader(sector);
  VolumeDescriptor descriptor;
  descriptor.type = reader.u8();
  descriptor.isIso9660 = reader.text(5) == "CD001";
  reader.seek(40);
  descriptor.volumeId = reader.text(32);
  reader.seek(158);
  descriptor.rootSector = reader.u32le();
  reader.seek(166);
  descriptor.rootLength = reader.u32le();
  if (reader.failed()) return std::nullopt;
  return descriptor;
}

std::string_view DirectoryRecord::identifier() const {
  const std::size_t length = std::min<std::size_t>(identifierLength, identifierArea.size());
  return {reinterpret_cast<const char*>(identifierArea.data()), length};
}

bool DirectoryRecord::isSelfOrParent() const {
  return identifierLength == 1 && !identifierArea.empty() && identifierArea[0] <= 1;
}

DirectoryRecords::Step DirectoryRecords::next(DirectoryRecord& record) {
  while (offset_ < folder_.size()) {
    const std::uint8_t length = folder_[offset_];
    if (length == 0) {
      offset_ = nextSectorStart(offset_);
      continue;
    }
    if (length < 34 || length > folder_.size() - offset_) return Step::Broken;
    ByteReader reader(folder_.subspan(offset_, length));
    record.recordLength = length;
    reader.seek(2);
    record.sector = reader.u32le();
    reader.seek(10);
    record.dataLength = reader.u32le();
    reader.seek(25);
    record.isFolder = (reader.u8() & 0x02) != 0;
    reader.seek(32);
    record.identifierLength = reader.u8();
    record.identifierArea = reader.bytes(reader.remaining());
    offset_ += length;
    return Step::Record;
  }
  return Step::End;
}

std::string_view withoutVersion(std::string_view identifier) { return identifier.substr(0, identifier.find(';')); }

bool FileExtent::fitsVolume() const {
  return base <= end && rangeFits(std::uint64_t{sector} * kSectorSize, std::uint64_t{length}, end - base);
}

Status readExtent(ImageBytes& image, const FileExtent& extent, std::vector<std::uint8_t>& bytes) {
  if (!extent.fitsVolume()) {
    return Error{"An entry points outside the image: the image is cut short or is not this disc."};
  }
  bytes.resize(extent.length);
  if (extent.length == 0) return {};
  if (Status read = image.readAt(extent.position(), bytes); !read) {
    return Error{
        "The image cannot be read at sector " + std::to_string(extent.sector) + ": " + read.error().message + ".",
        read.error().systemCode};
  }
  return {};
}

Result<IsoIndex> indexVolume(ImageBytes& image, std::uint64_t base, std::uint64_t end) {
  std::vector<std::uint8_t> sector;
  if (Status read = readExtent(image, {base, end, 16, kSectorSize}, sector); !read) return read.error();
  const std::optional<VolumeDescriptor> descriptor = parseVolumeDescriptor(sector);
  if (!descriptor || !descriptor->isIso9660) {
    return Error{"No ISO 9660 volume at byte " + std::to_string(base + kDescriptorOffset) + " of the image."};
  }
  VolumeWalk walk(image, base, end);
  if (Status walked = walk.folder(descriptor->rootSector, descriptor->rootLength, "", 0); !walked) {
    return walked.error();
  }
  return walk.takeIndex();
}

}  // namespace myr::disc
