#include "clipwin.h"

#include <QAction>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

#include "core/regular_expression.h"
#include "platform/name_text.h"
#include "ui/accessible_names.h"
#include "ui/clipboard_text.h"
#include "ui/combo_history.h"
#include "ui/fonts.h"
#include "ui/handlers.h"
#include "ui/idle.h"
#include "ui/messages.h"
#include "ui/seams.h"
#include "ui/widgets.h"
#include "ui/window_bounds.h"

namespace moxtal {

namespace {

QClipboard* clipboard()
{
    return QGuiApplication::clipboard();
}

// Clears a flag when the handling ends, also by an error.
class FlagGuard {
public:
    explicit FlagGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = false; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& m_flag;
};

}  // namespace

int LinesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant LinesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return displayText(m_lines[static_cast<std::size_t>(index.row())]);
}

void LinesModel::setLines(std::vector<std::string> lines)
{
    beginResetModel();
    m_lines = std::move(lines);
    endResetModel();
}

TClipWindow::TClipWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), m_fromLines(new LinesModel(this)), m_toLines(new LinesModel(this))
{
    setObjectName(QStringLiteral("ClipWindow"));
    setWindowTitle(QStringLiteral("Clipboard Watcher"));
    setFont(interfaceFont(kProportionalFont));
    resize(340, 170);
    setMinimumWidth(340);
    setFixedHeight(170);
    openWhollyOnScreen(this);

    auto makeCombo = [this](const char* name, const QString& text) { return makeEditableCombo(this, name, text); };
    pattern = makeCombo("pattern", QStringLiteral("(.*)"));
    RepStr = makeCombo("RepStr", QStringLiteral("\\1"));
    LogFrom = makeCombo("LogFrom", {});
    LogTo = makeCombo("LogTo", {});
    LogFrom->setModel(m_fromLines);
    LogTo->setModel(m_toLines);
    LogFrom->setEditText({});
    LogTo->setEditText({});
    setAccessibleComboName(pattern, QStringLiteral("Pattern"));
    setAccessibleComboName(RepStr, QStringLiteral("Replacement"));
    setAccessibleComboName(LogFrom, QStringLiteral("Copied text"));
    setAccessibleComboName(LogTo, QStringLiteral("Result"));

    Retry = new QAction(QStringLiteral("Retry"), this);
    Retry->setObjectName(QStringLiteral("Retry"));
    Retry->setIcon(QIcon::fromTheme(QStringLiteral("view-refresh")));
    Retry->setToolTip(QStringLiteral("Retry"));
    connectHandler(Retry, &QAction::triggered, this, &TClipWindow::RetryExecute);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setDefaultAction(Retry);
    SpeedButton1->setFocusPolicy(Qt::NoFocus);
    SpeedButton1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    SpeedButton1->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    SpeedButton1->setFixedWidth(28);

    RadioGroup1 = new QGroupBox(QStringLiteral("URL"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    NotCare = new QRadioButton(QStringLiteral("Not Care"), RadioGroup1);
    Encode = new QRadioButton(QStringLiteral("Encode"), RadioGroup1);
    Decode = new QRadioButton(QStringLiteral("Decode"), RadioGroup1);
    NotCare->setChecked(true);
    auto* radios = new QHBoxLayout(RadioGroup1);
    radios->setContentsMargins(6, 0, 6, 2);
    for (QRadioButton* button : {NotCare, Encode, Decode})
        radios->addWidget(button);

    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);
    connect(CloseButton, &QPushButton::clicked, this, &TClipWindow::CloseButtonClick);

    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    layout->addWidget(pattern, 0, 0);
    layout->addWidget(RepStr, 1, 0);
    layout->addWidget(SpeedButton1, 0, 1, 2, 1);
    layout->addWidget(LogFrom, 2, 0, 1, 2);
    layout->addWidget(LogTo, 3, 0, 1, 2);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(RadioGroup1, 1);
    bottom->addWidget(CloseButton, 0, Qt::AlignBottom);
    layout->addLayout(bottom, 4, 0, 1, 2);

    setTabOrder(pattern, RepStr);
    setTabOrder(RepStr, CloseButton);
    setTabOrder(CloseButton, NotCare);
    setTabOrder(NotCare, LogFrom);
    setTabOrder(LogFrom, LogTo);

    // Only the Retry button shows its hint in this window.
    SpeedButton1->setToolTipDuration(10000);
    registerIdleUpdate(this, [this] { RetryUpdate(); });
    RetryUpdate();
}

UrlStep TClipWindow::urlStep() const
{
    if (Encode->isChecked())
        return UrlStep::Encode;
    if (Decode->isChecked())
        return UrlStep::Decode;
    return UrlStep::NotCare;
}

void TClipWindow::applySettings(const MainCfgRead& read)
{
    if (read.started(MainCfgField::ClipPatternHistory))
        appendComboItems(pattern, read.values.clipPatternHistory);
    if (read.started(MainCfgField::ClipReplacementHistory))
        appendComboItems(RepStr, read.values.clipReplacementHistory);
    applyWindowBounds(this, read.values.clip, read, MainCfgField::ClipTop);
}

void TClipWindow::collectSettings(MainSettings& settings, const QWidget* mainWindow) const
{
    settings.clipPatternHistory = comboItems(pattern);
    settings.clipReplacementHistory = comboItems(RepStr);
    settings.clip = windowBounds(this, mainWindow);
}

void TClipWindow::setVisible(bool visible)
{
    const bool showing = visible && !isVisible();
    const bool hiding = !visible && isVisible();
    QWidget::setVisible(visible);
    if (showing)
        FormShow();
    if (hiding)
        FormClose();
}

void TClipWindow::FormShow()
{
    for (QComboBox* box : {pattern, RepStr}) {
        if (box->count() > 0)
            box->setCurrentIndex(0);
    }
    if (!m_watching && clipboard()) {
        connect(clipboard(), &QClipboard::dataChanged, this, &TClipWindow::noticeChange);
        m_watching = true;
    }
}

void TClipWindow::FormClose()
{
    if (m_watching && clipboard())
        disconnect(clipboard(), &QClipboard::dataChanged, this, nullptr);
    m_watching = false;
    m_lastWritten.reset();
}

void TClipWindow::CloseButtonClick()
{
    close();
}

void TClipWindow::RetryUpdate()
{
    // The clipboard's owner is asked only while the window watches (it reads every copy then
    // anyway): a closed watcher leaves the idle moments of the windows alone.
    Retry->setEnabled(m_watching && clipboardHoldsText());
}

void TClipWindow::RetryExecute()
{
    // A new start: the source text goes back on the clipboard as if copied from outside.
    m_lastWritten.reset();
    writeClipboard(writableText(textOfLines(m_fromLines->lines())));
}

void TClipWindow::noticeChange()
{
    // One error box at a time: a program that changes the clipboard often would otherwise stack a
    // box inside each box's event loop. The newest change is handled once the box is closed.
    if (m_errorOpen) {
        m_noticeWhileError = true;
        return;
    }
    do {
        m_noticeWhileError = false;
        try {
            ClipboardChanged();
        } catch (const std::exception& e) {
            const FlagGuard open(m_errorOpen);
            MessageBox::show(this, errorText(e));
        }
    } while (m_noticeWhileError);
}

void TClipWindow::ClipboardChanged()
{
    // The notice of our own write comes back nested inside the write: it waits until the
    // handling that wrote has ended, so both orders of delivery end in the same state.
    if (m_handling) {
        m_pending = true;
        return;
    }
    const FlagGuard handling(m_handling);
    do {
        m_pending = false;
        handleOnce();
    } while (m_pending);
}

void TClipWindow::handleOnce()
{
    if (!clipboard())
        throw AppError(messages::kCannotOpenClipboard, {});
    const QMimeData* data = clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return;
    const ClipboardText copied = clipboardText(data, clipboard()->ownsClipboard());
    const std::string& bytes = copied.bytes;
    // Our own result coming back (its notice, or a clipboard manager posting it again) is no change
    // from outside: it is shown, but never rewritten.
    const bool ownText = m_lastWritten && *m_lastWritten == bytes;
    m_fromLines->setLines(linesOf(bytes));
    selectFirstLine(LogFrom);
    m_toLines->setLines({});
    LogTo->setEditText({});

    const ClipboardPass pass =
        runClipboardPass(m_fromLines->lines(), comboText(pattern), comboText(RepStr), urlStep(),
                         [this](const std::string& line, UrlStep step) {
                             UrlCoder1.InputString = line;
                             return step == UrlStep::Encode ? UrlCoder1.GetEncodeString() : UrlCoder1.GetDecodeString();
                         });

    if (!pass.changed) {
        m_toLines->setLines({pass.matched ? "===" : "---"});
        setWindowTitle(pass.matched ? QStringLiteral("Same String") : QStringLiteral("Nat Match"));
    } else if (!copied.exact && bytes.find("\xEF\xBF\xBD") != std::string::npos) {
        // The copy held bytes that are not UTF-8, and the platform gave them over as U+FFFD:
        // writing the result back would change bytes the replacement never touched.
        m_toLines->setLines(pass.resultLines);
        setWindowTitle(kNotUtf8);
    } else if (ownText) {
        m_toLines->setLines(pass.resultLines);
        setWindowTitle(kChainStopped);
    } else {
        std::string text = writableText(textOfLines(pass.resultLines));
        m_toLines->setLines(pass.resultLines);
        setWindowTitle(QStringLiteral("Replaced"));
        m_lastWritten = text;
        writeClipboard(text);
        promoteComboHistory(pattern);
        promoteComboHistory(RepStr);
        // To the front, but the keyboard stays with the window the user types in.
        raise();
    }
    selectFirstLine(LogTo);
}

std::string TClipWindow::writableText(std::string text)
{
    // The text is written as a zero-terminated string: a decoded "%00" ends it.
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    if (text.size() > kMaxWrite)
        throw AppError("The result is larger than 64 MiB and was not written to the clipboard");
    return text;
}

void TClipWindow::writeClipboard(const std::string& text)
{
    if (!clipboard())
        throw AppError(messages::kCannotOpenClipboard, {});
    setClipboardTextBytes(text);
}

void TClipWindow::selectFirstLine(QComboBox* box)
{
    if (box->count() > 0)
        box->setCurrentIndex(0);
    else
        box->setEditText({});
}

}  // namespace moxtal
