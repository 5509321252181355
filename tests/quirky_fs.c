/* A file server for the tests that keeps names as removable disks and Windows shares do, which a
 * test machine's own disks never do. One folder of files, held in memory (a name here may be longer
 * than the 255 bytes the machine's disks take), at MOUNTPOINT:
 *
 *   quirky_fs MOUNTPOINT [--fold-case] [--utf16-length] [--windows-names] [--type NAME]
 *
 * --fold-case      names are looked up ignoring the case of ASCII and Latin-1 letters, as on FAT:
 *                  a new file keeps its spelling, any other spelling finds it, and (as exfat-fuse
 *                  does) each spelling looked up gets an inode number of its own
 * --utf16-length   a name is at most 255 UTF-16 units (ENAMETOOLONG), however many bytes, and must
 *                  be UTF-8 (EINVAL); without it, at most 255 bytes
 * --windows-names  a name with " * : < > ? \ | or a control character, or ending in a dot or a space,
 *                  is refused (EINVAL)
 * --type NAME      the mount's type is fuse.NAME (quirky by default)
 *
 * Always, as on FAT: no hard links (EPERM), no rename flags such as RENAME_NOREPLACE (EINVAL), and a
 * rename onto another file replaces it; a rename between two spellings of one file changes its case.
 * It runs in the foreground, one request at a time; SIGTERM unmounts it. */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>

struct File {
    char* data;
    size_t size;
    mode_t mode;
    struct timespec modified;
    int holders; /* the folder's entry and each open handle */
};

struct Entry {
    char* name;
    struct File* file;
    struct Entry* next;
};

static struct Entry* g_entries = NULL;
static int g_foldCase = 0;
static int g_utf16Length = 0;
static int g_windowsNames = 0;

/* The byte as FAT compares it; a Latin-1 capital (C3 80..9E, but C3 97, the multiplication sign) is
 * taken to its small letter in the byte after the lead. */
static int foldedAt(const char* name, size_t i)
{
    const unsigned char c = (unsigned char)name[i];
    if (!g_foldCase)
        return c;
    if (c >= 'A' && c <= 'Z')
        return c + 32;
    if (i > 0 && (unsigned char)name[i - 1] == 0xC3 && c >= 0x80 && c <= 0x9E && c != 0x97)
        return c + 32;
    return c;
}

static int sameName(const char* a, const char* b)
{
    const size_t length = strlen(a);
    if (strlen(b) != length)
        return 0;
    for (size_t i = 0; i < length; ++i) {
        if (foldedAt(a, i) != foldedAt(b, i))
            return 0;
    }
    return 1;
}

static struct Entry** slotOf(const char* path)
{
    struct Entry** slot = &g_entries;
    while (*slot && !sameName((*slot)->name, path + 1))
        slot = &(*slot)->next;
    return slot;
}

static void release(struct File* file)
{
    if (--file->holders == 0) {
        free(file->data);
        free(file);
    }
}

static void removeAt(struct Entry** slot)
{
    struct Entry* entry = *slot;
    *slot = entry->next;
    release(entry->file);
    free(entry->name);
    free(entry);
}

/* 0 when a new name may be given, else the error the file system answers. */
static int nameError(const char* name)
{
    size_t units = 0;
    const size_t length = strlen(name);
    for (size_t i = 0; i < length;) {
        const unsigned char c = (unsigned char)name[i];
        const size_t size = c < 0x80                 ? 1
                            : c >= 0xC2 && c <= 0xDF ? 2
                            : c >= 0xE0 && c <= 0xEF ? 3
                            : c >= 0xF0 && c <= 0xF4 ? 4
                                                     : 0;
        if (size == 0 || i + size > length) {
            if (g_utf16Length)
                return -EINVAL;
            break;
        }
        units += size == 4 ? 2 : 1;
        i += size;
    }
    if (g_utf16Length ? units > 255 : length > 255)
        return -ENAMETOOLONG;
    if (g_windowsNames) {
        for (size_t i = 0; i < length; ++i) {
            if ((unsigned char)name[i] < 0x20 || strchr("\"*:<>?\\|", name[i]))
                return -EINVAL;
        }
        if (name[length - 1] == '.' || name[length - 1] == ' ')
            return -EINVAL;
    }
    return 0;
}

