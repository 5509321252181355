#include "ui_common.h"

#include <algorithm>
#include <vector>

#include <QAbstractItemView>
#include <QItemSelectionModel>

#include <QAbstractEventDispatcher>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QMimeData>
#include <QCoreApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "core/rename_job.h"
#include "core/screen_fit.h"
#include "platform/desktop.h"

namespace moxtal {

void installFontSubstitutions()
{
    // VL Gothic draws U+005C as a backslash (the IPA faces draw a yen sign): "\1" must read "\1".
    QFont::insertSubstitution(kProportionalFont, QStringLiteral("VL PGothic"));
    QFont::insertSubstitution(kFixedFont, QStringLiteral("VL Gothic"));
}

QFont interfaceFont(const QString& family, int pixelSize)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    if (family == kFixedFont)
        font.setStyleHint(QFont::Monospace);
    return font;
}

std::vector<std::size_t> selectedRowPositions(const QAbstractItemView* view)
{
    std::vector<std::size_t> positions;
    for (const QModelIndex& index : view->selectionModel()->selectedRows())
        positions.push_back(static_cast<std::size_t>(index.row()));
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

std::vector<std::string> comboItems(const QComboBox* box)
{
    std::vector<std::string> items;
    items.reserve(static_cast<std::size_t>(box->count()));
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

void setComboItems(QComboBox* box, const std::vector<std::string>& items)
{
    const QString text = box->currentText();
    box->clear();
    for (const std::string& item : items)
        box->addItem(displayText(item));
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

void appendComboItems(QComboBox* box, const std::vector<std::string>& items)
{
    std::vector<std::string> all = comboItems(box);
    all.insert(all.end(), items.begin(), items.end());
    setComboItems(box, all);
}

void promoteComboHistory(QComboBox* box)
{
    std::vector<std::string> items = comboItems(box);
    promoteHistory(items, box->currentText().toStdString(), equalsIgnoringCase);
    setComboItems(box, items);
}

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

namespace {

std::vector<ScreenArea> screenAreas()
{
    std::vector<ScreenArea> areas;
    QList<QScreen*> screens = QGuiApplication::screens();
    // The primary screen first: a window that is on no screen goes there.
    std::stable_partition(screens.begin(), screens.end(),
                          [](const QScreen* s) { return s == QGuiApplication::primaryScreen(); });
    for (const QScreen* screen : screens) {
        const QRect a = screen->availableGeometry();
        areas.push_back({a.x(), a.y(), a.width(), a.height()});
    }
    return areas;
}

MainCfgField nextField(MainCfgField field, int by)
{
    return static_cast<MainCfgField>(static_cast<int>(field) + by);
}

}  // namespace

void applyWindowBounds(QWidget* window, const WindowBounds& bounds, const MainCfgRead& read, MainCfgField top)
{
    if (!read.has(top))
        return;
    const QRect now = window->geometry();
    WindowBounds b {bounds.top, now.x(), now.width(), now.height()};
    if (read.has(nextField(top, 1)))
        b.left = bounds.left;
    if (read.has(nextField(top, 2)))
        b.width = bounds.width;
    if (read.has(nextField(top, 3)))
        b.height = bounds.height;
    b = fitOnScreens(b, screenAreas());
    window->setGeometry(b.left, b.top, b.width, b.height);
}

WindowBounds windowBounds(const QWidget* window, const QWidget* mainWindow)
{
    QRect at = window->geometry();
    if (!window->testAttribute(Qt::WA_WState_Created) && !window->testAttribute(Qt::WA_Moved))
        at.moveCenter(mainWindow->geometry().center());
    return {at.y(), at.x(), at.width(), at.height()};
}

void applyHintDuration(QWidget* window)
{
    window->setToolTipDuration(10000);
    for (QWidget* child : window->findChildren<QWidget*>())
        child->setToolTipDuration(10000);
}

namespace {

struct IdleUpdate {
    QPointer<QObject> owner;
    std::function<void()> update;
};

std::vector<IdleUpdate>& idleUpdates()
{
    static std::vector<IdleUpdate> updates;
    return updates;
}

}  // namespace

void registerIdleUpdate(QObject* owner, std::function<void()> update)
{
    static bool hooked = false;
    if (!hooked) {
        if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
            QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &runIdleUpdates);
            hooked = true;
        }
    }
    idleUpdates().push_back({owner, std::move(update)});
}

void runIdleUpdates()
{
    auto& updates = idleUpdates();
    std::erase_if(updates, [](const IdleUpdate& u) { return u.owner.isNull(); });
    for (std::size_t i = 0; i < updates.size(); ++i) {
        if (updates[i].owner)
            updates[i].update();
    }
}

void runHandler(QWidget* window, const std::function<void()>& handler)
{
    try {
        handler();
    } catch (const std::exception& e) {
        MessageBox::show(window, QString::fromUtf8(e.what()));
    }
}

namespace MessageBox {

bool g_recordOnly = false;
namespace {
QStringList g_recorded;
std::function<void()> g_whileOpen;
}  // namespace

void show(QWidget* parent, const QString& text)
{
    if (g_recordOnly) {
        g_recorded.push_back(text);
        if (g_whileOpen)
            g_whileOpen();
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QCoreApplication::applicationName(), text, QMessageBox::Ok, parent);
    box.exec();
}

void setTestMode(bool recordOnly)
{
    g_recordOnly = recordOnly;
}

void setWhileOpen(std::function<void()> action)
{
    g_whileOpen = std::move(action);
}

QStringList takeRecorded()
{
    QStringList out;
    out.swap(g_recorded);
    return out;
}

}  // namespace MessageBox

namespace {

// An answer a test gave in advance for the next dialog of one kind.
class PresetAnswer {
public:
    void set(std::optional<QString> answer) { m_next = std::move(answer); }
    // True when the dialog is not to be shown: a preset answer is taken, or tests run.
    bool take(std::optional<QString>& answer)
    {
        if (m_next) {
            answer = *m_next;
            m_next.reset();
            return true;
        }
        answer.reset();
        return MessageBox::g_recordOnly;
    }

private:
    std::optional<std::optional<QString>> m_next;
};

PresetAnswer g_saveFileAnswer;
PresetAnswer g_promptAnswer;

}  // namespace

namespace FileDialog {

std::optional<QString> askSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                       const QString& selected)
{
    if (std::optional<QString> answer; g_saveFileAnswer.take(answer))
        return answer;
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!selected.isEmpty())
        dialog.selectFile(selected);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

void setNextAnswer(std::optional<QString> answer)
{
    g_saveFileAnswer.set(std::move(answer));
}

}  // namespace FileDialog

namespace InputPrompt {

std::optional<QString> ask(QWidget* parent, const QString& caption, const QString& label, int maxLength)
{
    if (std::optional<QString> answer; g_promptAnswer.take(answer))
        return answer;
    QInputDialog prompt(parent);
    prompt.setWindowTitle(caption);
    prompt.setLabelText(label);
    prompt.setInputMode(QInputDialog::TextInput);
    prompt.setOkButtonText(QStringLiteral("OK"));
    prompt.setCancelButtonText(QStringLiteral("キャンセル"));
    if (auto* edit = prompt.findChild<QLineEdit*>())
        edit->setMaxLength(maxLength);
    // The prompt opens in the middle of the screen, not over the window that asks.
    prompt.adjustSize();
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen)
        prompt.move(screen->availableGeometry().center() - prompt.rect().center());
    if (prompt.exec() != QDialog::Accepted)
        return std::nullopt;
    return prompt.textValue();
}

void setNextAnswer(std::optional<QString> answer)
{
    g_promptAnswer.set(std::move(answer));
}

}  // namespace InputPrompt

}  // namespace moxtal
