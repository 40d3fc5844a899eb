// The open and release pattern of every procedure: on start, for each file
// it uses in its fixed order, open the file through CheckOpen when its usage
// counter is 0 and count the procedure as a user; on end, uncount it and
// close the file when it was the last user. A procedure that ended before it
// opened its files (FilesOpened 0) leaves the counters alone.
//
// The file lists of the program's procedures are given below, each in its
// opening order with the procedure's OverrideCreate argument.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "data/context.h"

namespace kavo {

enum class FileId { SETUP, DXCC, NA_IOTA, IOTA, RAJON, PREFRUS, AAAAPRINT, AAAA };

DataFile& FileOf(DataContext& context, FileId id);

struct FileUse {
  FileId file;
  std::optional<uint8_t> OverrideCreate;
};

class ProcedureFiles {
 public:
  ProcedureFiles(DataContext& context, std::span<const FileUse> uses);
  // Releases the files if the procedure still holds them.
  ~ProcedureFiles();
  ProcedureFiles(const ProcedureFiles&) = delete;
  ProcedureFiles& operator=(const ProcedureFiles&) = delete;

  // Opens the files (ends the program when one cannot be opened) and sets
  // FilesOpened.
  void Open();
  // Releases them and clears FilesOpened; nothing when FilesOpened is 0.
  void Release();

  int32_t FilesOpened = 0;

 private:
  DataContext& context_;
  std::span<const FileUse> uses_;
};

// Opens one file for a user: CheckOpen when its counter is 0, then counts
// the user.
void UseFile(DataFile& file, std::optional<uint8_t> OverrideCreate);
// Uncounts a user and closes the file when it was the last one.
void ReleaseFile(DataFile& file);

// The files of each procedure, in opening order.
namespace procedure_files {
inline constexpr FileUse BrowseAAAA[] = {
    {FileId::AAAA, 1}, {FileId::DXCC, 1}, {FileId::PREFRUS, 1}};
inline constexpr FileUse UpdateAAAA[] = {{FileId::AAAA, 1}, {FileId::DXCC, 1}, {FileId::SETUP, 0}};
inline constexpr FileUse UpdateDXCC[] = {{FileId::DXCC, 1}};
inline constexpr FileUse SelectDXCC[] = {{FileId::DXCC, 1}};
inline constexpr FileUse f_iot[] = {{FileId::IOTA, 1}};
inline constexpr FileUse browseiota[] = {{FileId::IOTA, 1}, {FileId::NA_IOTA, 1}};
// The island report reads the islands and takes the group from the group list.
inline constexpr auto& PRINTIOTA = browseiota;
inline constexpr FileUse F_ADRESS[] = {{FileId::RAJON, 1}};
inline constexpr FileUse BROWSEADRESS[] = {{FileId::RAJON, 1}};
inline constexpr FileUse f_gorod[] = {{FileId::PREFRUS, 1}};
inline constexpr FileUse BROWSEOBL[] = {{FileId::PREFRUS, 1}};
inline constexpr FileUse fSETUP[] = {{FileId::SETUP, 0}};
inline constexpr FileUse REPORTQSL[] = {{FileId::AAAA, 1}, {FileId::SETUP, 0}};
// The label runs and the log reports share their lists.
inline constexpr FileUse kLabelRun[] = {{FileId::AAAA, 1}, {FileId::AAAAPRINT, 1}};
inline constexpr FileUse kLogReport[] = {{FileId::AAAA, 1}};
inline constexpr auto& PECAT_NAKL = kLabelRun;
inline constexpr auto& PEC1_NAKL = kLabelRun;
inline constexpr auto& STRANA21 = kLogReport;
inline constexpr auto& STRANA22 = kLogReport;
inline constexpr auto& STRANA = kLogReport;
inline constexpr auto& STRANA1 = kLogReport;
inline constexpr auto& STRANA2 = kLogReport;
inline constexpr auto& PRINTAAA_BEY_SS = kLogReport;
inline constexpr auto& PRINTAAA_BEY_D = kLogReport;
inline constexpr auto& PRINTDIAP = kLogReport;
inline constexpr auto& PRINTMODE = kLogReport;
}  // namespace procedure_files

}  // namespace kavo
