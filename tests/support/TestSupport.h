#pragma once
// Helpers shared by the tests: a stand-in reader served on a pseudo-terminal.
#include "engine/links/lan/LanAdapters.h"
#include "sim/BtModule.h"
#include "sim/PtyServer.h"
#include "sim/ReaderModel.h"
#include "sim/Scenario.h"

#include <map>
#include <memory>
#include <string>

namespace vtest {

// A reader model served on its own pseudo-terminal for the life of the object.
class SimReader {
public:
    explicit SimReader(vsim::ReaderConfig config = {});
    // Builds the model from scenario JSON text; fails the test when it is invalid.
    static std::unique_ptr<SimReader> FromScenario(const std::string& json);
    ~SimReader();

    vsim::ReaderModel& Model() { return *model_; }
    vsim::PtyServer& Server() { return *server_; }
    const std::string& Path() const { return server_->SlavePath(); }

private:
    explicit SimReader(std::unique_ptr<vsim::ReaderModel> model);
    std::unique_ptr<vsim::ReaderModel> model_;
    std::unique_ptr<vsim::PtyServer> server_;
};

// The stand-in Bluetooth module with the devices of a scenario's "bluetooth" section,
// served on its own pseudo-terminal. PortName() opens it as a module on a serial port.
class SimBtModule {
public:
    explicit SimBtModule(const std::string& scenarioJson);
    ~SimBtModule();
    vsim::BtModule& Module() { return module_; }
    vsim::PtyServer& Server() { return *server_; }
    std::string PortName() const { return server_->SlavePath() + " BT"; }
    // The disconnect fault: the connected device drops the link.
    void Drop() { server_->Send(module_.DropConnection()); }
    // Connect requests the module received so far.
    std::vector<vsim::BtRequest> Requests(uint8_t opcode);

private:
    vsim::BtModule module_;
    std::unique_ptr<vsim::PtyServer> server_;
};

std::vector<uint8_t> Hex(const std::string& text);

// A UID as printed (most significant byte first) in transmission order.
std::vector<uint8_t> UidBytes(const std::string& msbFirst);

// A stand-in reader of the given model, device type and firmware revision.
vsim::ReaderConfig ReaderSetup(int variant, const char* type = "125", char revision = '7');

// The reader pulled mid-operation: from the (skip + 1)-th request with that command
// on, no request gets an answer.
vsim::Fault SilentFrom(int command, int skip);

// A small sysfs tree in a temporary folder for the port listing: ttys on the board and
// on USB. DevDir() adds a device folder under /dev/shm (so that the names keep the
// "/dev/" prefix of OS devices) whose nodes are links to given paths, such as the
// pseudo-terminals of stand-in readers. Both are removed with the object.
class SysfsTree {
public:
    SysfsTree();
    ~SysfsTree();
    SysfsTree(const SysfsTree&) = delete;
    SysfsTree& operator=(const SysfsTree&) = delete;
    std::string Root() const;
    // A tty whose device sits at deviceDir (e.g. /devices/platform/serial8250/tty/ttyS0)
    // with the serial8250 port type (0 = placeholder without hardware).
    void Tty(const std::string& name, const std::string& deviceDir, const std::string& type);
    // A tty on a USB device with the given ids and product string.
    void Usb(const std::string& name, const std::string& bus, const std::string& vid,
             const std::string& pid, const std::string& product);
    // A USB device in bus/usb/devices with the given ids (an empty id: no such file)
    // and one interface, bound to `driver` (empty: no driver bound).
    void UsbDevice(const std::string& bus, const std::string& vid, const std::string& pid,
                   const std::string& driver);
    // The device folder with one link per tty name; returns its path.
    std::string DevDir(const std::map<std::string, std::string>& links);

private:
    std::string root_;
    std::string dev_;
};

// Runs a built program of this tree (e.g. "cli/vorexctl") with the shell words in
// `args`; returns its exit status and standard output (standard error is dropped
// unless `withStderr`).
struct RunResult {
    int status = -1;
    std::string out;
};
RunResult Run(const std::string& program, const std::string& args, bool withStderr = false);
std::string SourcePath(const std::string& relative);
std::string BinaryPath(const std::string& relative);

// LAN tests run on loopback only: a datagram port no other test uses at the moment,
// and an environment whose adapters are the given loopback addresses (mask 255.0.0.0,
// broadcast 127.255.255.255).
uint16_t FreeUdpPort();
vorex::lan::LanEnvironment LoopbackLan(uint16_t datagramPort,
                                       std::vector<std::string> adapters = {"127.0.0.1"});

} // namespace vtest

namespace vtest {

// An environment variable set (or, with value null, removed) for the life of the
// object; the previous state comes back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// The folder of the stand-in vendor libraries (libftd2xx.so, libSiUSBXp.so).
std::string StandInVendorDir();

} // namespace vtest
