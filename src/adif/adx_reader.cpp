#include "adif/adx_reader.h"

#include <expat.h>

#include "adif/text_encoding.h"
#include "runtime/cp1251.h"

namespace kavo::adif {
namespace {

constexpr std::size_t kChunk = 1 << 16;
// Longest field value kept, as in the tagged reader.
constexpr std::size_t kMaxValue = 1 << 20;

const char* Attribute(const char** attributes, const char* name) {
  for (int i = 0; attributes[i]; i += 2) {
    if (AsciiUpper(attributes[i]) == name) return attributes[i + 1];
  }
  return nullptr;
}

bool IsCp1251Name(const XML_Char* name) {
  const std::string upper = AsciiUpper(name);
  return upper == "WINDOWS-1251" || upper == "CP1251";
}

// Every byte of code page 1251 is one character.
int UnknownEncoding(void*, const XML_Char* name, XML_Encoding* info) {
  if (!IsCp1251Name(name)) return XML_STATUS_ERROR;
  for (int byte = 0; byte < 256; ++byte) {
    const char one = static_cast<char>(byte);
    const std::string utf8 = Utf8FromCp1251(std::string_view(&one, 1));
    int cp = static_cast<unsigned char>(utf8[0]);
    if (utf8.size() == 2) cp = ((cp & 0x1F) << 6) | (utf8[1] & 0x3F);
    if (utf8.size() == 3) cp = ((cp & 0x0F) << 12) | ((utf8[1] & 0x3F) << 6) | (utf8[2] & 0x3F);
    info->map[byte] = cp;
  }
  info->data = nullptr;
  info->convert = nullptr;
  info->release = nullptr;
  return XML_STATUS_OK;
}

}  // namespace

// Element depth: 1 <ADX>, 2 <HEADER> or <RECORDS>, 3 <RECORD>, 4 a field.
struct AdxReader::Parser {
  XML_Parser xml = nullptr;
  std::deque<AdifRecord>* ready = nullptr;
  int depth = 0;
  bool in_records = false;
  bool in_record = false;
  bool in_field = false;
  AdifRecord record;
  AdifField field;
  std::int64_t records = 0;

  static void Start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* p = static_cast<Parser*>(data);
    ++p->depth;
    const std::string element = AsciiUpper(name);
    if (p->depth == 2) {
      p->in_records = element == "RECORDS";
    } else if (p->depth == 3 && p->in_records && element == "RECORD") {
      p->in_record = true;
      p->record = AdifRecord();
      p->record.line = static_cast<std::int64_t>(XML_GetCurrentLineNumber(p->xml));
    } else if (p->depth == 4 && p->in_record) {
      p->in_field = true;
      p->field = AdifField();
      if (element == "APP") {
        const char* program = Attribute(attributes, "PROGRAMID");
        const char* field = Attribute(attributes, "FIELDNAME");
        p->field.name =
            "APP_" + AsciiUpper(program ? program : "") + "_" + AsciiUpper(field ? field : "");
      } else if (element == "USERDEF") {
        const char* field = Attribute(attributes, "FIELDNAME");
        p->field.name = AsciiUpper(field ? field : "USERDEF");
      } else {
        p->field.name = element;
      }
    } else if (p->depth > 4 && p->in_field && p->record.problem.empty()) {
      p->record.problem =
          "field " + p->field.name + " holds an element <" + std::string(name) + ">";
    }
  }

  static void End(void* data, const XML_Char*) {
    auto* p = static_cast<Parser*>(data);
    if (p->depth == 4 && p->in_field) {
      p->in_field = false;
      ControlsFromPictures(&p->field.value);
      p->record.fields.push_back(std::move(p->field));
    } else if (p->depth == 3 && p->in_record) {
      p->in_record = false;
      p->record.number = ++p->records;
      p->ready->push_back(std::move(p->record));
    } else if (p->depth == 2) {
      p->in_records = false;
    }
    --p->depth;
  }

  static void Text(void* data, const XML_Char* text, int length) {
    auto* p = static_cast<Parser*>(data);
    if (!p->in_field || p->depth != 4) return;
    if (p->field.value.size() + static_cast<std::size_t>(length) > kMaxValue) {
      if (p->record.problem.empty()) p->record.problem = "field " + p->field.name + " is too long";
      return;
    }
    p->field.value.append(text, static_cast<std::size_t>(length));
  }
};

AdxReader::AdxReader(std::istream& in) : in_(in), parser_(std::make_unique<Parser>()) {
  parser_->xml = XML_ParserCreate(nullptr);
  parser_->ready = &ready_;
  XML_SetUserData(parser_->xml, parser_.get());
  XML_SetElementHandler(parser_->xml, &Parser::Start, &Parser::End);
  XML_SetCharacterDataHandler(parser_->xml, &Parser::Text);
  XML_SetUnknownEncodingHandler(parser_->xml, &UnknownEncoding, nullptr);
}

AdxReader::~AdxReader() {
  if (parser_->xml) XML_ParserFree(parser_->xml);
}

bool AdxReader::Next(AdifRecord* record) {
  chunk_.resize(kChunk);
  std::vector<char>& chunk = chunk_;
  while (ready_.empty() && !done_) {
    in_.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const auto got = static_cast<std::size_t>(in_.gcount());
    const bool last = got < chunk.size() || !in_;
    consumed_ += got;
    if (XML_Parse(parser_->xml, chunk.data(), static_cast<int>(got), last) == XML_STATUS_ERROR) {
      error_ = std::string("malformed XML: ") + XML_ErrorString(XML_GetErrorCode(parser_->xml)) +
               " at line " + std::to_string(XML_GetCurrentLineNumber(parser_->xml)) + ", column " +
               std::to_string(XML_GetCurrentColumnNumber(parser_->xml));
      ready_.clear();
      done_ = true;
    }
    if (last) done_ = true;
  }
  if (ready_.empty()) return false;
  *record = std::move(ready_.front());
  ready_.pop_front();
  return true;
}

}  // namespace kavo::adif
