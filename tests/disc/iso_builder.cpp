#include "disc/iso_builder.h"

#include <map>

#include "disc/disc_check.h"
#include "disc/game_files.h"

namespace myr::disc::testing {
namespace {

constexpr std::size_t kSector = 2048;

std::size_t sectorsFor(std::size_t bytes) { return (bytes + kSector - 1) / kSector; }

void putLe32(std::string& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(value >> (8 * i));
}

void putBe32(std::string& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

void putBoth32(std::string& out, std::size_t at, std::uint32_t value) {
  putLe32(out, at, value);
  putBe32(out, at + 4, value);
}

std::string record(const std::string& identifier, std::uint32_t sector, std::uint32_t length, bool folder,
                   std::optional<std::uint8_t> identifierLength) {
  std::size_t size = 33 + identifier.size();
  size += size % 2;
  std::string r(size, '\0');
  r[0] = static_cast<char>(size);
  putBoth32(r, 2, sector);
  putBoth32(r, 10, length);
  r[25] = folder ? 2 : 0;
  r[32] = static_cast<char>(identifierLength.value_or(static_cast<std::uint8_t>(identifier.size())));
  r.replace(33, identifier.size(), identifier);
  return r;
}

// Lays out folders first (breadth of the tree in visiting order), then files.
class Layout {
 public:
  explicit Layout(std::size_t firstSector) : next_(firstSector) {}

  struct Placed {
    std::uint32_t sector = 0;
    std::uint32_t length = 0;
  };

  // Places a folder and everything below it; returns where the folder went.
  Placed folder(const std::vector<IsoNode>& children, Placed parent, bool isRoot) {
    const std::string probe = folderBytes(children, {}, {}, {});
    Placed self{static_cast<std::uint32_t>(next_), static_cast<std::uint32_t>(probe.size())};
    next_ += sectorsFor(probe.size());
    std::vector<Placed> placed;
    for (const IsoNode& child : children) {
      if (child.rawRecord) {
        placed.push_back({});
      } else if (child.folder) {
        placed.push_back(folder(child.children, self, false));
      } else {
        placed.push_back({static_cast<std::uint32_t>(next_), static_cast<std::uint32_t>(child.content.size())});
        files_[next_] = child.content;
        next_ += sectorsFor(child.content.size());
      }
    }
    folders_[self.sector] = folderBytes(children, placed, self, isRoot ? self : parent);
    return self;
  }

  std::string image() const {
    std::string out(next_ * kSector, '\0');
    for (const auto& [sector, bytes] : folders_) out.replace(sector * kSector, bytes.size(), bytes);
    for (const auto& [sector, bytes] : files_) out.replace(sector * kSector, bytes.size(), bytes);
    return out;
  }

 private:
  static void append(std::string& folder, const std::string& r, bool newSector) {
    const std::size_t used = folder.size() % kSector;
    if ((newSector && used != 0) || used + r.size() > kSector) folder.append(kSector - used, '\0');
    folder += r;
  }

  static std::string folderBytes(const std::vector<IsoNode>& children, const std::vector<Placed>& placed, Placed self,
                                 Placed parent) {
    std::string bytes;
    append(bytes, record(std::string(1, '\0'), self.sector, self.length, true, {}), false);
    append(bytes, record(std::string(1, '\1'), parent.sector, parent.length, true, {}), false);
    for (std::size_t i = 0; i < children.size(); ++i) {
      const IsoNode& child = children[i];
      const Placed where = i < placed.size() ? placed[i] : Placed{};
      const std::string r = child.rawRecord
                                ? *child.rawRecord
                                : record(child.identifier, child.sector.value_or(where.sector),
                                         child.length.value_or(where.length), child.folder, child.identifierLength);
      append(bytes, r, child.startsNewSector);
    }
    return bytes;
  }

  std::size_t next_;
  std::map<std::size_t, std::string> folders_;
  std::map<std::size_t, std::string> files_;
};

}  // namespace

IsoNode IsoNode::file(std::string identifier, std::string content) {
  IsoNode node;
  node.identifier = std::move(identifier);
  node.content = std::move(content);
  return node;
}

IsoNode IsoNode::dir(std::string identifier, std::vector<IsoNode> children) {
  IsoNode node;
  node.identifier = std::move(identifier);
  node.folder = true;
  node.children = std::move(children);
  return node;
}

IsoNode IsoNode::raw(std::string bytes) {
  IsoNode node;
  node.rawRecord = std::move(bytes);
  return node;
}

std::string buildIso(const std::vector<IsoNode>& root, const IsoOptions& options) {
  Layout layout(18);  // after the system area, the descriptor and the terminator
  const Layout::Placed placed = layout.folder(root, {}, true);
  std::string image = layout.image();
  std::string descriptor(kSector, '\0');
  descriptor[0] = static_cast<char>(options.descriptorType);
  descriptor.replace(1, options.standardId.size(), options.standardId);
  descriptor[6] = 1;
  std::string volumeId = options.volumeId;
  volumeId.resize(32, ' ');
  descriptor.replace(40, 32, volumeId);
  putBoth32(descriptor, 80, static_cast<std::uint32_t>(image.size() / kSector));
  descriptor[128] = 0;
  descriptor[129] = 8;  // logical block size 2048, both byte orders
  descriptor[130] = 8;
  descriptor[131] = 0;
  const std::string rootRecord = record(std::string(1, '\0'), options.rootSector.value_or(placed.sector),
                                        options.rootLength.value_or(placed.length), true, {});
  descriptor.replace(156, 34, rootRecord.substr(0, 34));
  image.replace(16 * kSector, kSector, descriptor);
  std::string terminator(kSector, '\0');
  terminator[0] = static_cast<char>(0xFF);
  terminator.replace(1, 5, "CD001");
  terminator[6] = 1;
  image.replace(17 * kSector, kSector, terminator);
  return image;
}

std::string containerFile(const std::string& volume, std::size_t offset) {
  return std::string(offset, '\x5A') + volume;
}

std::string systemCnf(const std::string& bootLine) { return bootLine + "\r\nVER = 1.00\r\nVMODE = NTSC\r\n"; }

MiniDisc buildMiniDisc(const std::function<void(IsoNode&)>& damage) {
  MiniDisc disc;
  std::vector<IsoNode> root;
  std::vector<IsoNode> inner;
  for (const GameFile& row : kGameFileTable) {
    const std::string name(row.name);
    const bool inRoot = name == "SYSTEM.CNF" || row.name == kBootFileName;
    disc.contents.push_back(name == "SYSTEM.CNF" ? systemCnf("BOOT2 = cdrom0:\\QXUS_404.04;1") : "content of " + name);
    IsoNode node = IsoNode::file(name + ";1", disc.contents.back());
    if (damage) damage(node);
    (inRoot ? root : inner).push_back(node);
  }
  root.push_back(IsoNode::file("DATAPAK.CVM;1", containerFile(buildIso(inner))));
  const std::string picture = "TIM2" + std::string(60, '\0');
  root.push_back(
      IsoNode::file("ARTPK.CVM;1", containerFile(buildIso({IsoNode::file("ART_FIGURE_01.TM2;1", picture)}))));
  disc.image = buildIso(root);
  return disc;
}

}  // namespace myr::disc::testing
