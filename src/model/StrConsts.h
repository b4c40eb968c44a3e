#pragma once
// The bilingual caption table: column 0 Czech, column 1 English.
#include <QString>
#include <functional>

// 31 from the original table, then the traffic monitor's and the trend chart's menus.
inline constexpr int StrConstCount = 34;
inline constexpr int LanguageCzech = 0;
inline constexpr int LanguageEnglish = 1;

// pair 1..StrConstCount in the current language; empty for a pair outside the table.
QString StrConst(int pair);
QString StrConst(int pair, int language);
// The pairs that are printf patterns with one "%s" (the version lines), filled with text.
QString StrConstFilled(int pair, const QString& text);

int Language();
// A different index 0 or 1 is stored and the captions observer runs; anything else
// is ignored.
void SetLanguage(int index);
// The main window's caption refresh; an empty one is skipped.
void SetCaptionsObserver(std::function<void()> observer);
