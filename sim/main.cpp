// vorex-sim: serves the stand-in reader of a scenario file on a pseudo-terminal.
// Prints the pseudo-terminal's path as the first line on stdout and serves until
// SIGINT or SIGTERM. Lines on stdin change the cards and tags in the field.
#include "FieldControl.h"
#include "PtyServer.h"
#include "Scenario.h"
#include "ScenarioFiles.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
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
               "  --version             prints the version\n\n"
               "Lines on stdin change the field while it runs (answered on stdout):\n"
               "  card NAME|INDEX|none, tags SET|all|none, empty\n",
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

// Reads field commands from stdin, one per line, and prints each answer on stdout.
// A closed stdin (or one that cannot be read, as from a background job) is left alone.
class FieldCommands {
public:
    explicit FieldCommands(vsim::ReaderModel& model) : model_(model) {}

    // Waits up to `ms` for input and applies the complete lines that came.
    void Poll(int ms) {
        if (!open_) {
            poll(nullptr, 0, ms);
            return;
        }
        pollfd p{STDIN_FILENO, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            return;
        char buffer[512];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            open_ = n < 0 && errno == EINTR;
            return;
        }
        pending_.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            const std::string answer = vsim::ApplyFieldCommand(model_, pending_.substr(0, end));
            pending_.erase(0, end + 1);
            if (!answer.empty()) {
                std::printf("%s\n", answer.c_str());
                std::fflush(stdout);
            }
        }
        if (pending_.size() > 4096)
            pending_.clear(); // no line is that long
    }

private:
    vsim::ReaderModel& model_;
    std::string pending_;
    bool open_ = true;
};

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
    // Started in the background of a terminal, reading stdin fails instead of stopping.
    std::signal(SIGTTIN, SIG_IGN);
    // Nobody reading the answers to field commands any more is no reason to stop.
    std::signal(SIGPIPE, SIG_IGN);

    vsim::PtyServer server(*model);
    if (!server.Start()) {
        std::fprintf(stderr, "vorex-sim: %s\n", server.Error().c_str());
        return 1;
    }
    std::printf("%s\n", server.SlavePath().c_str());
    std::fflush(stdout);

    // Field commands come as lines on stdin (answered on stdout); between them, look for
    // a stop signal and for a line cut by an injected fault.
    FieldCommands commands(*model);
    const timespec noWait{0, 0};
    for (;;) {
        commands.Poll(200);
        const int sig = sigtimedwait(&stopSignals, nullptr, &noWait);
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
