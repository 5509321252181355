#pragma once

#include <string>
#include <vector>

#include <QHash>
#include <QIcon>
#include <QString>

#include "listing.h"

namespace moxtal {

// Makes sure a theme for file-type icons is set ("Adwaita" when Qt reports none).
void ensureIconTheme();

// The small icons of one listing: one image per distinct MIME icon, looked up by file name only.
// A name's MIME type depends only on the globs it matches, so the answer is remembered per set of
// matched globs: a folder of many files costs one database look-up per kind of name.
class ImageList {
public:
    // The image index for a file name, adding the icon as a new image when it is new.
    int imageFor(const std::string& fileName);
    // Gives each file the image index imageFor would give it, one file after the other: the names'
    // keys are worked out by a few threads at once (as many as a listing's, listing_threads.h),
    // the images looked up on this thread, once per key.
    void assignImages(std::vector<ListedFile>& files);
    void clear();
    int count() const { return static_cast<int>(m_images.size()); }
    QIcon icon(int index) const;
    // The MIME icon name that image index stands for.
    QString iconName(int index) const;
    // How many times the MIME database was asked since the list was made.
    long long databaseLookups() const { return m_lookups; }

private:
    std::vector<QIcon> m_images;
    std::vector<QString> m_iconNames;
    QHash<QString, int> m_iconMap;  // MIME icon name -> image index
    QHash<QString, int> m_byKey;  // glob key of a name -> image index
    long long m_lookups = 0;
};

}  // namespace moxtal
