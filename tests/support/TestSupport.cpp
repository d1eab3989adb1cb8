#include "tests/support/TestSupport.h"

#include "sim/BtScenario.h"
#include "sim/DeviceCommands.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vtest {

SimReader::SimReader(vsim::ReaderConfig config)
    : SimReader(std::make_unique<vsim::ReaderModel>(std::move(config))) {
    model_->AddCommandSet(std::make_unique<vsim::DeviceCommands>());
}

SimReader::SimReader(std::unique_ptr<vsim::ReaderModel> model) : model_(std::move(model)) {
    server_ = std::make_unique<vsim::PtyServer>(*model_);
    if (!server_->Start())
        throw std::runtime_error("cannot start the stand-in reader: " + server_->Error());
}

std::unique_ptr<SimReader> SimReader::FromScenario(const std::string& json) {
    std::string error;
    auto model = vsim::LoadScenario(nlohmann::json::parse(json), error);
    if (!model)
        throw std::runtime_error("bad scenario: " + error);
    return std::unique_ptr<SimReader>(new SimReader(std::move(model)));
}

SimReader::~SimReader() {
    server_->Stop();
}

SimBtModule::SimBtModule(const std::string& scenarioJson) {
    std::string error;
    if (!vsim::ParseBluetoothSection(nlohmann::json::parse(scenarioJson), module_, error))
        throw std::runtime_error("bad bluetooth scenario: " + error);
    server_ = std::make_unique<vsim::PtyServer>(module_);
    if (!server_->Start())
        throw std::runtime_error("cannot start the stand-in module: " + server_->Error());
}

SimBtModule::~SimBtModule() {
    server_->Stop();
}

std::vector<vsim::BtRequest> SimBtModule::Requests(uint8_t opcode) {
    std::vector<vsim::BtRequest> found;
    for (auto& r : module_.Requests())
        if (r.opcode == opcode)
            found.push_back(std::move(r));
    return found;
}

namespace {

std::string UniqueName(const char* stem) {
    static std::atomic<int> counter{0};
    return std::string(stem) + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

} // namespace

namespace fs = std::filesystem;

SysfsTree::SysfsTree() : root_((fs::temp_directory_path() / UniqueName("vorex-sysfs-")).string()) {
    fs::remove_all(root_);
    fs::create_directories(fs::path(root_) / "class/tty/tty0"); // a tty without a device
}

SysfsTree::~SysfsTree() {
    std::error_code ec;
    fs::remove_all(root_, ec);
    if (!dev_.empty())
        fs::remove_all(dev_, ec);
}

std::string SysfsTree::Root() const {
    return root_;
}

void SysfsTree::Tty(const std::string& name, const std::string& deviceDir,
                    const std::string& type) {
    const fs::path root(root_);
    fs::create_directories(root / ("." + deviceDir));
    fs::create_directories(root / "class/tty" / name);
    fs::create_directory_symlink(root / ("." + deviceDir), root / "class/tty" / name / "device");
    std::ofstream(root / "class/tty" / name / "type") << type << "\n";
}

void SysfsTree::Usb(const std::string& name, const std::string& bus, const std::string& vid,
                    const std::string& pid, const std::string& product) {
    const fs::path root(root_);
    const fs::path dev = root / "devices/pci0000:00/usb1" / bus;
    const fs::path intf = dev / (bus + ":1.0");
    fs::create_directories(intf);
    std::ofstream(dev / "idVendor") << vid << "\n";
    std::ofstream(dev / "idProduct") << pid << "\n";
    std::ofstream(dev / "product") << product << "\n";
    fs::create_directories(root / "class/tty" / name);
    fs::create_directory_symlink(intf, root / "class/tty" / name / "device");
}

void SysfsTree::UsbDevice(const std::string& bus, const std::string& vid, const std::string& pid,
                          const std::string& driver) {
    const fs::path root(root_);
    const fs::path dev = root / "devices/pci0000:00/usb2" / bus;
    const fs::path intf = dev / (bus + ":1.0");
    fs::create_directories(intf);
    fs::create_directories(root / "bus/usb/devices");
    if (!vid.empty())
        std::ofstream(dev / "idVendor") << vid << "\n";
    if (!pid.empty())
        std::ofstream(dev / "idProduct") << pid << "\n";
    if (!driver.empty()) {
        fs::create_directories(root / "bus/usb/drivers" / driver);
        fs::create_directory_symlink(root / "bus/usb/drivers" / driver, intf / "driver");
    }
    fs::create_directory_symlink(dev, root / "bus/usb/devices" / bus);
    fs::create_directory_symlink(intf, root / "bus/usb/devices" / (bus + ":1.0"));
}

std::string SysfsTree::DevDir(const std::map<std::string, std::string>& links) {
    if (dev_.empty()) {
        dev_ = "/dev/shm/" + UniqueName("vorex-dev-");
        fs::create_directories(dev_);
    }
    for (const auto& [name, target] : links)
        fs::create_symlink(target, fs::path(dev_) / name);
    return dev_;
}

vsim::Fault SilentFrom(int command, int skip) {
    vsim::Fault f;
    f.kind = vsim::Fault::Kind::NoAnswer;
    f.command = command;
    f.skip = skip;
    f.times = -1;
    return f;
}

std::vector<uint8_t> Hex(const std::string& text) {
    vsim::Bytes b;
    if (!vsim::ParseHex(text, b))
        throw std::invalid_argument("bad hex in test: " + text);
    return b;
}

std::vector<uint8_t> UidBytes(const std::string& msbFirst) {
    auto b = Hex(msbFirst);
    std::reverse(b.begin(), b.end());
    return b;
}

vsim::ReaderConfig ReaderSetup(int variant, const char* type, char revision) {
    vsim::ReaderConfig c;
    c.variant = variant;
    c.deviceType = type;
    c.revision = revision;
    return c;
}

RunResult Run(const std::string& program, const std::string& args, bool withStderr) {
    const std::string cmd =
        BinaryPath(program) + " " + args + (withStderr ? " 2>&1" : " 2>/dev/null");
    RunResult r;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p)
        return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        r.out.append(buffer, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string SourcePath(const std::string& relative) {
    return std::string(VOREX_SOURCE_DIR) + "/" + relative;
}

std::string BinaryPath(const std::string& relative) {
    return std::string(VOREX_BINARY_DIR) + "/" + relative;
}

uint16_t FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("no free datagram port on loopback");
    close(fd);
    return ntohs(a.sin_port);
}

vorex::lan::LanEnvironment LoopbackLan(uint16_t datagramPort, std::vector<std::string> adapters) {
    vorex::lan::LanEnvironment env;
    std::string list;
    for (const auto& a : adapters)
        list += (list.empty() ? "" : ",") + a + "/255.0.0.0";
    env.adapters = [list] { return vorex::lan::ParseAdapterList(list); };
    env.datagramPort = datagramPort;
    return env;
}

} // namespace vtest

namespace vtest {

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

ScopedEnv::~ScopedEnv() {
    if (had_)
        setenv(name_.c_str(), old_.c_str(), 1);
    else
        unsetenv(name_.c_str());
}

std::string StandInVendorDir() {
    return BinaryPath("sim/vendor");
}

} // namespace vtest
