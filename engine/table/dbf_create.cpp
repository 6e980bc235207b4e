// CreateDbf: a new, empty table file from a field list.
//
// Every definition is checked and the whole header built in memory before
// the file is created, so a bad definition writes nothing. The version made
// follows the engine's default version switch:
//   0x8C               dBASE 7 layout (48-byte descriptors, extension);
//                      0x04 without memo fields
//   0x02               dBASE II layout (521-byte header; C, N, L only)
//   anything else      dBASE III/IV layout; 0x03 without memo fields,
//                      the chosen byte with them (which must then be one
//                      of the memo versions 0x83, 0x8B, 0xF5)
// Memo files are made by the memo layer through the installed creator; a
// table with memo fields is refused while none is installed.
#include <algorithm>
#include <vector>

#include "engine/table/dbf_file.h"
#include "engine/table/dbf_format.h"
#include "engine/table/files.h"
#include "engine/table/strings.h"
#include "engine/table/status.h"
#include "engine/table/switches.h"
#include "platform/clock.h"
#include "platform/codepage.h"

namespace xb {
namespace {

MemoFileCreator g_memo_creator = nullptr;

const char kBadDefinition[] = "Invalid dBASE field definition [CreateDBF]";

bool IsMemoType(char type) { return type == 'M' || type == 'B' || type == 'G' || type == 'P'; }

// Normalises one definition as it will be stored: name trimmed, upper case,
// cut to 10; D and L take their fixed lengths, memo types 10.
Result<FieldDesc> Normalise(const FieldDesc& in, uint8_t chosen) {
  FieldDesc f;
  f.type = static_cast<char>(platform::AnsiUpper(static_cast<uint8_t>(in.type)));
  f.name = platform::AnsiUpper(TrimAll(in.name)).substr(0, 10);
  if (f.name.empty()) return Status(211, kBadDefinition);
  std::string valid = "CDFLMN";
  if (chosen == 0x8B || chosen == 0x8C) valid += "BGP";
  if (chosen == 0x02) valid = "CLN";
  if (valid.find(f.type) == std::string::npos) return Status(211, kBadDefinition);
  if (f.type == 'F' && chosen == 0x83) f.type = 'N';
  switch (f.type) {
    case 'C': case 'F': case 'N':
      if (in.length == 0) return Status(211, kBadDefinition);
      f.length = in.length;
      break;
    case 'D':
      f.length = 8;
      break;
    case 'L':
      f.length = 1;
      break;
    default:
      f.length = 10;
  }
  f.decimals = (f.type == 'N' || f.type == 'F') ? in.decimals : 0;
  return f;
}

struct Image {
  std::vector<uint8_t> header;
  uint16_t record_length = 1;
  bool has_memo = false;
  uint8_t version = 0x03;
};

Result<Image> BuildDbase2(const std::vector<FieldDesc>& fields) {
  if (fields.size() > static_cast<size_t>(dbf::kDbase2Slots - 1)) return Status(211, kBadDefinition);
  Image image;
  image.version = 0x02;
  image.header.assign(dbf::kDbase2HeaderLength, 0);
  for (size_t i = 0; i < fields.size(); ++i) {
    uint8_t* d = image.header.data() + 8 + i * dbf::kDbase2SlotSize;
    std::copy(fields[i].name.begin(), fields[i].name.end(), d);
    d[11] = static_cast<uint8_t>(fields[i].type);
    d[12] = fields[i].length;
    d[15] = fields[i].decimals;
    image.record_length += fields[i].length;
  }
  image.header[8 + fields.size() * dbf::kDbase2SlotSize] = dbf::kTerminator;
  image.header[0] = 0x02;
  dbf::Put16(image.header.data() + 6, image.record_length);
  image.header[dbf::kDbase2HeaderLength - 1] = dbf::kTerminator;
  return image;
}

Result<Image> BuildHeader(const std::vector<FieldDesc>& fields, bool has_memo, uint8_t chosen) {
  if (chosen == 0x02) return BuildDbase2(fields);
  const bool dbase7 = chosen == 0x8C;
  const dbf::Geometry g = dbf::GeometryOf(dbase7 ? 0x8C : 0x03);
  Image image;
  image.has_memo = has_memo;
  const size_t length = g.first_descriptor + g.descriptor_size * fields.size() + 1;
  image.header.assign(length, 0);
  uint8_t* h = image.header.data();
  h[length - 1] = dbf::kTerminator;
  dbf::Put16(h + 8, static_cast<uint32_t>(length));
  if (dbase7) {
    const char driver[] = "DBWINWE0";
    std::copy(driver, driver + 8, h + 32);
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    uint8_t* d = h + g.first_descriptor + i * g.descriptor_size;
    std::copy(fields[i].name.begin(), fields[i].name.end(), d);
    d[g.type_at] = static_cast<uint8_t>(fields[i].type);
    d[g.length_at] = fields[i].length;
    d[g.decimals_at] = fields[i].decimals;
    image.record_length += fields[i].length;
  }
  if (has_memo)
    image.version = chosen;
  else
    image.version = dbase7 ? 0x04 : 0x03;
  h[0] = image.version;
  dbf::Put16(h + 10, image.record_length);
  return image;
}

}  // namespace

void SetMemoFileCreator(MemoFileCreator creator) { g_memo_creator = creator; }

bool CreateDbf(DbfFile& area, const std::string& name, std::span<const FieldDesc> fields) {
  if (area.is_open())
    return Fail(Status(214, "File already in use " + area.file_name + " [CreateDbf]"));
  const uint8_t chosen = Switches().default_version;
  // An empty list or more than 255 fields would make a file that no open
  // accepts.
  if (fields.empty() || fields.size() > static_cast<size_t>(dbf::kMaxFields))
    return Fail(Status(211, kBadDefinition));
  std::vector<FieldDesc> normal;
  bool has_memo = false;
  for (const FieldDesc& in : fields) {
    Result<FieldDesc> f = Normalise(in, chosen);
    if (!f.ok()) return Fail(f.status());
    has_memo = has_memo || IsMemoType(f->type);
    normal.push_back(std::move(*f));
  }
  // A memo field in a version byte without the memo bit would be a table
  // whose memo file is never opened.
  const bool memo_version = chosen == 0x83 || chosen == 0x8B || chosen == 0x8C || chosen == 0xF5;
  if (has_memo && !memo_version) return Fail(Status(211, kBadDefinition));
  const std::string file_name = DefaultExt(TrimAll(name), "DBF");
  if (has_memo && g_memo_creator == nullptr)
    return Fail(Status(229, "Memo fields need the memo file support, which is not installed: " +
                                file_name + " [CreateDbf]"));
  Result<Image> image = BuildHeader(normal, has_memo, chosen);
  if (!image.ok()) return Fail(image.status());

  area = DbfFile{};
  area.file_name = file_name;
  area.short_name = dbf::ShortFileName(file_name);
  area.version = image->version;
  area.has_memo = has_memo;
  area.header_length = static_cast<uint16_t>(image->header.size());
  area.record_length = image->record_length;
  std::copy_n(image->header.begin(), area.header.size(), area.header.begin());
  const std::string write_error = "Error writing " + file_name + ". [CreateDbf]";
  if (int rc = platform::Files().Create(file_name, platform::open_mode::kExclusive, area.file);
      rc != 0) {
    area.file.reset();
    return Fail(Status(rc, write_error));
  }
  if (int rc = area.file->WriteAt(0, image->header); rc != 0) {
    area.file.reset();
    return Fail(Status(rc, write_error));
  }
  area.state = FileState::kAppended;
  area.record_count = 0;
  const platform::CivilDate today = platform::Today();
  area.last_update = dbf::DateText(today.year, today.month, today.day);
  if (!CloseDbf(area)) return false;
  if (has_memo)
    return g_memo_creator(file_name, chosen, Switches().memo_block_size, "CreateDbf()");
  return true;
}

}  // namespace xb
