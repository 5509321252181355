#include "logwin.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "platform/desktop.h"
#include "ui_common.h"

namespace moxtal {

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int LogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || role != Qt::DisplayRole || index.row() >= rowCount())
        return {};
    const TLogEntry& e = m_entries[static_cast<std::size_t>(index.row())];
    switch (index.column()) {
    case 0: return displayText(e.From);
    case 1: return displayText(e.To);
    case 2: return displayText(e.Folder);
    }
    return {};
}

QVariant LogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const captions[] = {"from", "to", "Folder"};
    return section >= 0 && section < 3 ? QString::fromLatin1(captions[section]) : QVariant();
}

void LogModel::append(TLogEntry entry)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_entries.push_back(std::move(entry));
    endInsertRows();
}

TLogWindow::TLogWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_model(new LogModel(this))
{
    setObjectName(QStringLiteral("LogWindow"));
    setWindowTitle(QStringLiteral("Rename Log"));
    setFont(interfaceFont(kProportionalFont));
    resize(440, 383);
    setMinimumWidth(440);

    ListView1 = new QTableView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setModel(m_model);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->verticalHeader()->hide();
    ListView1->verticalHeader()->setDefaultSectionSize(18);
    ListView1->horizontalHeader()->setSectionsClickable(false);
    ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    ListView1->setColumnWidth(0, 100);
    ListView1->setColumnWidth(1, 100);
    ListView1->setColumnWidth(2, 300);

    auto makeButton = [this](const char* name, const QString& caption) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    Save = makeButton("Save", QStringLiteral("Save"));
    ButtonDel = makeButton("ButtonDel", QStringLiteral("Remove"));
    Undo = makeButton("Undo", QStringLiteral("Undo"));
    ButtonClose = makeButton("ButtonClose", QStringLiteral("Close"));
    // Export, removal and undo arrive with the log's own commands; until then they are greyed.
    for (QPushButton* button : {Save, ButtonDel, Undo})
        button->setEnabled(false);
    connect(ButtonClose, &QPushButton::clicked, this, &QWidget::close);

    auto* bottomPanel = new QHBoxLayout;
    bottomPanel->addWidget(Save);
    bottomPanel->addWidget(ButtonDel);
    bottomPanel->addWidget(Undo);
    bottomPanel->addStretch();
    bottomPanel->addWidget(ButtonClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 4);
    layout->addWidget(ListView1);
    layout->addLayout(bottomPanel);
}

void TLogWindow::AddLogEntry(const std::string& From, const std::string& To, const std::string& Folder)
{
    m_model->append({From, To, Folder});
}

}  // namespace moxtal
