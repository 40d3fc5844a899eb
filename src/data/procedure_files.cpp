#include "data/procedure_files.h"

namespace kavo {

DataFile& FileOf(DataContext& context, FileId id) {
  switch (id) {
    case FileId::SETUP:
      return context.SETUP;
    case FileId::DXCC:
      return context.DXCC;
    case FileId::NA_IOTA:
      return context.NA_IOTA;
    case FileId::IOTA:
      return context.IOTA;
    case FileId::RAJON:
      return context.RAJON;
    case FileId::PREFRUS:
      return context.PREFRUS;
    case FileId::AAAAPRINT:
      return context.AAAAPRINT;
    case FileId::AAAA:
      break;
  }
  return context.AAAA;
}

void UseFile(DataFile& file, std::optional<uint8_t> OverrideCreate) {
  if (file.USED == 0) CheckOpen(file, OverrideCreate);
  ++file.USED;
}

void ReleaseFile(DataFile& file) {
  --file.USED;
  if (file.USED == 0) file.Close();
}

ProcedureFiles::ProcedureFiles(DataContext& context, std::span<const FileUse> uses)
    : context_(context), uses_(uses) {}

ProcedureFiles::~ProcedureFiles() {
  Release();
}

void ProcedureFiles::Open() {
  for (const FileUse& use : uses_) UseFile(FileOf(context_, use.file), use.OverrideCreate);
  FilesOpened = 1;
}

void ProcedureFiles::Release() {
  if (FilesOpened != 1) return;
  for (const FileUse& use : uses_) ReleaseFile(FileOf(context_, use.file));
  FilesOpened = 0;
}

}  // namespace kavo
