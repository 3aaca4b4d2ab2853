#include "cli/terminal_text.h"

#include "cli/cli_output.h"

namespace voltrak::cli {
namespace {

void AppendEscaped(std::string& out, unsigned code, bool unicode) {
  static const char kHex[] = "0123456789abcdef";
  out += unicode ? "\\u00" : "\\x";
  out += kHex[(code >> 4) & 0xF];
  out += kHex[code & 0xF];
}

// Appends `line`, escaping its controls; `keepTabs` lets tabs through.
void AppendWithControlsEscaped(std::string& out, std::string_view line, bool keepTabs) {
  for (size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if ((c < 0x20 && !(keepTabs && c == '\t')) || c == 0x7F) {
      AppendEscaped(out, c, false);
    } else if (c == 0xC2 && i + 1 < line.size() && static_cast<unsigned char>(line[i + 1]) < 0xA0 &&
               static_cast<unsigned char>(line[i + 1]) >= 0x80) {
      AppendEscaped(out, static_cast<unsigned char>(line[++i]), true);  // U+0080 to U+009F
    } else {
      out += static_cast<char>(c);
    }
  }
}

std::string AsUtf8(std::string_view text) {
  if (IsUtf8(text)) return std::string(text);
  std::string utf8;
  utf8.reserve(text.size() * 2);
  for (char byte : text) {
    const auto c = static_cast<unsigned char>(byte);
    if (c < 0x80) {
      utf8 += byte;
    } else {
      utf8 += static_cast<char>(0xC0 | (c >> 6));
      utf8 += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return utf8;
}

}  // namespace

std::string EscapeControls(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  AppendWithControlsEscaped(out, line, false);
  return out;
}

std::string TerminalText(std::string_view text) { return EscapeControls(AsUtf8(text)); }

std::string TerminalLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    const bool crlf = !line.empty() && line.back() == '\r';
    if (crlf) line.remove_suffix(1);
    AppendWithControlsEscaped(out, AsUtf8(line), true);
    if (crlf) out += '\r';
    if (end == std::string_view::npos) break;
    out += '\n';
    text.remove_prefix(end + 1);
  }
  return out;
}

void PrintLine(std::FILE* stream, std::string_view line) {
  std::string shown = EscapeControls(line);
  shown += '\n';
  std::fwrite(shown.data(), 1, shown.size(), stream);
  std::fflush(stream);
}

}  // namespace voltrak::cli
