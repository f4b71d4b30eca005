// Reading compiled resources: from a .res file (as windres -O res writes it) or from
// the resource section of a linked program (Dreieck.scr), and within them classic
// dialog templates, icon groups and version resources. Every read is bounds-checked;
// a malformed file throws ResFileError rather than reading past its end.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace resfile {

struct ResFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A resource name or type: an ordinal, or a UTF-16 string.
struct NameOrId {
  bool isId = true;
  uint16_t id = 0;
  std::u16string name;
  bool operator==(uint16_t n) const { return isId && id == n; }
  bool operator==(const std::u16string& s) const { return !isId && name == s; }
};

struct Resource {
  NameOrId type;
  NameOrId name;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};

// Little-endian reads from a byte range, with the offset kept by the reader.
class Reader {
 public:
  Reader(const std::vector<uint8_t>& bytes, size_t begin = 0, size_t end = SIZE_MAX)
      : bytes_(bytes), pos_(begin), begin_(begin), end_(end < bytes.size() ? end : bytes.size()) {}
  size_t pos() const { return pos_; }
  size_t end() const { return end_; }
  bool AtEnd() const { return pos_ >= end_; }
  void Need(size_t n) const {
    if (pos_ > end_ || n > end_ - pos_) throw ResFileError("truncated at byte " + std::to_string(pos_));
  }
  uint8_t U8() {
    Need(1);
    return bytes_[pos_++];
  }
  uint16_t U16() {
    Need(2);
    uint16_t v = static_cast<uint16_t>(bytes_[pos_] | bytes_[pos_ + 1] << 8);
    pos_ += 2;
    return v;
  }
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | static_cast<uint32_t>(U16()) << 16;
  }
  std::vector<uint8_t> Bytes(size_t n) {
    Need(n);
    std::vector<uint8_t> out(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_),
                             bytes_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    pos_ += n;
    return out;
  }
  void Skip(size_t n) {
    Need(n);
    pos_ += n;
  }
  // A zero-terminated UTF-16 string.
  std::u16string String() {
    std::u16string out;
    for (uint16_t c = U16(); c != 0; c = U16()) out += static_cast<char16_t>(c);
    return out;
  }
  // 0xFFFF and an ordinal, or a string.
  NameOrId NameOrOrdinal() {
    NameOrId out;
    Need(2);
    if ((bytes_[pos_] | bytes_[pos_ + 1] << 8) == 0xFFFF) {
      U16();
      out.id = U16();
    } else {
      out.isId = false;
      out.name = String();
    }
    return out;
  }
  // To the next multiple of four counted from the start of the range.
  void Align() {
    size_t pad = (4 - (pos_ - begin_) % 4) % 4;
    Skip(pad < end_ - pos_ ? pad : end_ - pos_);
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_;
  size_t begin_;
  size_t end_;
};

// Every resource of the file in file order, without the empty header record.
inline std::vector<Resource> ReadResources(const std::vector<uint8_t>& file) {
  std::vector<Resource> out;
  Reader r(file);
  while (!r.AtEnd()) {
    const size_t start = r.pos();
    const uint32_t dataSize = r.U32();
    const uint32_t headerSize = r.U32();
    if (headerSize < 16 || headerSize > r.end() - start) throw ResFileError("bad header size");
    Resource res;
    res.type = r.NameOrOrdinal();
    res.name = r.NameOrOrdinal();
    r.Align();
    r.U32();  // data version
    r.U16();  // memory flags
    res.language = r.U16();
    r.U32();  // version
    r.U32();  // characteristics
    if (r.pos() != start + headerSize) throw ResFileError("header size does not match its fields");
    res.data = r.Bytes(dataSize);
    r.Align();
    if (!(dataSize == 0 && res.type == 0 && res.name == 0)) out.push_back(std::move(res));
  }
  return out;
}

