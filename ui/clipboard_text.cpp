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

ClipboardText clipboardText(const QMimeData* data, bool ownedHere)
{
    ClipboardText text;
    if (!data || !data->hasText())
        return text;
    // An owner's "text/plain;charset=utf-8" and a text held in this process come as they are. Qt
    // hands another X11 owner's UTF8_STRING over only decoded, so there bytes that are not UTF-8
    // have already become U+FFFD: such a text is not exact.
    if (data->hasFormat(kUtf8PlainText)) {
        text.bytes = data->data(kUtf8PlainText).toStdString();
    } else if (data->hasFormat(kPlainText)) {
        text.bytes = data->data(kPlainText).toStdString();
        text.exact = ownedHere;
    } else {
        text.bytes = data->text().toUtf8().toStdString();
        text.exact = false;
    }
    return text;
}

void setClipboardTextBytes(const std::string& text)
{
    auto* data = new QMimeData;
    data->setData(kPlainText, asBytes(text));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

namespace {
int g_ownerQueries = 0;
}  // namespace

int clipboardOwnerQueries()
{
    return g_ownerQueries;
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
        ++g_ownerQueries;
        const QMimeData* data = board->mimeData(QClipboard::Clipboard);
        holds = data && data->hasText();
        stale = false;
    }
    return holds;
}

}  // namespace moxtal
