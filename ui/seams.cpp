#include "seams.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>

namespace moxtal {

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

bool testMode()
{
    return g_recordOnly;
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

namespace {

QStringList g_offered;

bool holdsWildcard(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

std::optional<QString> askOnce(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                               const QString& selected)
{
    if (MessageBox::g_recordOnly)
        g_offered.push_back(selected);
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

}  // namespace

std::optional<QString> askSaveFileName(QWidget* parent, const QString& filter, const QString& defaultSuffix,
                                       const QString& selected)
{
    QString offered = selected;
    for (;;) {
        std::optional<QString> chosen = askOnce(parent, filter, defaultSuffix, offered);
        if (!chosen || !holdsWildcard(*chosen))
            return chosen;
        offered = *chosen;
    }
}

void setNextAnswer(std::optional<QString> answer)
{
    g_saveFileAnswer.set(std::move(answer));
}

QStringList takeOffered()
{
    QStringList out;
    out.swap(g_offered);
    return out;
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
    prompt.setCancelButtonText(QCoreApplication::translate("Prompt", "キャンセル"));
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
