#include "data/ri_routines.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "data/procedure_files.h"
#include "data/standard_warning.h"
#include "data/transaction_scope.h"
#include "data_test_util.h"
#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/halt.h"
#include "runtime/message_box_scripted.h"
#include "store/store_transaction.h"
#include "store/transaction.h"

namespace kavo {
namespace {

using testing::ScratchDir;

constexpr char kReferenced[] =
    "This record is referenced from the file AAAA.  This record cannot be deleted while these "
    "references exist.";

class RITest : public ::testing::Test {
 protected:
  void SetUp() override {
    TakeSavedError();
    previous_control_file_ = SetControlFileName(dir_.File("vantor.tcf"));
  }
  void TearDown() override { SetControlFileName(previous_control_file_); }

  void AddCountry(const char* prefix, const char* name) {
    UseFile(context_.DXCC, 1);
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().PR, prefix);
    dict::SetText(context_.DXCC.rec().STRANA, name);
    ASSERT_TRUE(context_.DXCC.file().Add().ok());
    ReleaseFile(context_.DXCC);
  }

  static void AddContact(TypedDataFile<dict::AAAARecord>& log, int number, const char* country,
                         int32_t date) {
    UseFile(log, 1);
    log.rec().Clear();
    log.rec().N_QSO.set(number);
    dict::SetText(log.rec().POZ, "UA1ABC");
    dict::SetText(log.rec().PREF, country);
    log.rec().DATA = date;
    log.rec().TIM = 100;
    ASSERT_TRUE(log.file().Add().ok());
    ReleaseFile(log);
  }

  // Reads the DXCC record with exactly this name into the DXCC buffer, as
  // the country browse does before it calls the form.
  void ReadCountry(const char* name) {
    Table& dxcc = context_.DXCC.file();
    context_.DXCC.rec().Clear();
    dict::SetText(context_.DXCC.rec().STRANA, name);
    ASSERT_TRUE(dxcc.SetKeyValue(dict::DXCC().FindKey("DXC:BEY_1")).ok());
    while (dxcc.Next().ok()) {
      if (dict::TextOf(context_.DXCC.rec().STRANA) == name) return;
    }
    FAIL() << name;
  }

  // The country names of a log file in record order, read through a context
  // of its own.
  std::vector<std::string> Countries(FileId id) {
    DataContext reader(dir_.path());
    DataFile& file = FileOf(reader, id);
    UseFile(file, 1);
    std::vector<std::string> names;
    Table& table = file.file();
    (void)table.Set();
    while (table.Next().ok()) {
      dict::AAAARecord rec;
      std::memcpy(&rec, table.record(), sizeof rec);
      names.emplace_back(dict::TextOf(rec.PREF));
    }
    ReleaseFile(file);
    return names;
  }

  std::vector<std::string> CountryTable() {
    DataContext reader(dir_.path());
    UseFile(reader.DXCC, 1);
    std::vector<std::string> names;
    (void)reader.DXCC.file().Set();
    while (reader.DXCC.file().Next().ok()) {
      names.emplace_back(dict::TextOf(reader.DXCC.rec().PR));
      names.back() += ":" + std::string(dict::TextOf(reader.DXCC.rec().STRANA));
    }
    ReleaseFile(reader.DXCC);
    return names;
  }

