#include "tools/content-gen/rtf.h"

namespace content {
namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    if (c == '\\' || c == '{' || c == '}') {
      out += '\\';
      out += char(c);
    } else if (c < 0x80) {
      out += char(c);
    } else {
      // UTF-8 to a Unicode escape with a "?" for readers that lack it.
      unsigned cp = 0;
      int more = 0;
      if ((c & 0xE0) == 0xC0)
        cp = c & 0x1F, more = 1;
      else if ((c & 0xF0) == 0xE0)
        cp = c & 0x0F, more = 2;
      else if ((c & 0xF8) == 0xF0)
        cp = c & 0x07, more = 3;
      else
        continue;
      for (; more > 0 && i + 1 < text.size(); --more) cp = (cp << 6) | (text[++i] & 0x3F);
      if (cp > 0xFFFF) cp = '?';
      out += "\\u" + std::to_string(cp > 32767 ? int(cp) - 65536 : int(cp)) + "?";
    }
  }
  return out;
}

}  // namespace

std::string DocumentRtf(const Document& doc) {
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\n"
      "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}}\n"
      "{\\colortbl;\\red27\\green42\\blue107;\\red238\\green43\\blue43;}\n"
      "{\\info{\\title " +
      Escape(doc.title) +
      "}}\n"
      "\\paperw11906\\paperh16838\\margl1440\\margr1440\\margt1440\\margb1440\n"
      "\\pard\\sa240\\qc\\b\\cf1\\fs48 " +
      Escape(doc.title) + "\\b0\\cf0\\par\n";
  for (const auto& b : doc.blocks) {
    switch (b.kind) {
      case Document::Block::Kind::Heading:
        out += "\\pard\\sb240\\sa120\\b\\cf2\\fs32 " + Escape(b.text) + "\\b0\\cf0\\par\n";
        break;
      case Document::Block::Kind::Paragraph:
        out += "\\pard\\sa160\\fs24 " + Escape(b.text) + "\\par\n";
        break;
      case Document::Block::Kind::Bullet:
        out += "\\pard\\fi-360\\li720\\sa80\\fs24 \\bullet\\tab " + Escape(b.text) + "\\par\n";
        break;
    }
  }
  out += "}\n";
  return out;
}

}  // namespace content
