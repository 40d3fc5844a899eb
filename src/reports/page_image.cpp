// Page image encoding. Layout (all integers and doubles little-endian):
//   "KVPI" u16 version u16 reserved(0) f64 width f64 height u32 item_count
//   items, each: u8 kind then
//     text: f64 x y w h, f64 size, u8 align, u8 style (1 bold, 2 italic,
//           4 underline, 8 clip), [f64 clip x y w h], u16 face length, face,
//           u32 text length, text
//     line: f64 x1 y1 x2 y2 width
//     box:  f64 x y w h width, u8 filled (0 or 1)
//   "KVPE"
#include "reports/page_image.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "runtime/errors.h"

namespace kavo::reports {
namespace {

constexpr char kMagic[4] = {'K', 'V', 'P', 'I'};
constexpr char kEndMagic[4] = {'K', 'V', 'P', 'E'};
constexpr uint16_t kVersion = 1;

constexpr uint8_t kKindText = 1;
constexpr uint8_t kKindLine = 2;
constexpr uint8_t kKindBox = 3;

constexpr uint8_t kStyleBold = 1;
constexpr uint8_t kStyleItalic = 2;
constexpr uint8_t kStyleUnderline = 4;
constexpr uint8_t kStyleClip = 8;
constexpr uint8_t kStyleAll = kStyleBold | kStyleItalic | kStyleUnderline | kStyleClip;

// The smallest encoding of one item: a line (kind and five doubles).
constexpr size_t kMinItemBytes = 1 + 5 * 8;

Status Invalid(const char* what) {
  return Status::Error(err::kInvalidDataFile, std::string("page image: ") + what);
}

class Writer {
 public:
  void Bytes(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }
  void U8(uint8_t v) { out_.push_back(static_cast<char>(v)); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(static_cast<uint16_t>(v));
    U16(static_cast<uint16_t>(v >> 16));
  }
  void F64(double d) {
    uint64_t v;
    std::memcpy(&v, &d, sizeof v);
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  void Rect(const RectMm& r) {
    F64(r.x);
    F64(r.y);
    F64(r.w);
    F64(r.h);
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

// Reads from a byte range; every read checks the remaining length first and
// a failed read leaves the reader failed for good.
class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}

  bool ok() const { return ok_; }
  size_t remaining() const { return in_.size() - pos_; }

  bool Bytes(size_t n, std::string* out) {
    if (!Need(n)) return false;
    out->assign(in_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  bool Magic(const char (&m)[4]) {
    if (!Need(4) || std::memcmp(in_.data() + pos_, m, 4) != 0) return ok_ = false;
    pos_ += 4;
    return true;
  }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return static_cast<uint8_t>(in_[pos_++]);
  }
  uint16_t U16() {
    uint16_t lo = U8();
    return static_cast<uint16_t>(lo | (U8() << 8));
  }
  uint32_t U32() {
    uint32_t lo = U16();
    return lo | (static_cast<uint32_t>(U16()) << 16);
  }
  double F64() {
    uint64_t lo = U32();
    uint64_t v = lo | (static_cast<uint64_t>(U32()) << 32);
    double d;
    std::memcpy(&d, &v, sizeof d);
    return d;
  }
  RectMm Rect() {
    RectMm r;
    r.x = F64();
    r.y = F64();
    r.w = F64();
    r.h = F64();
    return r;
  }

 private:
  bool Need(size_t n) {
    if (!ok_ || remaining() < n) return ok_ = false;
    return true;
  }

  std::string_view in_;
  size_t pos_ = 0;
  bool ok_ = true;
};

bool Coordinate(double v) {
  return std::isfinite(v) && std::fabs(v) <= kMaxPageMm;
}
bool Extent(double v) {
  return std::isfinite(v) && v >= 0 && v <= kMaxPageMm;
}
bool RectOk(const RectMm& r) {
  return Coordinate(r.x) && Coordinate(r.y) && Extent(r.w) && Extent(r.h);
}

Status CheckItem(const PageText& t) {
  if (!RectOk(t.rect)) return Invalid("text rectangle out of range");
  if (t.clip && !RectOk(*t.clip)) return Invalid("clip rectangle out of range");
  if (!(std::isfinite(t.size_pt) && t.size_pt > 0 && t.size_pt <= kMaxFontPt))
    return Invalid("font size out of range");
  if (t.align != TextAlign::kLeft && t.align != TextAlign::kCentre && t.align != TextAlign::kRight)
    return Invalid("unknown alignment");
  if (t.face.size() > kMaxFaceBytes) return Invalid("font face name too long");
  if (t.text.size() > kMaxTextBytes) return Invalid("text too long");
  return Status::OK();
}

Status CheckItem(const PageLine& l) {
  if (!Coordinate(l.x1) || !Coordinate(l.y1) || !Coordinate(l.x2) || !Coordinate(l.y2) ||
      !Extent(l.width_mm))
    return Invalid("line out of range");
  return Status::OK();
}

Status CheckItem(const PageBox& b) {
  if (!RectOk(b.rect) || !Extent(b.line_width_mm)) return Invalid("box out of range");
  return Status::OK();
}

void EncodeItem(const PageText& t, Writer* w) {
  w->U8(kKindText);
  w->Rect(t.rect);
  w->F64(t.size_pt);
  w->U8(static_cast<uint8_t>(t.align));
  uint8_t style = (t.bold ? kStyleBold : 0) | (t.italic ? kStyleItalic : 0) |
                  (t.underline ? kStyleUnderline : 0) | (t.clip ? kStyleClip : 0);
  w->U8(style);
  if (t.clip) w->Rect(*t.clip);
  w->U16(static_cast<uint16_t>(t.face.size()));
  w->Bytes(t.face.data(), t.face.size());
  w->U32(static_cast<uint32_t>(t.text.size()));
  w->Bytes(t.text.data(), t.text.size());
}

void EncodeItem(const PageLine& l, Writer* w) {
  w->U8(kKindLine);
  w->F64(l.x1);
  w->F64(l.y1);
  w->F64(l.x2);
  w->F64(l.y2);
  w->F64(l.width_mm);
}

void EncodeItem(const PageBox& b, Writer* w) {
  w->U8(kKindBox);
  w->Rect(b.rect);
  w->F64(b.line_width_mm);
  w->U8(b.filled ? 1 : 0);
}

bool DecodeText(Reader* r, PageText* t) {
  t->rect = r->Rect();
  t->size_pt = r->F64();
  uint8_t align = r->U8();
  uint8_t style = r->U8();
  if (!r->ok() || align > static_cast<uint8_t>(TextAlign::kRight) || (style & ~kStyleAll) != 0)
    return false;
  t->align = static_cast<TextAlign>(align);
  t->bold = style & kStyleBold;
  t->italic = style & kStyleItalic;
  t->underline = style & kStyleUnderline;
  if (style & kStyleClip) t->clip = r->Rect();
  uint16_t face_len = r->U16();
  if (face_len > kMaxFaceBytes || !r->Bytes(face_len, &t->face)) return false;
  uint32_t text_len = r->U32();
  if (text_len > kMaxTextBytes || !r->Bytes(text_len, &t->text)) return false;
  return true;
}

bool DecodeItem(Reader* r, PageItem* item) {
  switch (r->U8()) {
    case kKindText: {
      PageText t;
      if (!DecodeText(r, &t)) return false;
      *item = std::move(t);
      return true;
    }
    case kKindLine: {
      PageLine l;
      l.x1 = r->F64();
      l.y1 = r->F64();
      l.x2 = r->F64();
      l.y2 = r->F64();
      l.width_mm = r->F64();
      *item = l;
      return r->ok();
    }
    case kKindBox: {
      PageBox b;
      b.rect = r->Rect();
      b.line_width_mm = r->F64();
      uint8_t filled = r->U8();
      if (filled > 1) return false;
      b.filled = filled == 1;
      *item = b;
      return r->ok();
    }
    default:
      return false;
  }
}

}  // namespace

Status CheckPageImage(const PageImage& page) {
  if (!(std::isfinite(page.width_mm) && page.width_mm > 0 && page.width_mm <= kMaxPageMm &&
        std::isfinite(page.height_mm) && page.height_mm > 0 && page.height_mm <= kMaxPageMm))
    return Invalid("page size out of range");
  for (const PageItem& item : page.items) {
    KAVO_RETURN_IF_ERROR(std::visit([](const auto& i) { return CheckItem(i); }, item));
  }
  return Status::OK();
}

std::string EncodePageImage(const PageImage& page) {
  Writer w;
  w.Bytes(kMagic, sizeof kMagic);
  w.U16(kVersion);
  w.U16(0);
  w.F64(page.width_mm);
  w.F64(page.height_mm);
  w.U32(static_cast<uint32_t>(page.items.size()));
  for (const PageItem& item : page.items) {
    std::visit([&w](const auto& i) { EncodeItem(i, &w); }, item);
  }
  w.Bytes(kEndMagic, sizeof kEndMagic);
  return w.Take();
}

Status DecodePageImage(std::string_view bytes, PageImage* out) {
  if (bytes.size() > kMaxPageImageBytes) return Invalid("file too large");
  Reader r(bytes);
  if (!r.Magic(kMagic)) return Invalid("not a page image");
  if (r.U16() != kVersion) return Invalid("unknown version");
  if (r.U16() != 0) return Invalid("reserved field set");
  PageImage page;
  page.width_mm = r.F64();
  page.height_mm = r.F64();
  uint32_t count = r.U32();
  if (!r.ok()) return Invalid("truncated header");
  // Every item takes at least kMinItemBytes, so a count beyond what the rest
  // of the file could hold is damage; this also bounds the reservation.
  if (count > r.remaining() / kMinItemBytes) return Invalid("item count beyond file size");
  page.items.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    PageItem item;
    if (!DecodeItem(&r, &item)) return Invalid("damaged item");
    page.items.push_back(std::move(item));
  }
  if (!r.Magic(kEndMagic)) return Invalid("missing end marker");
  if (r.remaining() != 0) return Invalid("bytes after end marker");
  KAVO_RETURN_IF_ERROR(CheckPageImage(page));
  *out = std::move(page);
  return Status::OK();
}

Status WritePageImage(const PageImage& page, const std::string& path) {
  KAVO_RETURN_IF_ERROR(CheckPageImage(page));
  const std::string bytes = EncodePageImage(page);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return Status::Os(errno);
  int error = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) error = errno ? errno : EIO;
  if (std::fclose(f) != 0 && error == 0) error = errno ? errno : EIO;
  if (error != 0) {
    std::remove(path.c_str());
    return Status::Os(error);
  }
  return Status::OK();
}

Status ReadPageImage(const std::string& path, PageImage* out) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return Status::Os(errno);
  std::string bytes;
  char buf[1 << 16];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    bytes.append(buf, n);
    if (bytes.size() > kMaxPageImageBytes) break;
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return Status::Os(EIO);
  return DecodePageImage(bytes, out);
}

}  // namespace kavo::reports
