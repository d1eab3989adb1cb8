// The production loop against the stand-in conveyor, per tag family: every tag read
// back holds its own serial, a tag swapped between write and verify is caught, a
// refused page makes the serial void and the tag stays unlocked, a non-blank tag is
// refused unless the job allows it, a UID recorded already is refused; and the journal
// keeps a result while the database is out of reach and hands it over when it is back.
#include "production/Station.h"
#include "production/Job.h"
#include "production/RecordStore.h"
#include "tests/production/ProductionLine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

using namespace vorex::production;

const char* kNtagJob = R"({
  "name": "ntag-run", "family": "ntag", "chips": ["NTAG213"],
  "serial": {"prefix": "VX-", "width": 6, "start": 1, "step": 1},
  "content": {"ndef": [{"type": "uri", "uri": "https://v.example/t/{serial}"}]},
  "ntag": {"password": "5652584B", "pack": "4F4B", "auth0": 4},
  "lock_after_verify": true})";

const char* kClassicJob = R"({
  "name": "classic-run", "family": "mifare_classic", "chips": ["MIFARE_CLASSIC_1K"],
  "serial": {"prefix": "T", "width": 8, "start": 10000000, "step": 1},
  "content": {"raw": [{"sector": 1, "block": 0, "text": "{serial}"}]},
  "mifare_classic": {"sectors": [{"sector": 1, "key_a": "A0A1A2A3A4A5",
                                  "key_b": "B0B1B2B3B4B5", "access": [4, 4, 4, 3]}]},
  "lock_after_verify": true})";

const char* kIsoJob = R"({
  "name": "iso-run", "family": "iso15693", "chips": ["ICODE_SLIX"],
  "serial": {"prefix": "", "width": 8, "start": 1, "step": 1},
  "content": {"raw": [{"block": 2, "text": "{serial}"}]},
  "iso15693": {"lock_blocks": [{"first": 2, "last": 3}]},
  "lock_after_verify": true})";

struct FamilyCase {
    const char* conveyor;
    const char* job;
};
const FamilyCase kFamilies[] = {
    {"ntag213", kNtagJob}, {"classic1k", kClassicJob}, {"nxp-icode-slix", kIsoJob}};

Job Parse(const std::string& text, const std::string& patch = "{}") {
    nlohmann::json j = nlohmann::json::parse(text);
    j.merge_patch(nlohmann::json::parse(patch));
    JobLoad load = ParseJob(j.dump());
    EXPECT_TRUE(load.ok) << load.error;
    return load.job;
}

class StationTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vorex-station-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        store_ = OpenStore((dir_ / "records.sqlite").string());
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    StationOptions Options(int64_t count) {
        StationOptions o;
        o.station = "st1";
        o.count = count;
        o.journalPath = (dir_ / "journal.json").string();
        o.idleMs = 3000; // a test that waits for a tag that never comes ends
        o.pollMs = 1;
        return o;
    }

    // Runs the station; the line moves on after each tag.
    RunSummary Run(vtest::ProductionLine& line, const Job& job, StationOptions o,
                   std::vector<TagReport>& reports, RecordStore* store = nullptr) {
        Station station(line.Handle(), job, store ? *store : *store_, std::move(o));
        return station.Run([&](const TagReport& r) {
            reports.push_back(r);
            line.Next();
        });
    }

    std::filesystem::path dir_;
    std::unique_ptr<RecordStore> store_;
};

TEST_F(StationTest, EveryTagOfEveryFamilyHoldsItsOwnSerialAndIsLocked) {
    for (const FamilyCase& c : kFamilies) {
        SCOPED_TRACE(c.conveyor);
        vtest::ProductionLine line(c.conveyor, 4);
        const Job job = Parse(c.job);
        std::vector<TagReport> reports;
        const RunSummary s = Run(line, job, Options(4), reports);
        EXPECT_EQ(s.end, RunSummary::End::Count) << s.error;
        ASSERT_EQ(s.passed, 4) << (reports.empty() ? "" : reports.back().error);
        const std::vector<Record> records = store_->Records(job.name);
        ASSERT_EQ(records.size(), 4u);
        std::set<std::string> uids;
        for (const Record& r : records) {
            EXPECT_EQ(r.result, Result::Passed);
            EXPECT_EQ(r.station, "st1");
            uids.insert(r.uid);
            const std::string serial = FormatSerial(job.serial, r.serial).text;
            EXPECT_TRUE(vtest::Contains(line.Memory(r.uid), serial)) << r.uid << " " << serial;
            EXPECT_TRUE(line.Locked(r.uid)) << r.uid;
        }
        EXPECT_EQ(uids.size(), 4u);
    }
}

