#include "folderview.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTimer>

#include "platform/collation.h"
#include "platform/name_text.h"
#include "platform/paths.h"
#include "ui/long_work.h"

namespace moxtal {

namespace {

constexpr int kPathRole = Qt::UserRole;

// Shows the busy cursor for as long as it lives.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

std::string lastComponent(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct TFolderView::Work {
    explicit Work(QWidget* tree) : wait(tree, QStringLiteral("Reading folders: %1 entries")) { }
    LongWork wait;
    std::size_t read = 0;  // entries of the reads done
    std::size_t seen = 0;  // entries of the read under way
};

// Makes the work of an expansion or a walk, unless one is under way, and ends the one it made.
class TFolderView::WorkScope {
public:
    explicit WorkScope(TFolderView& tree) : m_tree(tree)
    {
        if (!tree.m_work) {
            m_own = std::make_unique<Work>(&tree);
            tree.m_work = m_own.get();
        }
    }
    ~WorkScope()
    {
        if (m_own)
            m_tree.m_work = nullptr;
    }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    TFolderView& m_tree;
    std::unique_ptr<Work> m_own;
};

ListingProgress TFolderView::readProgress()
{
    Work* work = m_work;
    work->read += std::exchange(work->seen, 0);
    return [work](std::size_t seen) {
        work->seen = seen;
        return work->wait.step(work->read + seen);
    };
}

bool TFolderView::stepWork()
{
    return m_work->wait.step(m_work->read + m_work->seen);
}

TFolderView::TFolderView(const FolderSource& source, QWidget* parent)
    : QTreeWidget(parent), m_source(source), m_folderIcon(QIcon::fromTheme(QStringLiteral("folder"))),
      m_openFolderIcon(QIcon::fromTheme(QStringLiteral("folder-open"), m_folderIcon))
{
    setHeaderHidden(true);
    setColumnCount(1);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        if (!CanExpand(node))
            node->setExpanded(false);
    });
    connect(this, &QTreeWidget::currentItemChanged, this, &TFolderView::selectionMoved);
}

void TFolderView::Loaded()
{
    if (!m_building)
        return;
    {
        const BusyCursor busy;
        clear();
        auto* computer = new QTreeWidgetItem(this);
        computer->setText(0, displayText(m_source.computerName()));
        computer->setData(0, kPathRole, QByteArray::fromStdString(m_source.computerPath()));
        computer->setIcon(0, QIcon::fromTheme(QStringLiteral("computer")));
        for (const FolderItem& drive : m_source.drives()) {
            const QIcon icon = QIcon::fromTheme(drive.removable ? QStringLiteral("drive-removable-media")
                                                                : QStringLiteral("drive-harddisk"));
            QTreeWidgetItem* node = SetupNode(drive, computer, icon);
            // Drives get the expand button without being touched.
            node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        }
        computer->setExpanded(true);
    }
    m_building = false;
}

std::string TFolderView::pathOf(const QTreeWidgetItem* node)
{
    return node ? node->data(0, kPathRole).toByteArray().toStdString() : std::string();
}

std::string TFolderView::Directory() const
{
    return pathOf(currentItem());
}

QTreeWidgetItem* TFolderView::SetupNode(const FolderItem& folder, QTreeWidgetItem* parent, const QIcon& icon)
{
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem();
    node->setText(0, displayText(folder.displayName));
    node->setData(0, kPathRole, QByteArray::fromStdString(folder.path));
    node->setIcon(0, icon);
    node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    return node;
}

bool TFolderView::CanExpand(QTreeWidgetItem* node)
{
    if (m_building || !node)
        return false;
    if (node->childCount() > 0)
        return true;
    const WorkScope work(*this);
    if (!CreateChildNode(node))
        return false;
    if (node->childCount() == 0)
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicator);
    return true;
}

bool TFolderView::CreateChildNode(QTreeWidgetItem* node)
{
    std::optional<std::vector<FolderItem>> folders = m_source.subfolders(pathOf(node), readProgress());
    if (!folders)
        return false;
    // Children are sorted by name with the case-sensitive locale comparison.
    std::vector<std::string_view> names;
    names.reserve(folders->size());
    for (const FolderItem& folder : *folders)
        names.emplace_back(folder.displayName);
    // The children join the node together once they are all made: a cancelled wait adds none.
    std::vector<std::unique_ptr<QTreeWidgetItem>> children;
    std::vector<FolderItem> probed;
    std::vector<QTreeWidgetItem*> probedNodes;
    for (const std::size_t i : collationOrder(names, Qt::CaseSensitive)) {
        const FolderItem& folder = (*folders)[i];
        if (!stepWork())
            return false;
        children.emplace_back(SetupNode(folder, nullptr, m_folderIcon));
        // "System Volume Information" is never probed and never gets the expand button.
        if (children.back()->text(0).compare(QLatin1String("System Volume Information"), Qt::CaseInsensitive) != 0) {
            probed.push_back(folder);
            probedNodes.push_back(children.back().get());
        }
    }
    if (!CheckExpandEnable(pathOf(node), probed, probedNodes))
        return false;
    QList<QTreeWidgetItem*> made;
    made.reserve(static_cast<qsizetype>(children.size()));
    for (std::unique_ptr<QTreeWidgetItem>& child : children)
        made.push_back(child.release());
    node->addChildren(made);
    return true;
}