static struct File* fileOf(struct fuse_file_info* fi)
{
    return (struct File*)(uintptr_t)fi->fh;
}

static void* fsInit(struct fuse_conn_info* conn, struct fuse_config* cfg)
{
    (void)conn;
    /* Every look-up reaches the server, so that each spelling is tried as written. */
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->hard_remove = 1;
    return NULL;
}

static int fsGetattr(const char* path, struct stat* st, struct fuse_file_info* fi)
{
    memset(st, 0, sizeof *st);
    if (strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    const struct Entry* entry = fi ? NULL : *slotOf(path);
    const struct File* file = fi ? fileOf(fi) : entry ? entry->file : NULL;
    if (!file)
        return -ENOENT;
    st->st_mode = S_IFREG | file->mode;
    st->st_nlink = 1;
    st->st_size = (off_t)file->size;
    st->st_mtim = file->modified;
    st->st_ctim = file->modified;
    st->st_atim = file->modified;
    return 0;
}

static int fsReaddir(const char* path, void* buf, fuse_fill_dir_t filler, off_t offset, struct fuse_file_info* fi,
                     enum fuse_readdir_flags flags)
{
    (void)path;
    (void)offset;
    (void)fi;
    (void)flags;
    filler(buf, ".", NULL, 0, 0);
    filler(buf, "..", NULL, 0, 0);
    for (const struct Entry* entry = g_entries; entry; entry = entry->next) {
        if (filler(buf, entry->name, NULL, 0, 0))
            break;
    }
    return 0;
}

static int fsCreate(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    struct Entry** slot = slotOf(path);
    if (!*slot) {
        const int error = nameError(path + 1);
        if (error)
            return error;
        struct Entry* entry = calloc(1, sizeof *entry);
        entry->name = strdup(path + 1);
        entry->file = calloc(1, sizeof *entry->file);
        entry->file->mode = mode & 07777;
        entry->file->holders = 1;
        clock_gettime(CLOCK_REALTIME, &entry->file->modified);
        *slot = entry;
    }
    ++(*slot)->file->holders;
    fi->fh = (uint64_t)(uintptr_t)(*slot)->file;
    return 0;
}

static int fsOpen(const char* path, struct fuse_file_info* fi)
{
    struct Entry* entry = *slotOf(path);
    if (!entry)
        return -ENOENT;
    ++entry->file->holders;
    fi->fh = (uint64_t)(uintptr_t)entry->file;
    if (fi->flags & O_TRUNC)
        entry->file->size = 0;
    return 0;
}

static int fsRead(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path;
    const struct File* file = fileOf(fi);
    if ((size_t)offset >= file->size)
        return 0;
    if (size > file->size - (size_t)offset)
        size = file->size - (size_t)offset;
    memcpy(buf, file->data + offset, size);
    return (int)size;
}

static int resize(struct File* file, size_t size)
{
    char* data = realloc(file->data, size ? size : 1);
    if (!data)
        return -ENOSPC;
    if (size > file->size)
        memset(data + file->size, 0, size - file->size);
    file->data = data;
    file->size = size;
    clock_gettime(CLOCK_REALTIME, &file->modified);
    return 0;
}

static int fsWrite(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path;
    struct File* file = fileOf(fi);
    if ((size_t)offset + size > file->size && resize(file, (size_t)offset + size) != 0)
        return -ENOSPC;
    memcpy(file->data + offset, buf, size);
    return (int)size;
}

static int fsTruncate(const char* path, off_t size, struct fuse_file_info* fi)
{
    struct Entry* entry = fi ? NULL : *slotOf(path);
    struct File* file = fi ? fileOf(fi) : entry ? entry->file : NULL;
    return file ? resize(file, (size_t)size) : -ENOENT;
}

static int fsRelease(const char* path, struct fuse_file_info* fi)
{
    (void)path;
    release(fileOf(fi));
    return 0;
}

static int fsUnlink(const char* path)
{
    struct Entry** slot = slotOf(path);
    if (!*slot)
        return -ENOENT;
    removeAt(slot);
    return 0;
}

static int fsRename(const char* from, const char* to, unsigned int flags)
{
    if (flags)
        return -EINVAL;
    struct Entry** source = slotOf(from);
    if (!*source)
        return -ENOENT;
    const int error = nameError(to + 1);
    if (error)
        return error;
    struct Entry** target = slotOf(to);
    if (*target && *target != *source) {
        if (&(*target)->next == source)
            source = target;
        removeAt(target);
    }
    char* name = strdup(to + 1);
    free((*source)->name);
    (*source)->name = name;
    return 0;
}

static int fsLink(const char* from, const char* to)
{
    (void)from;
    (void)to;
    return -EPERM;
}

static int fsMkdir(const char* path, mode_t mode)
{
    (void)path;
    (void)mode;
    return -EPERM;
}

static int fsUtimens(const char* path, const struct timespec times[2], struct fuse_file_info* fi)
{
    struct Entry* entry = fi ? NULL : *slotOf(path);
    struct File* file = fi ? fileOf(fi) : entry ? entry->file : NULL;
    if (!file)
        return strcmp(path, "/") == 0 ? 0 : -ENOENT;
    if (times[1].tv_nsec == UTIME_NOW)
        clock_gettime(CLOCK_REALTIME, &file->modified);
    else if (times[1].tv_nsec != UTIME_OMIT)
        file->modified = times[1];
    return 0;
}

static int fsChmod(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    struct Entry* entry = fi ? NULL : *slotOf(path);
    struct File* file = fi ? fileOf(fi) : entry ? entry->file : NULL;
    if (!file)
        return strcmp(path, "/") == 0 ? 0 : -ENOENT;
    file->mode = mode & 07777;
    return 0;
}

static const struct fuse_operations kOperations = {
    .init = fsInit,
    .getattr = fsGetattr,
    .readdir = fsReaddir,
    .create = fsCreate,
    .open = fsOpen,
    .read = fsRead,
    .write = fsWrite,
    .truncate = fsTruncate,
    .release = fsRelease,
    .unlink = fsUnlink,
    .rename = fsRename,
    .link = fsLink,
    .mkdir = fsMkdir,
    .utimens = fsUtimens,
    .chmod = fsChmod,
};

int main(int argc, char** argv)
{
    const char* type = "quirky";
    const char* mountPoint = NULL;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--fold-case") == 0) {
            g_foldCase = 1;
        } else if (strcmp(argv[i], "--utf16-length") == 0) {
            g_utf16Length = 1;
        } else if (strcmp(argv[i], "--windows-names") == 0) {
            g_windowsNames = 1;
        } else if (strcmp(argv[i], "--type") == 0 && i + 1 < argc) {
            type = argv[++i];
        } else if (argv[i][0] != '-' && !mountPoint) {
            mountPoint = argv[i];
        } else {
            mountPoint = NULL;
            break;
        }
    }
    if (!mountPoint) {
        fprintf(stderr, "usage: quirky_fs MOUNTPOINT [--fold-case] [--utf16-length] [--windows-names] [--type NAME]\n");
        return 2;
    }
    char options[300];
    snprintf(options, sizeof options, "fsname=quirky,subtype=%s", type);
    char* fuseArgs[] = {argv[0], (char*)mountPoint, "-f", "-s", "-o", options, NULL};
    return fuse_main(6, fuseArgs, &kOperations, NULL);
}
