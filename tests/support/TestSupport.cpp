#include "TestSupport.h"

#include "DeviceCommands.h"

#include <arpa/inet.h>
#include <cstdio>
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

std::vector<uint8_t> Hex(const std::string& text) {
    vsim::Bytes b;
    if (!vsim::ParseHex(text, b))
        throw std::invalid_argument("bad hex in test: " + text);
    return b;
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
