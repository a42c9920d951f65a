/* Makes the benchmark tree natively (Wine sees it through its Z: drive): a fixed seed gives the
 * same folders, names and sizes on every run.
 *   make_tree ROOT FILES FOLDERS    (the full tree: 200000 files in 5000 folders) */
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

static uint64_t state = 0x5157534545504552ull; /* fixed seed */

static uint64_t Next(void) { /* xorshift64* */
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Dull;
}

static double Uniform(void) { return (double)(Next() >> 11) / 9007199254740992.0; }

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s ROOT FILES FOLDERS\n", argv[0]);
        return 2;
    }
    const char* root = argv[1];
    const long files = atol(argv[2]), folders = atol(argv[3]);
    char** paths = calloc((size_t)folders, sizeof *paths);
    int* depth = calloc((size_t)folders, sizeof *depth);
    if (!paths || !depth || (mkdir(root, 0755) != 0 && errno != EEXIST))
        return 1;
    paths[0] = strdup(root);
    depth[0] = 0;
    /* Folder i hangs below a random earlier folder that is less than six levels deep. */
    for (long i = 1; i < folders; ++i) {
        long parent;
        do
            parent = (long)(Next() % (uint64_t)i);
        while (depth[parent] >= MAX_DEPTH);
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
    unsigned long long total = 0;
    for (long f = 0; f < files; ++f) {
        const long folder = (long)(Next() % (uint64_t)folders);
        /* Mostly small: the sixth power of a uniform number puts the median near 0.3 KiB. */
        const double u = Uniform();
        const size_t size = (size_t)(MAX_SIZE * u * u * u * u * u * u);
        snprintf(path, sizeof path, "%s/f%06ld.%s", paths[folder], f, ext[Next() % 6]);
        int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || (size && write(fd, data, size) != (ssize_t)size) || close(fd) != 0)
            return 1;
        total += size;
    }
    printf("%ld files, %ld folders, %llu bytes\n", files, folders, total);
    return 0;
}
