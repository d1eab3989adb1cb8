// vorex-sim: serves the stand-in reader of a scenario file on a pseudo-terminal, or
// over TCP on a loopback address with an optional datagram responder. Prints the name
// to open as the first line on stdout and serves until SIGINT or SIGTERM. Lines on
// stdin change the cards and tags in the field.
#include "sim/BtModule.h"
#include "sim/BtScenario.h"
#include "sim/FieldControl.h"
#include "sim/LanScenario.h"
#include "sim/PtyServer.h"
#include "sim/Scenario.h"
#include "sim/ScenarioFiles.h"
#include "sim/TcpServer.h"

#include <arpa/inet.h>
#include <fstream>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <sys/socket.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

void Usage(FILE* out) {
    std::fputs(
        "Usage: vorex-sim --scenario FILE|NAME [--tcp HOST:PORT [--udp PORT] | --bt-module]\n"
        "                [--trace]\n"
        "Serves the stand-in reader described by a scenario file on a pseudo-terminal\n"
        "and prints its path (e.g. /dev/pts/3) as the first line.\n\n"
        "  --scenario FILE|NAME  the scenario: a file, or the name of an installed one\n"
        "                        (demo, variant0 ... variant3)\n"
        "  --tcp HOST:PORT       serves it over TCP instead, on a loopback address\n"
        "                        (127.x.x.x; PORT 0 = any free port), and prints the\n"
        "                        name to open (e.g. 127.0.0.1-40123) as the first line\n"
        "  --udp PORT            also answers the LAN datagram protocol on PORT (0 =\n"
        "                        any free port; printed as \"udp PORT\" on the second\n"
        "                        line) with the scenario's \"lan\" records\n"
        "  --bt-module           serves a Bluetooth module instead, with the devices of\n"
        "                        the scenario's \"bluetooth\" section in range, and\n"
        "                        prints its name to open (e.g. \"/dev/pts/3 BT\")\n"
        "  --trace               writes each frame to stderr: \"rx 02 01 F0 00 F1\",\n"
        "                        \"tx ...\"\n"
        "  --version             prints the version\n\n"
        "Lines on stdin change the field while it runs (answered on stdout):\n"
        "  card NAME|INDEX|none, tags SET|all|none, empty, next (conveyor)\n"
        "  with --bt-module: bt drop (the connected reader drops the link)\n",
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

// "127.0.0.1:40123" -> host and port.
bool SplitTcpArgument(const std::string& text, std::string& host, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return false;
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos || std::stoul(digits) > 65535)
        return false;
    port = static_cast<uint16_t>(std::stoul(digits));
    return true;
}

// Finds a free datagram port on loopback for --udp 0.
uint16_t FreeDatagramPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    uint16_t port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    if (fd >= 0)
        close(fd);
    return port;
}

// Reads field commands from stdin, one per line, and prints each answer on stdout.
// A closed stdin (or one that cannot be read, as from a background job) is left alone.
class FieldCommands {
public:
    explicit FieldCommands(vsim::ReaderModel& model) : model_(model) {}
    // Lines starting with "bt " go here instead (the Bluetooth module's faults).
    void SetBluetoothCommand(std::function<std::string(const std::string&)> command) {
        bluetooth_ = std::move(command);
    }

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
            const std::string line = pending_.substr(0, end);
            const std::string answer = bluetooth_ && line.rfind("bt ", 0) == 0
                                           ? bluetooth_(line.substr(3))
                                           : vsim::ApplyFieldCommand(model_, line);
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
    std::function<std::string(const std::string&)> bluetooth_;
    std::string pending_;
    bool open_ = true;
};

} // namespace

