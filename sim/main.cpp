// vorex-sim: serves the stand-in reader of a scenario file on a pseudo-terminal.
// Prints the pseudo-terminal's path as the first line on stdout and serves until
// SIGINT or SIGTERM.
#include "PtyServer.h"
#include "Scenario.h"
#include "ScenarioFiles.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void Usage(FILE* out) {
    std::fputs("Usage: vorex-sim --scenario FILE|NAME [--trace]\n"
               "Serves the stand-in reader described by a scenario file on a pseudo-terminal\n"
               "and prints its path (e.g. /dev/pts/3) as the first line.\n\n"
               "  --scenario FILE|NAME  the scenario: a file, or the name of an installed one\n"
               "                        (demo, variant0 ... variant3)\n"
               "  --trace               writes each frame to stderr: \"rx 02 01 F0 00 F1\",\n"
               "                        \"tx ...\"\n"
               "  --version             prints the version\n",
               out);
}

std::string Hex(const vsim::Bytes& bytes) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", bytes[i]);
        s += b;
    }
    return s;
}

} // namespace

int main(int argc, char** argv) {
    std::string scenario;
    bool trace = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--scenario") && i + 1 < argc) {
            scenario = argv[++i];
        } else if (!std::strcmp(argv[i], "--trace")) {
            trace = true;
        } else if (!std::strcmp(argv[i], "--version")) {
            std::printf("vorex-sim %s\n", VOREX_PROGRAM_VERSION);
            return 0;
        } else if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            Usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "vorex-sim: unknown argument \"%s\"\n", argv[i]);
            Usage(stderr);
            return 2;
        }
    }
    if (scenario.empty()) {
        Usage(stderr);
        return 2;
    }
    std::string error;
    const std::string found = vsim::FindScenarioFile(scenario);
    auto model = vsim::LoadScenarioFile(found.empty() ? scenario : found, error);
    if (!model) {
        std::fprintf(stderr, "vorex-sim: %s\n", error.c_str());
        return 1;
    }
    if (trace) {
        model->SetTrace([](const char* direction, const vsim::Bytes& frame) {
            std::fprintf(stderr, "%s %s\n", direction, Hex(frame).c_str());
        });
    }
    // Block the stop signals here and wait for them below, so that no handler runs
    // inside the server thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    vsim::PtyServer server(*model);
    if (!server.Start()) {
        std::fprintf(stderr, "vorex-sim: %s\n", server.Error().c_str());
        return 1;
    }
    std::printf("%s\n", server.SlavePath().c_str());
    std::fflush(stdout);

    // Wake up now and then to notice a line cut by an injected fault.
    timespec tick{0, 200 * 1000 * 1000};
    for (;;) {
        const int sig = sigtimedwait(&stopSignals, nullptr, &tick);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        if (server.LinkDropped()) {
            std::fprintf(stderr, "vorex-sim: line dropped by fault injection\n");
            server.Stop();
            return 3;
        }
    }
    server.Stop();
    return 0;
}
