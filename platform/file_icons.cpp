#include "file_icons.h"

#include <optional>
#include <system_error>
#include <thread>

#include <QMimeDatabase>

#include "listing_threads.h"
#include "mime_globs.h"
#include "name_text.h"

namespace moxtal {

namespace {

// Below this many names one thread finds their keys faster than several.
constexpr std::size_t kParallelFrom = 4096;

// The keys of one slice of a listing's names: each distinct key once, and for each name the place
// of its key (none: only the database can tell).
struct KeyedSlice {
    std::vector<QString> keys;
    std::vector<std::optional<std::size_t>> keyOf;  // per name of the slice
    std::vector<int> images;  // per key, once known; -1 before
};

void findKeys(const std::vector<ListedFile>& files, std::size_t begin, std::size_t end, KeyedSlice& slice)
{
    const MimeGlobKeys& globs = MimeGlobKeys::database();
    QHash<QString, std::size_t> places;
    slice.keyOf.reserve(end - begin);
    for (std::size_t i = begin; i < end; ++i) {
        std::optional<QString> key = globs.keyOf(displayText(files[i].name));
        if (!key) {
            slice.keyOf.emplace_back();
            continue;
        }
        std::size_t place = slice.keys.size();
        if (const auto found = places.constFind(*key); found != places.cend()) {
            place = found.value();
        } else {
            places.insert(*key, place);
            slice.keys.push_back(std::move(*key));
        }
        slice.keyOf.emplace_back(place);
    }
    slice.images.assign(slice.keys.size(), -1);
}

}  // namespace

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
    const std::size_t count = files.size();
    const std::size_t parts = count < kParallelFrom ? 1 : static_cast<std::size_t>(std::max(1, listingThreads()));
    std::vector<KeyedSlice> slices(parts);
    MimeGlobKeys::database();  // read once, before the threads
    {
        std::vector<std::jthread> helpers;
        const auto slice = [&](std::size_t p) {
            findKeys(files, count * p / parts, count * (p + 1) / parts, slices[p]);
        };
        try {
            for (std::size_t p = 1; p < parts; ++p)
                helpers.emplace_back(slice, p);
        } catch (const std::system_error&) {
            // No more threads to be had: the slices without one are keyed below.
        }
        slice(0);
        for (std::jthread& helper : helpers)
            helper.join();
        for (std::size_t p = helpers.size() + 1; p < parts; ++p)
            slice(p);
    }
    // In the files' order, as imageFor would have met them: a key known to the list needs no
    // database, a new one is looked up by its first name.
    for (std::size_t p = 0; p < parts; ++p) {
        KeyedSlice& slice = slices[p];
        const std::size_t begin = count * p / parts;
        for (std::size_t i = begin; i < count * (p + 1) / parts; ++i) {
            const std::optional<std::size_t> key = slice.keyOf[i - begin];
            if (!key) {
                files[i].image = imageFor(files[i].name);
                continue;
            }
            int& image = slice.images[*key];
            if (image < 0) {
                const auto known = m_byKey.constFind(slice.keys[*key]);
                image = known != m_byKey.cend() ? known.value() : imageFor(files[i].name);
            }
            files[i].image = image;
        }
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
