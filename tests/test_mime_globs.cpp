#include <gtest/gtest.h>

#include <map>

#include <QMimeDatabase>

#include "platform/listing_threads.h"
#include "platform/mime_globs.h"

using namespace moxtal;

namespace {

bool match(const char16_t* pattern, const char16_t* text)
{
    return globMatch(std::u16string_view(pattern), std::u16string_view(text));
}

TEST(GlobMatch, StarsQuestionMarksAndSets)
{
    EXPECT_TRUE(match(u"*.[1-9]", u"app.log.1"));
    EXPECT_FALSE(match(u"*.[1-9]", u"app.log.10"));
    EXPECT_FALSE(match(u"*.[1-9]", u"app.log.0"));
    EXPECT_TRUE(match(u"*.so.[0-9]*", u"libx.so.1.2"));
    EXPECT_FALSE(match(u"*.so.[0-9]*", u"libx.so"));
    EXPECT_TRUE(match(u"readme*", u"readme"));
    EXPECT_TRUE(match(u"*.anim[1-9j]", u"x.animj"));
    EXPECT_FALSE(match(u"*.anim[1-9j]", u"x.anim0"));
    EXPECT_TRUE(match(u"[0-9][0-9][0-9].vdr", u"001.vdr"));
    EXPECT_FALSE(match(u"[0-9][0-9][0-9].vdr", u"01.vdr"));
    EXPECT_TRUE(match(u"[!a]?", u"bc"));
    EXPECT_FALSE(match(u"[!a]?", u"ac"));
    EXPECT_TRUE(match(u"[]x]", u"]"));
    EXPECT_TRUE(match(u"[a-]", u"-"));
    EXPECT_TRUE(match(u"a*b*c", u"aXbYbZc"));
    EXPECT_FALSE(match(u"a*b*c", u"aXbYbZ"));
    // Loose sets also take any character beyond ASCII (the database sees Unicode digits).
    EXPECT_FALSE(globMatch(std::u16string_view(u"*.[1-9]"), std::u16string_view(u"a.\u0663")));
    EXPECT_TRUE(globMatch(std::u16string_view(u"*.[1-9]"), std::u16string_view(u"a.\u0663"), true));
}

// Names built to meet every glob of the database: its simple suffixes, its literal names and its
// other globs, in several letter cases, plus names of the shapes that used to be slow.
QStringList corpus()
{
    QStringList names {"app.log.1", "app.log.10", "README",   "README1",     "readme.md",     "photo.JPG",
                       "photo.jpg", "x.tar.gz",   "x.TAR.GZ", "x.gz",        "libfoo.so.1.2", "libfoo.so",
                       "core",      "Core",       "CORE",     "Makefile",    "makefile.am",   "x.C",
                       "x.c",       "x.cc",       "写真.jpg", "写真",        "😀.png",         "a😀.1",
                       "İ.txt",     "İ",          "x.anim٣",  "x.٣",         "٣٣٣.vdr",       "001.vdr",
                       "file~",     "file,v",     ".hidden",  "noextension", "a.b.c.d",       "x.",
                       "..",        "x.TXT",      "x.tXt",    "12345",       "a.7z",          "A.7Z"};
    QMimeDatabase db;
    for (const QMimeType& type : db.allMimeTypes()) {
        for (const QString& glob : type.globPatterns()) {
            QString instance;
            for (qsizetype i = 0; i < glob.size(); ++i) {
                if (glob[i] == u'*') {
                    instance += QStringLiteral("ab");
                } else if (glob[i] == u'?') {
                    instance += u'q';
                } else if (glob[i] == u'[') {
                    const qsizetype close = glob.indexOf(u']', i + 2);
                    const bool negated = glob[i + 1] == u'!' || glob[i + 1] == u'^';
                    instance += negated ? QChar(u'z') : glob[i + 1];
                    i = close < 0 ? glob.size() : close;
                } else {
                    instance += glob[i];
                }
            }
            names << instance << instance.toUpper() << QStringLiteral("b.c") + instance << instance + u'9';
            if (glob.startsWith(u'*'))
                names << glob.mid(1);
        }
    }
    return names;
}

TEST(MimeGlobKeys, NamesSharingAKeyGetTheSameType)
{
    QMimeDatabase db;
    const MimeGlobKeys& keys = MimeGlobKeys::database();
    std::map<QString, std::pair<QString, QString>> typeOfKey;  // key -> (type, first name)
    int keyed = 0;
    for (const QString& name : corpus()) {
        const std::optional<QString> key = keys.keyOf(name);
        if (!key)
            continue;
        ++keyed;
        const QString type = db.mimeTypeForFile(name, QMimeDatabase::MatchExtension).name();
        const auto [it, added] = typeOfKey.try_emplace(*key, type, name);
        if (!added) {
            EXPECT_EQ(type.toStdString(), it->second.first.toStdString())
                << name.toStdString() << " shares its key with " << it->second.second.toStdString();
        }
    }
    EXPECT_GT(keyed, 1000);
}

TEST(MimeGlobKeys, ManyNamesOfOneShapeShareFewKeys)
{
    // A listing's keys, which several threads find, are those of keyOf, each distinct key once.
    const MimeGlobKeys& keys = MimeGlobKeys::database();
    const QStringList shapes {"app.log.%1", "README%1", "IMG_%1.JPG", "%1", "report %1.tar.gz"};
    std::vector<ListedFile> files {{"Makefile"}};  // a literal glob: only the database can tell
    for (int i = 1; i <= 2000; ++i) {
        for (const QString& shape : shapes)
            files.push_back({shape.arg(i).toStdString()});
    }
    setListingThreads(4);
    const MimeGlobKeys::ListingKeys listed = keys.keysOf(files);
    setListingThreads(0);
    EXPECT_LE(listed.keys.size(), 6u * shapes.size());
    ASSERT_EQ(listed.places.size(), files.size());
    EXPECT_FALSE(listed.places[0].has_value());
    for (std::size_t i = 1; i < files.size(); ++i) {
        const std::optional<QString> key = keys.keyOf(QString::fromStdString(files[i].name));
        ASSERT_TRUE(key && listed.places[i]) << files[i].name;
        EXPECT_EQ(listed.keys[*listed.places[i]], *key) << files[i].name;
    }
}

TEST(MimeGlobKeys, UnusualGlobsAreLeftToTheDatabase)
{
    const MimeGlobKeys keys({"*.txt", "notes", "*.b[a\\-]k", "*.[0-9]"});
    EXPECT_FALSE(keys.keyOf("NOTES").has_value());
    EXPECT_FALSE(keys.keyOf("x.bak").has_value());  // an escape we do not read ourselves
    EXPECT_TRUE(keys.keyOf("x.txt").has_value());
    EXPECT_NE(keys.keyOf("x.1"), keys.keyOf("x.12"));
    EXPECT_EQ(keys.keyOf("a.txt"), keys.keyOf("b.txt"));
    EXPECT_NE(keys.keyOf("a.txt"), keys.keyOf("a.TXT"));
}

}  // namespace
