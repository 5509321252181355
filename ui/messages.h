#pragma once

#include <exception>
#include <string>

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace moxtal {

// The text the error display shows for an error: a message of the program's own in the user's
// language, any other as it is.
QString errorText(const std::exception& error);

// The program's own texts (hints, messages) stay as written in a Japanese and in the C/POSIX
// locale; any other interface language gets the English catalogue. The C/POSIX locale is decided
// from LC_ALL, LC_MESSAGES and LANG before LANGUAGE (which Qt reads even under LC_ALL=C);
// uiLanguages are the user's languages, first first, as QLocale gives them.
bool wantsEnglishCatalogue(const char* lcAll, const char* lcMessages, const char* lang, const QStringList& uiLanguages);

// Installs the English catalogue when the environment asks for it (wantsEnglishCatalogue).
void installTranslations(QCoreApplication& application);

}  // namespace moxtal
