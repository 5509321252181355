#include "messages.h"

#include <cstdlib>

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include "core/app_error.h"
#include "platform/name_text.h"

namespace moxtal {

namespace {

// The catalogue's entries for the messages made in core/, platform/ and settings/ (which have no
// Qt to mark them); the tests check that this list and messages::kAll agree.
[[maybe_unused]] const char* const kCatalogued[] = {
    QT_TRANSLATE_NOOP("Messages", "'%1' は整数ではありません"),
    QT_TRANSLATE_NOOP("Messages", "リストのインデックスが範囲を超えています (%1)"),
    QT_TRANSLATE_NOOP("Messages", "ファイル %1 は開けません"),
    QT_TRANSLATE_NOOP("Messages", "ファイル %1 を作成できません"),
    QT_TRANSLATE_NOOP("Messages", "ストリームへの書き込みエラー"),
    QT_TRANSLATE_NOOP("Messages", "クリップボードを開くことができません"),
};

bool isCLocale(const char* value)
{
    const std::string name = value ? value : "";
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

}  // namespace

QString errorText(const std::exception& error)
{
    const auto* own = dynamic_cast<const AppError*>(&error);
    if (!own || !own->source())
        return displayText(error.what());
    // The values go in as they are, once each: a "%2" inside a path stays text.
    const QString translated = QCoreApplication::translate("Messages", own->source());
    QString text;
    for (qsizetype i = 0; i < translated.size(); ++i) {
        const QChar c = translated[i];
        const int digit = i + 1 < translated.size() ? translated[i + 1].digitValue() : -1;
        if (c == QLatin1Char('%') && digit >= 1 && static_cast<std::size_t>(digit) <= own->values().size()) {
            text += displayText(own->values()[static_cast<std::size_t>(digit - 1)]);
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}

bool wantsEnglishCatalogue(const char* lcAll, const char* lcMessages, const char* lang, const QStringList& uiLanguages)
{
    // The first of these that is set is the locale of messages, as the C library takes it.
    const char* messagesLocale = lcAll && *lcAll ? lcAll : lcMessages && *lcMessages ? lcMessages : lang;
    if (isCLocale(messagesLocale))
        return false;
    return !uiLanguages.isEmpty() && !uiLanguages.front().startsWith(QLatin1String("ja"));
}

void installTranslations(QCoreApplication& application)
{
    if (!wantsEnglishCatalogue(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"),
                               QLocale::system().uiLanguages()))
        return;
    auto* english = new QTranslator(&application);
    if (english->load(QStringLiteral(":/i18n/moxtal_en.qm")))
        QCoreApplication::installTranslator(english);
}

}  // namespace moxtal
