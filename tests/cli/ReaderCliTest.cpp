// vorexctl's reader commands and vorex-sim as programs, end to end.
#include "tests/support/TestSupport.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

using nlohmann::json;
// Runs one of the programs built in this tree.
vtest::RunResult Program(const std::string& program, const std::string& args,
                         bool withStderr = false) {
    return vtest::Run(program, args, withStderr);
}

namespace {

// vorex-sim started as a program; stops it on destruction.
class SimProgram {
public:
    // extra: further arguments of vorex-sim, e.g. {"--trace"}.
    explicit SimProgram(const std::string& scenario, std::vector<std::string> extra = {}) {
        int in[2], out[2], err[2];
        if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
            throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            dup2(err[1], 2);
            close(in[1]);
            close(out[0]);
            close(err[0]);
            std::string bin = vtest::BinaryPath("sim/vorex-sim");
            std::string option = "--scenario";
            std::string file = scenario;
            std::vector<char*> argv{bin.data(), option.data(), file.data()};
            for (auto& e : extra)
                argv.push_back(e.data());
            argv.push_back(nullptr);
            execv(bin.c_str(), argv.data());
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        close(err[1]);
        stdin_ = in[1];
        stdout_ = fdopen(out[0], "r");
        stderr_ = err[0];
        char line[256] = {0};
        if (!std::fgets(line, sizeof line, stdout_))
            throw std::runtime_error("vorex-sim printed no port");
        path_ = line;
        while (!path_.empty() && path_.back() == '\n')
            path_.pop_back();
    }
    // The next line vorex-sim prints on stdout.
    std::string NextLine() {
        char line[256] = {0};
        if (!std::fgets(line, sizeof line, stdout_))
            return {};
        std::string s = line;
        while (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    ~SimProgram() { Stop(); }
    // Sends a field command line and returns vorex-sim's answer line.
    std::string Command(const std::string& line) {
        const std::string text = line + "\n";
        if (write(stdin_, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
            return "(not sent)";
        char answer[256] = {0};
        if (!std::fgets(answer, sizeof answer, stdout_))
            return "(no answer)";
        std::string a = answer;
        while (!a.empty() && a.back() == '\n')
            a.pop_back();
        return a;
    }
    int Stop() {
        if (pid_ <= 0)
            return status_;
        close(stdin_);
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        std::fclose(stdout_);
        char buffer[4096];
        ssize_t n;
        while ((n = read(stderr_, buffer, sizeof buffer)) > 0)
            err_.append(buffer, static_cast<size_t>(n));
        close(stderr_);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
    }
    const std::string& Path() const { return path_; }
    const std::string& Stderr() const { return err_; }

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    FILE* stdout_ = nullptr;
    int stderr_ = -1;
    std::string path_, err_;
    int status_ = -1;
};

} // namespace

TEST(VorexSim, EveryVariantIdentifiesWithRawF0) {
    for (int v = 0; v < 4; ++v) {
        SimProgram sim(vtest::SourcePath("sim/scenarios/variant" + std::to_string(v) + ".json"));
        ASSERT_EQ(sim.Path().rfind("/dev/", 0), 0u) << sim.Path();
        const auto r = Program("cli/vorexctl", "--port " + sim.Path() + " --variant " +
                                                   std::to_string(v) + " raw F0");
        EXPECT_EQ(r.status, 0) << "variant " << v;
        // Variant 3 answers nine bytes with the type in bytes 4 to 7.
        EXPECT_NE(r.out.find(v == 3 ? "31 31 37 33" : "33\n"), std::string::npos) << r.out;
        EXPECT_EQ(sim.Stop(), 0);
    }
}

TEST(VorexSim, TraceShowsEachFrame) {
    SimProgram sim(vtest::SourcePath("sim/scenarios/variant0.json"), {"--trace"});
    ASSERT_EQ(Program("cli/vorexctl", "--port " + sim.Path() + " raw F0").status, 0);
    sim.Stop();
    EXPECT_NE(sim.Stderr().find("rx 02 01 F0 00 F1\n"), std::string::npos) << sim.Stderr();
    EXPECT_NE(sim.Stderr().find("tx 02 01 00 04 31 32 35 33 "), std::string::npos) << sim.Stderr();
}

TEST(VorexSim, CardsAndTagsComeAndGoWhileItRuns) {
    SimProgram sim(vtest::SourcePath("sim/scenarios/demo.json"));
    const auto ctl = [&](const std::string& args, int expected = 0) {
        const auto r = Program("cli/vorexctl", "--port " + sim.Path() + " --json " + args);
        EXPECT_EQ(r.status, expected) << args << "\n" << r.out;
        const json j = json::parse(r.out, nullptr, false);
        EXPECT_FALSE(j.is_discarded()) << r.out;
        return j;
    };
    const auto tagCount = [&] {
        return ctl("iso15693 inventory").value("tags", json::array()).size();
    };
    EXPECT_EQ(tagCount(), 10u);
    EXPECT_EQ(ctl("mifare select")["type"], "classic4k");

    EXPECT_EQ(sim.Command("tags icode"), "ok tags icode");
    EXPECT_EQ(tagCount(), 3u);
    EXPECT_EQ(sim.Command("card ntag213"), "ok card ntag213");
    EXPECT_EQ(ctl("mifare select")["uid"], "048F2D6AE15280");

    EXPECT_EQ(sim.Command("empty"), "ok empty");
    EXPECT_EQ(tagCount(), 0u);
    EXPECT_EQ(ctl("mifare select", 1)["error"], 21) << "no transponder";

    EXPECT_EQ(sim.Command("card 1"), "ok card 1");
    EXPECT_EQ(sim.Command("tags slix"), "ok tags slix");
    EXPECT_EQ(ctl("mifare select")["type"], "classic1k");
    const json one = ctl("iso15693 inventory");
    ASSERT_EQ(one["tags"].size(), 1u);
    EXPECT_EQ(one["tags"][0]["uid"], "E004015012345671");
    EXPECT_EQ(sim.Command("card shelf"), "error no card \"shelf\"");
    EXPECT_EQ(ctl("mifare select")["type"], "classic1k") << "a refused command changes nothing";
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(VorexSim, BadScenariosAreRefusedWithAReason) {
    const auto r = Program("sim/vorex-sim", "--scenario /nonexistent.json", true);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("cannot read"), std::string::npos) << r.out;
    EXPECT_EQ(Program("sim/vorex-sim", "", true).status, 2);
}

TEST(VorexSim, AnswersTheLanSearchAndTakesNewSettings) {
    SimProgram sim(vtest::SourcePath("sim/scenarios/variant0.json"),
                   {"--tcp", "127.0.0.1:0", "--udp", "0"});
    const std::string name = sim.Path();
    ASSERT_EQ(name.rfind("127.0.0.1-", 0), 0u) << name;
    const std::string udp = sim.NextLine();
    ASSERT_EQ(udp.rfind("udp ", 0), 0u) << udp;
    // Only loopback, and only the stand-in's port.
    setenv("VOREX_LAN_ADAPTERS", "127.0.0.1/8", 1);
    setenv("VOREX_LAN_UDP_PORT", udp.substr(4).c_str(), 1);

    EXPECT_EQ(Program("cli/vorexctl", "lan search").out, name + "\n");
    const json shown =
        json::parse(Program("cli/vorexctl", "--json lan config show --reader " + name).out);
    EXPECT_EQ(shown.at("address"), name);
    EXPECT_EQ(shown.at("name"), "[VOREXSIM]-" + name.substr(10));
    EXPECT_EQ(Program("cli/vorexctl", "lan test --reader " + name).status, 0);

    // Obtaining its address automatically, it is found by name.
    const auto set = Program("cli/vorexctl", "--json lan config set --reader " + name +
                                                 " --automatic LAB1 --gateway 127.0.0.254");
    ASSERT_EQ(set.status, 0) << set.out;
    EXPECT_EQ(json::parse(set.out).at("automatic"), true);
    EXPECT_EQ(json::parse(set.out).at("gateway"), "127.0.0.254");
    EXPECT_EQ(Program("cli/vorexctl", "lan search").out, "[LAB1]\n");
    EXPECT_EQ(Program("cli/vorexctl", "lan search --unverified").out, "[LAB1]" + name + "\n");
    EXPECT_EQ(Program("cli/vorexctl", "lan test --reader 127.0.0.9").status, 1);
    EXPECT_EQ(Program("cli/vorexctl", "lan config set --reader " + name + " --tcp-port x").status,
              2);
    EXPECT_EQ(Program("cli/vorexctl", "lan frobnicate").status, 2);
    unsetenv("VOREX_LAN_ADAPTERS");
    unsetenv("VOREX_LAN_UDP_PORT");
    EXPECT_EQ(sim.Stop(), 0);

    // Nothing but loopback is served.
    EXPECT_EQ(Program("sim/vorex-sim", "--scenario " +
                                           vtest::SourcePath("sim/scenarios/variant0.json") +
                                           " --tcp 10.0.0.1:0")
                  .status,
              1);
}

// The same reader over TCP (by address, and by name found through discovery) and over a
// pseudo-terminal: every dump is the same file, byte for byte.
TEST(VorexSim, DumpsOverTcpEqualTheSerialDumps) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vorex-lan-dump-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // The demo reader, on the network by name: it takes its address automatically.
    json demo = json::parse(std::ifstream(vtest::SourcePath("sim/scenarios/demo.json")));
    demo["lan"] = {{"address", "0.0.0.0"}, {"name", "NETDEMO"}};
    const std::string scenario = (dir / "demo.json").string();
    std::ofstream(scenario) << demo.dump();
    SimProgram serial(scenario);
    SimProgram network(scenario, {"--tcp", "127.0.0.1:0", "--udp", "0"});
    const std::string address = network.Path();
    ASSERT_EQ(address.rfind("127.0.0.1-", 0), 0u) << address;
    const std::string udp = network.NextLine();
    ASSERT_EQ(udp.rfind("udp ", 0), 0u) << udp;
    setenv("VOREX_LAN_ADAPTERS", "127.0.0.1/8", 1);
    setenv("VOREX_LAN_UDP_PORT", udp.substr(4).c_str(), 1);
    const auto read = [](const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };

    struct Dump {
        const char* command;
        const char* file;
    };
    const Dump dumps[] = {
        {"iso15693 dump --uid E004015012345671 --format json --out ", "slix.json"},
        {"mifare dump --out ", "classic4k.json"},
        {"mifare dump --out ", "classic4k.mfd"},
    };
    const std::string ports[] = {serial.Path(), address, "[NETDEMO]-10001"};
    for (const Dump& d : dumps) {
        std::string first;
        for (size_t i = 0; i < std::size(ports); ++i) {
            const auto file = dir / (std::to_string(i) + "-" + d.file);
            const auto r = Program("cli/vorexctl",
                                   "--port " + ports[i] + " " + d.command + file.string(), true);
            EXPECT_EQ(r.status, 0) << ports[i] << ": " << d.command << "\n" << r.out;
            const std::string bytes = read(file);
            if (i == 0) {
                first = bytes;
                EXPECT_GT(first.size(), 1000u) << d.file;
            } else {
                EXPECT_EQ(bytes, first) << ports[i] << ": " << d.file;
            }
        }
    }
    unsetenv("VOREX_LAN_ADAPTERS");
    unsetenv("VOREX_LAN_UDP_PORT");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(network.Stop(), 0) << network.Stderr();
    EXPECT_EQ(serial.Stop(), 0) << serial.Stderr();
}

TEST(Vorexctl, IdentifyJsonAndErrors) {
    auto sim = vtest::SimReader::FromScenario(
        R"({"reader": {"device_type": "171", "revision": "a", "variant": 2}})");
    const auto r = Program("cli/vorexctl", "--port " + sim->Path() + " identify --json");
    ASSERT_EQ(r.status, 0) << r.out;
    const json j = json::parse(r.out);
    EXPECT_EQ(j.at("device_type"), "171");
    EXPECT_EQ(j.at("revision"), 36);
    EXPECT_EQ(j.at("firmware"), "FW V1.36");
    EXPECT_EQ(j.at("name"), "VX-C71 (V2)");
    EXPECT_EQ(j.at("variant"), 2);
    EXPECT_EQ(j.at("programmer"), true);

    sim->Model().InjectFault({.kind = vsim::Fault::Kind::NoAnswer});
    const auto timeout = Program(
        "cli/vorexctl", "--port " + sim->Path() + " --variant 2 --timeout 100 raw F0", true);
    EXPECT_EQ(timeout.status, 1);
    EXPECT_NE(timeout.out.find("error 4: no answer from the reader in time (timeout)"),
              std::string::npos)
        << timeout.out;

    const auto missing = Program("cli/vorexctl", "--port /dev/does-not-exist --json identify");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(json::parse(missing.out).at("open_result"), -1);
    EXPECT_EQ(Program("cli/vorexctl", "--port " + sim->Path() + " factory-reset").status, 2);
    EXPECT_EQ(Program("cli/vorexctl", "frobnicate").status, 2);
}

TEST(Vorexctl, StableLinuxDeviceNamesOpen) {
    // A udev-style link in a folder whose name has dots and colons, to a reader that
    // listens at 57600 baud: the link is a serial device and keeps its baud code.
    auto sim = vtest::SimReader::FromScenario(
        R"({"reader": {"baud": 57600, "device_type": "145", "revision": "3"}})");
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("vorex.serial:" + std::to_string(getpid()) + ".by-path:1.0");
    fs::create_directories(dir);
    const fs::path link = dir / "pci-0000:00:14.0-usb-0:1.4:1.0-port0_V1.2.3.4";
    fs::create_symlink(sim->Path(), link);
    for (const std::string& name : {link.string(), link.string() + ":1"}) {
        const auto r =
            Program("cli/vorexctl", "--port '" + name + "' --baud 57600 --json identify");
        ASSERT_EQ(r.status, 0) << name << ": " << r.out;
        EXPECT_EQ(json::parse(r.out).at("name"), "VX-B73") << name;
    }
    fs::remove_all(dir);
}

TEST(Vorexctl, ConfigurationRoundTrips) {
    auto sim =
        vtest::SimReader::FromScenario(R"({"reader": {"baud": 19200, "device_type": "431"}})");
    const std::string port = "--port " + sim->Path() + " --json ";
    ASSERT_EQ(Program("cli/vorexctl", port + "power set --iso15693 half --iso14443 full").status,
              0);
    const json power = json::parse(Program("cli/vorexctl", port + "power show").out);
    EXPECT_EQ(power.at("iso15693"), "half");
    EXPECT_EQ(power.at("iso14443"), "full");
    EXPECT_EQ(json::parse(Program("cli/vorexctl", port + "settings read").out).at("settings"),
              "030180");

    ASSERT_EQ(Program("cli/vorexctl", port + "set-baud 57600 0").status, 0);
    EXPECT_EQ(Program("cli/vorexctl", port + "--timeout 100 identify").status, 1) << "old speed";
    EXPECT_EQ(Program("cli/vorexctl", port + "--baud 57600 identify").status, 0);
    EXPECT_EQ(Program("cli/vorexctl", port + "--baud 57600 factory-reset --yes").status, 0);
    EXPECT_EQ(Program("cli/vorexctl", port + "--baud 57600 host-mode on").status, 0);
    EXPECT_TRUE(sim->Model().Config().hostMode);
}

// Power and factory reset are refused on reader types without them, as in the desktop
// program, unless forced.
TEST(Vorexctl, FunctionsTheReaderLacksAreRefused) {
    auto sim = vtest::SimReader::FromScenario(R"({"reader": {"device_type": "125"}})");
    const std::string port = "--port " + sim->Path() + " --json ";
    for (const char* args : {"power show", "factory-reset --yes"}) {
        const auto r = Program("cli/vorexctl", port + args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(json::parse(r.out).at("message").get<std::string>().find("--force"),
                  std::string::npos)
            << r.out;
    }
    EXPECT_EQ(Program("cli/vorexctl", port + "power show --force").status, 0);
}
