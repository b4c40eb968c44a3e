#pragma once
// The 8-bit code page of the text files (descriptions, CSV log): the Windows code page of
// the user's language, as the files of a Windows desktop have it, or the one the settings
// store names. A file that is valid UTF-8 reads as UTF-8, since Linux editors write that.
#include <QByteArray>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace pellix {

enum class CodePage { Windows1250, Windows1252 };

// The override in the settings store: 1250 or 1252 (also "windows-1250", "cp1252", ...).
inline constexpr char TextCodePageKey[] = "Files/TextCodePage";

// Windows-1250 for the Central European languages, Windows-1252 for all others.
CodePage CodePageOfLanguage(QLocale::Language language);
// The settings' override when it names a known code page, else that of the locale's language.
CodePage TextFileCodePage(const QLocale& locale = QLocale());
// "Windows-1250", "Windows-1252".
QString CodePageName(CodePage page);

bool CanHold(CodePage page, char32_t c);
// The first character of text that the code page cannot hold; 0 when it holds all.
char32_t FirstCharacterNotHeld(CodePage page, const QString& text);
// The hint for a character that cannot go into a text file of this code page.
QString CharacterNotHeldHint(CodePage page, char32_t c);

inline constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

// How a text file is written: in its code page, or as UTF-8 (with a BOM) when the code
// page cannot hold all of its text, so that no character is lost.
struct TextFileEncoding {
  CodePage Page = CodePage::Windows1252;
  bool Utf8 = false;

  // The encoding that holds every one of the texts.
  static TextFileEncoding For(const QStringList& texts, CodePage page);
  // The bytes of text, without a BOM.
  QByteArray Encode(const QString& text) const;
};

// UTF-8 when the bytes are valid UTF-8 (with or without a BOM) and hold a non-ASCII byte;
// otherwise the code page.
QString DecodeTextFile(const QByteArray& bytes, CodePage page);

}  // namespace pellix
