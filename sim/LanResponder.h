#pragma once
// The stand-in reader's answers to the LAN datagram protocol: record queries and
// writes, the probe, the address setup and the restart, from the reader's network
// records. It listens on the datagram port for broadcasts to one broadcast address
// (shared with other responders) and for requests to its own address, and answers
// from its own address. It never binds the wildcard address, so it hears nothing from
// outside the network it is given.
#include "engine/links/lan/LanDatagram.h"

#include <atomic>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <thread>
#include <vector>

namespace vsim {

struct LanRecords {
    vorex::lan::Bytes record0 = vorex::lan::Bytes(vorex::lan::kRecordMinBytes);
    vorex::lan::Bytes record2 = vorex::lan::Bytes(vorex::lan::kRecord2MinBytes);
    vorex::lan::Bytes record3 = vorex::lan::Bytes(vorex::lan::kRecord3Bytes);
    vorex::lan::Mac mac{0x00, 0x20, 0x4A, 0x10, 0x20, 0x30};
    bool makerTag = true; // the probe answer carries "NVK"

    // name: up to 16 characters; address 0.0.0.0 = obtained automatically. The MAC
    // is made from the name.
    static LanRecords Make(const std::string& name, const std::string& address, unsigned hostBits,
                           const std::string& gateway, uint16_t port, const std::string& model);
    vorex::lan::Record0 Fields() const;
    std::string Model() const;
};

class LanResponder {
public:
    // answerFrom: the reader's own address, from which it answers; broadcast: the
    // broadcast address of its network (127.255.255.255 on loopback).
    LanResponder(LanRecords records, std::string answerFrom, uint16_t datagramPort,
                 std::string broadcast = "127.255.255.255");
    ~LanResponder();
    LanResponder(const LanResponder&) = delete;
    LanResponder& operator=(const LanResponder&) = delete;

    bool Start();
    void Stop();
    const std::string& Error() const { return error_; }

    LanRecords Records();
    std::string AnswerFrom();
    // Types of the requests received, in order.
    std::vector<uint8_t> Requests();
    // The address setups received: true for the extended form.
    std::vector<bool> Setups();
    // Ignores every request while set (a reader that is switched off).
    void SetSilent(bool silent) { silent_ = silent; }

private:
    void Serve();
    bool BindUnicast(const std::string& address);
    void Handle(const uint8_t* data, size_t size, const sockaddr_in& from);
    void Answer(const vorex::lan::Bytes& datagram, const sockaddr_in& to);
    void ApplySetup(const vorex::lan::Bytes& setup, bool extended);
    void MoveTo(const vorex::lan::Ipv4& address);

    std::mutex lock_;
    LanRecords records_;
    std::string answerFrom_;
    uint16_t port_;
    std::string broadcast_;
    std::vector<uint8_t> requests_;
    std::vector<bool> setups_;
    int broadcastFd_ = -1;
    int unicastFd_ = -1;
    int wake_ = -1;
    std::string error_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
};

} // namespace vsim
