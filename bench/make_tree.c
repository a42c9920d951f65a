/* Makes the benchmark tree natively (Wine sees it through its Z: drive): a fixed seed gives the
 * same folders, names and sizes on every run.
 *   make_tree ROOT FILES FOLDERS          (the full tree: 200000 files in 5000 folders)
 *   make_tree ROOT FILES FOLDERS PARTS    the same numbers spread over PARTS identical subtrees
 *                                         ROOT/part00 ... (each one level shallower), so that
 *                                         benchmarks can take turns on equal shares of work */
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#define MAX_DEPTH 6
#define MAX_SIZE 20480

static uint64_t state;

static uint64_t Next(void) { /* xorshift64* */
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Dull;
}

static double Uniform(void) { return (double)(Next() >> 11) / 9007199254740992.0; }

static const uint64_t kSeed = 0x5157534545504552ull;

/* One tree of `files` files in `folders` folders below `root`, at most `maxDepth` levels deep. */
static int MakeTree(const char* root, long files, long folders, int maxDepth, unsigned long long* total) {
    state = kSeed;
    char** paths = calloc((size_t)folders, sizeof *paths);
    int* depth = calloc((size_t)folders, sizeof *depth);
    if (!paths || !depth || (mkdir(root, 0755) != 0 && errno != EEXIST))
        return 1;
    paths[0] = strdup(root);
    depth[0] = 0;
    /* Folder i hangs below a random earlier folder that is not yet at the deepest level. */
    for (long i = 1; i < folders; ++i) {
        long parent;
        do
            parent = (long)(Next() % (uint64_t)i);
        while (depth[parent] >= maxDepth);
        size_t n = strlen(paths[parent]) + 16;
        paths[i] = malloc(n);
        snprintf(paths[i], n, "%s/d%05ld", paths[parent], i);
        depth[i] = depth[parent] + 1;
        if (mkdir(paths[i], 0755) != 0 && errno != EEXIST)
            return 1;
    }
    static const char* const ext[] = {"tmp", "log", "dat", "txt", "cache", "bak"};
    static char data[MAX_SIZE];
    memset(data, 'q', sizeof data);
    char path[4096];
    for (long f = 0; f < files; ++f) {
        const long folder = (long)(Next() % (uint64_t)folders);
        /* Mostly small: the sixth power of a uniform number puts the median near 0.3 KiB. */
        const double u = Uniform();
        const size_t size = (size_t)(MAX_SIZE * u * u * u * u * u * u);
        snprintf(path, sizeof path, "%s/f%06ld.%s", paths[folder], f, ext[Next() % 6]);
        int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || (size && write(fd, data, size) != (ssize_t)size) || close(fd) != 0)
            return 1;
        *total += size;
    }
    for (long i = 0; i < folders; ++i)
        free(paths[i]);
    free(paths);
    free(depth);
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: %s ROOT FILES FOLDERS [PARTS]\n", argv[0]);
        return 2;
    }
    const char* root = argv[1];
    const long files = atol(argv[2]), folders = atol(argv[3]);
    const long parts = argc == 5 ? atol(argv[4]) : 0;
    unsigned long long total = 0;
    if (parts <= 0) {
        if (MakeTree(root, files, folders, MAX_DEPTH, &total))
            return 1;
    } else {
        if (mkdir(root, 0755) != 0 && errno != EEXIST)
            return 1;
        char part[4096];
        for (long p = 0; p < parts; ++p) {
            snprintf(part, sizeof part, "%s/part%02ld", root, p);
            if (MakeTree(part, files / parts, folders / parts, MAX_DEPTH - 1, &total))
                return 1;
        }
    }
    printf("%ld files, %ld folders, %llu bytes\n", files, folders, total);
    return 0;
}