  std::string Bytes(const std::string& name) {
    std::ifstream in(dir_.File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  ScratchDir dir_;
  std::string previous_control_file_;
  DataContext context_{dir_.path()};
  ScriptedMessageBox boxes_;
  ScopedMessageBox install_boxes_{&boxes_};
  ThrowingHaltService halt_;
  ScopedHaltService install_halt_{&halt_};
};

using Names = std::vector<std::string>;

TEST_F(RITest, DeletingAnUnusedCountrySucceedsWithOtherCountriesAfterIt) {
  AddCountry("DL", "Germany");
  AddCountry("I", "Italy");
  AddContact(context_.AAAA, 1, "Italy", 50000);
  AddContact(context_.AAAA, 2, "Austria", 50000);
  AddContact(context_.AAAA, 3, "Germanz", 50000);
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("Germany");
  EXPECT_EQ(RIDelete_DXCC(context_), 0);
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_EQ(context_.AAAA.USED, 0);
  EXPECT_FALSE(context_.AAAA.file().is_open());
  form.Release();
  EXPECT_EQ(CountryTable(), (Names{"I:Italy"}));
}

TEST_F(RITest, DeletingACountryWithAnEmptyLogSucceeds) {
  AddCountry("DL", "Germany");
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("Germany");
  EXPECT_EQ(RIDelete_DXCC(context_), 0);
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_TRUE(dir_.Exists("AAAA.VTF"));  // created on first need
  form.Release();
  EXPECT_TRUE(CountryTable().empty());
}

TEST_F(RITest, DeletingACountryTheLogUsesIsRefused) {
  AddCountry("DL", "Germany");
  AddContact(context_.AAAA, 1, "Austria", 50000);
  AddContact(context_.AAAA, 2, "Germany", 50001);
  ProcedureFiles browse(context_, procedure_files::BrowseAAAA);
  browse.Open();
  ReadCountry("Germany");
  EXPECT_EQ(RIDelete_DXCC(context_), 1);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "Referential Integrity Delete Error");
  EXPECT_EQ(boxes_.shown()[0].text, kReferenced);
  // The browse's hold on the log is untouched by the routine's own use.
  EXPECT_EQ(context_.AAAA.USED, 1);
  EXPECT_TRUE(context_.AAAA.file().is_open());
  browse.Release();
  EXPECT_EQ(CountryTable(), (Names{"DL:Germany"}));
  EXPECT_EQ(PeekSavedError().code, 0);
}

TEST_F(RITest, NamesDifferingOnlyInCaseAreDifferentCountries) {
  AddCountry("DL", "Germany");
  AddCountry("DL", "GERMANY");
  AddContact(context_.AAAA, 1, "Germany", 50000);
  AddContact(context_.AAAA, 2, "GERMANY", 50000);
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  // The log's country key does not tell the two apart; the first record it
  // lists for "GERMANY" carries "Germany", and the one after it still counts.
  ReadCountry("GERMANY");
  EXPECT_EQ(RIDelete_DXCC(context_), 1);
  EXPECT_EQ(boxes_.shown().back().text, kReferenced);
  form.Release();

  DataContext other(dir_.path());
  UseFile(other.AAAA, 1);
  other.AAAA.rec().Clear();
  other.AAAA.rec().N_QSO.set(2);
  ASSERT_TRUE(other.AAAA.file().Get(dict::AAAA().FindKey("AAA:BEY_N")).ok());
  ASSERT_TRUE(other.AAAA.file().Delete().ok());
  ReleaseFile(other.AAAA);

  boxes_.Clear();
  form.Open();
  ReadCountry("GERMANY");
  EXPECT_EQ(RIDelete_DXCC(context_), 0);
  EXPECT_TRUE(boxes_.shown().empty());
  form.Release();
  EXPECT_EQ(CountryTable(), (Names{"DL:Germany"}));
}

TEST_F(RITest, RenamingACountryCascadesIntoTheLogAndThePrintBuffer) {
  AddCountry("DL", "Germany");
  AddContact(context_.AAAA, 1, "Germany", 50002);
  AddContact(context_.AAAA, 2, "Austria", 50000);
  AddContact(context_.AAAA, 3, "Germany", 50000);
  AddContact(context_.AAAA, 4, "Germany", 50001);
  AddContact(context_.AAAA, 5, "Germanyx", 50001);
  AddContact(context_.AAAAPRINT, 3, "Germany", 50000);
  AddContact(context_.AAAAPRINT, 2, "Austria", 50000);
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("Germany");
  RISnap_DXCC(context_);
  dict::SetText(context_.DXCC.rec().STRANA, "Deutschland");
  EXPECT_EQ(RIUpdate_DXCC(context_, 1), 0);
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_EQ(context_.AAAA.USED, 0);
  EXPECT_EQ(context_.AAAAPRINT.USED, 0);
  form.Release();
  EXPECT_EQ(CountryTable(), (Names{"DL:Deutschland"}));
  EXPECT_EQ(Countries(FileId::AAAA),
            (Names{"Deutschland", "Austria", "Deutschland", "Deutschland", "Germanyx"}));
  EXPECT_EQ(Countries(FileId::AAAAPRINT), (Names{"Deutschland", "Austria"}));
}

TEST_F(RITest, RenamingToAnotherCaseRenamesEveryRecord) {
  AddCountry("DL", "germany");
  for (int n = 1; n <= 4; ++n) AddContact(context_.AAAA, n, "germany", 50000 + n % 2);
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("germany");
  RISnap_DXCC(context_);
  dict::SetText(context_.DXCC.rec().STRANA, "Germany");
  EXPECT_EQ(RIUpdate_DXCC(context_, 1), 0);
  form.Release();
  EXPECT_EQ(Countries(FileId::AAAA), (Names{"Germany", "Germany", "Germany", "Germany"}));
}

TEST_F(RITest, ChangingACountryWithoutRenamingWritesOnlyTheCountry) {
  AddCountry("DL", "Germany");
  AddContact(context_.AAAA, 1, "Germany", 50000);
  AddContact(context_.AAAAPRINT, 1, "Germany", 50000);
  const std::string log_before = Bytes("AAAA.VTF");
  const std::string print_before = Bytes("PRINT.TMP");
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("Germany");
  RISnap_DXCC(context_);
  dict::SetText(context_.DXCC.rec().PR, "DA");
  EXPECT_EQ(RIUpdate_DXCC(context_, 1), 0);
  form.Release();
  EXPECT_EQ(CountryTable(), (Names{"DA:Germany"}));
  EXPECT_EQ(Bytes("AAAA.VTF"), log_before);
  EXPECT_EQ(Bytes("PRINT.TMP"), print_before);
}

// Another process holds one log record (as a form of another program
// instance does while it edits it); the cascade reaches it after it has
// renamed the record before it.
TEST_F(RITest, FailureInTheMiddleOfTheCascadeLeavesNoneOfTheChanges) {
  AddCountry("DL", "Germany");
  AddContact(context_.AAAA, 1, "Germany", 50000);
  AddContact(context_.AAAA, 2, "Germany", 50001);
  AddContact(context_.AAAA, 3, "Germany", 50002);
  AddContact(context_.AAAAPRINT, 1, "Germany", 50000);

  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DataContext holder(dir_.path());
    UseFile(holder.AAAA, 1);
    holder.AAAA.rec().Clear();
    holder.AAAA.rec().N_QSO.set(2);
    Table& log = holder.AAAA.file();
    bool held = log.Hold(1).ok() && log.Get(dict::AAAA().FindKey("AAA:BEY_N")).ok();
    char c = held ? 'h' : 'x';
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'h');

  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("Germany");
  RISnap_DXCC(context_);
  dict::SetText(context_.DXCC.rec().STRANA, "Deutschland");
  EXPECT_EQ(RIUpdate_DXCC(context_, 1), 1);
  form.Release();
  (void)!write(release[1], "g", 1);
  int status = 0;
  waitpid(child, &status, 0);

  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "Update Operation Error");
  EXPECT_EQ(boxes_.shown()[0].text,
            "An error (Access Denied (5)) was experienced when attempting to update a record "
            "from the file.  Probable Cause: AAAA.");
  EXPECT_EQ(CountryTable(), (Names{"DL:Germany"}));
  EXPECT_EQ(Countries(FileId::AAAA), (Names{"Germany", "Germany", "Germany"}));
  EXPECT_EQ(Countries(FileId::AAAAPRINT), (Names{"Germany"}));
}

