#include "name_text.h"

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

namespace {

// The length of the valid UTF-8 sequence at the start of bytes, 0 when there is none (overlong
// forms, surrogates and code points above U+10FFFF are not valid).
std::size_t utf8SequenceLength(std::string_view bytes, char32_t& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    std::size_t length = 0;
    char32_t min = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, min = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, min = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, min = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i) & 0x3F);
    }
    if (codePoint < min || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

constexpr char16_t kEscapeBase = 0xDC00;

}  // namespace

QString displayText(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        char32_t codePoint = 0;
        const std::size_t length = utf8SequenceLength(bytes, codePoint);
        if (length == 0) {
            text += QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[0])));
            bytes.remove_prefix(1);
            continue;
        }
        if (codePoint >= 0x10000) {
            text += QChar(QChar::highSurrogate(codePoint));
            text += QChar(QChar::lowSurrogate(codePoint));
        } else {
            text += QChar(static_cast<char16_t>(codePoint));
        }
        bytes.remove_prefix(length);
    }
    return text;
}

std::string bytesOfText(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    const auto append = [&](char32_t c) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | (c >> 6));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | (c >> 12));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | (c >> 18));
            bytes += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            bytes += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            append(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else if (unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF) {
            bytes += static_cast<char>(unit - kEscapeBase);
        } else if (QChar::isSurrogate(unit)) {
            append(0xFFFD);
        } else {
            append(unit);
        }
    }
    return bytes;
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