// Every resource of a PE image (.exe, .scr) in the order of its resource directory:
// type, then name, then language.
inline std::vector<Resource> ReadPeResources(const std::vector<uint8_t>& file) {
  Reader dos(file, 0x3C);
  const size_t pe = dos.U32();
  Reader header(file, pe);
  if (header.U32() != 0x00004550u) throw ResFileError("no PE signature");
  header.U16();  // machine
  const uint16_t sections = header.U16();
  header.Skip(12);
  const uint16_t optionalSize = header.U16();
  header.U16();  // characteristics
  const size_t optional = header.pos();
  Reader opt(file, optional, optional + optionalSize);
  const uint16_t magic = opt.U16();
  if (magic != 0x10B && magic != 0x20B) throw ResFileError("unknown optional header");
  const size_t directories = magic == 0x20B ? 112 : 96;
  Reader count(file, optional + directories - 4, optional + optionalSize);
  if (count.U32() < 3) return {};
  Reader entry(file, optional + directories + 2 * 8, optional + optionalSize);
  const uint32_t rsrcRva = entry.U32();
  if (rsrcRva == 0) return {};

  // Section table: virtual address ranges and where their bytes lie in the file.
  struct Section {
    uint32_t va, size, raw, rawSize;
  };
  std::vector<Section> table;
  Reader sec(file, optional + optionalSize);
  for (uint16_t i = 0; i < sections; ++i) {
    sec.Skip(8);
    Section s;
    const uint32_t virtualSize = sec.U32();
    s.va = sec.U32();
    s.rawSize = sec.U32();
    s.raw = sec.U32();
    s.size = virtualSize > s.rawSize ? virtualSize : s.rawSize;
    sec.Skip(16);
    table.push_back(s);
  }
  auto offsetOf = [&](uint32_t rva, uint32_t size) -> size_t {
    for (const Section& s : table)
      if (rva >= s.va && rva - s.va < s.rawSize && size <= s.rawSize - (rva - s.va))
        return static_cast<size_t>(s.raw) + (rva - s.va);
    throw ResFileError("address " + std::to_string(rva) + " lies in no section's file bytes");
  };
  const size_t root = offsetOf(rsrcRva, 16);

  struct Entry {
    NameOrId id;
    bool directory;
    uint32_t offset;
  };
  auto entries = [&](uint32_t offset) {
    Reader dir(file, root + offset);
    dir.Skip(12);
    const unsigned named = dir.U16();
    const unsigned n = named + dir.U16();
    std::vector<Entry> out;
    for (unsigned i = 0; i < n; ++i) {
      const uint32_t name = dir.U32();
      const uint32_t target = dir.U32();
      Entry e;
      if ((name & 0x80000000u) != 0) {
        Reader text(file, root + (name & 0x7FFFFFFFu));
        e.id.isId = false;
        for (uint16_t length = text.U16(); length > 0; --length) e.id.name += static_cast<char16_t>(text.U16());
      } else {
        e.id.id = static_cast<uint16_t>(name);
      }
      e.directory = (target & 0x80000000u) != 0;
      e.offset = target & 0x7FFFFFFFu;
      out.push_back(e);
    }
    return out;
  };
  std::vector<Resource> out;
  for (const Entry& type : entries(0)) {
    if (!type.directory) throw ResFileError("a type without names");
    for (const Entry& name : entries(type.offset)) {
      if (!name.directory) throw ResFileError("a name without languages");
      for (const Entry& language : entries(name.offset)) {
        if (language.directory || !language.id.isId) throw ResFileError("a language that is no leaf");
        Reader leaf(file, root + language.offset);
        const uint32_t rva = leaf.U32();
        const uint32_t size = leaf.U32();
        Reader data(file, offsetOf(rva, size));
        out.push_back(Resource{type.id, name.id, language.id.id, data.Bytes(size)});
      }
    }
  }
  return out;
}

// The resources of a PE image or of a .res file, whichever the bytes are.
inline std::vector<Resource> ReadAnyResources(const std::vector<uint8_t>& file) {
  if (file.size() >= 2 && file[0] == 'M' && file[1] == 'Z') return ReadPeResources(file);
  return ReadResources(file);
}

// A classic dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs).
struct DialogItem {
  uint32_t style, exStyle;
  int16_t x, y, cx, cy;
  uint16_t id;
  std::u16string className;  // the predefined classes by name: BUTTON, STATIC, SCROLLBAR, ...
  NameOrId text;
  uint16_t extraBytes;
};

struct Dialog {
  bool extended;  // a DLGTEMPLATEEX; nothing else is read then
  uint32_t style, exStyle;
  int16_t x, y, cx, cy;
  NameOrId menu, windowClass;
  std::u16string title;
  uint16_t pointSize = 0;
  std::u16string font;
  std::vector<DialogItem> items;
};