// Two program instances edit the same address record.
TEST_F(RITest, SecondStationToSaveSeesTheFirstOnesValues) {
  UseFile(context_.RAJON, 1);
  context_.RAJON.rec().Clear();
  dict::SetText(context_.RAJON.rec().POZ, "UA1AAA");
  dict::SetText(context_.RAJON.rec().ADRESS, "Ivanov, Lenina 1");
  dict::SetText(context_.RAJON.rec().TELEFON, "1111111");
  ASSERT_TRUE(context_.RAJON.file().Add().ok());
  ReleaseFile(context_.RAJON);

  int has_read[2];
  int go[2];
  ASSERT_EQ(pipe(has_read), 0);
  ASSERT_EQ(pipe(go), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    DataContext first(dir_.path());
    ProcedureFiles form(first, procedure_files::F_ADRESS);
    form.Open();
    first.RAJON.rec().Clear();
    dict::SetText(first.RAJON.rec().POZ, "UA1AAA");
    bool ok = first.RAJON.file().Get(dict::RAJON().FindKey("RAJ:BEY_POZ")).ok();
    char c = 'r';
    (void)!write(has_read[1], &c, 1);
    (void)!read(go[0], &c, 1);
    dict::SetText(first.RAJON.rec().ADRESS, "Ivanov, Mira 7");
    ok = ok && RIUpdate_RAJON(first, 1) == 0;
    form.Release();
    _exit(ok ? 0 : 1);
  }
  char c = 0;
  ASSERT_EQ(read(has_read[0], &c, 1), 1);

  ProcedureFiles form(context_, procedure_files::F_ADRESS);
  form.Open();
  context_.RAJON.rec().Clear();
  dict::SetText(context_.RAJON.rec().POZ, "UA1AAA");
  ASSERT_TRUE(context_.RAJON.file().Get(dict::RAJON().FindKey("RAJ:BEY_POZ")).ok());
  (void)!write(go[1], "g", 1);
  int status = -1;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);

  dict::SetText(context_.RAJON.rec().TELEFON, "2222222");
  EXPECT_EQ(RIUpdate_RAJON(context_, 1), 2);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "Record Was Not Updated");
  EXPECT_EQ(dict::TextOf(context_.RAJON.rec().ADRESS), "Ivanov, Mira 7");
  EXPECT_EQ(dict::TextOf(context_.RAJON.rec().TELEFON), "1111111");
  EXPECT_EQ(PeekSavedError().code, 0);

  // Saving again, now over the version shown, goes through.
  dict::SetText(context_.RAJON.rec().TELEFON, "2222222");
  EXPECT_EQ(RIUpdate_RAJON(context_, 1), 0);
  form.Release();
}

