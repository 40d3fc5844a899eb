#include "reports/layout_engine.h"

#include <optional>
#include <utility>

#include "runtime/cp1251.h"
#include "runtime/errors.h"
#include "runtime/picture.h"

namespace kavo::reports {
namespace {

// Room for rounding when bands of fractional heights fill the detail area.
constexpr double kFitToleranceMm = 1e-6;

std::string_view Trimmed(std::string_view text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// Appends a text item built in place.
void AddText(PageImage* page, const RectMm& rect, std::string text, const FontStyle& font,
             TextAlign align, std::optional<RectMm> clip) {
  PageText& t = std::get<PageText>(page->items.emplace_back(std::in_place_type<PageText>));
  t.rect = rect;
  t.text = std::move(text);
  t.face = font.face;
  t.size_pt = font.size_pt;
  t.bold = font.bold;
  t.italic = font.italic;
  t.underline = font.underline;
  t.align = align;
  t.clip = clip;
}

RectMm Moved(const RectMm& r, double x, double y) {
  return {r.x + x, r.y + y, r.w, r.h};
}

}  // namespace

// One field ready to print: its picture compiled and its variable resolved.
struct CompiledField {
  Picture picture;
  expr::VarRef var;
  expr::VarClass var_class = expr::VarClass::kString;
  TextAlign align = TextAlign::kLeft;
};

struct LayoutEngine::CompiledBand {
  RectMm rect;
  std::vector<LayoutElement> elements;
  // For each element: its index in `fields`, or -1 when it is no field.
  std::vector<int> field_of;
  std::vector<CompiledField> fields;
};

struct LayoutEngine::Compiled {
  double page_width_mm = 0;
  double page_height_mm = 0;
  RectMm detail_area;
  std::optional<CompiledBand> header;
  std::optional<CompiledBand> footer;
  CompiledBand detail;
};

namespace {

Status CompileField(const LayoutField& f, const FieldResolver& resolve, CompiledField* out) {
  PictureStatus ps = Picture::Compile(f.picture, &out->picture);
  if (!ps.ok) {
    return Status::Error(err::kInvalidDataFile,
                         "picture \"" + f.picture + "\" of " + f.name + ": " + ps.message);
  }
  bool number = out->picture.type() != PictureType::kString;
  if (f.total == FieldTotal::kNone) {
    if (!resolve || !resolve(f.name, &out->var) || !expr::IsValid(out->var) ||
        !expr::ClassOf(out->var.type, &out->var_class)) {
      return Status::Error(err::kNoBind, "report field " + f.name);
    }
  } else {
    out->var_class = expr::VarClass::kInteger;
  }
  out->align = f.align.value_or(number ? TextAlign::kRight : TextAlign::kLeft);
  return Status::OK();
}

}  // namespace

LayoutText Text(const RectMm& rect, std::string text, const FontStyle& font, TextAlign align) {
  LayoutText t;
  t.rect = rect;
  t.text = std::move(text);
  t.font = font;
  t.align = align;
  return t;
}

LayoutText TextUtf8(const RectMm& rect, std::string_view utf8, const FontStyle& font,
                    TextAlign align) {
  return Text(rect, Cp1251FromUtf8(utf8), font, align);
}

LayoutField Field(const RectMm& rect, std::string name, std::string picture,
                  const FontStyle& font) {
  LayoutField f;
  f.rect = rect;
  f.name = std::move(name);
  f.picture = std::move(picture);
  f.font = font;
  return f;
}

LayoutField Total(const RectMm& rect, FieldTotal total, std::string picture,
                  const FontStyle& font) {
  LayoutField f =
      Field(rect, total == FieldTotal::kCount ? "CISLO" : "PAGECOUNT", std::move(picture), font);
  f.total = total;
  return f;
}

LayoutEngine::LayoutEngine() = default;
LayoutEngine::~LayoutEngine() = default;

Status LayoutEngine::Open(const ReportLayout& layout, const FieldResolver& resolve) {
  Close();
  auto compiled = std::make_unique<Compiled>();
  auto compile_band = [&resolve](const Band& band, CompiledBand* out) -> Status {
    out->rect = band.rect;
    out->elements = band.elements;
    for (const LayoutElement& e : band.elements) {
      const LayoutField* f = std::get_if<LayoutField>(&e);
      if (f == nullptr) {
        out->field_of.push_back(-1);
        continue;
      }
      CompiledField cf;
      KAVO_RETURN_IF_ERROR(CompileField(*f, resolve, &cf));
      out->field_of.push_back(static_cast<int>(out->fields.size()));
      out->fields.push_back(std::move(cf));
    }
    return Status::OK();
  };
  if (layout.detail.rect.h <= 0 || layout.detail.rect.h > layout.detail_area.h + kFitToleranceMm) {
    return Status::Error(err::kInvalidDataFile, "detail band does not fit the detail area");
  }
  compiled->page_width_mm = layout.page_width_mm;
  compiled->page_height_mm = layout.page_height_mm;
  compiled->detail_area = layout.detail_area;
  KAVO_RETURN_IF_ERROR(compile_band(layout.detail, &compiled->detail));
  if (layout.header) {
    compiled->header.emplace();
    KAVO_RETURN_IF_ERROR(compile_band(*layout.header, &*compiled->header));
  }
  if (layout.footer) {
    compiled->footer.emplace();
    KAVO_RETURN_IF_ERROR(compile_band(*layout.footer, &*compiled->footer));
  }
  compiled_ = std::move(compiled);
  open_ = true;
  CISLO_ = 0;
  PAGECOUNT_ = 0;
  last_slot_ = kAllSlots;
  return Status::OK();
}

void LayoutEngine::PrintBand(const CompiledBand& band, double x, double y) {
  for (size_t i = 0; i < band.elements.size(); ++i) {
    const LayoutElement& e = band.elements[i];
    if (const auto* t = std::get_if<LayoutText>(&e)) {
      if (t->slot > last_slot_) continue;
      AddText(&page_, Moved(t->rect, x, y), t->text, t->font, t->align, std::nullopt);
    } else if (const auto* f = std::get_if<LayoutField>(&e)) {
      if (f->hidden || f->slot > last_slot_) continue;
      const CompiledField& cf = band.fields[static_cast<size_t>(band.field_of[i])];
      std::string shown;
      if (f->total == FieldTotal::kCount) {
        shown = cf.picture.FormatNumber(CISLO_);
      } else if (f->total == FieldTotal::kPageCount) {
        shown = cf.picture.FormatNumber(PAGECOUNT_);
      } else {
        const auto* p = static_cast<const uint8_t*>(cf.var.address);
        switch (cf.var_class) {
          case expr::VarClass::kString:
            shown = cf.picture.FormatText(expr::ReadText(cf.var, p));
            break;
          case expr::VarClass::kInteger:
            shown = cf.picture.FormatNumber(expr::ReadInt(cf.var, p));
            break;
          case expr::VarClass::kReal:
            shown = cf.picture.FormatNumber(expr::ReadReal(cf.var, p));
            break;
        }
      }
      // Cut at the field's column, over the band's whole height.
      const RectMm clip{f->rect.x + x, y, f->rect.w, band.rect.h};
      AddText(&page_, Moved(f->rect, x, y), std::string(Trimmed(shown)), f->font, cf.align, clip);
    } else if (const auto* l = std::get_if<LayoutLine>(&e)) {
      std::get<PageLine>(page_.items.emplace_back(std::in_place_type<PageLine>)) =
          PageLine{l->x1 + x, l->y1 + y, l->x2 + x, l->y2 + y, l->width_mm};
    } else if (const auto* b = std::get_if<LayoutBox>(&e)) {
      std::get<PageBox>(page_.items.emplace_back(std::in_place_type<PageBox>)) =
          PageBox{Moved(b->rect, x, y), b->line_width_mm, b->filled};
    }
  }
}

void LayoutEngine::StartPage() {
  page_ = PageImage{};
  page_.width_mm = compiled_->page_width_mm;
  page_.height_mm = compiled_->page_height_mm;
  page_started_ = true;
  used_mm_ = 0;
  ++PAGECOUNT_;
  if (compiled_->header) {
    PrintBand(*compiled_->header, compiled_->header->rect.x, compiled_->header->rect.y);
  }
}

Status LayoutEngine::PrintDetail() {
  if (!open_) return Status::Error(err::kFileNotOpen, "report not open");
  const CompiledBand& detail = compiled_->detail;
  if (page_started_ && used_mm_ + detail.rect.h > compiled_->detail_area.h + kFitToleranceMm) {
    KAVO_RETURN_IF_ERROR(FinishPage());
  }
  if (!page_started_) StartPage();
  ++CISLO_;
  PrintBand(detail, compiled_->detail_area.x, compiled_->detail_area.y + used_mm_);
  used_mm_ += detail.rect.h;
  return Status::OK();
}

Status LayoutEngine::FinishPage() {
  if (!open_ || !page_started_) return Status::OK();
  if (compiled_->footer) {
    PrintBand(*compiled_->footer, compiled_->footer->rect.x, compiled_->footer->rect.y);
  }
  page_started_ = false;
  if (queue_ == nullptr) return Status::OK();
  return queue_->AddPage(page_);
}

void LayoutEngine::Close() {
  compiled_.reset();
  open_ = false;
  page_started_ = false;
  page_ = PageImage{};
  used_mm_ = 0;
}

}  // namespace kavo::reports
