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
#include "ui/widgets.h"
#include "ui/window_bounds.h"

namespace moxtal {

namespace {

QClipboard* clipboard()
{
    return QGuiApplication::clipboard();
}

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
    NotCare->setObjectName(QStringLiteral("NotCare"));
    Encode->setObjectName(QStringLiteral("Encode"));
    Decode->setObjectName(QStringLiteral("Decode"));
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
    if (clipboard() && decide(WatchEventKind::Shown) == WatchAction::Connect)
        connect(clipboard(), &QClipboard::dataChanged, this, &TClipWindow::ClipboardChanged);
}

void TClipWindow::FormClose()
{
    if (decide(WatchEventKind::Closed) == WatchAction::Disconnect && clipboard())
        disconnect(clipboard(), &QClipboard::dataChanged, this, nullptr);
}

void TClipWindow::CloseButtonClick()
{
    close();
}

void TClipWindow::RetryUpdate()
{
    // The clipboard's owner is asked only while the window watches (it reads every copy then
    // anyway): a closed watcher leaves the idle moments of the windows alone.
    Retry->setEnabled(m_state.watching && clipboardHoldsText());
}

void TClipWindow::RetryExecute()
{
    if (decide(WatchEventKind::Retry) == WatchAction::WriteSource)
        writeClipboard(clipboardWritableText(textOfLines(m_fromLines->lines())));
}

WatchAction TClipWindow::decide(const WatchEvent& event)
{
    WatchDecision decision = decideWatch(std::move(m_state), event);
    m_state = std::move(decision.state);
    return decision.action;
}

void TClipWindow::ClipboardChanged()
{
    // The notice of our own write comes back nested inside the write, and a copy made while an
    // error box is open inside the box's event loop: both wait until the handling (its box
    // included) has ended, and the newest text is handled once then. So both orders of delivery
    // end in the same state, and an error box never opens inside another.
    for (WatchAction action = decide(WatchEventKind::Notice); action == WatchAction::Handle;
         action = decide(WatchEventKind::HandlingEnded))
        runHandler(this, [this] { handleOnce(); });
}

void TClipWindow::handleOnce()
{
    if (!clipboard())
        throw AppError(messages::kCannotOpenClipboard, {});
    const QMimeData* data = clipboard()->mimeData(QClipboard::Clipboard);
    if (!data || !data->hasText())
        return;
    ClipboardText copied = clipboardText(data, clipboard()->ownsClipboard());
    m_fromLines->setLines(linesOf(copied.bytes));
    selectFirstLine(LogFrom);
    m_toLines->setLines({});
    LogTo->setEditText({});

    const ClipboardPass pass =
        runClipboardPass(m_fromLines->lines(), comboText(pattern), comboText(RepStr), urlStep(),
                         [this](const std::string& line, UrlStep step) {
                             UrlCoder1.InputString = line;
                             return step == UrlStep::Encode ? UrlCoder1.GetEncodeString() : UrlCoder1.GetDecodeString();
                         });

    switch (decide({WatchEventKind::Passed, std::move(copied.bytes), copied.exact, pass.matched, pass.changed})) {
    case WatchAction::ShowNatMatch:
        m_toLines->setLines({"---"});
        setWindowTitle(QStringLiteral("Nat Match"));
        break;
    case WatchAction::ShowSameString:
        m_toLines->setLines({"==="});
        setWindowTitle(QStringLiteral("Same String"));
        break;
    case WatchAction::ShowNotUtf8:
        m_toLines->setLines(pass.resultLines);
        setWindowTitle(kNotUtf8);
        break;
    case WatchAction::ShowChainStopped:
        m_toLines->setLines(pass.resultLines);
        setWindowTitle(kChainStopped);
        break;
    case WatchAction::WriteResult: {
        std::string text = clipboardWritableText(textOfLines(pass.resultLines));
        m_toLines->setLines(pass.resultLines);
        setWindowTitle(QStringLiteral("Replaced"));
        decide({WatchEventKind::Written, text});
        writeClipboard(text);
        promoteComboHistory(pattern);
        promoteComboHistory(RepStr);
        // To the front, but the keyboard stays with the window the user types in.
        raise();
        break;
    }
    default:
        break;
    }
    selectFirstLine(LogTo);
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