int main(int argc, char** argv) {
    std::string scenario;
    bool trace = false;
    std::string tcpHost;
    uint16_t tcpPort = 0;
    bool tcp = false;
    int udpPort = -1;
    bool btModule = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--scenario") && i + 1 < argc) {
            scenario = argv[++i];
        } else if (!std::strcmp(argv[i], "--tcp") && i + 1 < argc) {
            if (!SplitTcpArgument(argv[++i], tcpHost, tcpPort)) {
                std::fprintf(stderr, "vorex-sim: --tcp wants HOST:PORT, e.g. 127.0.0.1:0\n");
                return 2;
            }
            tcp = true;
        } else if (!std::strcmp(argv[i], "--udp") && i + 1 < argc) {
            char* end = nullptr;
            udpPort = static_cast<int>(std::strtol(argv[++i], &end, 10));
            if (*end != '\0' || udpPort < 0 || udpPort > 65535) {
                std::fprintf(stderr, "vorex-sim: --udp wants a port number\n");
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--bt-module")) {
            btModule = true;
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
    if (scenario.empty() || (udpPort >= 0 && !tcp) || (btModule && tcp)) {
        Usage(stderr);
        return 2;
    }
    std::string error;
    const std::string found = vsim::FindScenarioFile(scenario);
    const std::string scenarioFile = found.empty() ? scenario : found;
    std::shared_ptr<vsim::ReaderModel> model = vsim::LoadScenarioFile(scenarioFile, error);
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

    // With --bt-module the pseudo-terminal serves the module; devices without a scenario
    // of their own share the scenario's reader, which the field commands change.
    vsim::BtModule module;
    if (btModule) {
        std::ifstream in(scenarioFile);
        const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
        if (!vsim::ParseBluetoothSection(j, module, error, model)) {
            std::fprintf(stderr, "vorex-sim: %s\n", error.c_str());
            return 1;
        }
    }
    vsim::PtyServer pty(btModule ? static_cast<vsim::WireDevice&>(module) : *model);
    vsim::TcpServer tcpServer(*model);
    std::unique_ptr<vsim::LanResponder> responder;
    if (tcp) {
        // Only loopback: the stand-in never serves a real network.
        if (tcpHost.rfind("127.", 0) != 0) {
            std::fprintf(stderr, "vorex-sim: only loopback addresses (127.x.x.x) are served\n");
            return 1;
        }
        if (!tcpServer.Start(tcpHost, tcpPort)) {
            std::fprintf(stderr, "vorex-sim: %s\n", tcpServer.Error().c_str());
            return 1;
        }
        if (udpPort >= 0) {
            vsim::LanSetup lan;
            std::ifstream in(scenarioFile);
            const nlohmann::json j = nlohmann::json::parse(in, nullptr, false);
            if (!vsim::ParseLanSection(j, tcpHost, tcpServer.Port(), lan, error)) {
                std::fprintf(stderr, "vorex-sim: %s\n", error.c_str());
                return 1;
            }
            if (udpPort == 0)
                udpPort = FreeDatagramPort();
            responder = std::make_unique<vsim::LanResponder>(lan.records, lan.answerFrom,
                                                             static_cast<uint16_t>(udpPort));
            if (lan.answerFrom.rfind("127.", 0) != 0 || !responder->Start()) {
                std::fprintf(stderr, "vorex-sim: datagrams only on loopback: %s\n",
                             responder->Error().c_str());
                return 1;
            }
        }
        std::printf("%s\n", tcpServer.PortName().c_str());
        if (responder)
            std::printf("udp %d\n", udpPort);
    } else {
        if (!pty.Start()) {
            std::fprintf(stderr, "vorex-sim: %s\n", pty.Error().c_str());
            return 1;
        }
        std::printf("%s%s\n", pty.SlavePath().c_str(), btModule ? " BT" : "");
    }
    std::fflush(stdout);

    // Field commands come as lines on stdin (answered on stdout); between them, look for
    // a stop signal and for a line cut by an injected fault.
    FieldCommands commands(*model);
    if (btModule)
        commands.SetBluetoothCommand([&module, &pty](const std::string& what) -> std::string {
            if (what != "drop")
                return "error unknown bt command \"" + what + "\"";
            vsim::Bytes indication = module.DropConnection();
            if (indication.empty())
                return "error no reader connected";
            pty.Send(std::move(indication));
            return "ok bt drop";
        });
    const timespec noWait{0, 0};
    for (;;) {
        commands.Poll(200);
        const int sig = sigtimedwait(&stopSignals, nullptr, &noWait);
        if (sig == SIGINT || sig == SIGTERM)
            break;
        if (!tcp && pty.LinkDropped()) {
            std::fprintf(stderr, "vorex-sim: line dropped by fault injection\n");
            pty.Stop();
            return 3;
        }
    }
    pty.Stop();
    tcpServer.Stop();
    return 0;
}
