/* The yardsticks for a whole-site run: every .htm/.html page under a folder is read, written to a
 * temporary file beside it and renamed over it, byte for byte.
 *
 *   site_loop flush  DIR   fdatasync each temporary before its rename (one wait per page)
 *   site_loop nosync DIR   no flush at all (fast, but a crash can leave empty pages)
 *   site_loop group  DIR   syncfs once per 256 pages, then their renames
 *   site_loop make DIR COUNT   writes COUNT small pages (about 1 to 3 KB) into a new folder DIR
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

enum Mode { Flush, NoSync, Group };

enum { GroupSize = 256 };

static enum Mode mode;
static char* pending[GroupSize][2]; /* temporary, page */
static int pendingCount;
static char* buffer;
static size_t bufferSize;

static void Die(const char* what, const char* path)
{
    fprintf(stderr, "site_loop: %s %s: %s\n", what, path, strerror(errno));
    exit(1);
}

static int IsPage(const char* name)
{
    const size_t n = strlen(name);
    return (n > 4 && strcasecmp(name + n - 4, ".htm") == 0) || (n > 5 && strcasecmp(name + n - 5, ".html") == 0);
}

static void RenamePending(int anyFd)
{
    if (pendingCount == 0)
        return;
    if (syncfs(anyFd) != 0)
        Die("syncfs", pending[0][0]);
    for (int i = 0; i < pendingCount; ++i) {
        if (rename(pending[i][0], pending[i][1]) != 0)
            Die("rename", pending[i][0]);
        free(pending[i][0]);
        free(pending[i][1]);
    }
    pendingCount = 0;
}

static void Page(const char* path, int folderFd)
{
    const int in = open(path, O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0)
        Die("open", path);
    if ((size_t)info.st_size > bufferSize) {
        bufferSize = (size_t)info.st_size;
        buffer = realloc(buffer, bufferSize);
        if (!buffer)
            Die("memory for", path);
    }
    if (read(in, buffer, (size_t)info.st_size) != info.st_size)
        Die("read", path);
    close(in);

    /* Hidden, so that the walk still listing this folder skips it. */
    const char* slash = strrchr(path, '/');
    const int folderLength = slash ? (int)(slash - path + 1) : 0;
    char* temporary = malloc(strlen(path) + 16);
    sprintf(temporary, "%.*s.%s.loop-tmp", folderLength, path, path + folderLength);
    const int out = open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0 || write(out, buffer, (size_t)info.st_size) != info.st_size)
        Die("write", temporary);
    if (mode == Flush && fdatasync(out) != 0)
        Die("fdatasync", temporary);
    close(out);
    if (mode == Group) {
        pending[pendingCount][0] = temporary;
        pending[pendingCount][1] = strdup(path);
        if (++pendingCount == GroupSize)
            RenamePending(folderFd);
        return;
    }
    if (rename(temporary, path) != 0)
        Die("rename", temporary);
    free(temporary);
}

static void Walk(const char* folder)
{
    DIR* dir = opendir(folder);
    if (!dir)
        Die("open folder", folder);
    struct dirent* item;
    char path[4096];
    while ((item = readdir(dir))) {
        if (item->d_name[0] == '.')
            continue;
        snprintf(path, sizeof path, "%s/%s", folder, item->d_name);
        struct stat info;
        if (lstat(path, &info) != 0)
            Die("stat", path);
        if (S_ISDIR(info.st_mode))
            Walk(path);
        else if (S_ISREG(info.st_mode) && IsPage(item->d_name))
            Page(path, dirfd(dir));
    }
    closedir(dir);
}

static void Make(const char* folder, long count)
{
    static const char* words[] = {"site", "page", "small", "index", "of", "the", "manual", "and", "more"};
    if (mkdir(folder, 0755) != 0)
        Die("make folder", folder);
    char path[4096];
    char page[8192];
    for (long i = 0; i < count; ++i) {
        int n = snprintf(page, sizeof page,
                         "<HTML>\r\n<HEAD>\r\n  <TITLE>Page %ld</TITLE>\r\n</HEAD>\r\n<BODY>\r\n", i);
        const int paragraphs = 3 + (int)(i % 7);
        for (int p = 0; p < paragraphs; ++p) {
            n += snprintf(page + n, sizeof page - (size_t)n, "  <p align=\"left\">\r\n    ");
            for (int w = 0; w < 40; ++w)
                n += snprintf(page + n, sizeof page - (size_t)n, "%s  ", words[(i + p * 7 + w * 3) % 9]);
            n += snprintf(page + n, sizeof page - (size_t)n, "<STRONG>%ld</STRONG>\r\n  </p>\r\n", i + p);
        }
        n += snprintf(page + n, sizeof page - (size_t)n, "</BODY>\r\n</HTML>\r\n");
        snprintf(path, sizeof path, "%s/page%06ld.htm", folder, i);
        const int out = open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (out < 0 || write(out, page, (size_t)n) != n)
            Die("write", path);
        close(out);
    }
}

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "make") == 0)
        return Make(argv[2], atol(argv[3])), 0;
    if (argc == 3 && strcmp(argv[1], "flush") == 0)
        mode = Flush;
    else if (argc == 3 && strcmp(argv[1], "nosync") == 0)
        mode = NoSync;
    else if (argc == 3 && strcmp(argv[1], "group") == 0)
        mode = Group;
    else
        return fprintf(stderr, "usage: site_loop flush|nosync|group DIR | site_loop make DIR COUNT\n"), 2;
    Walk(argv[2]);
    const int root = open(argv[2], O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (root < 0)
        Die("open folder", argv[2]);
    RenamePending(root);
    return 0;
}
