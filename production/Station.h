#pragma once
// The production loop of one station: wait for a tag not yet handled in this run, bind
// to its UID, refuse it when the job has a record for that UID or it may not be
// written, allocate the next serial, write, read back and compare, protect and lock
// only after that comparison, record the outcome, and wait until the tag has left the
// field. When the database cannot be reached the station keeps the outcome of the tag
// in hand in its journal and takes no further tag until the database has it.
#include "production/Job.h"
#include "production/Journal.h"
#include "production/RecordStore.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vorex::production {

struct StationOptions {
    std::string station;     // the name recorded with each tag
    int64_t count = 0;       // stop after this many passed tags; 0: no limit
    std::string journalPath; // the station's journal
    int pollMs = 5;          // pause between looks into the field
    int idleMs = 0;          // stop when no new tag came for this long; 0: never
    int storeRetryMs = 500;  // pause between tries while the database is out of reach
    int storeWaitMs = 60000; // give up after the database was out of reach this long
    std::function<bool()> stopRequested;
    // Told when the database goes out of reach (with why) and when it is back ("").
    std::function<void(const std::string& problem)> onStore;
    // Told after each step of a tag: "written", "verified", "protected".
    std::function<void(const char* stage)> onStage;
};

struct TagReport {
    enum class Kind { Passed, Void, Refused };
    Kind kind = Kind::Refused;
    std::string uid;
    int64_t serial = 0;     // Passed and Void
    std::string serialText; // as written to the tag
    std::string error;      // Void and Refused: why
    int64_t durationMs = 0;
};
const char* KindName(TagReport::Kind kind); // "passed", "void", "refused"

struct RunSummary {
    enum class End { Count, Stopped, Idle, Exhausted, StoreDown, ReaderGone, Failed };
    End end = End::Stopped;
    int64_t passed = 0;
    int64_t voided = 0;
    int64_t refused = 0;
    std::string error; // why the run ended, for the ends that are faults
};

class Station {
public:
    // `handle`: an open reader connection; job and store outlive the station.
    Station(int handle, const Job& job, RecordStore& store, StationOptions options);

    // Runs until the count is reached, a stop is requested, no tag came for idleMs,
    // or a fault ends it. `report` gets every tag handled.
    RunSummary Run(const std::function<void(const TagReport&)>& report);

private:
    int handle_;
    const Job& job_;
    RecordStore& store_;
    StationOptions options_;
};

} // namespace vorex::production
