// A label run copies the tagged contacts into the buffer, then takes the
// buffer's records one by one into the slots of a row and prints the row
// when it is full or when the last record has been taken. The last record
// is counted against the records in the buffer, not against the tags: a
// tagged contact that can no longer be read, or two tags on one QSO number,
// leave fewer records than tags, and the last row must still print.
#include "reports/label_reports.h"

#include <array>
#include <cstring>
#include <string_view>

#include "data/dict_records.h"
#include "data/globals.h"
#include "expr/expr_view.h"
#include "reports/layout_engine.h"
#include "runtime/cp1251.h"
#include "store/table.h"

namespace kavo::reports {
namespace {

constexpr int kMaxSlots = 3;

// The variables of one label slot: POZ1, DATA1, TIME1, BAND1, RSTS1, MODE1.
struct Slot {
  char POZ[12];
  int32_t DATA = 0;
  int32_t TIME = 0;
  double BAND = 0;
  char RSTS[3];
  char MODE[5];
};

class LabelRun final : public DetailRoutine {
 public:
  explicit LabelRun(int per_row) : per_row_(per_row) {
    for (Slot& s : slots_) Clear(&s);
  }

  int32_t Prepare(DataContext& context, expr::BindScopes& scopes) override {
    for (int k = 0; k < kMaxSlots; ++k) {
      Slot& s = slots_[static_cast<size_t>(k)];
      const std::string n = std::to_string(k + 1);
      scopes.Bind("POZ" + n, expr::VarRef::String(s.POZ, sizeof s.POZ));
      scopes.Bind("DATA" + n, expr::VarRef::Long(&s.DATA));
      scopes.Bind("TIME" + n, expr::VarRef::Long(&s.TIME));
      scopes.Bind("BAND" + n, expr::VarRef::Real(&s.BAND));
      scopes.Bind("RSTS" + n, expr::VarRef::String(s.RSTS, sizeof s.RSTS));
      scopes.Bind("MODE" + n, expr::VarRef::String(s.MODE, sizeof s.MODE));
    }
    Table& log = context.AAAA.file();
    Table& buffer = context.AAAAPRINT.file();
    // Read and add errors are passed over: a contact deleted since it was
    // tagged, or a QSO number already in the buffer, gives no label.
    for (size_t NN = 1; NN <= TAG_AAAA.Records(); ++NN) {
      const int32_t pole = TAG_AAAA.Get(NN).POLE;
      if (pole <= 0 || !log.GetRecord(static_cast<uint32_t>(pole)).ok()) continue;
      std::memcpy(buffer.record(), log.record(), buffer.record_length());
      (void)buffer.Add();
    }
    uint32_t count = 0;
    if (!buffer.Records(&count).ok()) count = 0;
    in_buffer_ = static_cast<int32_t>(count);
    return in_buffer_;
  }

  Status Detail(const uint8_t* record, LayoutEngine& engine) override {
    const auto& rec = *reinterpret_cast<const dict::AAAARecord*>(record);
    ++IZ_;
    if (++I3_ > per_row_) I3_ = 1;
    Slot& s = slots_[static_cast<size_t>(I3_ - 1)];
    std::memcpy(s.POZ, rec.POZ, sizeof s.POZ);
    s.DATA = rec.DATA;
    s.TIME = rec.TIM;
    s.BAND = rec.DIAPAZ;
    std::memcpy(s.RSTS, rec.RPT_1, sizeof s.RSTS);
    std::memcpy(s.MODE, rec.MODE, sizeof s.MODE);
    if (IZ_ == in_buffer_) {
      engine.ShowSlots(I3_);
      Status st = engine.PrintDetail();
      engine.ShowAllSlots();
      return st;
    }
    if (I3_ == per_row_) return engine.PrintDetail();
    return Status::OK();
  }

  void Finish(DataContext& context) override { (void)Table::Remove(context.AAAAPRINT.path()); }

 private:
  static void Clear(Slot* s) {
    std::memset(s->POZ, ' ', sizeof s->POZ);
    std::memset(s->RSTS, ' ', sizeof s->RSTS);
    std::memset(s->MODE, ' ', sizeof s->MODE);
  }