TEST_F(StationTest, ATagSwappedBetweenWriteAndVerifyIsVoidAndNotLocked) {
    for (const FamilyCase& c : kFamilies) {
        SCOPED_TRACE(c.conveyor);
        vtest::ProductionLine line(c.conveyor, 3);
        const Job job = Parse(c.job);
        StationOptions o = Options(1);
        bool swapped = false;
        o.onStage = [&](const char* stage) {
            if (std::string(stage) == "written" && !swapped) {
                swapped = true;
                line.Next();
            }
        };
        std::vector<TagReport> reports;
        Run(line, job, o, reports);
        ASSERT_GE(reports.size(), 2u);
        EXPECT_EQ(reports[0].kind, TagReport::Kind::Void);
        EXPECT_FALSE(reports[0].error.empty());
        EXPECT_FALSE(line.Locked(reports[0].uid));
        // The serial of the swapped tag is void and never issued again.
        EXPECT_EQ(reports[1].kind, TagReport::Kind::Passed) << reports[1].error;
        EXPECT_NE(reports[1].serial, reports[0].serial);
        const auto records = store_->Records(job.name);
        ASSERT_EQ(records.size(), 2u);
        EXPECT_EQ(records[0].result, Result::Void);
        EXPECT_EQ(records[0].error, reports[0].error);
    }
}

TEST_F(StationTest, ARefusedWriteMakesTheSerialVoidAndLeavesTheTagUnlocked) {
    // The first write the reader gets is refused by the tag.
    const std::string fault = R"("faults": [{"kind": "status", "status": 241, "command": "35"}])";
    for (const char* family : {"ntag213", "classic1k"}) {
        SCOPED_TRACE(family);
        vtest::ProductionLine line(family, 2, fault);
        std::vector<TagReport> reports;
        Run(line, Parse(std::string(family) == "ntag213" ? kNtagJob : kClassicJob), Options(1),
            reports);
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports[0].kind, TagReport::Kind::Void);
        EXPECT_NE(reports[0].error.find("write refused"), std::string::npos) << reports[0].error;
        EXPECT_FALSE(line.Locked(reports[0].uid));
    }
}

TEST_F(StationTest, NonBlankTagsAreRefusedUnlessTheJobAllowsOverwriting) {
    for (const bool allowed : {false, true}) {
        SCOPED_TRACE(allowed);
        // An NTAG213 with data in page 5 where the job's message goes.
        vtest::ProductionLine line("ntag213", 0, R"("iso14443": {"cards": [
            {"type": "ntag213", "uid": "04 11 22 33 44 55 66", "pages": {"5": "01020304"}}]})");
        const Job job =
            Parse(kNtagJob, allowed ? R"({"name": "overwrite", "overwrite_non_blank": true})"
                                    : R"({"name": "keep"})");
        std::vector<TagReport> reports;
        StationOptions o = Options(1);
        o.stopRequested = [&] { return !reports.empty(); }; // the card stays in the field
        Station station(line.Handle(), job, *store_, o);
        station.Run([&](const TagReport& r) { reports.push_back(r); });
        ASSERT_EQ(reports.size(), 1u);
        if (allowed) {
            EXPECT_EQ(reports[0].kind, TagReport::Kind::Passed) << reports[0].error;
        } else {
            EXPECT_EQ(reports[0].kind, TagReport::Kind::Refused);
            EXPECT_NE(reports[0].error.find("not blank"), std::string::npos) << reports[0].error;
            EXPECT_TRUE(store_->Records(job.name).empty()) << "no serial for a refused tag";
        }
    }
}

