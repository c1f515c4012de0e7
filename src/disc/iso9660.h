#pragma once

// ISO 9660 volumes with 2048-byte sectors, as found on the player's disc image and inside the
// disc's container files. Only the plain directory hierarchy is read: no Joliet, Rock Ridge,
// extended attributes, interleaving or multi-extent files.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/error.h"

namespace myr::disc {

inline constexpr std::uint32_t kSectorSize = 2048;
// The volume descriptor is sector 16 of a volume.
inline constexpr std::uint64_t kDescriptorOffset = 16 * kSectorSize;
// A container file's own volume starts this far into the file.
inline constexpr std::uint64_t kNestedVolumeOffset = 6144;

// The fields of a volume descriptor both readers use.
struct VolumeDescriptor {
  std::uint8_t type = 0;
  bool isIso9660 = false;        // bytes 1-5 read "CD001"
  std::string_view volumeId;     // 32 bytes as stored, blanks included
  std::uint32_t rootSector = 0;  // relative to the volume's base
  std::uint32_t rootLength = 0;
};

// Reads the fields of a descriptor; nothing when the bytes are too few to hold them.
std::optional<VolumeDescriptor> parseVolumeDescriptor(std::span<const std::uint8_t> sector);

// One directory record as stored; the identifier may claim more bytes than the record holds.
struct DirectoryRecord {
  std::uint8_t recordLength = 0;
  std::uint32_t sector = 0;
  std::uint32_t dataLength = 0;
  bool isFolder = false;
  std::uint8_t identifierLength = 0;
  std::span<const std::uint8_t> identifierArea;  // bytes 33 to the record's end

  bool identifierFits() const { return identifierLength + 33u <= recordLength; }
  // The identifier, cut to what the record holds.
  std::string_view identifier() const;
  // The folder's own and parent entries.
  bool isSelfOrParent() const;
};

// Walks the records of one folder's bytes. A zero length byte ends the records of its sector.
class DirectoryRecords {
 public:
  enum class Step { Record, End, Broken };

  explicit DirectoryRecords(std::span<const std::uint8_t> folder) : folder_(folder) {}

  // Broken: a record shorter than its fixed fields, or one running past the folder's end.
  Step next(DirectoryRecord& record);
  // Where the next record would start; where the broken one starts after Broken.
  std::size_t offset() const { return offset_; }

 private:
  std::span<const std::uint8_t> folder_;
  std::size_t offset_ = 0;
};

// The identifier without its version suffix (everything from the first ";").
std::string_view withoutVersion(std::string_view identifier);

// The bytes of an image file at absolute positions.
class ImageBytes {
 public:
  virtual ~ImageBytes() = default;
  // Fills all of into; a failed or short read gives the system's text and code.
  virtual Status readAt(std::uint64_t position, std::span<std::uint8_t> into) = 0;
};

// One extent of a volume at a base within the image, bounded by the volume's end.
struct FileExtent {
  std::uint64_t base = 0;
  std::uint64_t end = 0;
  std::uint32_t sector = 0;
  std::uint32_t length = 0;

  std::uint64_t position() const { return base + std::uint64_t{sector} * kSectorSize; }
  // The whole extent lies between base and end.
  bool fitsVolume() const;
  friend bool operator==(const FileExtent&, const FileExtent&) = default;
};

// Path of every file (folders joined with "/", version suffixes cut, bytes as stored) to its
// extent; keys sort bytewise.
using IsoIndex = std::map<std::string, FileExtent>;

// The extent's bytes, the buffer reused and resized to the extent's length.
Status readExtent(ImageBytes& image, const FileExtent& extent, std::vector<std::uint8_t>& bytes);

// Every file of the volume at base, every extent of it bounded by end. A damaged structure
// anywhere fails the whole index.
Result<IsoIndex> indexVolume(ImageBytes& image, std::uint64_t base, std::uint64_t end);

}  // namespace myr::disc
