#include "clipboard_text.h"

#include <QByteArray>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPointer>

namespace moxtal {

namespace {

const QString kPlainText = QStringLiteral("text/plain");
const QString kUtf8PlainText = QStringLiteral("text/plain;charset=utf-8");

QByteArray asBytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

std::string clipboardTextBytes(const QMimeData* data)
{
    if (!data || !data->hasText())
        return {};
    QByteArray bytes;
    // An X11 owner's UTF8_STRING and a text/plain held in this process come as they are; the
    // decoded text is the last resort (an owner that offers only Latin-1 STRING).
    if (data->hasFormat(kUtf8PlainText))
        bytes = data->data(kUtf8PlainText);
    if (bytes.isEmpty())
        bytes = data->data(QStringLiteral("UTF8_STRING"));
    if (bytes.isEmpty() && data->hasFormat(kPlainText))
        bytes = data->data(kPlainText);
    if (bytes.isEmpty())
        bytes = data->text().toUtf8();
    return bytes.toStdString();
}

void setClipboardTextBytes(const std::string& text)
{
    auto* data = new QMimeData;
    data->setData(kPlainText, asBytes(text));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

bool clipboardHoldsText()
{
    static QPointer<QClipboard> watched;
    static bool stale = true;
    static bool holds = false;
    QClipboard* board = QGuiApplication::clipboard();
    if (!board)
        return false;
    if (watched != board) {
        watched = board;
        QObject::connect(board, &QClipboard::dataChanged, board, [] { stale = true; });
        stale = true;
    }
    if (stale) {
        const QMimeData* data = board->mimeData(QClipboard::Clipboard);
        holds = data && data->hasText();
        stale = false;
    }
    return holds;
}

}  // namespace moxtal
