/* The C side of bench/python_exchange.py: the same exchanges as the Python package
 * makes, through the C surface, timed in a loop.
 *   vorex_c_exchange PORT version N         N identification exchanges
 *   vorex_c_exchange PORT readall N UIDHEX  N reads of every block of an ISO 15693 tag
 *                                           (memory size, then Read Multiple Blocks in
 *                                           chunks of as many blocks as one answer holds)
 * Prints the seconds per operation. */
#include <vorex/vorex.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double Now(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* One full read; 0 on success. Same order of calls as Reader.iso15693_read_all. */
static int ReadAll(int h, const unsigned char* uid) {
    static unsigned char buffer[256 * 33];
    int count = 0, size = 0, maker = 0;
    unsigned flags = 0;
    if (VOREX_Iso15693GetMemorySize(h, uid, 8, &count, &size, &maker, 0) != 0 || size <= 0)
        return -1;
    if (maker == 0x02 && count > 256)
        flags |= 0x08; /* two-byte block numbers */
    int chunk = (254 - 1) / (size + 1);
    for (int first = 0; first < count; first += chunk) {
        const int n = count - first < chunk ? count - first : chunk;
        const int got = VOREX_Iso15693ReadMultipleBlocks(h, first, n, buffer, (int)sizeof buffer,
                                                         uid, 8, flags | 0x40);
        if (got != n * (size + 1))
            return -1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 4 || (strcmp(argv[2], "readall") == 0 && (argc < 5 || strlen(argv[4]) != 16))) {
        fprintf(stderr, "usage: %s PORT version|readall N [UIDHEX]\n", argv[0]);
        return 2;
    }
    const int rounds = atoi(argv[3]);
    unsigned char uid[8] = {0};
    if (argc > 4)
        for (int i = 0; i < 8; ++i) {
            char byte[3] = {argv[4][2 * i], argv[4][2 * i + 1], 0};
            uid[7 - i] = (unsigned char)strtoul(byte, NULL, 16); /* least significant first */
        }
    const int h = VOREX_OpenPort(argv[1], 19200, 2000);
    if (h <= 0) {
        fprintf(stderr, "%s: no reader (%d)\n", argv[1], h);
        return 1;
    }
    const int version = strcmp(argv[2], "version") == 0;
    double start = 0;
    unsigned char id[64];
    /* One call outside the timing, as the Python side makes. */
    for (int i = -1; i < rounds; ++i) {
        if (i == 0)
            start = Now();
        const int ok = version ? VOREX_GetVersion(h, id, (int)sizeof id) > 0 : ReadAll(h, uid) == 0;
        if (!ok) {
            fprintf(stderr, "call failed: error %d\n", VOREX_GetLastError(h));
            VOREX_ClosePort(h);
            return 1;
        }
    }
    printf("%.9f\n", (Now() - start) / rounds);
    VOREX_ClosePort(h);
    return 0;
}