  const int per_row_;
  std::array<Slot, kMaxSlots> slots_;
  int32_t in_buffer_ = 0;
  int32_t IZ_ = 0;
  int32_t I3_ = 0;
};

const FontStyle kLabel{"Arial", 8};
const FontStyle kLabelBold{"Arial", 8, true};
const FontStyle kCall{"Arial", 8, true, false, true};
const FontStyle kClosing{"Small Fonts", 7};
constexpr char kClosingText[] = "TKS for nice QSO dr friend,73! FB DX...";
constexpr double kLine = 4;

LayoutText SlotText(int slot, double x, double y, double w, std::string_view text,
                    const FontStyle& font = kLabel) {
  LayoutText t = Text({x, y, w, kLine}, std::string(text), font);
  t.slot = slot;
  return t;
}

LayoutField SlotField(int slot, double x, double y, double w, const char* name, const char* picture,
                      const FontStyle& font = kLabel) {
  LayoutField f = Field({x, y, w, kLine}, name + std::to_string(slot), picture, font);
  f.slot = slot;
  f.align = TextAlign::kLeft;
  return f;
}

// Three across: x positions of label k's items line by line.
ReportLayout ThreeAcross() {
  struct X {
    double to, poz, data, data_v, utc, time, band, band_v, rs, rsts, way, mode, qso, tks;
  };
  constexpr X xs[] = {
      {19, 31, 11, 19, 35, 42, 12, 20, 35, 44, 15, 27, 37, 10},
      {83, 95, 76, 82, 99, 106, 76, 84, 98, 106, 76, 87, 97, 76},
      {157, 169, 148, 156, 173, 180, 148, 162, 174, 183, 148, 160, 170, 148},
  };
  ReportLayout layout;
  layout.detail_area = {0, 5, 198, 282};
  layout.detail.rect = {0, 0, 198, 35};
  auto& d = layout.detail.elements;
  for (int k = 1; k <= 3; ++k) {
    const X& x = xs[k - 1];
    d.push_back(SlotText(k, x.to, 3, 12, "To Radio:"));
    d.push_back(SlotField(k, x.poz, 3, 22, "POZ", "s12", kCall));
    d.push_back(SlotText(k, x.data, 9, 8, "Data"));
    d.push_back(SlotField(k, x.data_v, 9, 16, "DATA", "d6"));
    d.push_back(SlotText(k, x.utc, 9, 7, "UTC"));
    d.push_back(SlotField(k, x.time, 9, 10, "TIME", "t1"));
    d.push_back(SlotText(k, x.band, 15, 8, "Band:"));
    d.push_back(SlotField(k, x.band_v, 15, 12, "BAND", "n5.1"));
    d.push_back(SlotText(k, x.rs, 15, 9, "RS(T)"));
    d.push_back(SlotField(k, x.rsts, 15, 8, "RSTS", "s3"));
    d.push_back(SlotText(k, x.way, 21, 12, "2 x WAY"));
    d.push_back(SlotField(k, x.mode, 21, 10, "MODE", "s5"));
    d.push_back(SlotText(k, x.qso, 21, 8, "QSO."));
    d.push_back(SlotText(k, x.tks, 27, 60, kClosingText, kClosing));
  }
  return layout;
}

ReportLayout TwoAcross() {
  ReportLayout layout;
  layout.detail_area = {5, 15, 193, 257};
  layout.detail.rect = {0, 0, 188, 24};
  auto& d = layout.detail.elements;
  // Label 1.
  d.push_back(SlotText(1, 14, 1, 12, "To Radio:"));
  d.push_back(SlotField(1, 26, 1, 22, "POZ", "s12", kCall));
  d.push_back(SlotText(1, 1, 6, 8, "Data"));
  d.push_back(SlotField(1, 9, 6, 16, "DATA", "d6"));
  d.push_back(SlotText(1, 25, 6, 7, "UTC"));
  d.push_back(SlotField(1, 32, 6, 9, "TIME", "t1", kLabelBold));
  d.push_back(SlotText(1, 41, 6, 8, "Band:"));
  d.push_back(SlotField(1, 49, 6, 12, "BAND", "n5.1", kLabelBold));
  d.push_back(SlotText(1, 2, 12, 9, "RS(T)"));
  d.push_back(SlotField(1, 11, 12, 8, "RSTS", "s3", kLabelBold));
  d.push_back(SlotText(1, 25, 12, 12, "2 x WAY"));
  d.push_back(SlotField(1, 37, 12, 9, "MODE", "s5", kLabelBold));
  d.push_back(SlotText(1, 46, 13, 8, "QSO."));
  d.push_back(SlotText(1, 5, 17, 60, kClosingText, kClosing));
  // Label 2.
  d.push_back(SlotText(2, 105, 1, 13, "To Radio:"));
  d.push_back(SlotField(2, 118, 1, 22, "POZ", "s12", kCall));
  d.push_back(SlotText(2, 94, 6, 4, "Data"));
  d.push_back(SlotField(2, 98, 6, 15, "DATA", "d6", kLabelBold));
  d.push_back(SlotText(2, 113, 6, 7, "UTC"));
  d.push_back(SlotField(2, 120, 6, 10, "TIME", "t1", kLabelBold));
  d.push_back(SlotText(2, 130, 6, 8, "Band:"));
  d.push_back(SlotField(2, 138, 6, 12, "BAND", "n5.1", kLabelBold));
  d.push_back(SlotText(2, 93, 12, 10, "RS(T)"));
  d.push_back(SlotField(2, 103, 12, 8, "RSTS", "s3", kLabelBold));
  d.push_back(SlotText(2, 111, 12, 13, "2 x WAY"));
  d.push_back(SlotField(2, 124, 12, 10, "MODE", "s5", kLabelBold));
  d.push_back(SlotText(2, 134, 12, 8, "QSO."));
  d.push_back(SlotText(2, 94, 17, 60, kClosingText, kClosing));
  return layout;
}

ReportInstance LabelReport(std::string name, int per_row, ReportLayout layout) {
  ReportInstance r;
  r.name = std::move(name);
  r.files = procedure_files::kLabelRun;
  r.primary = FileId::AAAAPRINT;
  r.table_name = "AAAAPRINT";
  r.key = "AAP:BEY_N";
  r.layout = std::move(layout);
  r.routine = [per_row] { return std::make_unique<LabelRun>(per_row); };
  return r;
}

}  // namespace

const ReportInstance& PECAT_NAKL() {
  static const ReportInstance instance = LabelReport("PECAT_NAKL", 3, ThreeAcross());
  return instance;
}

const ReportInstance& PEC1_NAKL() {
  static const ReportInstance instance = LabelReport("PEC1_NAKL", 2, TwoAcross());
  return instance;
}

}  // namespace kavo::reports
