/* A slow file server for the benchmark: a FUSE passthrough of SOURCE at MOUNTPOINT that waits a
 * fixed time before answering each request, as a file server on a network does (200 us is a LAN).
 * Entries and attributes are never cached by the kernel and directories are read with each entry's
 * kind but without its attributes, so every status read is a round trip, as on a server the listing
 * meets first.
 *
 *   latency_fs SOURCE MOUNTPOINT DELAY_US RENAME_LOG [--no-kinds]
 *
 * RENAME_LOG gets one line per rename, "old TAB new", in the order they arrive, and a line
 * "OVERLAP" whenever a rename arrives while another is under way. It runs in the foreground with
 * as many worker threads as requests come at once; SIGTERM unmounts it. --no-kinds reads folders
 * without their entries' kinds (DT_UNKNOWN), as XFS without ftype and some FUSE and network file
 * systems do: a reader must ask each entry's status to find the folders among them. */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

static int g_source = -1;
static long g_delayNs = 0;
static FILE* g_renameLog = NULL;
static pthread_mutex_t g_logLock = PTHREAD_MUTEX_INITIALIZER;
static atomic_int g_renamesUnderWay = 0;
static int g_kinds = 1;

/* The source's path for a request's path: "/" is the source itself. */
static const char* inSource(const char* path)
{
    return path[1] ? path + 1 : ".";
}

static void roundTrip(void)
{
    struct timespec wait = {g_delayNs / 1000000000, g_delayNs % 1000000000};
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) { }
}

static int result(int value)
{
    return value < 0 ? -errno : value;
}

static void* fsInit(struct fuse_conn_info* conn, struct fuse_config* cfg)
{
    (void)conn;
    cfg->entry_timeout = 0;
    cfg->attr_timeout = 0;
    cfg->negative_timeout = 0;
    cfg->use_ino = 1;
    return NULL;
}

static int fsGetattr(const char* path, struct stat* st, struct fuse_file_info* fi)
{
    roundTrip();
    if (fi)
        return result(fstat((int)fi->fh, st));
    return result(fstatat(g_source, inSource(path), st, AT_SYMLINK_NOFOLLOW));
}

static int fsReaddir(const char* path, void* buf, fuse_fill_dir_t filler, off_t offset, struct fuse_file_info* fi,
                     enum fuse_readdir_flags flags)
{
    (void)offset;
    (void)fi;
    (void)flags;
    roundTrip();
    const int fd = openat(g_source, inSource(path), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return -errno;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return -ENOMEM;
    }
    // Each entry's kind goes with its name, as NFS, SMB and sshfs give it, so a reader that only
    // needs to know the folders among the names does not need their status (unless --no-kinds).
    struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        struct stat st;
        memset(&st, 0, sizeof st);
        st.st_ino = entry->d_ino;
        st.st_mode = g_kinds ? DTTOIF(entry->d_type) : 0;
        if (filler(buf, entry->d_name, &st, 0, 0))
            break;
    }
    closedir(dir);
    return 0;
}

static int fsRename(const char* from, const char* to, unsigned int flags)
{
    if (atomic_fetch_add(&g_renamesUnderWay, 1) != 0 && g_renameLog) {
        pthread_mutex_lock(&g_logLock);
        fputs("OVERLAP\n", g_renameLog);
        pthread_mutex_unlock(&g_logLock);
    }
    roundTrip();
    const int done = result(renameat2(g_source, inSource(from), g_source, inSource(to), flags));
    if (done == 0 && g_renameLog) {
        pthread_mutex_lock(&g_logLock);
        fprintf(g_renameLog, "%s\t%s\n", inSource(from), inSource(to));
        pthread_mutex_unlock(&g_logLock);
    }
    atomic_fetch_sub(&g_renamesUnderWay, 1);
    return done;
}

