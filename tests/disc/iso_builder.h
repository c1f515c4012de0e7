#pragma once

// Small ISO 9660 images in memory, for tests of structures an image tool would never write:
// damaged records, deep trees, extents past the end, volumes nested at odd offsets.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace myr::disc::testing {

struct IsoNode {
  std::string identifier;  // as stored on the disc, version suffix included
  bool folder = false;
  std::string content;  // a file's bytes
  std::vector<IsoNode> children;

  // Damage: fields written instead of the true ones.
  std::optional<std::uint32_t> sector;
  std::optional<std::uint32_t> length;
  std::optional<std::uint8_t> identifierLength;
  // Bytes written instead of a record, for record lengths an image tool never writes.
  std::optional<std::string> rawRecord;
  // Zero bytes up to the next sector boundary before this record.
  bool startsNewSector = false;

  static IsoNode file(std::string identifier, std::string content);
  static IsoNode dir(std::string identifier, std::vector<IsoNode> children);
  static IsoNode raw(std::string bytes);
};

struct IsoOptions {
  std::uint8_t descriptorType = 1;
  std::string standardId = "CD001";
  std::string volumeId = "MYR_TEST";
  // Root folder fields written instead of the true ones.
  std::optional<std::uint32_t> rootSector;
  std::optional<std::uint32_t> rootLength;
};

// The whole image: system area, descriptor, folders and files, each extent in whole sectors.
std::string buildIso(const std::vector<IsoNode>& root, const IsoOptions& options = {});

// A container file: its volume starts at offset within the file.
std::string containerFile(const std::string& volume, std::size_t offset = 6144);

// The given BOOT2 line and the usual lines, CR LF ended.
std::string systemCnf(const std::string& bootLine);

// A small disc laid out like the real one: SYSTEM.CNF and the boot file in the root, the other
// game files inside DATAPAK.CVM, and ARTPK.CVM with a stand-in art picture.
struct MiniDisc {
  std::string image;
  std::vector<std::string> contents;  // of each game file, in table order
};
// damage may change the node of any game file before the image is built.
MiniDisc buildMiniDisc(const std::function<void(IsoNode&)>& damage = {});

}  // namespace myr::disc::testing
