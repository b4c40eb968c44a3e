#include "StrConsts.h"

#include <array>

namespace {

struct Pair {
  const char16_t* czech;
  const char16_t* english;
};

// Stored exactly as the captions came from the original table.
constexpr std::array<Pair, StrConstCount> kTable{{
    {u"Soubor", u"File"},
    {u"Uložit do souboru", u"Save to File"},
    {u"Otevrít", u"Open"},
    {u"Konec", u"Exit"},
    {u"Uložit", u"Save"},
    {u"Otevrít", u"Open"},
    {u"Zavrít", u"Close"},
    {u"Uložit do souboru", u"Save to File"},
    {u"Nacíst ze souboru", u"Load from File"},
    {u"Komunikace", u"Communication"},
    {u"Pripojit", u"Connect"},
    {u"Odpojit", u"Disconnect"},
    {u"Pripojeno", u"Connected"},
    {u"Odpojeno", u"Disconnected"},
    {u"Aktualizovat SW", u"Upgrade SW"},
    {u"Aktualizovat SW", u"Upgrade SW"},
    {u"Popisky", u"Descriptions"},
    {u"Zobrazit", u"Show"},
    {u"Smazat", u"Delete"},
    {u"Záznam", u"Recorder"},
    {u"Spustit záznam", u"Start Logging"},
    {u"Ukoncit záznam", u"Stop Logging"},
    {u"Nastavení záznamu", u"Recorder Options"},
    {u"Jazyk", u"Language"},
    {u"Ceština", u"Ceština"},
    {u"Anglictina (English)", u"English"},
    {u"Verze FW: %s", u"Gateway FW version: %s"},
    {u"Verze HW: %s", u"Gateway HW version: %s"},
    {u"Nastavení portů", u"Port settings"},
    {u"Rychlost", u"Baud rate"},
    {u"Adresa", u"Address"},
    {u"Monitor provozu", u"Traffic monitor"},
    {u"Zobrazení", u"View"},
    {u"Graf průběhu", u"Trend chart"},
}};

int g_language = LanguageEnglish;

std::function<void()>& captionsObserver() {
  static std::function<void()> observer;
  return observer;
}

}  // namespace

QString StrConst(int pair, int language) {
  if (pair < 1 || pair > StrConstCount) return {};
  const Pair& p = kTable[static_cast<size_t>(pair - 1)];
  return QString::fromUtf16(language == LanguageCzech ? p.czech : p.english);
}

QString StrConst(int pair) { return StrConst(pair, g_language); }

int Language() { return g_language; }

void SetLanguage(int index) {
  if (index != LanguageCzech && index != LanguageEnglish) return;
  if (index == g_language) return;
  g_language = index;
  if (captionsObserver()) captionsObserver()();
}

void SetCaptionsObserver(std::function<void()> observer) { captionsObserver() = std::move(observer); }

QString StrConstFilled(int pair, const QString& text) {
  return StrConst(pair).replace(QLatin1String("%s"), text);
}