static int fsLink(const char* from, const char* to)
{
    roundTrip();
    return result(linkat(g_source, inSource(from), g_source, inSource(to), 0));
}

static int fsUnlink(const char* path)
{
    roundTrip();
    return result(unlinkat(g_source, inSource(path), 0));
}

static int fsMkdir(const char* path, mode_t mode)
{
    roundTrip();
    return result(mkdirat(g_source, inSource(path), mode));
}

static int fsRmdir(const char* path)
{
    roundTrip();
    return result(unlinkat(g_source, inSource(path), AT_REMOVEDIR));
}

static int fsOpen(const char* path, struct fuse_file_info* fi)
{
    roundTrip();
    const int fd = openat(g_source, inSource(path), fi->flags & ~O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int fsCreate(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    roundTrip();
    const int fd = openat(g_source, inSource(path), fi->flags | O_CREAT, mode);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int fsRead(const char* path, char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path;
    roundTrip();
    return result((int)pread((int)fi->fh, buf, size, offset));
}

static int fsWrite(const char* path, const char* buf, size_t size, off_t offset, struct fuse_file_info* fi)
{
    (void)path;
    roundTrip();
    return result((int)pwrite((int)fi->fh, buf, size, offset));
}

static int fsRelease(const char* path, struct fuse_file_info* fi)
{
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int fsTruncate(const char* path, off_t size, struct fuse_file_info* fi)
{
    roundTrip();
    if (fi)
        return result(ftruncate((int)fi->fh, size));
    const int fd = openat(g_source, inSource(path), O_WRONLY);
    if (fd < 0)
        return -errno;
    const int done = result(ftruncate(fd, size));
    close(fd);
    return done;
}

static int fsUtimens(const char* path, const struct timespec times[2], struct fuse_file_info* fi)
{
    roundTrip();
    if (fi)
        return result(futimens((int)fi->fh, times));
    return result(utimensat(g_source, inSource(path), times, AT_SYMLINK_NOFOLLOW));
}

static int fsChmod(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    roundTrip();
    if (fi)
        return result(fchmod((int)fi->fh, mode));
    return result(fchmodat(g_source, inSource(path), mode, 0));
}

static int fsStatfs(const char* path, struct statvfs* st)
{
    (void)path;
    roundTrip();
    return result(fstatvfs(g_source, st));
}

static const struct fuse_operations kOperations = {
    .init = fsInit,
    .getattr = fsGetattr,
    .readdir = fsReaddir,
    .rename = fsRename,
    .link = fsLink,
    .unlink = fsUnlink,
    .mkdir = fsMkdir,
    .rmdir = fsRmdir,
    .open = fsOpen,
    .create = fsCreate,
    .read = fsRead,
    .write = fsWrite,
    .release = fsRelease,
    .truncate = fsTruncate,
    .utimens = fsUtimens,
    .chmod = fsChmod,
    .statfs = fsStatfs,
};

int main(int argc, char** argv)
{
    if (argc == 6 && strcmp(argv[5], "--no-kinds") == 0) {
        g_kinds = 0;
    } else if (argc != 5) {
        fprintf(stderr, "usage: latency_fs SOURCE MOUNTPOINT DELAY_US RENAME_LOG [--no-kinds]\n");
        return 2;
    }
    g_source = open(argv[1], O_RDONLY | O_DIRECTORY);
    if (g_source < 0) {
        perror(argv[1]);
        return 2;
    }
    g_delayNs = atol(argv[3]) * 1000;
    g_renameLog = fopen(argv[4], "w");
    if (!g_renameLog) {
        perror(argv[4]);
        return 2;
    }
    setvbuf(g_renameLog, NULL, _IOLBF, 0);
    char* fuseArgs[] = {argv[0], argv[2], "-f", "-o", "max_threads=64,max_idle_threads=64", NULL};
    const int status = fuse_main(5, fuseArgs, &kOperations, NULL);
    fclose(g_renameLog);
    return status;
}
