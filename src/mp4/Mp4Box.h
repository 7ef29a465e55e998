#pragma once
// One box (atom) of the moov tree. Boxes we need to look inside are parsed into children;
// every other box keeps its content byte for byte, so writing the tree back changes only
// what was edited.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "mp4/Mp4Bytes.h"
#include "mp4/Mp4Error.h"

namespace zuvo {

class Mp4Box {
 public:
  Mp4Box() = default;
  static Mp4Box leaf(std::string_view type, Mp4Buffer payload = {});
  static Mp4Box container(std::string_view type, std::vector<Mp4Box> children = {}, Mp4Buffer prefix = {});

  // Parses `content` (the bytes after the box header) as a box of `type`. `parentType` decides
  // whether the box is a container (items inside "ilst" are); `depth` bounds the recursion.
  static Mp4Error parse(std::string_view type, std::span<const uint8_t> content, std::string_view parentType,
                        int depth, Mp4Box& out);

  const std::string& type() const { return type_; }
  bool isContainer() const { return container_; }

  // Leaf: the whole content. Container: bytes before the children (a full box's version and flags).
  const Mp4Buffer& payload() const { return payload_; }
  Mp4Buffer& payload() { return payload_; }
  const std::vector<Mp4Box>& children() const { return children_; }
  std::vector<Mp4Box>& children() { return children_; }

  // The first child of `type`, or the box at a dotted path below this one ("mdia.minf.stbl").
  const Mp4Box* find(std::string_view path) const;
  Mp4Box* find(std::string_view path);
  // Like find, creating missing containers on the way.
  Mp4Box& findOrCreate(std::string_view path);
  std::vector<Mp4Box*> all(std::string_view type);
  std::vector<const Mp4Box*> all(std::string_view type) const;
  size_t removeAll(std::string_view type);
  void append(Mp4Box child) { children_.push_back(std::move(child)); }

  uint64_t size() const;  // serialized size, header included
  void serialize(Mp4Buffer& out) const;
  Mp4Buffer serialize() const;

 private:
  std::string type_;
  bool container_ = false;
  Mp4Buffer payload_;
  std::vector<Mp4Box> children_;
  Mp4Buffer tail_;  // bytes after the last child too short to be a box (QuickTime's udta terminator)
};

// Reads one box header from `data`. `size` is the whole box; 0 stays 0 ("up to the end").
struct Mp4BoxHeader {
  uint64_t size = 0;
  uint32_t headerSize = 8;
  std::string type;
};
Mp4Error mp4ReadBoxHeader(std::span<const uint8_t> data, Mp4BoxHeader& header);
std::string mp4PrintableType(std::string_view type);

}  // namespace zuvo
