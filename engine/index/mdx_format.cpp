#include "engine/index/mdx_format.h"

#include <algorithm>
#include <cstring>

namespace xb {
namespace {

uint8_t* Entry(MdxHeader& h, int i) { return &h[kTagTableOffset + kTagEntrySize * i]; }
const uint8_t* Entry(const MdxHeader& h, int i) { return &h[kTagTableOffset + kTagEntrySize * i]; }

// The zero-ended text at `p`, at most `max` bytes.
std::string ZeroEnded(const uint8_t* p, size_t max) {
  size_t n = 0;
  while (n < max && p[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(p), n);
}

void PutText(uint8_t* p, const std::string& text, size_t max) {
  const size_t n = std::min(text.size(), max);
  std::memcpy(p, text.data(), n);
}

void PutDate(uint8_t* p, MdxDate d) {
  p[0] = static_cast<uint8_t>(d.year - 1900);
  p[1] = static_cast<uint8_t>(d.month);
  p[2] = static_cast<uint8_t>(d.day);
}

}  // namespace

MdxHeader NewMdxHeader(const std::string& table_base, MdxDate today) {
  MdxHeader h{};
  h[0] = 2;
  PutDate(&h[1], today);
  PutText(&h[4], table_base, 15);
  Put16(&h[20], 2);
  Put16(&h[22], 1024);
  h[24] = 1;
  h[25] = 48;
  Put16(&h[26], 32);
  PutDate(&h[44], today);
  return h;
}

int TagCount(const MdxHeader& header) { return header[28]; }
void SetBlockCounter(MdxHeader& header, int32_t block) { Put32(&header[32], block); }
int32_t BlockCounter(const MdxHeader& header) { return Get32(&header[32]); }

TagEntry ReadTagEntry(const MdxHeader& header, int i) {
  const uint8_t* e = Entry(header, i);
  TagEntry t;
  t.header_block = Get32(e);
  t.name = ZeroEnded(e + 4, 11);
  t.less = e[16];
  t.greater = e[17];
  t.parent = e[18];
  t.key_type = static_cast<char>(e[20]);
  return t;
}

int FindTagByName(const MdxHeader& header, const std::string& name) {
  const int count = std::min(TagCount(header), kMaxTags);
  for (int i = 1; i <= count; ++i)
    if (ReadTagEntry(header, i).name == name) return i;
  return 0;
}

void RebuildNameTree(MdxHeader& header) {
  const int count = std::min(TagCount(header), kMaxTags);
  for (int i = 0; i <= kMaxTags; ++i) {
    uint8_t* e = Entry(header, i);
    e[16] = e[17] = e[18] = 0;
  }
  if (count == 0) return;
  Entry(header, 0)[17] = 1;
  for (int t = 2; t <= count; ++t) {
    const uint8_t* name = Entry(header, t) + 4;
    int node = 1;
    for (;;) {
      uint8_t* n = Entry(header, node);
      // Byte-wise over all 11 name bytes, so trailing zeros take part.
      const bool less = std::memcmp(name, n + 4, 11) < 0;
      uint8_t& link = less ? n[16] : n[17];
      if (link == 0) {
        link = static_cast<uint8_t>(t);
        Entry(header, t)[18] = static_cast<uint8_t>(node);
        break;
      }
      node = link;
    }
  }
}

void RemoveTagEntry(MdxHeader& header, int i) {
  const int count = TagCount(header);
  if (i < 1 || i > count) return;
  if (i != count) std::memcpy(Entry(header, i), Entry(header, count), kTagEntrySize);
  std::memset(Entry(header, count), 0, kTagEntrySize);
  header[28] = static_cast<uint8_t>(count - 1);
  RebuildNameTree(header);
}

int AddTagEntry(MdxHeader& header, int32_t header_block, const std::string& name, char key_type) {
  if (const int old = FindTagByName(header, name); old != 0) RemoveTagEntry(header, old);
  const int t = TagCount(header) + 1;
  uint8_t* e = Entry(header, t);
  std::memset(e, 0, kTagEntrySize);
  Put32(e, header_block);
  PutText(e + 4, name, 10);
  e[19] = 2;
  e[20] = static_cast<uint8_t>(key_type);
  header[28] = static_cast<uint8_t>(t);
  RebuildNameTree(header);
  return t;
}

NodeBuffer EncodeTagHeader(const TagHeaderFields& f) {
  NodeBuffer b{};
  Put32(&b[0], f.root);
  b[8] = f.flags;
  b[9] = static_cast<uint8_t>(f.key_type);
  Put16(&b[12], static_cast<uint16_t>(f.key_length));
  const int entry = EntryLengthFor(f.key_length);
  Put16(&b[14], static_cast<uint16_t>(MaxKeysFor(entry)));
  Put16(&b[16], f.key_type == 'D' ? 1 : 0);
  Put16(&b[18], static_cast<uint16_t>(entry));
  b[23] = (f.flags & kTagFlagUnique) ? 1 : 0;
  PutText(&b[24], f.key_expression, kMaxExprLength);
  if (f.has_for) {
    b[245] = 1;
    b[246] = f.for_satisfied ? 1 : 0;
    PutText(&b[762], f.for_expression, kMaxExprLength);
  }
  return b;
}

std::string AnchorKeyExpression(const Anchor& a) { return ZeroEnded(&a[24], kMaxExprLength + 1); }
std::string AnchorForExpression(const Anchor& a) { return ZeroEnded(&a[762], kMaxExprLength + 1); }

Status CheckAnchorShape(const Anchor& a) {
  const int key_length = AnchorKeyLength(a);
  if (key_length < 1 || key_length > kMaxKeyLength)
    return Status(266, "key length " + std::to_string(key_length) + " outside 1..100");
  if (AnchorEntryLength(a) != EntryLengthFor(key_length))
    return Status(222, "entry length does not match the key length");
  if (AnchorMaxKeys(a) != MaxKeysFor(AnchorEntryLength(a)))
    return Status(222, "maximum keys per node does not match the entry length");
  return Status::OK();
}

}  // namespace xb