bool TFolderView::CheckExpandEnable(const std::string& parent, const std::vector<FolderItem>& folders,
                                    const std::vector<QTreeWidgetItem*>& nodes)
{
    if (folders.empty())
        return stepWork();
    // Nothing when the folder could not be probed (then no child gets the button) or the user
    // cancelled, which the wait tells.
    const std::optional<std::vector<char>> withSubfolder = m_source.haveSubfolders(parent, folders, readProgress());
    if (!stepWork())
        return false;
    for (std::size_t i = 0; withSubfolder && i < nodes.size(); ++i) {
        if ((*withSubfolder)[i])
            nodes[i]->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    }
    return true;
}

QTreeWidgetItem* TFolderView::SerchRootNode(const std::string& path, std::size_t& matchedLength) const
{
    // The drive whose mount path is the longest prefix of path, at component boundaries.
    QTreeWidgetItem* computer = topLevelItem(0);
    QTreeWidgetItem* best = nullptr;
    matchedLength = 0;
    for (int i = 0; computer && i < computer->childCount(); ++i) {
        QTreeWidgetItem* drive = computer->child(i);
        const std::string mount = withoutFinalSlash(pathOf(drive));
        const bool prefix = mount == "/" ? !path.empty() && path[0] == '/'
                                         : path.compare(0, mount.size(), mount) == 0 &&
                                               (path.size() == mount.size() || path[mount.size()] == '/');
        if (prefix && (!best || mount.size() > matchedLength)) {
            best = drive;
            matchedLength = mount.size();
        }
    }
    return best;
}

QTreeWidgetItem* TFolderView::SerchChildNode(QTreeWidgetItem* node, const std::string& component)
{
    if (!CanExpand(node))
        return nullptr;
    // Exact first: "Photos" and "photos" can stand side by side.
    for (int i = 0; i < node->childCount(); ++i) {
        if (lastComponent(pathOf(node->child(i))) == component)
            return node->child(i);
    }
    for (int i = 0; i < node->childCount(); ++i) {
        if (equalsIgnoringCase(lastComponent(pathOf(node->child(i))), component))
            return node->child(i);
    }
    return nullptr;
}

bool TFolderView::SetDirectory(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    std::size_t matched = 0;
    QTreeWidgetItem* node = SerchRootNode(path, matched);
    {
        // One wait for the whole walk, over before the folder is selected (and listed): a "Cancel"
        // stops it, leaving the selection as it was.
        const WorkScope work(*this);
        std::size_t pos = matched;
        while (node && pos < path.size()) {
            while (pos < path.size() && path[pos] == '/')
                ++pos;
            if (pos >= path.size())
                break;
            const std::size_t end = std::min(path.find('/', pos), path.size());
            node = SerchChildNode(node, path.substr(pos, end - pos));
            pos = end;
        }
    }
    if (!node)
        return false;
    for (QTreeWidgetItem* up = node->parent(); up; up = up->parent())
        up->setExpanded(true);
    setCurrentItem(node);
    showCurrent();
    // Once more when the tree has its size: before the window is laid out it has none.
    QTimer::singleShot(0, this, &TFolderView::showCurrent);
    return true;
}

void TFolderView::showCurrent()
{
    QTreeWidgetItem* node = currentItem();
    if (!node)
        return;
    scrollToItem(node);
    // The column and the scroll range follow the opened branches only when the view lays itself
    // out: bring them up to date first.
    resizeColumnToContents(0);
    updateGeometries();
    QScrollBar* bar = horizontalScrollBar();
    const int start = visualItemRect(node).left() + bar->value();
    const int needed = sizeHintForIndex(indexFromItem(node)).width();  // icon, name and margins
    bar->setValue(std::clamp(start + needed - viewport()->width(), 0, start));
}

void TFolderView::selectionMoved(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    // The selected folder shows the open-folder icon, every other one the closed icon.
    auto isFolderNode = [](QTreeWidgetItem* n) { return n && n->parent() && n->parent()->parent(); };
    if (isFolderNode(previous))
        previous->setIcon(0, m_folderIcon);
    if (isFolderNode(current))
        current->setIcon(0, m_openFolderIcon);
    if (current)
        emit directoryChanged(pathOf(current));
}

}  // namespace moxtal
