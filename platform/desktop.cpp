#include "desktop.h"

#include "core/text_case.h"

namespace moxtal {

namespace {

bool decodesCleanly(const std::string& bytes, QString& text)
{
    text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text.toUtf8() == QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string convertCase(const std::string& name, bool upper)
{
    QString text;
    if (decodesCleanly(name, text))
        return (upper ? text.toUpper() : text.toLower()).toStdString();
    std::string out = name;
    for (char& c : out)
        c = upper ? asciiUpper(c) : asciiLower(c);
    return out;
}

}  // namespace

QString displayText(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string toUpperName(const std::string& name)
{
    return convertCase(name, true);
}

std::string toLowerName(const std::string& name)
{
    return convertCase(name, false);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    QString qa, qb;
    if (decodesCleanly(a, qa) && decodesCleanly(b, qb))
        return qa.compare(qb, Qt::CaseInsensitive) == 0;
    return equalsIgnoringAsciiCase(a, b);
}

}  // namespace moxtal