TEST_F(RITest, ChangeByAnotherStationOutsideAFormShowsWarning15) {
  AddCountry("DL", "Germany");
  ProcedureFiles form(context_, procedure_files::UpdateDXCC);
  form.Open();
  ReadCountry("Germany");
  RISnap_DXCC(context_);

  DataContext other(dir_.path());
  UseFile(other.DXCC, 1);
  other.DXCC.rec().Clear();
  dict::SetText(other.DXCC.rec().STRANA, "Germany");
  ASSERT_TRUE(other.DXCC.file().Get(dict::DXCC().FindKey("DXC:BEY_1")).ok());
  dict::SetText(other.DXCC.rec().PR, "DK");
  ASSERT_TRUE(other.DXCC.file().Put().ok());
  ReleaseFile(other.DXCC);

  dict::SetText(context_.DXCC.rec().STRANA, "Deutschland");
  EXPECT_EQ(RIUpdate_DXCC(context_, 0), 2);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].title, "Update Operation Error");
  EXPECT_EQ(boxes_.shown()[0].text, Cp1251FromUtf8("Запись изменена другим пользователем."));
  EXPECT_EQ(dict::TextOf(context_.DXCC.rec().PR), "DK");
  EXPECT_EQ(dict::TextOf(context_.DXCC.rec().STRANA), "Germany");
  EXPECT_EQ(context_.AAAA.USED, 0);
  form.Release();
}

