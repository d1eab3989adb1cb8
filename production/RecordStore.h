#pragma once
// The production record: which serial went into which tag, at which station, with what
// result. The database enforces what matters across stations: a serial is issued once
// per job ((job, serial) unique), and a UID holds at most one live record per job
// ((job, uid) unique among records that are not void). A serial is allocated by one
// atomic statement together with the UID it is for; it ends as passed or as void with
// its reason, and a void serial is never issued again.
#include "production/Placeholders.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vorex::production {

// The database cannot be opened, reached or written, or refuses a call that breaks
// its rules (a job registered with another serial format, a result recorded twice).
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class Result { Pending, Passed, Void };
const char* ResultName(Result result); // "pending", "passed", "void"
Result ResultByName(const std::string& name);
// StoreError unless the outcome is Passed, or Void with its reason.
void CheckOutcome(Result result, const std::string& error);

struct Allocation {
    enum class Status {
        Ok,          // `id` and `serial` are this tag's
        UidRecorded, // the UID already has a live record for this job: refuse the tag
        Exhausted,   // the next serial would need more digits than the format's width
    };
    Status status = Status::Ok;
    int64_t id = 0;
    int64_t serial = 0;
};

struct Record {
    int64_t id = 0;
    std::string time; // UTC, "2026-12-11T03:24:20.123Z": allocation, then the result
    std::string station;
    std::string job;
    std::string uid; // upper-case hex
    int64_t serial = 0;
    Result result = Result::Pending;
    std::string error; // the reason of a void serial
    int64_t durationMs = 0;
};

class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Enters the job with its serial format, or checks that the format matches the one
    // recorded (StoreError when not: two formats would issue clashing serials).
    virtual void RegisterJob(const std::string& job, const SerialFormat& format) = 0;

    // The next serial of a registered job for the tag `uid` at `station`.
    virtual Allocation Allocate(const std::string& job, const std::string& station,
                                const std::string& uid) = 0;

    // The outcome of an allocation: Passed, or Void with a non-empty reason. A record
    // gets its outcome once (StoreError otherwise).
    virtual void Finish(int64_t id, Result result, const std::string& error,
                        int64_t durationMs) = 0;

    // Whether the UID has a live (pending or passed) record for the job.
    virtual bool UidRecorded(const std::string& job, const std::string& uid) = 0;

    // The records of a job by serial.
    virtual std::vector<Record> Records(const std::string& job) = 0;
};

// The store a --db argument names: a postgresql:// or postgres:// URL, else the path
// of an SQLite file (created with its schema when missing).
std::unique_ptr<RecordStore> OpenStore(const std::string& location);

// The embedded database's default file: <XDG_DATA_HOME>/Nvk Applikationen/VorexProgrammer/
// production.sqlite when XDG_DATA_HOME is absolute, else the same under
// <HOME>/.local/share; empty when neither is usable. Pass getenv() of both.
std::string DefaultDatabasePath(const char* xdgDataHome, const char* home);

} // namespace vorex::production