TEST_F(StationTest, AUidRecordedForTheJobIsRefusedInTheNextRun) {
    vtest::ProductionLine line("ntag213", 1);
    const Job job = Parse(kNtagJob, R"({"ntag": null, "lock_after_verify": false})");
    StationOptions o = Options(1);
    std::vector<TagReport> first;
    Station(line.Handle(), job, *store_, o).Run([&](const TagReport& r) { first.push_back(r); });
    ASSERT_EQ(first.size(), 1u);
    ASSERT_EQ(first[0].kind, TagReport::Kind::Passed) << first[0].error;
    std::vector<TagReport> second;
    o.stopRequested = [&] { return !second.empty(); }; // the tag stays in the field
    Station(line.Handle(), job, *store_, o).Run([&](const TagReport& r) { second.push_back(r); });
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0].kind, TagReport::Kind::Refused);
    EXPECT_EQ(store_->Records(job.name).size(), 1u);
}

// A store that is out of reach while `down` is set.
class FlakyStore : public RecordStore {
public:
    explicit FlakyStore(RecordStore& inner) : inner_(inner) {}
    bool down = false;

    void RegisterJob(const std::string& job, const SerialFormat& f) override {
        Check();
        inner_.RegisterJob(job, f);
    }
    Allocation Allocate(const std::string& job, const std::string& station,
                        const std::string& uid) override {
        Check();
        return inner_.Allocate(job, station, uid);
    }
    void Finish(int64_t id, Result result, const std::string& error, int64_t ms) override {
        Check();
        inner_.Finish(id, result, error, ms);
    }
    bool UidRecorded(const std::string& job, const std::string& uid) override {
        Check();
        return inner_.UidRecorded(job, uid);
    }
    std::vector<Record> Records(const std::string& job) override {
        Check();
        return inner_.Records(job);
    }

private:
    void Check() const {
        if (down)
            throw StoreError("database out of reach");
    }
    RecordStore& inner_;
};

TEST_F(StationTest, AResultTheDatabaseCouldNotTakeIsKeptInTheJournalUntilItIsBack) {
    vtest::ProductionLine line("ntag213", 3);
    const Job job = Parse(kNtagJob);
    FlakyStore flaky(*store_);
    StationOptions o = Options(3);
    o.storeRetryMs = 10;
    o.storeWaitMs = 200;
    o.onStage = [&](const char* stage) {
        if (std::string(stage) == "protected")
            flaky.down = true; // goes away before the first result is recorded
    };
    std::vector<TagReport> reports;
    RunSummary s = Run(line, job, o, reports, &flaky);
    // The station stopped before the next tag and kept the result.
    EXPECT_EQ(s.end, RunSummary::End::StoreDown);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].kind, TagReport::Kind::Passed);
    Journal journal(o.journalPath);
    ASSERT_EQ(journal.Load().size(), 1u);
    EXPECT_EQ(journal.Load()[0].serial, reports[0].serial);
    EXPECT_EQ(store_->Records(job.name).at(0).result, Result::Pending);

    // Back: the kept result goes in before the next tag, and the run goes on.
    flaky.down = false;
    o.onStage = {};
    o.count = 2;
    reports.clear();
    s = Run(line, job, o, reports, &flaky);
    EXPECT_EQ(s.end, RunSummary::End::Count) << s.error;
    EXPECT_FALSE(std::filesystem::exists(o.journalPath));
    const auto records = store_->Records(job.name);
    ASSERT_EQ(records.size(), 3u);
    for (const Record& r : records)
        EXPECT_EQ(r.result, Result::Passed) << r.serial;
}

TEST_F(StationTest, ADamagedJournalStopsTheRunAndIsLeftAlone) {
    vtest::ProductionLine line("ntag213", 1);
    StationOptions o = Options(1);
    { std::ofstream(o.journalPath) << "{\"results\": [{\"id\": 1}]}"; }
    std::vector<TagReport> reports;
    const RunSummary s = Run(line, Parse(kNtagJob), o, reports);
    EXPECT_EQ(s.end, RunSummary::End::Failed);
    EXPECT_NE(s.error.find("damaged"), std::string::npos) << s.error;
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(std::filesystem::exists(o.journalPath));
}

TEST_F(StationTest, AJobTheReaderCannotCarryOutIsRefusedBeforeTheFirstTag) {
    vtest::ProductionLine line("nxp-icode-slix", 1);
    std::vector<TagReport> reports;
    const RunSummary s =
        Run(line, Parse(kIsoJob, R"({"iso15693": {"afi": 7}})"), Options(1), reports);
    EXPECT_EQ(s.end, RunSummary::End::Failed);
    EXPECT_NE(s.error.find("$.iso15693.afi"), std::string::npos) << s.error;
    EXPECT_TRUE(reports.empty());
}

} // namespace