TEST_F(RITest, DuplicateAddressIsAnUpdateError) {
  UseFile(context_.RAJON, 1);
  for (const char* call : {"UA1AAA", "UA1BBB"}) {
    context_.RAJON.rec().Clear();
    dict::SetText(context_.RAJON.rec().POZ, call);
    dict::SetText(context_.RAJON.rec().ADRESS, std::string("Street of ") + call);
    ASSERT_TRUE(context_.RAJON.file().Add().ok());
  }
  context_.RAJON.rec().Clear();
  dict::SetText(context_.RAJON.rec().POZ, "UA1BBB");
  ASSERT_TRUE(context_.RAJON.file().Get(dict::RAJON().FindKey("RAJ:BEY_POZ")).ok());
  dict::SetText(context_.RAJON.rec().ADRESS, "street of ua1aaa");
  EXPECT_EQ(RIUpdate_RAJON(context_, 1), 1);
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "An error (Creates Duplicate Key (40)) was experienced when attempting to update a "
            "record from the file.  Probable Cause: rajon.");
  ReleaseFile(context_.RAJON);
}

TEST_F(RITest, SimpleDeletesAndUpdates) {
  AddContact(context_.AAAA, 7, "Italy", 50000);
  AddContact(context_.AAAA, 8, "Italy", 50001);
  ProcedureFiles form(context_, procedure_files::PRINTAAA_BEY_D);
  form.Open();
  const int by_number = dict::AAAA().FindKey("AAA:BEY_N");
  context_.AAAA.rec().Clear();
  context_.AAAA.rec().N_QSO.set(8);
  ASSERT_TRUE(context_.AAAA.file().Get(by_number).ok());
  dict::SetText(context_.AAAA.rec().PREF, "Malta");
  EXPECT_EQ(RIUpdate_AAAA(context_, 1), 0);
  context_.AAAA.rec().Clear();
  context_.AAAA.rec().N_QSO.set(7);
  ASSERT_TRUE(context_.AAAA.file().Get(by_number).ok());
  EXPECT_EQ(RIDelete_AAAA(context_), 0);
  form.Release();
  EXPECT_TRUE(boxes_.shown().empty());
  EXPECT_EQ(Countries(FileId::AAAA), (Names{"Malta"}));
}

TEST_F(RITest, LogoutRetriesWhileAnotherProcessWritesUntilTheTimeout) {
  int holds[2];
  ASSERT_EQ(pipe(holds), 0);
  // Another process logs the file out, keeps it for hold_ms, then lets go.
  auto other = [&](int hold_ms) {
    const pid_t child = fork();
    if (child == 0) {
      DataContext writer(dir_.path());
      UseFile(writer.RAJON, 1);
      bool ok = Logout(writer.RAJON.file()).ok();
      (void)!write(holds[1], ok ? "h" : "x", 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
      (void)RollbackTransaction();
      _exit(0);
    }
    char c = 0;
    EXPECT_EQ(read(holds[0], &c, 1), 1);
    EXPECT_EQ(c, 'h');
    return child;
  };
  // The file is opened here only after each fork, so that the other
  // process has an open file (and locks) of its own.
  pid_t child = other(300);
  UseFile(context_.RAJON, 1);
  {
    TransactionScope transaction;
    EXPECT_TRUE(transaction.Logout(kLogoutSeconds, {&context_.RAJON.file()}).ok());
  }
  ReleaseFile(context_.RAJON);
  waitpid(child, nullptr, 0);

  child = other(4000);
  UseFile(context_.RAJON, 1);
  auto start = std::chrono::steady_clock::now();
  {
    TransactionScope transaction;
    EXPECT_EQ(transaction.Logout(kLogoutSeconds, {&context_.RAJON.file()}).code(),
              err::kFileLocked);
    EXPECT_EQ(ERRORCODE(), err::kFileLocked);
  }
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::seconds(kLogoutSeconds));
  EXPECT_FALSE(Transaction::Process().active());
  ReleaseFile(context_.RAJON);
  waitpid(child, nullptr, 0);
  close(holds[0]);
  close(holds[1]);
}

