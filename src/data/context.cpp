#include "data/context.h"

#include "data/dict_tables.h"

namespace kavo {
namespace {

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '/') return directory + name;
  return directory + "/" + name;
}

// The open-mode byte: low two bits the access (0 read, 1 write, 2 both), the
// next nibble the sharing. The store has no write-only access; write-only
// opens read and write.
OpenOptions OptionsFor(uint8_t open_mode, FileSystem* fs) {
  OpenOptions opt;
  opt.fs = fs;
  opt.mode = (open_mode & 0x03) == 0 ? OpenMode::kReadOnly : OpenMode::kReadWrite;
  switch (open_mode & 0xF0) {
    case 0x10:
      opt.share = ShareMode::kDenyAll;
      break;
    case 0x20:
      opt.share = ShareMode::kDenyWrite;
      break;
    case 0x30:
      opt.share = ShareMode::kDenyRead;
      break;
    case 0x40:
      opt.share = ShareMode::kDenyNone;
      break;
    default:
      opt.share = ShareMode::kCompatibility;
      break;
  }
  return opt;
}

}  // namespace

DataFile::DataFile(const TableDef& def, std::string directory, FileSystem* fs)
    : def_(def), path_(JoinPath(directory, def.disk_name)), fs_(fs) {}

void DataFile::Close() {
  if (table_.is_open()) (void)table_.Close();
}

Status DataFile::Open(uint8_t open_mode) {
  return table_.Open(path_, &def_, OptionsFor(open_mode, fs_));
}

Status DataFile::Create() {
  OpenOptions opt;
  opt.fs = fs_;
  return Table::Create(path_, def_, opt);
}

Status DataFile::RebuildKeys() {
  Table repair;
  OpenOptions opt;
  opt.fs = fs_;
  opt.share = ShareMode::kDenyAll;
  KAVO_RETURN_IF_ERROR(repair.Open(path_, &def_, opt));
  const std::string previous = repair.Send("FULLBUILD");
  repair.Send("FULLBUILD=ON");
  Status st = repair.Build();
  repair.Send("FULLBUILD=" + previous);
  if (st.ok()) return repair.Close();
  (void)repair.Close();
  // Closing posted its own result; the warning must quote the build's.
  if (st.is_check()) {
    PostFileSystemError(ParseTableName(path_, fs_).Full(), st.detail());
  } else {
    PostError(st.code());
  }
  return st;
}

void DataFile::Send(std::string_view command) {
  table_.Send(command);
}

std::string DataFile::Name() const {
  std::string name = table_.Name();
  return name.empty() ? ParseTableName(path_, fs_).Full() : name;
}

DataContext::DataContext(std::string directory, FileSystem* fs)
    : SETUP(dict::SETUP(), directory, fs),
      DXCC(dict::DXCC(), directory, fs),
      NA_IOTA(dict::NA_IOTA(), directory, fs),
      IOTA(dict::IOTA(), directory, fs),
      RAJON(dict::RAJON(), directory, fs),
      PREFRUS(dict::PREFRUS(), directory, fs),
      AAAAPRINT(dict::AAAAPRINT(), directory, fs),
      AAAA(dict::AAAA(), directory, fs),
      directory_(std::move(directory)),
      fs_(fs) {
  dict::SetText(SAV_DXC_STRANA, "");
}

DataContext& ThisThreadData() {
  thread_local DataContext context;
  return context;
}

}  // namespace kavo
