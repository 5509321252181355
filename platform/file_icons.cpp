#include "file_icons.h"

#include <optional>

#include <QMimeDatabase>

#include "mime_globs.h"
#include "name_text.h"

namespace moxtal {

void ensureIconTheme()
{
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
}

int ImageList::imageFor(const std::string& fileName)
{
    const QString name = displayText(fileName);
    const std::optional<QString> key = MimeGlobKeys::database().keyOf(name);
    if (key) {
        if (const auto known = m_byKey.constFind(*key); known != m_byKey.cend())
            return known.value();
    }

    static const QMimeDatabase mimeDatabase;
    ++m_lookups;
    const QMimeType mime = mimeDatabase.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    const QString iconName = mime.iconName();
    int index = -1;
    if (const auto found = m_iconMap.constFind(iconName); found != m_iconMap.cend()) {
        index = found.value();
    } else {
        QIcon icon = QIcon::fromTheme(iconName);
        if (icon.isNull())
            icon = QIcon::fromTheme(mime.genericIconName(), QIcon::fromTheme(QStringLiteral("text-x-generic")));
        index = static_cast<int>(m_images.size());
        m_images.push_back(icon);
        m_iconNames.push_back(iconName);
        m_iconMap.insert(iconName, index);
    }
    if (key)
        m_byKey.insert(*key, index);
    return index;
}

void ImageList::assignImages(std::vector<ListedFile>& files)
{
    const MimeGlobKeys::ListingKeys keys = MimeGlobKeys::database().keysOf(files);
    // In the files' order, as imageFor would have met them: a key known to the list needs no
    // database, a new one is looked up by its first name.
    std::vector<int> images(keys.keys.size(), -1);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::optional<std::size_t> key = keys.places[i];
        if (!key) {
            files[i].image = imageFor(files[i].name);
            continue;
        }
        int& image = images[*key];
        if (image < 0) {
            const auto known = m_byKey.constFind(keys.keys[*key]);
            image = known != m_byKey.cend() ? known.value() : imageFor(files[i].name);
        }
        files[i].image = image;
    }
}

void ImageList::clear()
{
    m_images.clear();
    m_iconNames.clear();
    m_iconMap.clear();
    m_byKey.clear();
}

QString ImageList::iconName(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_iconNames.size())
        return {};
    return m_iconNames[static_cast<std::size_t>(index)];
}

QIcon ImageList::icon(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_images.size())
        return {};
    return m_images[static_cast<std::size_t>(index)];
}

}  // namespace moxtal