TEST_F(RITest, SaveErrorEndsTheOpenTransactionWithoutItsChanges) {
  UseFile(context_.RAJON, 1);
  Table& rajon = context_.RAJON.file();
  auto add = [&](const char* call) {
    context_.RAJON.rec().Clear();
    dict::SetText(context_.RAJON.rec().POZ, call);
    ASSERT_TRUE(rajon.Add().ok());
  };
  {
    TransactionScope transaction;
    ASSERT_TRUE(transaction.Logout(kLogoutSeconds, {&rajon}).ok());
    add("UA1AAA");
    PostError(err::kAccessDenied);
    RISaveError();
    EXPECT_FALSE(Transaction::Process().active());
  }
  ASSERT_TRUE(Logout(rajon).ok());  // begun outside any scope
  add("UA1BBB");
  RISaveError();
  EXPECT_FALSE(Transaction::Process().active());
  EXPECT_EQ(PeekSavedError().code, 0);  // the add succeeded last
  ReleaseFile(context_.RAJON);

  DataContext reader(dir_.path());
  UseFile(reader.RAJON, 1);
  uint32_t rows = 99;
  ASSERT_TRUE(reader.RAJON.file().Records(&rows).ok());
  EXPECT_EQ(rows, 0u);
  ReleaseFile(reader.RAJON);
}

TEST_F(RITest, ReferenceTablesAreUpdatedAndDeletedThroughTheirRoutines) {
  ASSERT_TRUE(Table::Create(dir_.File("SETUP"), dict::SETUP()).ok());
  UseFile(context_.SETUP, 0);
  UseFile(context_.IOTA, 1);
  UseFile(context_.RAJON, 1);
  UseFile(context_.PREFRUS, 1);
  context_.SETUP.rec().Clear();
  ASSERT_TRUE(context_.SETUP.file().Add().ok());
  for (const char* ref : {"EU-133", "EU-134"}) {
    context_.IOTA.rec().Clear();
    dict::SetText(context_.IOTA.rec().FIRSTNAME, "Europe");
    dict::SetText(context_.IOTA.rec().NAIM, ref);
    ASSERT_TRUE(context_.IOTA.file().Add().ok());
    context_.RAJON.rec().Clear();
    dict::SetText(context_.RAJON.rec().POZ, ref);
    dict::SetText(context_.RAJON.rec().ADRESS, ref);
    ASSERT_TRUE(context_.RAJON.file().Add().ok());
    context_.PREFRUS.rec().Clear();
    dict::SetText(context_.PREFRUS.rec().PREF, ref + 4);
    ASSERT_TRUE(context_.PREFRUS.file().Add().ok());
  }
  // The last record added is each file's current record.
  dict::SetText(context_.SETUP.rec().CALLSIGN, "UA1ABC");
  EXPECT_EQ(RIUpdate_SETUP(context_, 1), 0);
  dict::SetText(context_.IOTA.rec().TERRIT, "Island");
  EXPECT_EQ(RIUpdate_IOTA(context_, 1), 0);
  dict::SetText(context_.RAJON.rec().TELEFON, "123");
  EXPECT_EQ(RIUpdate_RAJON(context_, 1), 0);
  dict::SetText(context_.PREFRUS.rec().GOROD, "Moscow");
  EXPECT_EQ(RIUpdate_PREFRUS(context_, 1), 0);
  EXPECT_EQ(RIDelete_IOTA(context_), 0);
  EXPECT_EQ(RIDelete_RAJON(context_), 0);
  EXPECT_EQ(RIDelete_PREFRUS(context_), 0);
  EXPECT_TRUE(boxes_.shown().empty());
  for (DataFile* file :
       {static_cast<DataFile*>(&context_.IOTA), static_cast<DataFile*>(&context_.RAJON),
        static_cast<DataFile*>(&context_.PREFRUS)}) {
    uint32_t rows = 0;
    ASSERT_TRUE(file->file().Records(&rows).ok());
    EXPECT_EQ(rows, 1u) << file->def().label;
    ASSERT_TRUE(file->file().Set().ok());
    ASSERT_TRUE(file->file().Next().ok());
  }
  EXPECT_EQ(dict::TextOf(context_.IOTA.rec().NAIM), "EU-133");
  EXPECT_EQ(dict::TextOf(context_.RAJON.rec().POZ), "EU-133");
  EXPECT_EQ(dict::TextOf(context_.PREFRUS.rec().PREF), "33");
  ASSERT_TRUE(context_.SETUP.file().Set().ok());
  ASSERT_TRUE(context_.SETUP.file().Next().ok());
  EXPECT_EQ(dict::TextOf(context_.SETUP.rec().CALLSIGN), "UA1ABC");
  for (DataFile* file :
       {static_cast<DataFile*>(&context_.SETUP), static_cast<DataFile*>(&context_.IOTA),
        static_cast<DataFile*>(&context_.RAJON), static_cast<DataFile*>(&context_.PREFRUS)}) {
    ReleaseFile(*file);
  }
}

