#include "TextCodePage.h"

#include "SettingsStore.h"

#include <QSettings>
#include <QStringDecoder>
#include <algorithm>
#include <array>

namespace pellix {
namespace {

using UpperHalf = std::array<char16_t, 128>;

// Bytes 0x80..0xFF. Bytes the code page leaves undefined (0) stand for the control
// character of the same number, as Windows reads them, so they survive a round trip.
constexpr UpperHalf Windows1250{
    0x20AC, 0,      0x201A, 0,      0x201E, 0x2026, 0x2020, 0x2021, 0,      0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0,      0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9};

constexpr UpperHalf MakeWindows1252() {
  UpperHalf t{0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
              0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
              0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  for (int b = 0xA0; b <= 0xFF; ++b) t[b - 0x80] = static_cast<char16_t>(b);  // as Latin-1
  return t;
}
constexpr UpperHalf Windows1252 = MakeWindows1252();

const UpperHalf& TableOf(CodePage page) { return page == CodePage::Windows1250 ? Windows1250 : Windows1252; }

char16_t CharOfByte(const UpperHalf& table, uint8_t byte) {
  if (byte < 0x80) return byte;
  const char16_t c = table[byte - 0x80];
  return c != 0 ? c : byte;
}

// The byte of c, or -1 when the code page has none.
int ByteOf(const UpperHalf& table, char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  for (int i = 0; i < 128; ++i)
    if (CharOfByte(table, static_cast<uint8_t>(0x80 + i)) == c) return 0x80 + i;
  return -1;
}

bool ParseCodePage(QString text, CodePage& page) {
  text = text.trimmed().toLower();
  for (const char* prefix : {"windows-", "windows", "cp"})
    if (text.startsWith(QLatin1String(prefix))) {
      text.remove(0, qsizetype(qstrlen(prefix)));
      break;
    }
  if (text == QLatin1String("1250")) {
    page = CodePage::Windows1250;
    return true;
  }
  if (text == QLatin1String("1252")) {
    page = CodePage::Windows1252;
    return true;
  }
  return false;
}

}  // namespace

CodePage CodePageOfLanguage(QLocale::Language language) {
  switch (language) {
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Polish:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
      return CodePage::Windows1250;
    default:
      return CodePage::Windows1252;
  }
}

CodePage TextFileCodePage(const QLocale& locale) {
  const QVariant stored = SettingsStore().value(QLatin1String(TextCodePageKey));
  CodePage page{};
  if (stored.isValid() && ParseCodePage(stored.toString(), page)) return page;
  return CodePageOfLanguage(locale.language());
}

QString CodePageName(CodePage page) {
  return page == CodePage::Windows1250 ? QStringLiteral("Windows-1250") : QStringLiteral("Windows-1252");
}

bool CanHold(CodePage page, char32_t c) { return ByteOf(TableOf(page), c) >= 0; }

char32_t FirstCharacterNotHeld(CodePage page, const QString& text) {
  for (char32_t c : text.toUcs4())
    if (!CanHold(page, c)) return c;
  return 0;
}

QString CharacterNotHeldHint(CodePage page, char32_t c) {
  return QStringLiteral("The character \"%1\" cannot be saved: text files use the code page %2.")
      .arg(QString::fromUcs4(&c, 1), CodePageName(page));
}

TextFileEncoding TextFileEncoding::For(const QStringList& texts, CodePage page) {
  TextFileEncoding encoding{page, false};
  for (const QString& text : texts)
    if (FirstCharacterNotHeld(page, text) != 0) encoding.Utf8 = true;
  return encoding;
}

QByteArray TextFileEncoding::Encode(const QString& text) const {
  if (Utf8) return text.toUtf8();
  const UpperHalf& table = TableOf(Page);
  QByteArray out;
  out.reserve(text.size());
  // Per code point, so a character outside the BMP becomes one "?", not two.
  for (char32_t c : text.toUcs4()) {
    const int byte = ByteOf(table, c);
    out += byte >= 0 ? static_cast<char>(byte) : '?';
  }
  return out;
}

QString DecodeTextFile(const QByteArray& bytes, CodePage page) {
  const bool bom = bytes.startsWith(Utf8Bom);
  const QByteArray body = bom ? bytes.mid(3) : bytes;
  const bool ascii = std::all_of(body.begin(), body.end(), [](char b) { return (b & 0x80) == 0; });
  if (!ascii || bom) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(body);
    if (!utf8.hasError()) return text;
  }
  const UpperHalf& table = TableOf(page);
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (char b : bytes) *out++ = QChar(CharOfByte(table, static_cast<uint8_t>(b)));
  return text;
}

}  // namespace pellix
