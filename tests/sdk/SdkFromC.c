/* A C program on the SDK alone: the public headers compile as C and the shared
 * library answers without a reader. */
#include <vorex/vorex.h>

#include <stdio.h>
#include <string.h>

int main(void) {
    char text[128];
    if (VOREX_GetSdkVersion() != VOREX_SDK_VERSION) {
        fprintf(stderr, "SDK version %d\n", VOREX_GetSdkVersion());
        return 1;
    }
    if (VOREX_GetLastError(12345) != VOREX_ERR_UNKNOWN_HANDLE || VOREX_ClosePort(12345) != -1) {
        fprintf(stderr, "an unknown handle is not refused\n");
        return 1;
    }
    if (VOREX_GetErrorText(VOREX_ERR_TIMEOUT, text, (int)sizeof text) <= 0 ||
        strncmp(text, "Timeout", 7) != 0) {
        fprintf(stderr, "error text of a timeout: %s\n", text);
        return 1;
    }
    return 0;
}