TEST_F(RITest, TransactionThatCannotBeginIsAFramingError) {
  ASSERT_TRUE(Table::Create(dir_.File("PREFRUS"), dict::PREFRUS()).ok());
  CheckOpen(context_.PREFRUS, 1, 0x40);  // read only, deny none
  ++context_.PREFRUS.USED;
  (void)context_.PREFRUS.file().Set();
  EXPECT_EQ(RIUpdate_PREFRUS(context_, 1), 1);
  EXPECT_EQ(RIDelete_PREFRUS(context_), 1);
  ASSERT_EQ(boxes_.shown().size(), 2u);
  EXPECT_EQ(boxes_.shown()[0].title, "Transaction Framing Error");
  EXPECT_EQ(boxes_.shown()[0].text,
            "Error: (Access Denied (5)) attempting to frame the update transaction on prefrus.  "
            "Update transaction cancelled.");
  EXPECT_EQ(boxes_.shown()[1].text,
            "Error: (Access Denied (5)) attempting to frame the delete transaction on prefrus.  "
            "Delete transaction cancelled.");
  ReleaseFile(context_.PREFRUS);
}

TEST_F(RITest, TransactionHeldByAnotherThreadIsAwaitedForTwoSeconds) {
  UseFile(context_.IOTA, 1);
  context_.IOTA.rec().Clear();
  dict::SetText(context_.IOTA.rec().NAIM, "EU-133");
  ASSERT_TRUE(context_.IOTA.file().Add().ok());

  std::atomic<bool> holding{false};
  std::atomic<bool> done{false};
  std::thread other([&] {
    DataContext mine(dir_.path());
    UseFile(mine.NA_IOTA, 1);
    TransactionScope transaction;
    if (transaction.Logout(kLogoutSeconds, {&mine.NA_IOTA.file()}).ok()) holding = true;
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    transaction.Rollback();
    ReleaseFile(mine.NA_IOTA);
  });
  while (!holding) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(RIUpdate_IOTA(context_, 1), 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1900));
  done = true;
  other.join();
  ASSERT_EQ(boxes_.shown().size(), 1u);
  EXPECT_EQ(boxes_.shown()[0].text,
            "Error: (LOGOUT Already Active (56)) attempting to frame the update transaction on "
            "iota.  Update transaction cancelled.");
  // Once the other thread is done, the update goes through.
  EXPECT_EQ(RIUpdate_IOTA(context_, 1), 0);
  ReleaseFile(context_.IOTA);
}

}  // namespace
}  // namespace kavo
