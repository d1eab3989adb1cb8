// Three stations on one PostgreSQL database, each with its own stand-in line of 300
// NTAG213 tags; 50 UIDs come past two stations. The database is stopped in the middle
// of the run and started again. Afterwards every serial is issued once, every serial
// is on a verified tag or recorded as void with its reason, no UID is programmed
// twice, and nothing the stations did is missing from the record.
#include "production/Job.h"
#include "production/RecordStore.h"
#include "production/Station.h"
#include "tests/production/PgServer.h"
#include "tests/production/ProductionLine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {

using namespace vorex::production;

constexpr int kTags = 300;

TEST(MultiStation, ThreeStationsOnePostgresqlThroughARestart) {
    vtest::PgServer server;
    if (server.Missing())
        GTEST_SKIP() << "PostgreSQL is not installed: " << server.Error();
    ASSERT_EQ(server.Error(), "");
    const std::string url = server.NewDatabase();
    const JobLoad load = ParseJob(R"({
      "name": "line-run", "family": "ntag", "chips": ["NTAG213"],
      "serial": {"prefix": "L-", "width": 6, "start": 1, "step": 1},
      "content": {"ndef": [{"type": "uri", "uri": "https://v.example/{serial}"}]},
      "lock_after_verify": true})");
    ASSERT_TRUE(load.ok) << load.error;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vorex-multi-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);

    // Station 2 starts with the last 50 tags of station 1's line.
    const char* lines[] = {R"("seed": 1)", R"("seed": 1, "first": 250)", R"("seed": 2)"};
    std::vector<std::unique_ptr<vtest::ProductionLine>> line;
    for (const char* extra : lines)
        line.push_back(std::make_unique<vtest::ProductionLine>("ntag213", kTags, "", extra));

    std::mutex mutex;
    std::map<std::string, std::vector<TagReport>> reports; // by station
    std::atomic<int> handled{0};
    std::atomic<int> outages{0};
    std::vector<RunSummary> summaries(3);
    std::vector<std::thread> stations;
    for (int i = 0; i < 3; ++i)
        stations.emplace_back([&, i] {
            const std::string name = "st" + std::to_string(i + 1);
            std::unique_ptr<RecordStore> store = OpenStore(url);
            StationOptions o;
            o.station = name;
            o.journalPath = (dir / (name + ".journal")).string();
            o.pollMs = 2;
            o.idleMs = 1500; // the line is empty
            o.storeRetryMs = 50;
            o.storeWaitMs = 30000;
            o.onStore = [&](const std::string& problem) { outages += !problem.empty(); };
            Station station(line[static_cast<size_t>(i)]->Handle(), load.job, *store, o);
            summaries[static_cast<size_t>(i)] = station.Run([&, i](const TagReport& r) {
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    reports[name].push_back(r);
                }
                ++handled;
                line[static_cast<size_t>(i)]->Next();
            });
        });
    // The database goes away a third of the way through and comes back.
    while (handled < kTags)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(server.Stop());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_TRUE(server.Start());
    for (auto& t : stations)
        t.join();
    EXPECT_GT(outages.load(), 0) << "the stations noticed the outage";

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(summaries[static_cast<size_t>(i)].end, RunSummary::End::Idle)
            << summaries[static_cast<size_t>(i)].error;
        EXPECT_FALSE(std::filesystem::exists(dir / ("st" + std::to_string(i + 1) + ".journal")));
    }
    const std::vector<Record> records = OpenStore(url)->Records(load.job.name);
    std::set<int64_t> serials;
    std::set<std::string> passedUids;
    int passed = 0, refused = 0;
    for (const Record& r : records) {
        EXPECT_TRUE(serials.insert(r.serial).second) << "serial issued twice: " << r.serial;
        ASSERT_NE(r.result, Result::Pending) << "serial " << r.serial << " has no outcome";
        if (r.result == Result::Void) {
            EXPECT_FALSE(r.error.empty()) << r.serial;
            continue;
        }
        ++passed;
        EXPECT_TRUE(passedUids.insert(r.uid).second) << "UID programmed twice: " << r.uid;
        const size_t index = static_cast<size_t>(r.station.back() - '1');
        EXPECT_TRUE(vtest::Contains(line[index]->Memory(r.uid),
                                    FormatSerial(load.job.serial, r.serial).text))
            << r.uid << " " << r.serial;
    }
    // Every tag a station reported passed is in the record; the 50 shared UIDs were
    // programmed by one station and refused by the other.
    int reportedPassed = 0;
    for (const auto& [station, list] : reports)
        for (const TagReport& r : list) {
            reportedPassed += r.kind == TagReport::Kind::Passed;
            refused += r.kind == TagReport::Kind::Refused;
        }
    EXPECT_EQ(passed, reportedPassed);
    EXPECT_EQ(passedUids.size() + static_cast<size_t>(refused), size_t{3 * kTags});
    EXPECT_EQ(refused, 50);
    std::filesystem::remove_all(dir);
}

} // namespace