inline Dialog ReadDialog(const std::vector<uint8_t>& data) {
  Dialog d{};
  Reader r(data);
  Reader peek(data);
  d.extended = peek.U16() == 1 && peek.U16() == 0xFFFF;
  if (d.extended) return d;
  d.style = r.U32();
  d.exStyle = r.U32();
  const uint16_t count = r.U16();
  d.x = r.I16();
  d.y = r.I16();
  d.cx = r.I16();
  d.cy = r.I16();
  d.menu = r.NameOrOrdinal();
  d.windowClass = r.NameOrOrdinal();
  d.title = r.String();
  if ((d.style & 0x40u) != 0) {  // DS_SETFONT
    d.pointSize = r.U16();
    d.font = r.String();
  }
  for (uint16_t i = 0; i < count; ++i) {
    r.Align();
    DialogItem item{};
    item.style = r.U32();
    item.exStyle = r.U32();
    item.x = r.I16();
    item.y = r.I16();
    item.cx = r.I16();
    item.cy = r.I16();
    item.id = r.U16();
    const NameOrId cls = r.NameOrOrdinal();
    if (cls.isId) {
      static const char16_t* const kClasses[] = {u"BUTTON", u"EDIT", u"STATIC", u"LISTBOX", u"SCROLLBAR",
                                                 u"COMBOBOX"};
      if (cls.id < 0x80 || cls.id > 0x85) throw ResFileError("unknown class ordinal " + std::to_string(cls.id));
      item.className = kClasses[cls.id - 0x80];
    } else {
      item.className = cls.name;
    }
    item.text = r.NameOrOrdinal();
    item.extraBytes = r.U16();
    r.Skip(item.extraBytes);
    d.items.push_back(item);
  }
  return d;
}

// One entry of an icon group (GRPICONDIRENTRY).
struct IconEntry {
  uint8_t width, height, colourCount;
  uint16_t planes, bitCount;
  uint32_t bytes;
  uint16_t iconId;
};

inline std::vector<IconEntry> ReadIconGroup(const std::vector<uint8_t>& data) {
  Reader r(data);
  if (r.U16() != 0 || r.U16() != 1) throw ResFileError("not an icon group");
  std::vector<IconEntry> out(r.U16());
  for (IconEntry& e : out) {
    e.width = r.U8();
    e.height = r.U8();
    e.colourCount = r.U8();
    r.U8();  // reserved
    e.planes = r.U16();
    e.bitCount = r.U16();
    e.bytes = r.U32();
    e.iconId = r.U16();
  }
  return out;
}

// A node of a version resource: its key, its value and its children.
struct VersionNode {
  std::u16string key;
  bool text = false;
  std::vector<uint8_t> value;  // as stored; text values as UTF-16 with the terminator
  std::vector<VersionNode> children;

  const VersionNode* Child(const std::u16string& name) const {
    for (const VersionNode& c : children)
      if (c.key == name) return &c;
    return nullptr;
  }
  // A text value without its terminator.
  std::u16string Text() const {
    std::u16string out;
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
      char16_t c = static_cast<char16_t>(value[i] | value[i + 1] << 8);
      if (c == 0) break;
      out += c;
    }
    return out;
  }
};

inline VersionNode ReadVersionNode(const std::vector<uint8_t>& data, size_t begin, size_t limit) {
  Reader r(data, begin, limit);
  const uint16_t length = r.U16();
  if (length < 6 || length > limit - begin) throw ResFileError("bad version node length");
  const size_t end = begin + length;
  Reader node(data, begin, end);
  node.Skip(2);
  const uint16_t valueLength = node.U16();
  VersionNode out;
  out.text = node.U16() == 1;
  out.key = node.String();
  node.Align();
  out.value = node.Bytes(out.text ? valueLength * 2u : valueLength);
  node.Align();
  while (!node.AtEnd()) {
    VersionNode child = ReadVersionNode(data, node.pos(), end);
    Reader skip(data, node.pos(), end);
    node.Skip(skip.U16());
    node.Align();
    out.children.push_back(std::move(child));
  }
  return out;
}

inline VersionNode ReadVersion(const std::vector<uint8_t>& data) { return ReadVersionNode(data, 0, data.size()); }

}  // namespace resfile
