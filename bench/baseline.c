/* The limits Mox-Tal is measured against: the plainest C loops over a folder.
 *   baseline rename FOLDER   readdir, renameat2(RENAME_NOREPLACE) of every file to img_NNNNNN.dat
 *   baseline listed FOLDER   what any renamer that lists first must do: readdir, fstatat of
 *                            every entry, sort by name, then the renames in that order
 *   baseline preview FOLDER  readdir and fstatat of every entry, nothing printed
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static int compareNames(const void* a, const void* b)
{
    return strcmp(*(char* const*)a, *(char* const*)b);
}

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const int listed = strcmp(argv[1], "listed") == 0;
    const int rename = listed || strcmp(argv[1], "rename") == 0;
    DIR* dir = opendir(argv[2]);
    if (!dir)
        return 2;
    const int fd = dirfd(dir);
    struct dirent* entry;
    long n = 0, bytes = 0;
    if (!rename) {
        while ((entry = readdir(dir)) != NULL) {
            struct stat st;
            if (entry->d_name[0] != '.' && fstatat(fd, entry->d_name, &st, 0) == 0)
                bytes += st.st_size;
        }
        closedir(dir);
        return bytes < 0;
    }
    /* The names are read first: a new name may otherwise come up again in the same listing. */
    size_t count = 0, capacity = 1024;
    char** names = malloc(capacity * sizeof *names);
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] == '.')
            continue;
        if (count == capacity)
            names = realloc(names, (capacity *= 2) * sizeof *names);
        if (listed) {
            struct stat st;
            if (fstatat(fd, entry->d_name, &st, 0) != 0 || st.st_size == 0)
                continue;
        }
        names[count++] = strdup(entry->d_name);
    }
    if (listed)
        qsort(names, count, sizeof *names, compareNames);
    char name[32];
    for (size_t i = 0; i < count; ++i) {
        snprintf(name, sizeof name, "img_%06ld.dat", n++);
        if (renameat2(fd, names[i], fd, name, RENAME_NOREPLACE) != 0)
            return 1;
        free(names[i]);
    }
    free(names);
    closedir(dir);
    return 0;
}
