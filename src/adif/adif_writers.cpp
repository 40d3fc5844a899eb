#include "adif/adif_writers.h"

#include <string>

#include "adif/text_encoding.h"

namespace kavo::adif {
namespace {

void AppendTag(std::string* out, std::string_view name, std::string_view value) {
  out->push_back('<');
  out->append(name);
  out->push_back(':');
  out->append(std::to_string(value.size()));
  out->push_back('>');
  out->append(value);
}

// XML text: markup characters as entities; tab, line feed and carriage
// return as references, which XML's end-of-line handling and whitespace
// trimming leave alone; the other control characters as their pictures
// (text_encoding.h).
void AppendEscaped(std::string* out, std::string_view text) {
  for (char c : text) {
    switch (c) {
      case '\t':
        out->append("&#9;");
        break;
      case '\n':
        out->append("&#10;");
        break;
      case '\r':
        out->append("&#13;");
        break;
      case '&':
        out->append("&amp;");
        break;
      case '<':
        out->append("&lt;");
        break;
      case '>':
        out->append("&gt;");
        break;
      case '"':
        out->append("&quot;");
        break;
      default:
        if (IsXmlForbidden(c)) {
          AppendControlPicture(out, c);
        } else {
          out->push_back(c);
        }
    }
  }
}

constexpr std::string_view kAppPrefix = "APP_";

}  // namespace

AdiWriter::AdiWriter(std::ostream& out) : out_(out) {
  std::string header = "ADIF export from Kavo\n";
  AppendTag(&header, "ADIF_VER", kAdifVersion);
  header.push_back('\n');
  AppendTag(&header, "PROGRAMID", kProgramId);
  header.append("\n<EOH>\n");
  out_ << header;
}

bool AdiWriter::Write(const AdifRecord& record) {
  std::string line;
  for (const AdifField& field : record.fields) {
    AppendTag(&line, field.name, field.value);
    line.push_back(' ');
  }
  line.append("<EOR>\n");
  out_ << line;
  return static_cast<bool>(out_);
}

bool AdiWriter::Finish() {
  out_.flush();
  return static_cast<bool>(out_);
}

AdxWriter::AdxWriter(std::ostream& out) : out_(out) {
  out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ADX>\n<HEADER>\n<ADIF_VER>" << kAdifVersion
       << "</ADIF_VER>\n<PROGRAMID>" << kProgramId << "</PROGRAMID>\n</HEADER>\n<RECORDS>\n";
}

bool AdxWriter::Write(const AdifRecord& record) {
  std::string text = "<RECORD>";
  for (const AdifField& field : record.fields) {
    const std::string_view name = field.name;
    const std::size_t program_end =
        name.starts_with(kAppPrefix) ? name.find('_', kAppPrefix.size()) : std::string_view::npos;
    if (program_end != std::string_view::npos) {
      text.append("<APP PROGRAMID=\"");
      text.append(name.substr(kAppPrefix.size(), program_end - kAppPrefix.size()));
      text.append("\" FIELDNAME=\"");
      text.append(name.substr(program_end + 1));
      text.append("\" TYPE=\"S\">");
      AppendEscaped(&text, field.value);
      text.append("</APP>");
    } else {
      text.push_back('<');
      text.append(name);
      text.push_back('>');
      AppendEscaped(&text, field.value);
      text.append("</");
      text.append(name);
      text.push_back('>');
    }
  }
  text.append("</RECORD>\n");
  out_ << text;
  return static_cast<bool>(out_);
}

bool AdxWriter::Finish() {
  out_ << "</RECORDS>\n</ADX>\n";
  out_.flush();
  return static_cast<bool>(out_);
}

}  // namespace kavo::adif
