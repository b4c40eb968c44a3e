#include "RomCode.h"

namespace {

int hexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  return -1;
}

}  // namespace

QString RomCodeToHex(const TRomCode& rom) {
  QString s;
  s.reserve(16);
  for (uint16_t w : rom) s += QStringLiteral("%1").arg(w, 4, 16, QLatin1Char('0')).toUpper();
  return s;
}

bool ParseRomCode(const QString& text, TRomCode& out) {
  if (text.size() != 16) return false;  // shorter: too few; longer: more than 16 digits or not hex
  uint64_t v = 0;
  for (QChar c : text) {
    const int d = hexDigit(c);
    if (d < 0) return false;
    v = (v << 4) | static_cast<uint64_t>(d);
  }
  out = {static_cast<uint16_t>(v >> 48), static_cast<uint16_t>(v >> 32), static_cast<uint16_t>(v >> 16),
         static_cast<uint16_t>(v)};
  return true;
}
