#include "journal_store_util.h"

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "store/store_file.h"

namespace kavo::testing {
namespace {

constexpr int kNumberKey = 0;

void SetFields(Table* table, int number, const std::string& name) {
  int32_t n = number;
  std::memcpy(table->record(), &n, 4);
  std::memset(table->record() + 4, ' ', 20);
  std::memcpy(table->record() + 4, name.data(), std::min<size_t>(name.size(), 20));
}

std::string NameOf(const Table& table) {
  std::string name(reinterpret_cast<const char*>(table.record()) + 4, 20);
  name.erase(name.find_last_not_of(' ') + 1);
  return name;
}

Status Find(Table* table, int number) {
  SetFields(table, number, "");
  return table->Get(kNumberKey);
}

}  // namespace

const TableDef& PeopleDef() {
  static const TableDef def = [] {
    TableDef d;
    d.label = "PEOPLE";
    d.prefix = "PEO";
    d.disk_name = "PEOPLE";
    d.attributes = kTableCreate;
    d.record_length = 24;
    FieldDef number;
    number.name = "PEO:N";
    number.type = FieldType::kLong;
    number.offset = 0;
    number.size = 4;
    number.index = 0;
    FieldDef name;
    name.name = "PEO:NAME";
    name.type = FieldType::kString;
    name.offset = 4;
    name.size = 20;
    name.index = 1;
    name.declared_length = 20;
    name.picture = "@s20";
    d.fields = {number, name};
    KeyDef by_number;
    by_number.name = "PEO:BEY_N";
    by_number.flags = kKeyPrimary;
    by_number.components = {{0, 0}};
    KeyDef by_name;
    by_name.name = "PEO:BEY_NAME";
    by_name.flags = kKeyDup | kKeyNocase;
    by_name.components = {{1, 0}};
    d.keys = {by_number, by_name};
    return d;
  }();
  return def;
}

Status CreatePeople(const std::string& name, FileSystem* fs) {
  OpenOptions options;
  options.fs = fs;
  return Table::Create(name, PeopleDef(), options);
}

Status OpenPeople(Table* table, const std::string& name, FileSystem* fs) {
  OpenOptions options;
  options.fs = fs;
  return table->Open(name, &PeopleDef(), options);
}

Status AddPerson(Table* table, int number, const std::string& name) {
  table->ClearRecord();
  SetFields(table, number, name);
  return table->Add();
}

Status PutPerson(Table* table, int number, const std::string& name) {
  KAVO_RETURN_IF_ERROR(Find(table, number));
  SetFields(table, number, name);
  return table->Put();
}

Status DeletePerson(Table* table, int number) {
  KAVO_RETURN_IF_ERROR(Find(table, number));
  return table->Delete();
}

int NumberOf(const Table& table) {
  int32_t n = 0;
  std::memcpy(&n, table.record(), 4);
  return n;
}

Status LastNumber(Table* table, int* number) {
  KAVO_RETURN_IF_ERROR(table->SetKey(kNumberKey));
  Status st = table->Previous();
  if (st.code() == err::kRecordNotAvailable) {
    *number = 0;
    return Status::OK();
  }
  KAVO_RETURN_IF_ERROR(st);
  *number = NumberOf(*table);
  return Status::OK();
}

Status ReadOpen(Table* table, Rows* rows) {
  rows->clear();
  KAVO_RETURN_IF_ERROR(table->SetKey(kNumberKey));
  for (;;) {
    Status st = table->Next();
    if (st.code() == err::kRecordNotAvailable) return Status::OK();
    KAVO_RETURN_IF_ERROR(st);
    (*rows)[NumberOf(*table)] = NameOf(*table);
  }
}

Status ReadPeople(const std::string& name, FileSystem* fs, Rows* rows) {
  Table table;
  KAVO_RETURN_IF_ERROR(OpenPeople(&table, name, fs));
  Status st = ReadOpen(&table, rows);
  Status closed = table.Close();
  return st.ok() ? closed : st;
}

bool JournalPending(const std::string& bytes) {
  if (bytes.size() < 14) return false;
  return std::memcmp(bytes.data() + 6, bytes.data() + 10, 4) != 0;
}

size_t ControlRecords(FileSystem* fs, const std::string& path) {
  std::shared_ptr<StoreFile> file;
  OpenOptions options;
  if (!StoreFile::Acquire(fs, path, options, false, &file).ok()) return 0;
  if (!file->Begin(false).ok()) return 0;
  size_t count = 0;
  Record record;
  std::string key;
  for (bool found = true; found;) {
    found = false;
    if (!file->Find(key, count == 0 ? SeekMode::kAtOrAfter : SeekMode::kAfter, &record, &found)
             .ok()) {
      break;
    }
    if (found) {
      ++count;
      key = std::string(record.key());
    }
  }
  (void)file->End(Status::OK());
  return count;
}

bool LinkOf(FileSystem* fs, const std::string& path, std::string* data) {
  std::shared_ptr<StoreFile> file;
  OpenOptions options;
  if (!StoreFile::Acquire(fs, path, options, false, &file).ok()) return false;
  if (!file->Begin(false).ok()) return false;
  Record record;
  bool found = false;
  Status st = file->Find(std::string(1, '\xFF'), SeekMode::kExact, &record, &found);
  (void)file->End(Status::OK());
  if (!st.ok() || !found) return false;
  *data = std::string(record.data());
  return true;
}

int RunTool(const std::string& args, const std::string& input, std::string* output) {
  std::string command = std::string(KAVO_TOOL_PATH) + " " + args;
  if (!input.empty()) command += " < " + input;
  command += " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  output->clear();
  std::array<char, 256> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) output->append(buf.data(), n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ToolCheck(const std::string& path, std::string* report) {
  std::string table = path.substr(0, path.size() - 4);  // without ".VTF"
  return RunTool("check " + table, {}, report) == 0;
}

bool CheckSound(MemFileSystem* mem, const std::string& path, std::string* report) {
  char dir[] = "/tmp/kavo_check_XXXXXX";
  if (mkdtemp(dir) == nullptr) return false;
  std::string disk = std::string(dir) + "/" + path;
  {
    std::ofstream out(disk, std::ios::binary);
    out << mem->Bytes(path);
  }
  bool sound = ToolCheck(disk, report);
  std::remove(disk.c_str());
  rmdir(dir);
  return sound;
}

}  // namespace kavo::testing
