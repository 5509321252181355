#pragma once

#include <memory>
#include <string>

#include <QTreeWidget>

#include "folder_source.h"

namespace moxtal {

// The folder tree: the computer node, its drives, and below them folders filled in at their
// first expansion and never re-read.
class TFolderView : public QTreeWidget {
    Q_OBJECT
public:
    explicit TFolderView(const FolderSource& source, QWidget* parent = nullptr);

    // Builds the tree once: the computer node and its drives, nothing read below them.
    void Loaded();

    // The selected node's path; empty when nothing is selected.
    std::string Directory() const;
    // Selects the folder of path, opening branches on the way; a path that does not start with
    // "/" is ignored, and a component that is not found leaves the selection as it was. True when
    // the folder of path is selected.
    bool SetDirectory(const std::string& path);

    // Scrolls to the selected folder so that its name reads from its start: the whole name when it
    // fits, else its icon at the left edge.
    void showCurrent();

    // Fills a node's children on first use; false when its folder cannot be read, or when the user
    // cancelled the wait (the node is then as it was: no children, its expand button kept).
    bool CanExpand(QTreeWidgetItem* node);

    static std::string pathOf(const QTreeWidgetItem* node);

signals:
    // The selected folder changed (the tree's OnChange); path is the new node's path.
    void directoryChanged(const std::string& path);

private:
    // The reads of one expansion, or of one walk to a folder, share one wait: after half a second a
    // busy cursor, then a progress dialog with the entries read and "Cancel".
    struct Work;
    class WorkScope;
    // The progress of the next read of the work under way.
    ListingProgress readProgress();
    // Counts on the work under way between two reads; false once the user cancelled it.
    bool stepWork();

    QTreeWidgetItem* SetupNode(const FolderItem& folder, QTreeWidgetItem* parent, const QIcon& icon);
    bool CreateChildNode(QTreeWidgetItem* node);
    // Gives each of nodes (new children of the folder at parent) the expand button when its folder
    // has a subfolder, all probed at once; false when the user cancelled the wait.
    bool CheckExpandEnable(const std::string& parent, const std::vector<FolderItem>& folders,
                           const std::vector<QTreeWidgetItem*>& nodes);
    QTreeWidgetItem* SerchRootNode(const std::string& path, std::size_t& matchedLength) const;
    QTreeWidgetItem* SerchChildNode(QTreeWidgetItem* node, const std::string& component);
    void selectionMoved(QTreeWidgetItem* current, QTreeWidgetItem* previous);

    const FolderSource& m_source;
    bool m_building = true;
    Work* m_work = nullptr;
    QIcon m_folderIcon;
    QIcon m_openFolderIcon;
};

}  // namespace moxtal
